#include "scan/channelscan.h"

#include "reduction/planesizing.h"
#include "scan/blockkernels.h"
#include "scan/blockpainter.h"

#include <bit>
#include <cstdint>
#include <stdexcept>

namespace scan {

static_assert(std::endian::native == std::endian::little,
              "colour values are read byte by byte as R, G, B");

namespace {

// Copies the sampled rectangle out of a surface that does not cover it whole.
platform::ColourSurface cover(const platform::ColourSurface &s, const QRect &r)
{
    platform::ColourSurface c;
    c.rect = r;
    c.values.resize(static_cast<std::size_t>(r.width()) * static_cast<std::size_t>(r.height()));
    std::size_t i = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            c.values[i++] = s.Point(x, y);
    return c;
}

} // namespace

ScanGrid scanGrid(const ScanParams &p)
{
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

ScanPlanes scansiona(const platform::ColourSurface &surface, const ScanParams &p)
{
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

    const BlockPainter paint(p, out, blocks);
    if (p.sel < Average || p.sel > Spread) {
        // No reduction chosen: every block value is 0.
        const std::vector<std::uint32_t> zeros(static_cast<std::size_t>(g.nx), 0);
        for (int by = 0; by < g.ny; ++by)
            paint.values(static_cast<std::size_t>(by) * g.nx, zeros.data(), g.nx);
        return out;
    }

    platform::ColourSurface covered;
    const platform::ColourSurface *s = &surface;
    if (!surface.rect.contains(g.sampled)) {
        covered = cover(surface, g.sampled);
        s = &covered;
    }

    const int bytes = g.nx * p.rx * 4;
    const std::ptrdiff_t stride = static_cast<std::ptrdiff_t>(s->rect.width()) * 4;
    const auto buffer = static_cast<std::size_t>(bytes) + kernels::Slack;
    std::vector<std::uint16_t> sum(p.sel == Average ? buffer : 0);
    std::vector<std::uint8_t> max(p.sel == Maximum || p.sel == Spread ? buffer : 0);
    std::vector<std::uint8_t> min(p.sel == Minimum || p.sel == Spread ? buffer : 0);
    std::vector<std::uint32_t> across(static_cast<std::size_t>(g.nx) * 4);

    for (int by = 0; by < g.ny; ++by) {
        const int y = g.sampled.top() + by * p.ry;
        const auto *first =
            reinterpret_cast<const std::uint8_t *>(s->row(y) + (g.sampled.left() - s->rect.left()));
        const std::size_t row = static_cast<std::size_t>(by) * static_cast<std::size_t>(g.nx);
        if (p.sel == Average) {
            kernels::columnSum(first, stride, p.ry, bytes, sum.data());
            kernels::blocksSum(sum.data(), p.rx, g.nx, across.data());
            paint.sums(row, across.data(), g.nx);
            continue;
        }
        if (p.sel == Spread) {
            kernels::columnMaxMin(first, stride, p.ry, bytes, max.data(), min.data());
            kernels::blocksSpread(max.data(), min.data(), p.rx, g.nx, across.data());
        } else if (p.sel == Maximum) {
            kernels::columnMax(first, stride, p.ry, bytes, max.data());
            kernels::blocksMax(max.data(), p.rx, g.nx, across.data());
        } else {
            kernels::columnMin(first, stride, p.ry, bytes, min.data());
            kernels::blocksMin(min.data(), p.rx, g.nx, across.data());
        }
        paint.values(row, across.data(), g.nx);
    }
    return out;
}

} // namespace scan
