#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <atomic>

namespace platform {

// More progressive scans than any encoder writes: a file past it only costs decoding time.
inline constexpr int MaxJpegScans = 100;

struct JpegDecode {
    QImage image;  // empty when the file was refused
    QString error; // why, for the user
};

// Decodes a JPEG from memory at the smallest DCT scale that still covers `atLeast` stored
// pixels. Any warning of missing or broken data from libjpeg refuses the file, and so does a
// progressive file with more than MaxJpegScans scans. `cancel` stops the decode between rows.
JpegDecode decodeJpeg(const QByteArray &data, QSize atLeast, const std::atomic<bool> *cancel);

} // namespace platform
