#pragma once

#include <QSizeF>

namespace reduction {

// The side of the zoom view before it is fitted to a plane.
inline constexpr float ViewSide = 280.0f;

// The zoom view's outer size for planes of pw x ph: the longer side stays 280, the shorter
// one becomes 280 times the planes' aspect; square planes give 280 x 280.
QSizeF magnifierView(float pw, float ph);

} // namespace reduction
