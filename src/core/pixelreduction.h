#pragma once

#include "core/colour.h"
#include "core/coloursurface.h"

#include <QRect>
#include <vector>

namespace reduction {

struct ReductionParams {
    float iw = 0, ih = 0;         // preview size in window pixels
    int firstX = 20, firstY = 20; // window pixel of the first sample
    int n = 3;                    // one sample every n pixels, both ways
};

// Columns and rows of the reduced picture and the window pixels its samples span.
struct ReductionGrid {
    int columns = 0, rows = 0;
    QRect sampled;
};
ReductionGrid reductionGrid(const ReductionParams &p);

// Output pixel (i, j), from 1, is window pixel (firstX + (i - 1) n, firstY + (j - 1) n).
// Colours pass unchanged, except that a point without colour (-1) becomes white.
struct ReducedPicture {
    int columns = 0, rows = 0;
    std::vector<core::Colour> colours; // row by row, `columns` per row
};
ReducedPicture riduzione(const core::ColourSurface &surface, const ReductionParams &p);
// The same into a picture the caller keeps, reusing its storage.
void riduzione(const core::ColourSurface &surface, const ReductionParams &p, ReducedPicture &out);

} // namespace reduction
