#pragma once

#include "platform/fulldecoder.h"

namespace platform {

// Truevision TGA: true colour, grey and colour-mapped, plain or run-length encoded, in any of
// its four pixel orders. TGA has no signature; its header's fields are checked instead.
bool isTga(QByteArrayView head);
FullDecode decodeTga(const QByteArray &data, qint64 limitBytes, const std::atomic<bool> *cancel);

} // namespace platform
