#include "scan/channelscan.h"

#include "reduction/planesizing.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <stdexcept>

namespace scan {

using platform::Colour;

static_assert(std::endian::native == std::endian::little,
              "colour values are read byte by byte as R, G, B");

namespace {

// Per-block channel values of one block row, from column-reduced bytes (4 per pixel: R, G, B, x).
struct BlockRow {
    std::vector<std::uint16_t> sum; // column sums over the block row's rows
    std::vector<std::uint8_t> max, min;
};

Colour rgbColour(double v, int shift) {
    return static_cast<Colour>(std::nearbyint(v)) << shift;
}

struct Painter {
    const ScanParams &p;
    ScanPlanes &out;

    void put(std::size_t at, double r, double g, double b) const {
        if (!p.threshold) {
            out.red[at] = rgbColour(r, 0);
            out.green[at] = rgbColour(g, 8);
            out.blue[at] = rgbColour(b, 16);
            return;
        }
        static const Colour outside = platform::QBColor(7);
        static const Colour redIn = platform::QBColor(4);
        static const Colour greenIn = platform::QBColor(10);
        static const Colour blueIn = platform::QBColor(1);
        out.green[at] = p.green.contains(g) ? greenIn : outside;
        out.red[at] = p.red.contains(r) ? redIn : outside;
        out.blue[at] = p.blue.contains(b) ? blueIn : outside;
    }
};

// Copies the sampled rectangle out of a surface that does not cover it whole.
platform::ColourSurface cover(const platform::ColourSurface &s, const QRect &r) {
    platform::ColourSurface c;
    c.rect = r;
    c.values.resize(static_cast<std::size_t>(r.width()) * static_cast<std::size_t>(r.height()));
    std::size_t i = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            c.values[i++] = s.Point(x, y);
    return c;
}

void reduceColumns(const platform::ColourSurface &s, int x0, int y0, int rows, int bytes, int sel,
                   BlockRow &row) {
    const auto *first = reinterpret_cast<const std::uint8_t *>(s.row(y0) + (x0 - s.rect.left()));
    if (sel == Average) {
        std::uint16_t *sum = row.sum.data();
        for (int i = 0; i < bytes; ++i)
            sum[i] = first[i];
        for (int k = 1; k < rows; ++k) {
            const auto *b =
                reinterpret_cast<const std::uint8_t *>(s.row(y0 + k) + (x0 - s.rect.left()));
            for (int i = 0; i < bytes; ++i)
                sum[i] = static_cast<std::uint16_t>(sum[i] + b[i]);
        }
        return;
    }
    const bool wantMax = sel == Maximum || sel == Spread;
    const bool wantMin = sel == Minimum || sel == Spread;
    std::uint8_t *mx = row.max.data();
    std::uint8_t *mn = row.min.data();
    if (wantMax)
        std::memcpy(mx, first, static_cast<std::size_t>(bytes));
    if (wantMin)
        std::memcpy(mn, first, static_cast<std::size_t>(bytes));
    for (int k = 1; k < rows; ++k) {
        const auto *b =
            reinterpret_cast<const std::uint8_t *>(s.row(y0 + k) + (x0 - s.rect.left()));
        if (wantMax)
            for (int i = 0; i < bytes; ++i)
                mx[i] = std::max(mx[i], b[i]);
        if (wantMin)
            for (int i = 0; i < bytes; ++i)
                mn[i] = std::min(mn[i], b[i]);
    }
}

} // namespace

ScanGrid scanGrid(const ScanParams &p) {
    ScanGrid g;
    // Column sums are 16-bit: 255 rows of 255 at the most.
    if (p.rx < 1 || p.ry < 1 || p.rx > 255 || p.ry > 255)
        throw std::invalid_argument("scan: rates must lie between 1 and 255");
    g.nx = reduction::stepCount(p.iw, p.rx);
    g.ny = reduction::stepCount(p.ih, p.ry);
    if (g.nx > 0 && g.ny > 0)
        g.sampled = QRect(p.originX + 1, p.originY + 1, g.nx * p.rx, g.ny * p.ry);
    return g;
}

ScanPlanes scansiona(const platform::ColourSurface &surface, const ScanParams &p) {
    const ScanGrid g = scanGrid(p);
    ScanPlanes out;
    out.nx = g.nx;
    out.ny = g.ny;
    const std::size_t blocks = static_cast<std::size_t>(g.nx) * static_cast<std::size_t>(g.ny);
    out.red.assign(blocks, 0);
    out.green.assign(blocks, 0);
    out.blue.assign(blocks, 0);
    if (blocks == 0)
        return out;

    const Painter paint{p, out};
    const bool known = p.sel >= Average && p.sel <= Spread;
    if (!known) {
        for (std::size_t i = 0; i < blocks; ++i)
            paint.put(i, 0, 0, 0);
        return out;
    }

    platform::ColourSurface covered;
    const platform::ColourSurface *s = &surface;
    if (!surface.rect.contains(g.sampled)) {
        covered = cover(surface, g.sampled);
        s = &covered;
    }

    const int width = g.nx * p.rx;
    const int bytes = width * 4;
    BlockRow row;
    row.sum.resize(static_cast<std::size_t>(bytes));
    row.max.resize(static_cast<std::size_t>(bytes));
    row.min.resize(static_cast<std::size_t>(bytes));
    const double samples = static_cast<double>(p.rx) * p.ry;

    for (int by = 0; by < g.ny; ++by) {
        reduceColumns(*s, g.sampled.left(), g.sampled.top() + by * p.ry, p.ry, bytes, p.sel, row);
        std::size_t at = static_cast<std::size_t>(by) * static_cast<std::size_t>(g.nx);
        for (int bx = 0; bx < g.nx; ++bx, ++at) {
            const int c0 = bx * p.rx * 4;
            const int c1 = c0 + p.rx * 4;
            if (p.sel == Average) {
                std::uint32_t r = 0, gr = 0, b = 0;
                for (int c = c0; c < c1; c += 4) {
                    r += row.sum[c];
                    gr += row.sum[c + 1];
                    b += row.sum[c + 2];
                }
                paint.put(at, r / samples, gr / samples, b / samples);
                continue;
            }
            int xr = 0, xg = 0, xb = 0, nr = 255, ng = 255, nb = 255;
            if (p.sel != Minimum)
                for (int c = c0; c < c1; c += 4) {
                    xr = std::max<int>(xr, row.max[c]);
                    xg = std::max<int>(xg, row.max[c + 1]);
                    xb = std::max<int>(xb, row.max[c + 2]);
                }
            if (p.sel != Maximum)
                for (int c = c0; c < c1; c += 4) {
                    nr = std::min<int>(nr, row.min[c]);
                    ng = std::min<int>(ng, row.min[c + 1]);
                    nb = std::min<int>(nb, row.min[c + 2]);
                }
            if (p.sel == Maximum)
                paint.put(at, xr, xg, xb);
            else if (p.sel == Minimum)
                paint.put(at, nr, ng, nb);
            else
                paint.put(at, xr - nr, xg - ng, xb - nb);
        }
    }
    return out;
}

} // namespace scan
