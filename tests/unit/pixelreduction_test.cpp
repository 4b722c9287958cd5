#include "core/pixelreduction.h"

#include <gtest/gtest.h>

using core::Colour;
using core::RGB;
using namespace reduction;

namespace {

// A surface where every pixel's colour names its position: red = x, green = y.
core::ColourSurface positions(const QRect &r)
{
    core::ColourSurface s;
    s.rect = r;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            s.values.push_back(RGB(x % 256, y % 256, 7));
    return s;
}

} // namespace

TEST(PixelReduction, SamplesEveryNthPixelBothWays)
{
    ReductionParams p;
    p.iw = 500, p.ih = 375, p.n = 5, p.firstX = 18, p.firstY = 66;
    const ReductionGrid g = reductionGrid(p);
    EXPECT_EQ(g.columns, 100);
    EXPECT_EQ(g.rows, 75);
    const ReducedPicture out = riduzione(positions(QRect(0, 0, 600, 600)), p);
    ASSERT_EQ(out.colours.size(), 100u * 75u);
    for (int j = 0; j < out.rows; ++j)
        for (int i = 0; i < out.columns; ++i)
            ASSERT_EQ(out.colours[j * out.columns + i],
                      RGB((18 + i * 5) % 256, (66 + j * 5) % 256, 7))
                << i << "," << j;
}

TEST(PixelReduction, WorkedCounts)
{
    ReductionParams p;
    p.iw = 500, p.ih = 375, p.n = 3;
    EXPECT_EQ(reductionGrid(p).columns, 167);
    EXPECT_EQ(reductionGrid(p).rows, 125);
    p.n = 30;
    EXPECT_EQ(reductionGrid(p).columns, 17);
    EXPECT_EQ(reductionGrid(p).rows, 13);
}

TEST(PixelReduction, NarrowAndFractionalPreviews)
{
    ReductionParams p;
    p.iw = 1, p.ih = 10, p.n = 3;
    EXPECT_EQ(reductionGrid(p).columns, 1) << "one pixel wide: x = first only";
    p.iw = 0.5f;
    EXPECT_EQ(reductionGrid(p).columns, 0);
    EXPECT_TRUE(riduzione(core::ColourSurface{}, p).colours.empty());
    // The bound is compared as a fraction: 20 + 2 * 3 = 26 <= 6.01 + 19
    p.iw = 7.01f;
    EXPECT_EQ(reductionGrid(p).columns, 3);
    p.iw = 6.99f;
    EXPECT_EQ(reductionGrid(p).columns, 2);
}

TEST(PixelReduction, PointsWithoutColourBecomeWhite)
{
    ReductionParams p;
    p.iw = 9, p.ih = 9, p.n = 3, p.firstX = 0, p.firstY = 0;
    core::ColourSurface s; // covers nothing: every point reads -1
    const ReducedPicture out = riduzione(s, p);
    ASSERT_EQ(out.colours.size(), 9u);
    for (Colour c : out.colours)
        EXPECT_EQ(c, RGB(255, 255, 255));
}
