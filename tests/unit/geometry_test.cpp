// Fits and sizes of the window's geometry, table by table.
#include "core/geometry.h"

#include <gtest/gtest.h>

struct FitCase {
    float w, h;
    double s;
    float expectW, expectH;
};

class PreviewFit : public ::testing::TestWithParam<FitCase> {};

TEST_P(PreviewFit, LongerSideBecomesTheSquare)
{
    const FitCase c = GetParam();
    const QSizeF got = geometry::previewSize(c.w, c.h, c.s);
    EXPECT_FLOAT_EQ(static_cast<float>(got.width()), c.expectW);
    EXPECT_FLOAT_EQ(static_cast<float>(got.height()), c.expectH);
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, PreviewFit,
    ::testing::Values(FitCase{640, 480, 500, 500, 375}, FitCase{480, 640, 500, 375, 500},
                      FitCase{300, 300, 200, 200, 200}, FitCase{1000, 10, 500, 500, 5},
                      FitCase{10, 1000, 300, 3, 300}, FitCase{8192, 8, 500, 500, 1},
                      FitCase{1, 4000, 500, 1, 500},
                      FitCase{97, 65, 500, 500, 500.0f * (65.0f / 97.0f)},
                      FitCase{3, 2, 400, 400, 400.0f * (2.0f / 3.0f)}));

struct PlaneCase {
    float iw, ih;
    int rx, ry;
    float expectW, expectH;
};

class PlaneSizing : public ::testing::TestWithParam<PlaneCase> {};

TEST_P(PlaneSizing, PreviewPlusMarginOverRate)
{
    const PlaneCase c = GetParam();
    const QSizeF got = geometry::planeSize(c.iw, c.ih, c.rx, c.ry);
    EXPECT_FLOAT_EQ(static_cast<float>(got.width()), c.expectW);
    EXPECT_FLOAT_EQ(static_cast<float>(got.height()), c.expectH);
}

INSTANTIATE_TEST_SUITE_P(Rates, PlaneSizing,
                         ::testing::Values(PlaneCase{500, 375, 3, 3, 520.0f / 3, 395.0f / 3},
                                           PlaneCase{500, 375, 30, 3, 520.0f / 30, 395.0f / 3},
                                           PlaneCase{200, 200, 30, 30, 220.0f / 30, 220.0f / 30},
                                           PlaneCase{500, 375, 7, 7, 520.0f / 7, 395.0f / 7},
                                           PlaneCase{0, 0, 30, 30, 20.0f / 30, 20.0f / 30}));

TEST(PlaneSizing, WorkedValuesToTwoDecimals)
{
    const QSizeF s = geometry::planeSize(500, 375, 3, 3);
    EXPECT_NEAR(s.width(), 173.33, 0.005);
    EXPECT_NEAR(s.height(), 131.67, 0.005);
}

struct StepCase {
    float size;
    int step;
    int expect;
};

class StepCount : public ::testing::TestWithParam<StepCase> {};

TEST_P(StepCount, CountsFromTheFirstPixel)
{
    const StepCase c = GetParam();
    EXPECT_EQ(geometry::stepCount(c.size, c.step), c.expect);
}

INSTANTIATE_TEST_SUITE_P(Sides, StepCount,
                         ::testing::Values(StepCase{500, 3, 167}, StepCase{375, 3, 125},
                                           StepCase{500, 30, 17}, StepCase{375, 30, 13},
                                           StepCase{1, 5, 1}, StepCase{0.99f, 3, 0},
                                           StepCase{0, 3, 0}, StepCase{-5, 3, 0}, StepCase{6, 5, 2},
                                           StepCase{5.99f, 5, 1}, StepCase{6.01f, 5, 2},
                                           StepCase{4, 3, 2}, StepCase{3, 3, 1}));

TEST(StepCount, RefusesWhatSixteenBitCountersCannotHold)
{
    EXPECT_DEATH(geometry::stepCount(3.0e6f, 3), "more than 32767 steps");
    EXPECT_EQ(geometry::stepCount(std::numeric_limits<float>::quiet_NaN(), 3), 0);
    EXPECT_DEATH(geometry::stepCount(std::numeric_limits<float>::infinity(), 3),
                 "more than 32767 steps");
}

TEST(RateCaption, NoBlankAfterAChange)
{
    EXPECT_EQ(geometry::rateCaption('x', 7), QStringLiteral("Rate x 1:7"));
    EXPECT_EQ(geometry::rateCaption('y', 12), QStringLiteral("Rate y 1:12"));
    EXPECT_EQ(geometry::rateCaption('x', 3), QStringLiteral("Rate x 1:3"));
}

struct ViewCase {
    float pw, ph;
    float expectW, expectH;
};

class MagnifierView : public ::testing::TestWithParam<ViewCase> {};

TEST_P(MagnifierView, FitsTheSquareToThePlanes)
{
    const ViewCase c = GetParam();
    const QSizeF got = geometry::magnifierView(c.pw, c.ph);
    EXPECT_NEAR(got.width(), c.expectW, 0.005);
    EXPECT_NEAR(got.height(), c.expectH, 0.005);
}

INSTANTIATE_TEST_SUITE_P(Planes, MagnifierView,
                         ::testing::Values(ViewCase{520.0f / 3, 395.0f / 3, 280, 212.69f},
                                           ViewCase{395.0f / 3, 520.0f / 3, 212.69f, 280},
                                           ViewCase{7.33f, 7.33f, 280, 280},
                                           ViewCase{97, 65, 280, 280.0f * 65 / 97}));
