#pragma once

#include "picture/frames.h"

namespace picture {

// A film's frames through FFmpeg's libraries: the video stream's frames in the order they are
// shown, indexed once from the packets' times, so that frame k is found exactly, by seeking to
// the key frame before it and decoding on, B-frames included. FFmpeg's libraries and theirs
// are many: they live in a reader of their own (tintara-film.so, filmframes.cpp), loaded when
// the first film is met, so that a program or a module that meets none never loads them.
// Fails, saying so, where the reader is not installed.
Result<std::unique_ptr<Frames>> openFilm(const QString &path, const FileState &file,
                                         const std::atomic<bool> *cancel);
// Whether the first bytes are those of a film's container.
bool filmSignature(QByteArrayView head);

} // namespace picture
