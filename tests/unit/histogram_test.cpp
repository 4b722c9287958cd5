// Histograms and automatic thresholds, against histograms worked out by hand and against
// scikit-image.
#include "core/autothreshold.h"
#include "core/histogram.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <gtest/gtest.h>

#include <cmath>
#include <map>
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

namespace {

using histogram::Method;

// Blocks between two thresholds: none means both mark the same blocks.
std::uint64_t between(const Bins &b, int t1, int t2)
{
    std::uint64_t n = 0;
    for (int k = std::min(t1, t2) + 1; k <= std::max(t1, t2); ++k)
        n += b[k];
    return n;
}

struct Shape {
    const char *name;
    Bins bins;
};

// The shapes every method is tried on: two peaks, one peak with a long tail either way, flat,
// unequal peaks, a sea of flat blocks as a maximum-minus-minimum scan gives.
std::vector<Shape> shapes()
{
    const auto gauss = [](double k, double mean, double sd, double top) {
        return top * std::exp(-0.5 * (k - mean) * (k - mean) / (sd * sd));
    };
    std::vector<Shape> out{{"two peaks", bins({{50, 100}, {200, 100}})}};
    Bins unequal{}, tail{}, leftTail{}, flat{}, spread{};
    flat.fill(3);
    for (int k = 0; k < 256; ++k) {
        const auto at = static_cast<std::size_t>(k);
        unequal[at] = std::lround(gauss(k, 60, 12, 1000) + gauss(k, 170, 20, 300));
        tail[at] =
            std::lround(gauss(k, 30, 5, 2000) + (k > 30 ? 200 * std::exp(-(k - 30) / 60.0) : 0));
        leftTail[255 - at] = tail[at];
        spread[at] = std::lround(gauss(k, 0, 1.5, 5000) + gauss(k, 40, 25, 800));
    }
    out.push_back({"unequal peaks", unequal});
    out.push_back({"peak with a tail to the right", tail});
    out.push_back({"peak with a tail to the left", leftTail});
    out.push_back({"flat", flat});
    out.push_back({"flat blocks and a spread", spread});
    return out;
}

} // namespace

TEST(AutoThreshold, AgreesWithScikitImage)
{
    const std::vector<Shape> cases = shapes();
    QJsonArray input;
    for (const Shape &c : cases) {
        QJsonArray counts;
        for (auto n : c.bins)
            counts.append(double(n));
        input.append(counts);
    }
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {QString::fromUtf8(TINTARA_SKIMAGE_SCRIPT)});
    ASSERT_TRUE(python.waitForStarted()) << "python3 with scikit-image is needed";
    python.write(QJsonDocument(input).toJson(QJsonDocument::Compact));
    python.closeWriteChannel();
    ASSERT_TRUE(python.waitForFinished(60000));
    ASSERT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    const QJsonArray answers = QJsonDocument::fromJson(python.readAllStandardOutput()).array();
    ASSERT_EQ(answers.size(), qsizetype(cases.size()));

    for (std::size_t i = 0; i < cases.size(); ++i) {
        const QJsonObject theirs = answers[qsizetype(i)].toObject();
        for (auto it = theirs.begin(); it != theirs.end(); ++it) {
            const std::string name = it.key().toStdString();
            const auto method = histogram::methodNamed(name);
            ASSERT_TRUE(method) << name;
            const std::optional<int> ours = histogram::threshold(*method, cases[i].bins);
            const std::string where = name + " on " + cases[i].name;
            if (it->isNull()) {
                // Its Minimum takes no rise into the last bin as a peak, so two peaks at the ends
                // of the values have no answer there; here they split between the peaks.
                if (*method == Method::Minimum && ours)
                    EXPECT_EQ(cases[i].name, std::string("two peaks")) << where;
                else
                    EXPECT_EQ(ours, std::nullopt) << where;
                continue;
            }
            ASSERT_TRUE(ours) << where;
            const int t = it->toInt();
            // Where several thresholds split the blocks alike, scikit-image takes the first and
            // we take the middle one: the same blocks are marked either way.
            if (between(cases[i].bins, *ours, t) == 0)
                continue;
            // Its triangle runs from the first occupied bin, ours from the empty one before it.
            if (*method == Method::Triangle)
                EXPECT_LE(std::abs(*ours - t), 1) << where;
            else
                EXPECT_EQ(*ours, t) << where;
        }
    }
}

