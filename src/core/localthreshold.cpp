#include "core/localthreshold.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace local {

namespace {

constexpr const char *Names[] = {"Bernsen", "Contrast",   "Mean",   "Median", "MidGrey",
                                 "Niblack", "Otsu",       "Phansalkar", "Sauvola"};

// Otsu's histogram is of a disc of 2r pixels across whose box starts r pixels above and left
// of the value, as Fiji's oval selection covers it: the pixels whose centres lie inside.
// One row of it: its row offset and the first and last column offsets.
struct Span {
    int dy, from, to;
};
std::vector<Span> ovalOf(int r)
{
    std::vector<Span> spans;
    const double half = r;
    for (int j = 0; j < 2 * r; ++j) {
        int from = 2 * r, to = -1;
        for (int i = 0; i < 2 * r; ++i) {
            const double x = (i + 0.5 - half) / half, y = (j + 0.5 - half) / half;
            if (x * x + y * y <= 1.0) {
                from = std::min(from, i);
                to = std::max(to, i);
            }
        }
        if (to >= from)
            spans.push_back({j - r, from - r, to - r});
    }
    return spans;
}

// What a neighbourhood's values say, as Fiji's filters give them on a picture of 32-bit
// values: a mean and a variance each rounded to single precision.
struct Moments {
    double mean, deviation;
};
Moments moments(double sum, double squares, double n, double scale = 1.0)
{
    const float mean = static_cast<float>(sum / n * scale);
    const float variance =
        static_cast<float>((squares * scale * scale - (sum * scale) * (sum * scale) / n) / n);
    return {mean, std::sqrt(double(std::max(variance, 0.0f)))};
}

} // namespace

const char *methodName(Method method)
{
    return Names[static_cast<int>(method)];
}

std::optional<Method> methodNamed(std::string_view name)
{
    for (const Method m : Methods) {
        const std::string_view known = methodName(m);
        if (known.size() == name.size() &&
            std::equal(known.begin(), known.end(), name.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) ==
                       std::tolower(static_cast<unsigned char>(b));
            }))
            return m;
    }
    return std::nullopt;
}

void Thresholder::pad(const std::uint8_t *values, int width, int height, int margin, int outside)
{
    width_ = width, height_ = height, k_ = margin;
    stride_ = width + 2 * margin;
    padded_.resize(std::size_t(stride_) * std::size_t(height + 2 * margin));
    for (int py = 0; py < height + 2 * margin; ++py) {
        const int y = std::clamp(py - margin, 0, height - 1);
        const bool inside = py - margin == y;
        std::uint16_t *row = padded_.data() + std::size_t(py) * std::size_t(stride_);
        const std::uint8_t *from = values + std::size_t(y) * std::size_t(width);
        for (int px = 0; px < stride_; ++px) {
            const int x = std::clamp(px - margin, 0, width - 1);
            row[px] = outside >= 0 && (!inside || px - margin != x) ? std::uint16_t(outside)
                                                                    : from[x];
        }
    }
}

