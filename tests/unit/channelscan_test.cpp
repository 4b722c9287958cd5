#include "core/channelscan.h"
#include "core/measurements.h"
#include "core/overlay.h"
#include "support/referencescan.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

using core::Colour;
using core::ColourSurface;
using core::QBColor;
using core::RGB;
using namespace scan;

namespace {

// A surface over the pixels that the scan of `p` samples, coloured by `at(x, y)`.
ColourSurface paint(const ScanParams &p, const std::function<Colour(int, int)> &at)
{
    ColourSurface s;
    s.rect = scanGrid(p).sampled;
    for (int y = s.rect.top(); y <= s.rect.bottom(); ++y)
        for (int x = s.rect.left(); x <= s.rect.right(); ++x)
            s.values.push_back(at(x, y));
    return s;
}

ColourSurface uniform(const ScanParams &p, Colour c)
{
    return paint(p, [c](int, int) { return c; });
}

ScanParams preview(float iw, float ih, int rx = 3, int ry = 3, int sel = Average)
{
    ScanParams p;
    p.iw = iw, p.ih = ih, p.rx = rx, p.ry = ry, p.sel = sel;
    return p;
}

std::uint64_t blockCount(const ScanPlanes &planes)
{
    return static_cast<std::uint64_t>(planes.nx) * static_cast<std::uint64_t>(planes.ny);
}

bool all(const std::vector<Colour> &plane, Colour c)
{
    return std::all_of(plane.begin(), plane.end(), [c](Colour v) { return v == c; });
}

// One block of rx x ry whose first `half` samples (column by column) hold `a` and the rest `b`.
ScanPlanes oneBlock(int rx, int ry, Colour a, Colour b, int half, bool threshold, Band red = {})
{
    ScanParams p = preview(1, 1, rx, ry);
    p.threshold = threshold;
    p.bands[Channel::Red] = red;
    const ColourSurface s = paint(p, [&](int x, int y) {
        const int index = (x - 21) * ry + (y - 21);
        return index < half ? a : b;
    });
    return scansiona(s, p);
}

} // namespace

TEST(ChannelScan, UniformRegionInRgbMode)
{
    for (int sel : {Average, Maximum, Minimum}) {
        const ScanParams p = preview(30, 20, 3, 3, sel);
        const ScanPlanes out = scansiona(uniform(p, RGB(200, 100, 50)), p);
        EXPECT_EQ(out.nx, 10);
        EXPECT_EQ(out.ny, 7);
        EXPECT_TRUE(all(out.planes[Channel::Red], RGB(200, 0, 0))) << "type " << sel;
        EXPECT_TRUE(all(out.planes[Channel::Green], RGB(0, 100, 0))) << "type " << sel;
        EXPECT_TRUE(all(out.planes[Channel::Blue], RGB(0, 0, 50))) << "type " << sel;
    }
    const ScanParams p = preview(30, 20, 3, 3, Spread);
    const ScanPlanes out = scansiona(uniform(p, RGB(200, 100, 50)), p);
    EXPECT_TRUE(all(out.planes[Channel::Red], 0) && all(out.planes[Channel::Green], 0) &&
                all(out.planes[Channel::Blue], 0));
}

TEST(ChannelScan, UniformRegionInThresholdModeWithStartUpBands)
{
    ScanParams p = preview(30, 20);
    p.threshold = true;
    const ScanPlanes out = scansiona(uniform(p, RGB(200, 100, 50)), p);
    EXPECT_TRUE(all(out.planes[Channel::Red], RGB(128, 0, 0)));
    EXPECT_TRUE(all(out.planes[Channel::Green], RGB(192, 192, 192)));
    EXPECT_TRUE(all(out.planes[Channel::Blue], RGB(192, 192, 192)));

    p.sel = Spread; // a uniform region has no spread: outside every band, even from 0
    p.bands[Channel::Red] = p.bands[Channel::Green] = p.bands[Channel::Blue] = Band{0, 255};
    const ScanPlanes flat = scansiona(uniform(p, RGB(200, 100, 50)), p);
    EXPECT_TRUE(all(flat.planes[Channel::Red], QBColor(7)) &&
                all(flat.planes[Channel::Green], QBColor(7)) &&
                all(flat.planes[Channel::Blue], QBColor(7)));
}

