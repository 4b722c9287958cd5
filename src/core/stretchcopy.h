#pragma once

#include <QImage>
#include <QRect>

namespace core {

// Copies `from` of `src` to a picture of `to`, scaled independently in x and y by pixel
// repetition (no smoothing): each destination pixel takes the source pixel under its centre.
// What falls outside the source is black.
QImage stretchCopy(const QImage &src, const QRect &from, const QSize &to);

} // namespace core
