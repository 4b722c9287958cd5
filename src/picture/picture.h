#pragma once

#include <QImage>
#include <QSize>

namespace picture {

// What the picture loader hands back: the picture's own size in pixels and its pixels,
// possibly decoded at a smaller size. An empty picture has no size.
struct Picture {
    QSize size;
    QImage image;

    bool isEmpty() const { return size.isEmpty(); }
};

} // namespace picture
