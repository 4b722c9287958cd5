#include "platform/picturebox.h"
#include "platform/stretchblt.h"

#include <gtest/gtest.h>

#include <random>

using namespace platform;
using namespace core;

namespace {

void fillRandom(PictureBox &box, unsigned seed)
{
    std::mt19937 rng(seed);
    for (int y = 0; y < box.ScaleHeight(); ++y)
        for (int x = 0; x < box.ScaleWidth(); ++x)
            box.PSet(x, y, static_cast<Colour>(rng() & 0xFFFFFF));
}

} // namespace

// Every destination pixel repeats the source pixel under its centre: no smoothing, no shift.
TEST(StretchBlt, EnlargesByPixelRepetition)
{
    for (const auto &[sw, sh, dw, dh] :
         {std::array{169, 127, 276, 209}, std::array{13, 9, 276, 190}, std::array{5, 17, 60, 276},
          std::array{169, 169, 276, 276}, std::array{40, 30, 20, 15}}) {
        PictureBox src(QStringLiteral("src"), false, nullptr);
        src.Move(0, 0, sw, sh);
        fillRandom(src, sw * 1000 + sh);
        PictureBox dest(QStringLiteral("dest"), false, nullptr);
        dest.Move(0, 0, dw, dh);
        ASSERT_TRUE(StretchBlt(dest, 0, 0, dw, dh, src, 0, 0, sw, sh, SRCCOPY));
        for (int y = 0; y < dh; ++y)
            for (int x = 0; x < dw; ++x) {
                const int sx = static_cast<int>((x + 0.5) * sw / dw);
                const int sy = static_cast<int>((y + 0.5) * sh / dh);
                ASSERT_EQ(dest.Point(x, y), src.Point(sx, sy))
                    << sw << "x" << sh << " -> " << dw << "x" << dh << " at " << x << "," << y;
            }
    }
}

TEST(StretchBlt, RefusesUnknownOperationsAndEmptyRectangles)
{
    PictureBox src(QStringLiteral("src"), false, nullptr);
    src.Move(0, 0, 4, 4);
    PictureBox dest(QStringLiteral("dest"), false, nullptr);
    dest.Move(0, 0, 8, 8);
    dest.setBackColor(RGB(1, 2, 3));
    dest.Cls();
    EXPECT_FALSE(StretchBlt(dest, 0, 0, 8, 8, src, 0, 0, 4, 4, 0x00EE0086));
    EXPECT_FALSE(StretchBlt(dest, 0, 0, 0, 8, src, 0, 0, 4, 4, SRCCOPY));
    EXPECT_FALSE(StretchBlt(dest, 0, 0, 8, 8, src, 0, 0, 4, -4, SRCCOPY));
    EXPECT_EQ(dest.Point(3, 3), RGB(1, 2, 3));
}