TEST(ChannelScan, BandIsOpenBelowAndClosedAbove)
{
    ScanParams p = preview(9, 9);
    p.threshold = true;
    const ColourSurface s = uniform(p, RGB(100, 100, 100));
    p.bands[Channel::Red] = {100, 200};  // equal to the lower bar: outside
    p.bands[Channel::Green] = {50, 100}; // equal to the upper bar: inside
    p.bands[Channel::Blue] = {99, 100};
    ScanPlanes out = scansiona(s, p);
    EXPECT_TRUE(all(out.planes[Channel::Red], QBColor(7)));
    EXPECT_TRUE(all(out.planes[Channel::Green], QBColor(10)));
    EXPECT_TRUE(all(out.planes[Channel::Blue], QBColor(1)));

    p.bands[Channel::Red] = p.bands[Channel::Green] = p.bands[Channel::Blue] =
        Band{150, 150}; // lower at or above upper: nothing is inside
    out = scansiona(s, p);
    EXPECT_TRUE(all(out.planes[Channel::Red], QBColor(7)) &&
                all(out.planes[Channel::Green], QBColor(7)) &&
                all(out.planes[Channel::Blue], QBColor(7)));
}

TEST(ChannelScan, AveragesRoundTiesToEvenOnlyForTheColour)
{
    // 3 x 4 blocks: 12 samples, 6 of one value and 6 of another.
    EXPECT_EQ(oneBlock(3, 4, RGB(5, 0, 0), RGB(0, 0, 0), 6, false).planes[Channel::Red][0],
              RGB(2, 0, 0));
    EXPECT_EQ(oneBlock(3, 4, RGB(7, 0, 0), RGB(0, 0, 0), 6, false).planes[Channel::Red][0],
              RGB(4, 0, 0));
    EXPECT_EQ(oneBlock(3, 4, RGB(31, 0, 0), RGB(0, 0, 0), 6, false).planes[Channel::Red][0],
              RGB(16, 0, 0));
    EXPECT_EQ(oneBlock(3, 4, RGB(255, 0, 0), RGB(2, 0, 0), 6, false).planes[Channel::Red][0],
              RGB(128, 0, 0));
    // In threshold mode the unrounded 128.5 lies inside a band that starts at 128.
    EXPECT_EQ(
        oneBlock(3, 4, RGB(255, 0, 0), RGB(2, 0, 0), 6, true, {128, 255}).planes[Channel::Red][0],
        QBColor(4));
    EXPECT_EQ(
        oneBlock(3, 4, RGB(255, 0, 0), RGB(2, 0, 0), 6, true, {129, 255}).planes[Channel::Red][0],
        QBColor(7));
}

TEST(ChannelScan, PointsWithoutColourCountAsWhite)
{
    for (int sel : {Average, Maximum, Minimum}) {
        const ScanParams p = preview(6, 6, 3, 3, sel);
        const ScanPlanes out = scansiona(uniform(p, core::NoColour), p);
        EXPECT_TRUE(all(out.planes[Channel::Red], RGB(255, 0, 0))) << sel;
        EXPECT_TRUE(all(out.planes[Channel::Green], RGB(0, 255, 0))) << sel;
        EXPECT_TRUE(all(out.planes[Channel::Blue], RGB(0, 0, 255))) << sel;
    }
    // Where the surface does not reach the samples, they read -1 and count as white.
    ScanParams p = preview(6, 3, 3, 3, Spread);
    ColourSurface half;
    half.rect = QRect(21, 21, 3, 3);
    half.values.assign(9, RGB(0, 0, 0));
    const ScanPlanes out = scansiona(half, p);
    ASSERT_EQ(out.nx, 2);
    EXPECT_EQ(out.planes[Channel::Red][0], 0);
    EXPECT_EQ(out.planes[Channel::Red][1], RGB(0, 0, 0));
    EXPECT_EQ(out.planes[Channel::Blue][1], RGB(0, 0, 0));
    p.sel = Maximum;
    EXPECT_EQ(scansiona(half, p).planes[Channel::Red][1], RGB(255, 0, 0));
}