TEST(AutoThreshold, HandWorkedHistograms)
{
    // Huang, Intermodes, MaxEntropy, MinError, Minimum, Moments, Percentile, RenyiEntropy,
    // Shanbhag and Default, worked out by hand; -1 for no threshold.
    struct Case {
        const char *name;
        Bins bins;
        std::map<Method, int> want;
    };
    const Case cases[] = {
        // Each class is one value for every t from 50 to 199: no fuzziness, no entropy, the
        // moments' share 1/2, equal information, so a whole run of equally good thresholds and
        // its middle, 124. Default and its midpoint: (50 + 200) / 2 = 125. One round of
        // smoothing leaves peaks at both ends: midway is 125, and the first empty bin 52.
        {"two equal peaks",
         bins({{50, 100}, {200, 100}}),
         {{Method::Default, 125},
          {Method::Huang, 124},
          {Method::Intermodes, 125},
          {Method::MaxEntropy, 124},
          {Method::MinError, 124},
          {Method::Minimum, 52},
          {Method::Moments, 124},
          {Method::Percentile, 124},
          {Method::RenyiEntropy, 124},
          {Method::Shanbhag, 124}}},
        // Samples 100, 100, 101, 102 and t = 100 or 101.
        // Huang (C = 2): t = 100 leaves 2 S(0.8) = 1.0008, t = 101 gives 2 S(6/7) + S(3/4) = 1.38.
        // MaxEntropy: ln 2 = 0.693 against 0.637 for (2/3, 1/3). MinError (variances + 1/12):
        // J(100) = -0.405, J(101) = -0.386. Percentile: half the blocks at or below 100.
        // Moments: z0 = -0.649, z1 = 1.059 about the mean, p0 = 0.620, nearer 0.5 than 0.75.
        // Rényi: orders 1/2 (0.693 against 0.664), 1 and 2 (0.693 against 0.588) all pick 100.
        // Shanbhag: |0 - 0.144| at 100, |0.135 - 0| at 101. Default: g(100) = 100.75, rounded.
        // Smoothing leaves one peak: no Intermodes, no Minimum.
        {"falling",
         bins({{100, 2}, {101, 1}, {102, 1}}),
         {{Method::Default, 101},
          {Method::Huang, 100},
          {Method::Intermodes, -1},
          {Method::MaxEntropy, 100},
          {Method::MinError, 100},
          {Method::Minimum, -1},
          {Method::Moments, 100},
          {Method::Percentile, 100},
          {Method::RenyiEntropy, 100},
          {Method::Shanbhag, 101}}},
        // The same mirrored: every split mirrors, 100 <-> 101. Default: g(100) = 100.83.
        {"rising",
         bins({{100, 1}, {101, 1}, {102, 2}}),
         {{Method::Default, 101},
          {Method::Huang, 101},
          {Method::Intermodes, -1},
          {Method::MaxEntropy, 101},
          {Method::MinError, 101},
          {Method::Minimum, -1},
          {Method::Moments, 101},
          {Method::Percentile, 101},
          {Method::RenyiEntropy, 101},
          {Method::Shanbhag, 100}}},
        // One smoothing: (3, 2, 2, 3), peaks at both ends; midway 101, the first lowest 101.
        {"valley",
         bins({{100, 4}, {101, 1}, {102, 1}, {103, 4}}),
         {{Method::Intermodes, 101}, {Method::Minimum, 101}}},
        // Default leaves out bins 0 and 255 when two values lie between them.
        {"ends left out",
         bins({{0, 1000}, {40, 10}, {60, 10}, {255, 500}}),
         {{Method::Default, 50}}},
        {"only the ends", bins({{0, 10}, {255, 10}}), {{Method::Default, 128}}},
    };
    for (const Case &c : cases)
        for (const auto &[method, t] : c.want)
            EXPECT_EQ(histogram::threshold(method, c.bins).value_or(-1), t)
                << histogram::methodName(method) << " on " << c.name;
}

TEST(AutoThreshold, EveryMethodAnswersWithinTheValuesOrNotAtAll)
{
    Bins full{};
    full[255] = 9;
    std::vector<Shape> cases = shapes();
    cases.push_back({"empty", Bins{}});
    cases.push_back({"one value", bins({{77, 40}})});
    cases.push_back({"all in the last bin", full});
    cases.push_back({"two neighbours", bins({{254, 1}, {255, 1}})});
    for (const Shape &c : cases) {
        const bool splits =
            between(c.bins, -1, 255) > *std::max_element(c.bins.begin(), c.bins.end());
        for (const Method m : histogram::Methods) {
            const std::optional<int> t = histogram::threshold(m, c.bins);
            const std::string where = std::string(histogram::methodName(m)) + " on " + c.name;
            if (!splits) {
                EXPECT_EQ(t, std::nullopt) << where;
                continue;
            }
            if (!t) {
                // Only the peak-finding methods may find no two peaks.
                EXPECT_TRUE(m == Method::Intermodes || m == Method::Minimum) << where;
                continue;
            }
            // Blocks on both sides of it.
            EXPECT_GT(between(c.bins, -1, *t), 0u) << where;
            EXPECT_GT(between(c.bins, *t, 255), 0u) << where;
        }
    }
    EXPECT_EQ(histogram::methodNamed("renyientropy"), Method::RenyiEntropy);
    EXPECT_EQ(histogram::methodNamed("OTSU"), Method::Otsu);
    EXPECT_EQ(histogram::methodNamed("Otsu2"), std::nullopt);
}
