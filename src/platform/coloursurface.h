#pragma once

#include "platform/colour.h"

#include <QImage>
#include <QRect>
#include <cstdint>
#include <vector>

namespace platform {

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

} // namespace platform