void Thresholder::sums(bool squares)
{
    // A row's running sums, then each value's kernel as the sum of its rows' spans.
    const std::size_t n = std::size_t(width_) * std::size_t(height_);
    const std::size_t across = std::size_t(stride_) + 1;
    const int rows = height_ + 2 * k_;
    rowSums_.resize(across * std::size_t(rows));
    if (squares)
        rowSquares_.resize(across * std::size_t(rows));
    for (int py = 0; py < rows; ++py) {
        const std::uint16_t *row = padded_.data() + std::size_t(py) * std::size_t(stride_);
        std::int32_t *s = rowSums_.data() + std::size_t(py) * across;
        s[0] = 0;
        for (int x = 0; x < stride_; ++x)
            s[x + 1] = s[x] + row[x];
        if (!squares)
            continue;
        std::int64_t *q = rowSquares_.data() + std::size_t(py) * across;
        q[0] = 0;
        for (int x = 0; x < stride_; ++x)
            q[x + 1] = q[x] + std::int64_t(row[x]) * row[x];
    }
    sum_.assign(n, 0);
    if (squares)
        square_.assign(n, 0);
    for (int y = 0; y < height_; ++y) {
        std::int32_t *into = sum_.data() + std::size_t(y) * std::size_t(width_);
        std::int64_t *intoSquares =
            squares ? square_.data() + std::size_t(y) * std::size_t(width_) : nullptr;
        for (int dy = -k_; dy <= k_; ++dy) {
            const int d = reach_[std::size_t(dy + k_)];
            const std::size_t at = std::size_t(y + k_ + dy) * across;
            const std::int32_t *s = rowSums_.data() + at + (k_ - d);
            const int span = 2 * d + 1;
            for (int x = 0; x < width_; ++x)
                into[x] += s[x + span] - s[x];
            if (!squares)
                continue;
            const std::int64_t *q = rowSquares_.data() + at + (k_ - d);
            for (int x = 0; x < width_; ++x)
                intoSquares[x] += q[x + span] - q[x];
        }
    }
}

void Thresholder::extremes()
{
    // Each padded row's maximum and minimum over every half-width up to the kernel's, kept for
    // the kernel's rows at a time: the widths grow one each way from the one before.
    const std::size_t n = std::size_t(width_) * std::size_t(height_);
    const std::size_t levels = std::size_t(k_) + 1, rows = 2 * std::size_t(k_) + 1;
    const std::size_t stride = std::size_t(stride_);
    rowMax_.resize(rows * levels * stride);
    rowMin_.resize(rows * levels * stride);
    max_.resize(n);
    min_.resize(n);
    const auto fill = [&](int py) {
        const std::size_t slot = std::size_t(py) % rows;
        std::uint8_t *hi = rowMax_.data() + slot * levels * stride;
        std::uint8_t *lo = rowMin_.data() + slot * levels * stride;
        const std::uint16_t *row = padded_.data() + std::size_t(py) * stride;
        for (std::size_t x = 0; x < stride; ++x)
            hi[x] = lo[x] = std::uint8_t(row[x]);
        for (std::size_t d = 1; d < levels; ++d) {
            const std::uint8_t *hiBefore = hi + (d - 1) * stride, *loBefore = lo + (d - 1) * stride;
            std::uint8_t *hiNow = hi + d * stride, *loNow = lo + d * stride;
            for (std::size_t x = d; x + d < stride; ++x) {
                hiNow[x] = std::max({hiBefore[x - 1], hiBefore[x], hiBefore[x + 1]});
                loNow[x] = std::min({loBefore[x - 1], loBefore[x], loBefore[x + 1]});
            }
        }
    };
    for (int py = 0; py < 2 * k_; ++py)
        fill(py);
    for (int y = 0; y < height_; ++y) {
        fill(y + 2 * k_);
        std::uint8_t *hi = max_.data() + std::size_t(y) * std::size_t(width_);
        std::uint8_t *lo = min_.data() + std::size_t(y) * std::size_t(width_);
        std::fill_n(hi, width_, std::uint8_t(0));
        std::fill_n(lo, width_, std::uint8_t(255));
        for (int dy = -k_; dy <= k_; ++dy) {
            const std::size_t d = std::size_t(reach_[std::size_t(dy + k_)]);
            const std::size_t slot = std::size_t(y + k_ + dy) % rows;
            const std::uint8_t *rowHi = rowMax_.data() + (slot * levels + d) * stride + k_;
            const std::uint8_t *rowLo = rowMin_.data() + (slot * levels + d) * stride + k_;
            for (int x = 0; x < width_; ++x) {
                hi[x] = std::max(hi[x], rowHi[x]);
                lo[x] = std::min(lo[x], rowLo[x]);
            }
        }
    }
}

