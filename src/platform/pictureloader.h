#pragma once

#include "platform/picture.h"

#include <QIODevice>
#include <QString>

namespace platform {

struct LoadResult {
    bool ok = false;
    Picture picture;
    QString error; // why the file could not be loaded, for the user
};

// Loads a picture file for a preview that fits a square of `fitSide` pixels: the picture's
// own size comes from the file's header, the pixels are decoded straight at the fitted size
// where the format allows it. An empty path gives an empty picture. Files over Qt's
// allocation limit, unreadable, damaged or truncated files fail with a reason.
LoadResult LoadPicture(const QString &path, int fitSide);
// The same for a picture read from an open device.
LoadResult LoadPicture(QIODevice &device, int fitSide);

} // namespace platform
