// Histograms, worked out by hand, and the automatic thresholds against ImageJ's answers on the
// histograms of tests/data/thresholds/imagej.tsv (scripts/make-threshold-oracle.sh).
#include "core/autothreshold.h"
#include "core/histogram.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using histogram::Bins;

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

TEST(AutoThreshold, EveryMethodGivesImageJsNumberOnEveryHistogram)
{
    std::ifstream table(TINTARA_THRESHOLD_ORACLE);
    ASSERT_TRUE(table) << TINTARA_THRESHOLD_ORACLE;
    std::vector<histogram::Method> columns;
    int rows = 0, answers = 0;
    for (std::string line; std::getline(table, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        std::vector<std::string> field;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, '\t');)
            field.push_back(cell);
        if (columns.empty()) { // name, counts, then one column a method
            for (std::size_t i = 2; i < field.size(); ++i) {
                const auto method = histogram::methodNamed(field[i]);
                ASSERT_TRUE(method) << field[i];
                columns.push_back(*method);
            }
            ASSERT_EQ(columns.size(), histogram::Methods.size());
            continue;
        }
        ASSERT_EQ(field.size(), columns.size() + 2) << line;
        Bins b{};
        std::istringstream counts(field[1]);
        for (auto &n : b)
            counts >> n;
        ASSERT_TRUE(counts) << field[0];
        ++rows;
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const std::optional<int> t = histogram::threshold(columns[i], b);
            EXPECT_EQ(t ? std::to_string(*t) : "none", field[i + 2])
                << histogram::methodName(columns[i]) << " on " << field[0];
            ++answers;
        }
    }
    EXPECT_GE(rows, 500);
    EXPECT_EQ(answers, rows * 16);
    EXPECT_EQ(histogram::methodNamed("renyientropy"), histogram::Method::RenyiEntropy);
    EXPECT_EQ(histogram::methodNamed("OTSU"), histogram::Method::Otsu);
    EXPECT_EQ(histogram::methodNamed("Otsu2"), std::nullopt);
}