TEST(ChannelScan, NoSelectedTypeReducesEveryBlockToZero)
{
    ScanParams p = preview(12, 12, 3, 3, None);
    const ColourSurface s = uniform(p, RGB(200, 100, 50));
    ScanPlanes out = scansiona(s, p);
    EXPECT_TRUE(all(out.planes[Channel::Red], 0) && all(out.planes[Channel::Green], 0) &&
                all(out.planes[Channel::Blue], 0));
    p.threshold = true;
    out = scansiona(s, p);
    EXPECT_TRUE(all(out.planes[Channel::Red], QBColor(7)) &&
                all(out.planes[Channel::Green], QBColor(7)) &&
                all(out.planes[Channel::Blue], QBColor(7)));
}

TEST(ChannelScan, GridSizes)
{
    EXPECT_EQ(scanGrid(preview(500, 500, 3, 3)).nx, 167);
    EXPECT_EQ(scanGrid(preview(500, 500, 30, 30)).ny, 17);
    const ScanGrid worked = scanGrid(preview(500, 375, 3, 3));
    EXPECT_EQ(worked.nx, 167);
    EXPECT_EQ(worked.ny, 125);
    EXPECT_EQ(worked.sampled, QRect(QPoint(21, 21), QPoint(521, 395)));
    EXPECT_EQ(scanGrid(preview(0.5f, 300)).nx, 0);
    const ScanParams none = preview(300, 0.99f);
    EXPECT_TRUE(scansiona(ColourSurface{}, none).planes[Channel::Red].empty());
    EXPECT_DEATH(scanGrid(preview(10, 10, 0, 3)), "rates must lie between 1 and 255");
}

TEST(ChannelScan, MaximumMinimumAndSpreadPerChannel)
{
    ScanParams p = preview(1, 1, 3, 3);
    const ColourSurface s = paint(
        p, [](int x, int y) { return x == 21 && y == 21 ? RGB(250, 10, 128) : RGB(50, 200, 128); });
    p.sel = Maximum;
    ScanPlanes out = scansiona(s, p);
    EXPECT_EQ(out.planes[Channel::Red][0], RGB(250, 0, 0));
    EXPECT_EQ(out.planes[Channel::Green][0], RGB(0, 200, 0));
    p.sel = Minimum;
    out = scansiona(s, p);
    EXPECT_EQ(out.planes[Channel::Red][0], RGB(50, 0, 0));
    EXPECT_EQ(out.planes[Channel::Green][0], RGB(0, 10, 0));
    p.sel = Spread;
    out = scansiona(s, p);
    EXPECT_EQ(out.planes[Channel::Red][0], RGB(200, 0, 0));
    EXPECT_EQ(out.planes[Channel::Green][0], RGB(0, 190, 0));
    EXPECT_EQ(out.planes[Channel::Blue][0], 0);
}

// A full-size preview at the smallest rates: more blocks than possible sums, where the
// averages are rounded from a table made up front.
TEST(ChannelScan, MatchesThePlainScanOnAFullPreview)
{
    std::mt19937 rng(7);
    for (int sel : {Average, Maximum, Minimum, Spread})
        for (int mode = 0; mode < 4; ++mode) {
            const bool threshold = mode & 1;
            ScanParams p = preview(500, 375, 3, 4, sel);
            p.threshold = threshold;
            p.overlap = mode & 2;
            p.bands[Channel::Red] = {100, 200};
            const ColourSurface s = paint(p, [&](int x, int y) {
                return RGB((x * 3 + y) % 256, static_cast<int>(rng() % 256), (x ^ y) % 256);
            });
            const ScanPlanes fast = scansiona(s, p);
            const ScanPlanes plain = referenceScan(s, p);
            EXPECT_EQ(fast.planes[Channel::Red], plain.planes[Channel::Red]) << sel << mode;
            EXPECT_EQ(fast.planes[Channel::Green], plain.planes[Channel::Green]) << sel << mode;
            EXPECT_EQ(fast.planes[Channel::Blue], plain.planes[Channel::Blue]) << sel << mode;
        }
}

