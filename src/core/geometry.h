#pragma once

// The window's geometry: the preview's fit, the planes' sizes and the block grid's steps, the
// zoom view's fit. Sizes are window pixels in single precision and are never rounded here.

#include <QSizeF>
#include <QString>

namespace geometry {

// The margin added to each side of the preview before it is divided by the rates.
inline constexpr float PlaneMargin = 20.0f;
// The side of the zoom view before it is fitted to a plane.
inline constexpr float ViewSide = 280.0f;

// The preview's size for a picture of w x h pixels in a square of side s: the longer side
// becomes s and the shorter one keeps the picture's proportions. A square picture takes the
// second branch (r = 1).
QSizeF previewSize(float w, float h, double s);

// Outer size of a channel plane for a preview of iw x ih window pixels at rates rx and ry:
// (iw + 20) / rx by (ih + 20) / ry, in single precision.
QSizeF planeSize(float iw, float ih, int rx, int ry);

// How many steps of `step` pixels fit a side of `size` window pixels, counting from the first
// pixel: the k >= 0 with 20 + k * step <= (size + 20) - 1 in single precision, so
// floor((size - 1) / step) + 1 when size >= 1 and none otherwise. Its callers keep
// it within the 16-bit counters (32767).
int stepCount(float size, int step);

// The zoom view's outer size for planes of pw x ph: the longer side stays 280, the shorter
// one becomes 280 times the planes' aspect; square planes give 280 x 280.
QSizeF magnifierView(float pw, float ph);

// The caption of a rate read-out after a change: "Rate x 1:" and the digits, no blank.
QString rateCaption(char axis, int rate);

} // namespace geometry
