#pragma once

// The marked blocks of a threshold scan drawn over the picture they were computed from.

#include "core/channel.h"
#include "core/channelscan.h"
#include "core/coloursurface.h"

#include <QColor>
#include <QImage>
#include <array>
#include <vector>

namespace overlay {

// The block grid over the preview: block (bx, by) covers the preview's pixels from
// (bx * rx, by * ry), rx wide and ry high, as far as the preview reaches.
struct Grid {
    int nx = 0, ny = 0, rx = 3, ry = 3;
};
QRect blockRect(const Grid &g, int bx, int by);

// A channel's marked blocks, row by row: those its threshold plane (one pixel a block) draws
// with its marker.
using Marks = std::vector<bool>;
Marks marksOf(const QImage &plane, Channel channel);

struct Layer {
    Marks marks;
    QColor colour;
    bool shown = true;
};
struct Style {
    double opacity = 0.5; // 0 to 1
    bool outline = false; // only the border of the marked region, one pixel inside it
};

// The picture with each shown layer's marked blocks laid over it at the picture's own size,
// red first, then green, then blue. Nothing is drawn outside the marked blocks' pixels.
QImage compose(const QImage &picture, const Grid &g, const PerChannel<Layer> &layers,
               const Style &style);

// The surface's pixels as an image of its size; points that read -1 come out white.
QImage imageOf(const core::ColourSurface &surface);

} // namespace overlay