TEST(ChannelScan, MatchesThePlainScanOnRandomSurfaces)
{
    std::mt19937 rng(20261208);
    std::uniform_int_distribution<int> rate(3, 30), sel(-1, 4), level(0, 255), coin(0, 9);
    std::uniform_real_distribution<float> side(0.0f, 140.0f);
    for (int round = 0; round < 120; ++round) {
        ScanParams p;
        p.iw = side(rng);
        p.ih = side(rng);
        p.rx = rate(rng);
        p.ry = rate(rng);
        p.sel = sel(rng);
        p.threshold = coin(rng) < 5;
        p.overlap = coin(rng) < 4;
        p.originX = level(rng) % 40;
        p.originY = level(rng) % 40;
        for (Band &b : p.bands)
            b = Band{level(rng), level(rng)};
        // Smooth areas and noise, with some points that report no colour.
        const int smooth = level(rng);
        ColourSurface s = paint(p, [&](int x, int y) {
            if (coin(rng) == 0)
                return core::NoColour;
            if (coin(rng) < 4)
                return RGB(level(rng), level(rng), level(rng));
            return RGB((x * 7 + smooth) % 256, (y * 3) % 256, (x + y) % 256);
        });
        if (round % 10 == 9 && !s.values.empty()) // sometimes the surface misses a corner
            s.rect.setWidth(s.rect.width() / 2), s.values.resize(s.values.size() / 2);
        const ScanPlanes fast = scansiona(s, p);
        const ScanPlanes plain = referenceScan(s, p);
        ASSERT_EQ(fast.nx, plain.nx) << "round " << round;
        ASSERT_EQ(fast.ny, plain.ny) << "round " << round;
        EXPECT_EQ(fast.planes[Channel::Red], plain.planes[Channel::Red]) << "round " << round;
        EXPECT_EQ(fast.planes[Channel::Green], plain.planes[Channel::Green]) << "round " << round;
        EXPECT_EQ(fast.planes[Channel::Blue], plain.planes[Channel::Blue]) << "round " << round;

        // The histogram counts, inside each band, the blocks the reference marks inside it.
        p.threshold = true;
        const ScanPlanes marks = referenceScan(s, p);
        const BlockHistograms h = Scanner().histograms(s, p);
        const struct {
            const histogram::Bins &bins;
            Band band;
            const std::vector<Colour> &plane;
            Colour inside;
        } channels[] = {
            {h.bins[Channel::Red], p.bands[Channel::Red], marks.planes[Channel::Red], QBColor(4)},
            {h.bins[Channel::Green], p.bands[Channel::Green], marks.planes[Channel::Green],
             QBColor(10)},
            {h.bins[Channel::Blue], p.bands[Channel::Blue], marks.planes[Channel::Blue],
             QBColor(1)}};
        for (const auto &c : channels) {
            std::uint64_t inBins = 0;
            for (int k = std::max(c.band.lo + 1, 0); k <= std::min(c.band.hi, 255); ++k)
                inBins += c.bins[k];
            EXPECT_EQ(inBins, std::count(c.plane.begin(), c.plane.end(), c.inside))
                << "round " << round;
        }
        EXPECT_EQ(h.blocks, blockCount(marks));
    }
}

