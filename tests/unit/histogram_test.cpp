// Histograms, worked out by hand, the automatic thresholds against ImageJ's answers on the
// histograms of tests/data/thresholds/imagej.tsv (scripts/make-threshold-oracle.sh), and the
// local thresholds against Fiji's on the planes of tests/data/thresholds/local.
#include "core/autothreshold.h"
#include "core/histogram.h"
#include "core/localthreshold.h"

#include <QByteArray>
#include <gtest/gtest.h>

#include <fstream>
#include <map>
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

// Fiji's Auto Local Threshold on the planes of tests/data/thresholds/local: every method,
// radius, pair of parameters and polarity, each of its marks.
TEST(LocalThreshold, EveryMethodMarksWhatFijisPluginMarks)
{
    const auto rows = [](const char *name) {
        std::ifstream file(std::string(TINTARA_LOCAL_ORACLE) + "/" + name);
        std::vector<std::vector<std::string>> out;
        for (std::string line; std::getline(file, line);) {
            if (line.empty() || line[0] == '#')
                continue;
            std::vector<std::string> field;
            std::istringstream cells(line);
            for (std::string cell; std::getline(cells, cell, '\t');)
                field.push_back(cell);
            out.push_back(field);
        }
        return out;
    };
    struct Plane {
        int width, height;
        QByteArray values;
    };
    std::map<std::string, Plane> planes;
    for (const auto &p : rows("planes.tsv"))
        planes[p[0]] = {std::stoi(p[1]), std::stoi(p[2]),
                        QByteArray::fromBase64(QByteArray::fromStdString(p[3]))};
    ASSERT_EQ(planes.size(), 26u);
    local::Thresholder thresholder;
    std::vector<std::uint8_t> marks;
    int answers = 0;
    std::map<std::string, int> wrong;
    for (const auto &c : rows("cases.tsv")) {
        ASSERT_EQ(c.size(), 7u);
        const Plane &plane = planes.at(c[0]);
        const std::optional<local::Method> method = local::methodNamed(c[1]);
        ASSERT_TRUE(method) << c[1];
        const local::Params params{std::stoi(c[2]), std::stod(c[3]), std::stod(c[4]), c[5] == "1"};
        marks.assign(std::size_t(plane.width) * std::size_t(plane.height), 2);
        thresholder.mark(*method, params, reinterpret_cast<const std::uint8_t *>(plane.values.data()),
                         plane.width, plane.height, marks.data());
        const QByteArray expected = QByteArray::fromBase64(QByteArray::fromStdString(c[6]));
        int differ = 0;
        for (std::size_t i = 0; i < marks.size(); ++i)
            differ += marks[i] != ((std::uint8_t(expected[qsizetype(i / 8)]) >> (7 - i % 8)) & 1);
        if (differ)
            ++wrong[c[1]];
        EXPECT_EQ(differ, 0) << c[1] << " radius " << c[2] << " (" << c[3] << ", " << c[4]
                             << ") white " << c[5] << " on " << c[0];
        ++answers;
    }
    EXPECT_EQ(answers, 4212);
    for (const auto &[method, n] : wrong)
        ADD_FAILURE() << method << ": " << n << " answers differ";
}
