#pragma once

#include "platform/fulldecoder.h"

namespace platform {

// HEIC and AVIF (and other HEIF brands), the primary picture, upright.
bool isHeif(QByteArrayView head);
FullDecode decodeHeif(const QByteArray &data, qint64 limitBytes, const std::atomic<bool> *cancel);

} // namespace platform
