// Histograms and automatic thresholds, against histograms worked out by hand.
#include "core/histogram.h"

#include <gtest/gtest.h>

#include <vector>

using histogram::Bins;

namespace {

Bins bins(std::initializer_list<std::pair<int, std::uint32_t>> counts)
{
    Bins b{};
    for (const auto &[k, n] : counts)
        b[static_cast<std::size_t>(k)] = n;
    return b;
}

} // namespace

TEST(Histogram, ABandMarksExactlyTheBinsAboveItsMinimumUpToItsMaximum)
{
    // Averages of a 3 x 3 block fall between whole numbers: 128.1 is inside (128, 255], 128 not.
    const std::vector<double> values{0, 127.9, 128, 128.1, 128.9, 254.5, 255, 300, -4};
    const Bins b = histogram::ofValues(values);
    EXPECT_EQ(b[0], 2u);   // 0 and the clamped -4
    EXPECT_EQ(b[128], 2u); // 127.9 and 128
    EXPECT_EQ(b[129], 2u); // 128.1 and 128.9
    EXPECT_EQ(b[255], 3u); // 254.5, 255 and the clamped 300
    std::uint32_t all = 0;
    for (auto n : b)
        all += n;
    EXPECT_EQ(all, values.size());
}

TEST(Histogram, ThresholdsOfHandWorkedHistograms)
{
    struct Case {
        const char *name;
        Bins bins;
        std::optional<int> otsu, triangle;
    };
    // A peak falling away as (100 - k)^2: the line from its top to bin 100 lies k (100 - k)
    // above it, farthest at 50.
    Bins falling{}, rising{};
    for (int k = 0; k < 100; ++k) {
        falling[static_cast<std::size_t>(k)] = static_cast<std::uint32_t>((100 - k) * (100 - k));
        rising[static_cast<std::size_t>(255 - k)] = falling[static_cast<std::size_t>(k)];
    }
    Bins flat{};
    flat.fill(1);
    const Case cases[] = {
        // Two equal peaks: every t from 50 to 199 splits them; the middle one is taken. The
        // triangle runs from the first peak to bin 201, highest above the empty bin 51.
        {"two peaks", bins({{50, 100}, {200, 100}}), 124, 51},
        // {10} | {20, 200, 200} scores 0.25 * 0.75 * 130^2, {10, 20} | {200, 200} 0.25 * 185^2.
        // The peak is at 200 with its long side to the left: the line runs down to bin 9.
        {"three values", bins({{10, 1}, {20, 1}, {200, 2}}), 109, 199},
        // Equal halves of 128 bins each, whose means always lie 128 apart.
        {"flat", flat, 127, 1},
        {"one peak falling to the right", falling, std::nullopt, 50},
        {"one peak falling to the left", rising, std::nullopt, 205},
        {"one value", bins({{77, 40}}), std::nullopt, std::nullopt},
        {"empty", Bins{}, std::nullopt, std::nullopt},
    };
    for (const Case &c : cases) {
        if (c.otsu)
            EXPECT_EQ(histogram::otsu(c.bins), c.otsu) << c.name;
        EXPECT_EQ(histogram::triangle(c.bins), c.triangle) << c.name;
    }
    EXPECT_EQ(histogram::otsu(bins({{77, 40}})), std::nullopt);
    EXPECT_EQ(histogram::otsu(Bins{}), std::nullopt);
}
