#pragma once

#include "platform/fulldecoder.h"

namespace platform {

// JPEG XL, bare or in its container; the first frame of an animation, upright.
bool isJxl(QByteArrayView head);
FullDecode decodeJxl(const QByteArray &data, qint64 limitBytes, const std::atomic<bool> *cancel);

} // namespace platform
