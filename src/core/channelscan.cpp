#include "core/channelscan.h"

#include "core/blockkernels.h"
#include "core/blockpainter.h"
#include "core/geometry.h"

#include "core/result.h"
#include <bit>
#include <cstdint>

namespace scan {

static_assert(std::endian::native == std::endian::little,
              "colour values are read byte by byte as R, G, B");

namespace {

// Copies the sampled rectangle out of a surface that does not cover it whole.
void cover(const core::ColourSurface &s, const QRect &r, core::ColourSurface &c)
{
    c.rect = r;
    c.values.resize(static_cast<std::size_t>(r.width()) * static_cast<std::size_t>(r.height()));
    std::size_t i = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            c.values[i++] = s.Point(x, y);
}

// Resizes without giving back what an earlier, larger scan took.
template <class T> void fit(std::vector<T> &v, std::size_t n)
{
    if (v.size() < n)
        v.resize(n);
}

} // namespace

ScanGrid scanGrid(const ScanParams &p)
{
    ScanGrid g;
    // Column sums are 16-bit: 255 rows of 255 at the most.
    TINTARA_EXPECTS(p.rx >= 1 && p.ry >= 1 && p.rx <= 255 && p.ry <= 255,
                    "scan: rates must lie between 1 and 255");
    g.nx = geometry::stepCount(p.iw, p.rx);
    g.ny = geometry::stepCount(p.ih, p.ry);
    if (g.nx > 0 && g.ny > 0)
        g.sampled = QRect(p.originX + 1, p.originY + 1, (g.nx - 1) * p.rx + p.spanX(),
                          (g.ny - 1) * p.ry + p.spanY());
    return g;
}

template <class Row>
void Scanner::reduceRows(const core::ColourSurface &surface, const ScanParams &p, const ScanGrid &g,
                         Row &&row)
{
    const core::ColourSurface *s = &surface;
    if (!surface.rect.contains(g.sampled)) {
        cover(surface, g.sampled, covered_);
        s = &covered_;
    }

    // An overlapping block's last column and row are its neighbours' first ones.
    const int span = p.spanX(), rows = p.spanY();
    const int bytes = ((g.nx - 1) * p.rx + span) * 4;
    const std::ptrdiff_t stride = static_cast<std::ptrdiff_t>(s->rect.width()) * 4;
    const auto buffer = static_cast<std::size_t>(bytes) + kernels::Slack;
    if (p.sel == Average)
        fit(sum_, buffer);
    if (p.sel == Maximum || p.sel == Spread)
        fit(max_, buffer);
    if (p.sel == Minimum || p.sel == Spread)
        fit(min_, buffer);
    fit(across_, static_cast<std::size_t>(g.nx) * 4);
    std::uint16_t *sum = sum_.data();
    std::uint8_t *max = max_.data(), *min = min_.data();
    std::uint32_t *across = across_.data();

    for (int by = 0; by < g.ny; ++by) {
        const int y = g.sampled.top() + by * p.ry;
        const auto *first =
            reinterpret_cast<const std::uint8_t *>(s->row(y) + (g.sampled.left() - s->rect.left()));
        const std::size_t firstBlock =
            static_cast<std::size_t>(by) * static_cast<std::size_t>(g.nx);
        if (p.sel == Average) {
            kernels::columnSum(first, stride, rows, bytes, sum);
            kernels::blocksSum(sum, p.rx, span, g.nx, across);
            row(firstBlock, across);
            continue;
        }
        if (p.sel == Spread) {
            kernels::columnMaxMin(first, stride, rows, bytes, max, min);
            kernels::blocksSpread(max, min, p.rx, span, g.nx, across);
        } else if (p.sel == Maximum) {
            kernels::columnMax(first, stride, rows, bytes, max);
            kernels::blocksMax(max, p.rx, span, g.nx, across);
        } else {
            kernels::columnMin(first, stride, rows, bytes, min);
            kernels::blocksMin(min, p.rx, span, g.nx, across);
        }
        row(firstBlock, across);
    }
}

ScanPlanes scansiona(const core::ColourSurface &surface, const ScanParams &p)
{
    Scanner scanner;
    scanner.scan(surface, p);
    return scanner.planes();
}

const ScanPlanes &Scanner::scan(const core::ColourSurface &surface, const ScanParams &p)
{
    const ScanGrid g = scanGrid(p);
    ScanPlanes &out = planes_;
    out.nx = g.nx;
    out.ny = g.ny;
    const std::size_t blocks = static_cast<std::size_t>(g.nx) * static_cast<std::size_t>(g.ny);
    for (std::vector<core::Colour> &plane : out.planes)
        plane.assign(blocks, 0);
    if (blocks == 0)
        return out;

    const BlockPainter paint(p, out, blocks, rounded_);
    if (p.sel < Average || p.sel > Spread) {
        // No reduction chosen: every block value is 0.
        across_.assign(static_cast<std::size_t>(g.nx), 0);
        for (int by = 0; by < g.ny; ++by)
            paint.values(static_cast<std::size_t>(by) * g.nx, across_.data(), g.nx);
        return out;
    }

    reduceRows(surface, p, g, [&](std::size_t row, const std::uint32_t *across) {
        if (p.sel == Average)
            paint.sums(row, across, g.nx);
        else
            paint.values(row, across, g.nx);
    });
    return out;
}

BlockHistograms Scanner::histograms(const core::ColourSurface &surface, const ScanParams &p)
{
    const ScanGrid g = scanGrid(p);
    BlockHistograms h;
    h.blocks = static_cast<std::uint64_t>(g.nx) * static_cast<std::uint64_t>(g.ny);
    if (h.blocks == 0)
        return h;
    if (p.sel < Average || p.sel > Spread) {
        for (histogram::Bins &b : h.bins)
            b[0] = static_cast<std::uint32_t>(h.blocks);
        return h;
    }
    // The sums' lanes come in the channels' order.
    histogram::Bins *bins = h.bins.values.data();
    if (p.sel == Average) {
        // Bin k holds k - 1 < s / n <= k, that is k = ceil(s / n), in whole numbers.
        const auto n = static_cast<std::uint32_t>(p.spanX() * p.spanY());
        reduceRows(surface, p, g, [&](std::size_t, const std::uint32_t *sums) {
            for (int b = 0; b < g.nx; ++b)
                for (int c = 0; c < 3; ++c)
                    ++bins[c][(sums[4 * b + c] + n - 1) / n];
        });
    } else {
        reduceRows(surface, p, g, [&](std::size_t, const std::uint32_t *packed) {
            for (int b = 0; b < g.nx; ++b)
                for (int c = 0; c < 3; ++c)
                    ++bins[c][(packed[b] >> (8 * c)) & 0xFFu];
        });
    }
    return h;
}

} // namespace scan
