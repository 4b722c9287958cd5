#pragma once

// The picture room (tintara_picture), above the core: picture files in and planes out, no
// widgets. LoadPicture() picks a Decoder by content from the table in formats.cpp (one file a
// format, each allocating through the allocation guard), turns the pixels upright and into
// sRGB at the preview's size; savePng() writes planes. Every step returns a Result whose reason
// a user can read. Logging: tintara.picture.

#include "core/result.h"
#include "picture/picture.h"

#include <QColorSpace>
#include <QIODevice>
#include <QString>
#include <atomic>

namespace picture {

using LoadResult = Result<Picture>;

// The whole pixels at which a picture of `upright` size is painted as a preview fitted into a
// square of `fitSide` pixels: the preview's fractional size rounded as the window places it.
QSize paintedSize(QSize upright, int fitSide);

// Loads a picture file for a preview that fits a square of `fitSide` pixels. The format is known
// by the file's content; the picture's own size comes from its header, turned upright as its
// orientation says; the pixels are decoded once, straight to the size at which the preview
// paints them where the format's library can, and shown in sRGB. An empty path gives an empty
// picture. Anything but a regular file, files over Qt's allocation limit, unreadable, damaged
// or truncated files fail with a reason. Setting `cancel` ends a long decode early; the result
// then fails.
LoadResult LoadPicture(const QString &path, int fitSide, const std::atomic<bool> *cancel = nullptr);
// The same for a picture read from an open device.
LoadResult LoadPicture(QIODevice &device, int fitSide, const std::atomic<bool> *cancel = nullptr);

// A decoded, upright picture whose own size is `size`, as the preview shows it: in sRGB where
// its colour space says otherwise, at the painted size for `fitSide`, in Qt's 32-bit order.
LoadResult fitPreview(QImage image, const QColorSpace &space, QSize size, int fitSide);

// How many pictures a file holds side by side (HEIF's top-level images), and one of them, from
// 0, loaded as LoadPicture loads the file's primary one.
Result<int> countPictures(const QString &path);
LoadResult loadPicture(const QString &path, int picture, int fitSide,
                       const std::atomic<bool> *cancel = nullptr);

// Whether the file is a regular file of a format this program reads, judged from its header
// alone, at once whatever its size: its state, or why it is no picture.
Result<FileState> checkPicture(const QString &path);

} // namespace picture
