#pragma once

#include <QImage>
#include <QSize>
#include <QString>

namespace picture {

// What the picture loader hands back: the picture's own size in pixels and its pixels,
// possibly decoded at a smaller size. An empty picture has no size.
struct Picture {
    QSize size;
    QImage image;
    QString hash; // the file's contentHash(); empty for a picture not read from a file

    bool isEmpty() const { return size.isEmpty(); }
};

} // namespace picture