void Thresholder::median(const Params &p, const std::uint8_t *values, std::uint8_t *marks)
{
    // A histogram slid along each row, and its median followed as it moves.
    histogram_.assign(256, 0);
    int n = 0;
    for (const int d : reach_)
        n += 2 * d + 1;
    const int half = n / 2;
    const double c = p.param1;
    for (int y = 0; y < height_; ++y) {
        std::fill(histogram_.begin(), histogram_.end(), 0);
        const auto row = [&](int dy) {
            return padded_.data() + std::size_t(y + k_ + dy) * std::size_t(stride_) + k_;
        };
        for (int dy = -k_; dy <= k_; ++dy) {
            const int d = reach_[std::size_t(dy + k_)];
            const std::uint16_t *r = row(dy);
            for (int dx = -d; dx <= d; ++dx)
                ++histogram_[r[dx]];
        }
        int m = 0, below = 0; // the median, and how many values lie below it
        while (below + histogram_[std::size_t(m)] <= half)
            below += histogram_[std::size_t(m++)];
        for (int x = 0; x < width_; ++x) {
            if (x > 0)
                for (int dy = -k_; dy <= k_; ++dy) {
                    const int d = reach_[std::size_t(dy + k_)];
                    const std::uint16_t *r = row(dy);
                    const int gone = r[x - 1 - d], come = r[x + d];
                    --histogram_[std::size_t(gone)];
                    ++histogram_[std::size_t(come)];
                    below += (come < m) - (gone < m);
                }
            while (below > half)
                below -= histogram_[std::size_t(--m)];
            while (below + histogram_[std::size_t(m)] <= half)
                below += histogram_[std::size_t(m++)];
            const std::size_t at = std::size_t(y) * std::size_t(width_) + std::size_t(x);
            marks[at] = values[at] > m - c;
        }
    }
}

void Thresholder::otsu(const std::uint8_t *values, std::uint8_t *marks)
{
    // Past the edge lies nothing: the padding's values fall in a bin of their own.
    const std::vector<Span> oval = ovalOf(radius_);
    histogram_.assign(257, 0);
    for (int y = 0; y < height_; ++y) {
        std::fill(histogram_.begin(), histogram_.end(), 0);
        const auto row = [&](int dy) {
            return padded_.data() + std::size_t(y + k_ + dy) * std::size_t(stride_) + k_;
        };
        for (const Span &s : oval) {
            const std::uint16_t *r = row(s.dy);
            for (int dx = s.from; dx <= s.to; ++dx)
                ++histogram_[r[dx]];
        }
        for (int x = 0; x < width_; ++x) {
            if (x > 0)
                for (const Span &s : oval) {
                    const std::uint16_t *r = row(s.dy);
                    --histogram_[r[x - 1 + s.from]];
                    ++histogram_[r[x + s.to]];
                }
            // Otsu's between-class variance over the normalised histogram, summed bin after
            // bin as Fiji sums it; a bin without values changes no sum and picks nothing, so
            // only the others are visited. The top bin is never a threshold, and a flat or an
            // empty neighbourhood keeps the threshold 0.
            int count = 0;
            double total = 0;
            for (int v = 0; v < 256; ++v)
                count += histogram_[std::size_t(v)];
            const double each = 1.0 / count;
            double cumulative = 0, mean = 0;
            for (int v = 0; v < 256; ++v)
                if (histogram_[std::size_t(v)])
                    total += v * (histogram_[std::size_t(v)] * each);
            double best = 0;
            int threshold = 0;
            for (int v = 0; v < 255; ++v) {
                if (!histogram_[std::size_t(v)])
                    continue;
                const double share = histogram_[std::size_t(v)] * each;
                cumulative += share;
                mean += v * share;
                double between = total * cumulative - mean;
                between *= between / (cumulative * (1.0 - cumulative));
                if (best < between) {
                    best = between;
                    threshold = v;
                }
            }
            const std::size_t at = std::size_t(y) * std::size_t(width_) + std::size_t(x);
            marks[at] = values[at] > threshold;
        }
    }
}

