#pragma once

#include <QSizeF>

namespace reduction {

// The margin added to each side of the preview before it is divided by the rates.
inline constexpr float PlaneMargin = 20.0f;

// Outer size of a channel plane for a preview of iw x ih window pixels at rates rx and ry:
// (iw + 20) / rx by (ih + 20) / ry, in single precision, never rounded.
QSizeF planeSize(float iw, float ih, int rx, int ry);

// How many steps of `step` pixels fit a side of `size` window pixels, counting from the first
// pixel: the k >= 0 with 20 + k * step <= (size + 20) - 1 in single precision, so
// floor((size - 1) / step) + 1 when size >= 1 and none otherwise. Throws std::overflow_error
// past the 16-bit counters (32767).
int stepCount(float size, int step);

// The caption of a rate read-out after a change: "Rate x 1:" and the digits, no blank.
QString rateCaption(char axis, int rate);

} // namespace reduction
