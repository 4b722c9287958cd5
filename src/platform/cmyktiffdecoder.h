#pragma once

#include "platform/fulldecoder.h"

namespace platform {

// A CMYK TIFF of 8 or 16 bits a sample, which Qt's reader does not read, with the usual naive
// conversion of inks to light. Refuses any other TIFF, which Qt reads.
FullDecode decodeCmykTiff(const QByteArray &data, qint64 limitBytes,
                          const std::atomic<bool> *cancel);

} // namespace platform