TEST(ChannelScan, HistogramOfOneHandWorkedRow)
{
    // Two 3 x 3 blocks: eight samples of (100, 0, 9) and one of (103, 255, 9); all (50, 7, 9).
    ScanParams p = preview(4, 1);
    const ColourSurface s = paint(p, [](int x, int y) {
        if (x == 21 && y == 21)
            return RGB(103, 255, 9);
        return x < 24 ? RGB(100, 0, 9) : RGB(50, 7, 9);
    });
    const auto bins = [&](int sel) {
        p.sel = sel;
        return Scanner().histograms(s, p);
    };
    const BlockHistograms average = bins(Average), spread = bins(Spread), none = bins(None);
    // 100 1/3 lies in bin 101; 255 / 9 = 28 1/3 in bin 29.
    EXPECT_EQ(average.bins[Channel::Red][101], 1u);
    EXPECT_EQ(average.bins[Channel::Red][50], 1u);
    EXPECT_EQ(average.bins[Channel::Green][29], 1u);
    EXPECT_EQ(average.bins[Channel::Green][7], 1u);
    EXPECT_EQ(average.bins[Channel::Blue][9], 2u);
    EXPECT_EQ(spread.bins[Channel::Red][3], 1u);
    EXPECT_EQ(spread.bins[Channel::Red][0], 1u);
    EXPECT_EQ(spread.bins[Channel::Green][255], 1u);
    EXPECT_EQ(bins(Maximum).bins[Channel::Red][103], 1u);
    EXPECT_EQ(bins(Minimum).bins[Channel::Green][0], 1u);
    EXPECT_EQ(none.bins[Channel::Red][0], 2u);
    EXPECT_EQ(none.blocks, 2u);
}

TEST(ChannelScan, MeasurementsCountTheMarkedBlocks)
{
    // A 3 x 2 grid, blocks numbered row by row: red marks 0, 1, 2; green 1, 2, 4; blue 2, 4, 5.
    // All three mark block 2 alone; some channel marks all but block 3.
    ScanPlanes planes;
    planes.nx = 3, planes.ny = 2;
    const core::Colour grey = RGB(192, 192, 192);
    planes.planes[Channel::Red].assign(6, grey);
    planes.planes[Channel::Green].assign(6, grey);
    planes.planes[Channel::Blue].assign(6, grey);
    for (int i : {0, 1, 2})
        planes.planes[Channel::Red][i] = RGB(128, 0, 0);
    for (int i : {1, 2, 4})
        planes.planes[Channel::Green][i] = RGB(0, 255, 0);
    for (int i : {2, 4, 5})
        planes.planes[Channel::Blue][i] = RGB(0, 0, 128);
    const Measurements m = measure(planes);
    for (const Channel c : Channels)
        EXPECT_EQ(m.channels[c], (Count{6, 3})) << int(c);
    EXPECT_EQ(m.all, (Count{6, 1}));
    EXPECT_EQ(m.any, (Count{6, 5}));
    EXPECT_NEAR(m.any.percent(), 83.333, 1e-3);
    EXPECT_NEAR(m.all.percent(), 16.667, 1e-3);
    // An RGB scan's intensities are no markers, and no scan has nothing to count.
    planes.planes[Channel::Red].assign(6, RGB(129, 0, 0));
    EXPECT_EQ(measure(planes).channels[Channel::Red], (Count{6, 0}));
    EXPECT_EQ(measure(ScanPlanes{}).any.percent(), 0.0);
    // One column for each number, in the header's order.
    const QStringList header = measurementHeader(), row = measurementRow(m);
    ASSERT_EQ(header.size(), 15);
    ASSERT_EQ(row.size(), 15);
    EXPECT_EQ(header.mid(9, 3), (QStringList{"all_tested", "all_marked", "all_percent"}));
    EXPECT_EQ(row.mid(9, 6), (QStringList{"6", "1", "16.67", "6", "5", "83.33"}));
}

