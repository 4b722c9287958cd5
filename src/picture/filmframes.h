#pragma once

#include "picture/frames.h"

namespace picture {

// A film's frames through FFmpeg's libraries: the video stream's frames in the order they are
// shown, indexed once from the packets' times, so that frame k is found exactly, by seeking to
// the key frame before it and decoding on, B-frames included.
Result<std::unique_ptr<Frames>> openFilm(const QString &path, const FileState &file,
                                         const std::atomic<bool> *cancel);
bool filmSignature(QByteArrayView head);

} // namespace picture
