#pragma once

#include "core/colour.h"

#include <QImage>
#include <QRect>
#include <cstdint>
#include <functional>
#include <vector>

namespace core {

// A rectangle of colour values read off a surface, in the coordinates of that surface.
// Points that the surface does not cover read as NoColour (-1).
struct ColourSurface {
    QRect rect;
    std::vector<Colour> values; // row by row, rect.width() per row

    Colour Point(int x, int y) const
    {
        if (!rect.contains(x, y))
            return NoColour;
        return values[static_cast<std::size_t>(y - rect.top()) *
                          static_cast<std::size_t>(rect.width()) +
                      static_cast<std::size_t>(x - rect.left())];
    }
    const Colour *row(int y) const
    {
        return values.data() +
               static_cast<std::size_t>(y - rect.top()) * static_cast<std::size_t>(rect.width());
    }
};

// Reads `region` off a rendered image; what lies outside the image reads as NoColour.
ColourSurface readSurface(const QImage &image, const QRect &region);
// The same into a surface the caller keeps, for an image whose pixel (0, 0) shows the point
// `origin` of the surface's coordinates.
void readSurface(const QImage &image, QPoint origin, const QRect &region, ColourSurface &out);

// Makes `out` the rectangle `region` (an invalid one is empty) and has `paint` draw the part of it
// within `covered` straight into its values; every other point reads NoColour. `paint` gets an
// image whose pixel (0, 0) is the drawn part's top-left point, and that part; it is not called
// where nothing is covered. RGBX8888 lays out its bytes as colour values do, apart from the
// fourth byte, which is cleared afterwards. `out` keeps its storage from one call to the next.
void paintSurface(ColourSurface &out, const QRect &region, const QRect &covered,
                  const std::function<void(QImage &into, const QRect &drawn)> &paint);

// Pixels rendered as RGBX8888 hold R, G, B as colour values do and 0xFF where colour values
// hold 0: clears that byte over `width` x `height` values, rows `stride` values apart.
void clearFourthByte(Colour *first, int width, int height, int stride);

} // namespace core