TEST(ChannelScan, OverlayCoversExactlyTheMarkedBlocks)
{
    // A grey 20 x 13 picture under a 4 x 3 grid of 5 x 5 blocks: the last row reaches past it.
    // Red marks blocks (0, 0), (1, 0) and (3, 2).
    QImage picture(20, 13, QImage::Format_RGB32);
    picture.fill(qRgb(100, 100, 100));
    const overlay::Grid grid{4, 3, 5, 5};
    overlay::Marks marks(12, false);
    marks[0] = marks[1] = marks[11] = true;
    const PerChannel<overlay::Layer> layers{
        {overlay::Layer{marks, QColor(255, 0, 0), true},
         overlay::Layer{overlay::Marks(12, true), QColor(0, 255, 0), false}, // hidden
         overlay::Layer{{}, QColor(0, 0, 255), true}}};                      // nothing marked
    const auto inside = [](int x, int y) {
        return (x < 10 && y < 5) || (x >= 15 && y >= 10);
    };
    const QImage filled = overlay::compose(picture, grid, layers, {1.0, false});
    ASSERT_EQ(filled.size(), picture.size());
    for (int y = 0; y < 13; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(filled.pixel(x, y), inside(x, y) ? qRgb(255, 0, 0) : qRgb(100, 100, 100))
                << x << "," << y;
    // The outline of the two joined blocks: their outer ring, not the side they share.
    const QImage outlined = overlay::compose(picture, grid, layers, {1.0, true});
    const auto ring = [](int x, int y) {
        return (x < 10 && y < 5 && (x == 0 || x == 9 || y == 0 || y == 4)) ||
               (x >= 15 && y >= 10 && (x == 15 || x == 19 || y == 10)); // its bottom is cut off
    };
    for (int y = 0; y < 13; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(outlined.pixel(x, y), ring(x, y) ? qRgb(255, 0, 0) : qRgb(100, 100, 100))
                << x << "," << y;
    // Half opacity: half the marker, half the picture.
    const QRgb half = overlay::compose(picture, grid, layers, {0.5, false}).pixel(2, 2);
    EXPECT_NEAR(qRed(half), 177, 1);
    EXPECT_NEAR(qGreen(half), 50, 1);
    EXPECT_NEAR(qBlue(half), 50, 1);
}

TEST(ChannelScan, OverlapMarksEveryEdgeOfARectangle)
{
    // A red rectangle on white, its sides at every offset against a grid of 5: the green spread
    // is 255 in a block that holds both sides of an edge and 0 elsewhere. A side is marked when
    // every block row (column) along it has such a block.
    const int rate = 5;
    int missed = 0;
    for (const bool overlap : {true, false})
        for (int offset = 0; offset < rate; ++offset) {
            ScanParams p = preview(120, 120, rate, rate, Spread);
            p.threshold = true;
            p.overlap = overlap;
            p.bands[Channel::Green] = {0, 255};
            const int low = 30 + offset, high = 80 + offset; // red from low up to high - 1
            const auto red = [&](int v) {
                return v >= low && v < high;
            };
            const ColourSurface s = paint(p, [&](int x, int y) {
                return red(x - 21) && red(y - 21) ? RGB(255, 0, 0) : RGB(255, 255, 255);
            });
            const ScanPlanes planes = scansiona(s, p);
            const int span = p.spanX();
            const auto markedAt = [&](int bx, int by) {
                return planes.planes[Channel::Green][std::size_t(by) * planes.nx + bx] ==
                       QBColor(10);
            };
            // Blocks whose pixels hold both a and a + 1 across (or down).
            const auto holding = [&](int a, int b) {
                return b * rate <= a && a + 1 <= b * rate + span - 1;
            };
            for (const int edge : {low - 1, high - 1})
                for (const bool across : {true, false}) {
                    bool side = true;
                    // Rows (columns) of blocks whose pixels lie wholly inside the rectangle.
                    for (int along = 0; along < planes.ny; ++along) {
                        if (along * rate < low || along * rate + span - 1 >= high)
                            continue;
                        bool found = false;
                        for (int b = 0; b < planes.nx; ++b)
                            found = found || (holding(edge, b) &&
                                              (across ? markedAt(b, along) : markedAt(along, b)));
                        side = side && found;
                    }
                    if (overlap)
                        EXPECT_TRUE(side)
                            << "offset " << offset << " edge " << edge << " across " << across;
                    missed += !side;
                }
        }
    // Plainly, a side on a block boundary falls between two blocks.
    EXPECT_GT(missed, 0);
}