void Thresholder::mark(Method method, const Params &p, const std::uint8_t *values, int width,
                       int height, std::uint8_t *marks)
{
    if (width <= 0 || height <= 0)
        return;
    const int r = std::clamp(p.radius, 1, MaxRadius);
    radius_ = r;
    // Fiji's circular kernel: the pixels within sqrt(r * r + 1) of the centre.
    const double r2 = double(r) * r + 1;
    const int k = int(std::sqrt(r2 + 1e-10));
    reach_.resize(std::size_t(2 * k + 1));
    for (int dy = -k; dy <= k; ++dy)
        reach_[std::size_t(dy + k)] = int(std::sqrt(r2 - double(dy) * dy + 1e-10));
    const std::size_t n = std::size_t(width) * std::size_t(height);
    int count = 0;
    for (const int d : reach_)
        count += 2 * d + 1;

    switch (method) {
    case Method::Otsu:
        pad(values, width, height, r, 256);
        otsu(values, marks);
        break;
    case Method::Median:
        pad(values, width, height, k, -1);
        median(p, values, marks);
        break;
    case Method::Bernsen:
    case Method::Contrast:
    case Method::MidGrey: {
        pad(values, width, height, k, -1);
        extremes();
        const double c = method == Method::Bernsen && p.param1 == 0 ? 15 : p.param1;
        for (std::size_t i = 0; i < n; ++i) {
            const int v = values[i], hi = max_[i], lo = min_[i];
            if (method == Method::Bernsen) {
                // Too little contrast: the neighbourhood is one class, its mid-grey says which.
                const int mid = (hi + lo) / 2;
                marks[i] = hi - lo < c ? mid >= 128 : v >= mid;
            } else if (method == Method::Contrast) {
                // Nearer the maximum than the minimum; a tie is object but on a ground of 0.
                const int up = hi - v, down = v - lo;
                marks[i] = up < down || (up == down && v > 0);
            } else {
                marks[i] = v > (hi + lo) / 2.0 - c;
            }
        }
        break;
    }
    case Method::Mean:
    case Method::Niblack:
    case Method::Sauvola: {
        pad(values, width, height, k, -1);
        sums(method != Method::Mean);
        for (std::size_t i = 0; i < n; ++i) {
            const int v = values[i];
            if (method == Method::Mean) {
                // The threshold is cut to its whole part.
                marks[i] = v > std::trunc(double(sum_[i]) / count - p.param1);
                continue;
            }
            const Moments m = moments(sum_[i], double(square_[i]), count);
            if (method == Method::Niblack) {
                const double kk = p.param1 != 0 ? p.param1 : p.white ? 0.2 : -0.2;
                marks[i] = v > std::trunc(m.mean + kk * m.deviation - p.param2);
            } else {
                const double kk = p.param1 != 0 ? p.param1 : 0.5;
                const double range = p.param2 != 0 ? p.param2 : 128;
                marks[i] = v > m.mean * (1 + kk * (m.deviation / range - 1));
            }
        }
        break;
    }
    case Method::Phansalkar: {
        // On the plane stretched to the full range, cut to whole values, then taken as 0 to 1.
        const auto [lo, hi] = std::minmax_element(values, values + n);
        std::vector<std::uint8_t> &stretched = max_;
        stretched.resize(n);
        for (std::size_t i = 0; i < n; ++i)
            stretched[i] = *hi > *lo ? std::uint8_t(std::trunc(double(values[i] - *lo) /
                                                              double(*hi - *lo) * 255.0))
                                     : values[i];
        pad(stretched.data(), width, height, k, -1);
        sums(true);
        const double kk = p.param1 != 0 ? p.param1 : 0.25;
        const double range = p.param2 != 0 ? p.param2 : 0.5;
        for (std::size_t i = 0; i < n; ++i) {
            const Moments m = moments(sum_[i], double(square_[i]), count, 1.0 / 255.0);
            const double t = m.mean * (1 + 2 * std::exp(-10 * m.mean) +
                                       kk * (m.deviation / range - 1));
            marks[i] = stretched[i] / 255.0 > t;
        }
        break;
    }
    }
    if (!p.white)
        for (std::size_t i = 0; i < n; ++i)
            marks[i] = !marks[i];
}

} // namespace local
