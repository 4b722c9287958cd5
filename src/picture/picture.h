#pragma once

#include <QDateTime>
#include <QImage>
#include <QSize>
#include <QString>

namespace picture {

// What a picture file looked like when it was read: enough to tell that it has been written
// since, when its hash is taken later.
struct FileState {
    qint64 size = -1;
    QDateTime modified;

    bool operator==(const FileState &) const = default;
};

// What the picture loader hands back: the picture's own size in pixels and its pixels,
// possibly decoded at a smaller size. An empty picture has no size.
struct Picture {
    QSize size;
    QImage image;
    FileState file; // the file's state as it was read; none for a picture not read from a file

    bool isEmpty() const { return size.isEmpty(); }
};

} // namespace picture
