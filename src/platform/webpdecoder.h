#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <atomic>

namespace platform {

struct WebpDecode {
    QImage image;          // empty when the file was refused
    QString error;         // why, for the user
    bool animated = false; // left to Qt's reader, which shows the first frame
};

// Decodes a still WebP from memory straight to `size` pixels with libwebp's own scaler, so no
// full-size copy is ever made; a truncated or broken file is refused with libwebp's reason.
// The data is handed to libwebp in pieces, and `cancel` stops the decode between two of them.
WebpDecode decodeWebp(const QByteArray &data, QSize size,
                      const std::atomic<bool> *cancel = nullptr);

} // namespace platform
