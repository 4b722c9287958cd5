#include "core/pixelreduction.h"

#include "core/geometry.h"

namespace reduction {

ReductionGrid reductionGrid(const ReductionParams &p)
{
    ReductionGrid g;
    g.columns = geometry::stepCount(p.iw, p.n);
    g.rows = geometry::stepCount(p.ih, p.n);
    if (g.columns > 0 && g.rows > 0)
        g.sampled = QRect(p.firstX, p.firstY, (g.columns - 1) * p.n + 1, (g.rows - 1) * p.n + 1);
    return g;
}

ReducedPicture riduzione(const core::ColourSurface &surface, const ReductionParams &p)
{
    ReducedPicture out;
    riduzione(surface, p, out);
    return out;
}

void riduzione(const core::ColourSurface &surface, const ReductionParams &p, ReducedPicture &out)
{
    const ReductionGrid g = reductionGrid(p);
    out.columns = g.columns;
    out.rows = g.rows;
    out.colours.resize(static_cast<std::size_t>(g.columns) * static_cast<std::size_t>(g.rows));
    for (int j = 0; j < g.rows; ++j) {
        const int y = p.firstY + j * p.n;
        core::Colour *dst = out.colours.data() + static_cast<std::size_t>(j) * g.columns;
        for (int i = 0; i < g.columns; ++i) {
            const core::Colour c = surface.Point(p.firstX + i * p.n, y);
            dst[i] = c == core::NoColour ? core::RGB(255, 255, 255) : c;
        }
    }
}

} // namespace reduction
