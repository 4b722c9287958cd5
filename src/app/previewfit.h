#pragma once

#include <QSizeF>

namespace app {

// The preview's size for a picture of w x h pixels in a square of side s: the longer side
// becomes s and the shorter one keeps the picture's proportions. A square picture takes the
// second branch (r = 1). Sizes stay fractional.
QSizeF previewSize(float w, float h, double s);

} // namespace app
