#pragma once

#include "core/channel.h"
#include "core/colour.h"
#include "core/coloursurface.h"
#include "core/histogram.h"

#include <QRect>
#include <cstdint>
#include <vector>

namespace scan {

// How a block is reduced to one value per channel: the selected index of the type list.
enum Selection : int { None = -1, Average = 0, Maximum = 1, Minimum = 2, Spread = 3 };

// A channel's threshold band: a value v is inside when lo < v <= hi.
struct Band {
    int lo = 128;
    int hi = 255;
    bool contains(double v) const { return lo < v && v <= hi; }
};

struct ScanParams {
    float iw = 0, ih = 0;           // preview size in window pixels
    int originX = 20, originY = 20; // block grid origin: a block's samples start one pixel right
                                    // of and below its origin
    int rx = 3, ry = 3;             // block width and height, 3 to 30
    int sel = Average;              // any value other than 0..3 reduces every block to 0
    // Each block also takes the pixels one step into its right and lower neighbours, its
    // values then spanning (rx + 1) x (ry + 1) pixels while the grid keeps its step: an edge
    // on a block boundary is always inside some block.
    bool overlap = false;
    bool threshold = false; // false: channel intensities; true: band markers
    PerChannel<Band> bands;

    // The pixels a block's values span across and down.
    int spanX() const { return rx + (overlap ? 1 : 0); }
    int spanY() const { return ry + (overlap ? 1 : 0); }
};

// Block columns and rows for a preview of iw x ih at the given rates: floor((iw - 1) / rx) + 1
// columns when iw >= 1, none otherwise; rows likewise. Its callers keep it within the
// 16-bit block counters (32767). With overlap the samples reach one pixel further each way.
struct ScanGrid {
    int nx = 0, ny = 0;
    QRect sampled; // the window pixels that the samples cover
};
ScanGrid scanGrid(const ScanParams &p);

// One colour per block, row by row (nx per row); block (bx, by) lands on plane pixel
// (bx + 1, by + 1).
struct ScanPlanes {
    int nx = 0, ny = 0;
    PerChannel<std::vector<core::Colour>> planes;
};

// Reduces every block of the surface, channel by channel. A point that reads -1 counts as
// white. RGB mode draws RGB(R, 0, 0), RGB(0, G, 0), RGB(0, 0, B) with averages rounded ties to
// even; threshold mode draws palette colour 4, 10 and 1 inside each channel's band (tested on
// the unrounded value) and palette colour 7 outside it.
ScanPlanes scansiona(const core::ColourSurface &surface, const ScanParams &p);

// Per channel, how many blocks have each value of the selected type: the numbers that the
// threshold band is tested on, averages unrounded (bin k holds k - 1 < v <= k).
struct BlockHistograms {
    PerChannel<histogram::Bins> bins;
    std::uint64_t blocks = 0;
};

// The same scan, keeping its planes and working rows from one scan to the next: after the
// first scan of a given size it allocates nothing.
class Scanner {
public:
    const ScanPlanes &scan(const core::ColourSurface &surface, const ScanParams &p);
    const ScanPlanes &planes() const { return planes_; }
    // The block values a scan with these parameters tests, counted; the planes are untouched.
    BlockHistograms histograms(const core::ColourSurface &surface, const ScanParams &p);

private:
    // Reduces the surface block row by block row and hands each row's packed values (or, for
    // the average, sums in four lanes) to `row(first block, values)`.
    template <class Row>
    void reduceRows(const core::ColourSurface &surface, const ScanParams &p, const ScanGrid &g,
                    Row &&row);
    ScanPlanes planes_;
    core::ColourSurface covered_;
    std::vector<std::uint16_t> sum_;
    std::vector<std::uint8_t> max_, min_, rounded_;
    std::vector<std::uint32_t> across_;
};

} // namespace scan
