#include "core/localthreshold.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

namespace local {

namespace {

constexpr const char *Names[] = {"Bernsen", "Contrast", "Mean",       "Median", "MidGrey",
                                 "Niblack", "Otsu",     "Phansalkar", "Sauvola"};

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

// The loops that take most of the time are built for the vectors of each kind of processor,
// the widest there is picked when the program starts.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define TINTARA_CLONES __attribute__((target_clones("arch=x86-64-v4", "avx2", "default")))
#else
#define TINTARA_CLONES
#endif

// Values side by side, as many as a vector holds: the counting below is written once for
// vectors of 32 bytes, and built for the processors that have them and for those that do not.
constexpr int Lanes = 64;
using Bytes = std::uint8_t __attribute__((vector_size(Lanes)));
using Masks = std::int8_t __attribute__((vector_size(Lanes)));
using Words = std::uint16_t __attribute__((vector_size(2 * Lanes)));

// For each of `width` values, how many of its neighbourhood's values (the rows from `top`, a
// row `stride` bytes on, each `reach[t]` either way) are at most its limit (none below 0, all
// from 255).
TINTARA_CLONES void countAtMost(const std::uint8_t *top, std::size_t stride, const int *reach,
                                int taps, const std::int16_t *limits, std::uint16_t *counts,
                                int width)
{
    for (int x0 = 0; x0 < width; x0 += Lanes) {
        Bytes limit;
        for (int i = 0; i < Lanes; ++i)
            limit[i] = std::uint8_t(std::clamp<int>(limits[x0 + i], 0, 255));
        Words total = {};
        Bytes few = {}; // byte lanes, which hold 255
        int held = 0;
        for (int t = 0; t < taps; ++t) {
            const int d = reach[t];
            if (held + 2 * d + 1 > 255) {
                total += __builtin_convertvector(few, Words);
                few = Bytes{};
                held = 0;
            }
            held += 2 * d + 1;
            const std::uint8_t *r = top + std::size_t(t) * stride + std::size_t(x0);
            // Two sums in turn, so that each waits on the one before it but once.
            Bytes other = {}, a, b;
            int dx = -d;
            for (; dx + 1 <= d; dx += 2) {
                std::memcpy(&a, r + dx, sizeof a);
                std::memcpy(&b, r + dx + 1, sizeof b);
                few -= Bytes(Masks(a <= limit));
                other -= Bytes(Masks(b <= limit));
            }
            if (dx <= d) {
                std::memcpy(&a, r + dx, sizeof a);
                few -= Bytes(Masks(a <= limit));
            }
            few += other;
        }
        total += __builtin_convertvector(few, Words);
        std::memcpy(counts + x0, &total, sizeof total);
    }
}

// Each value's sum over its kernel's rows, and where asked the sum of the squares: row t's
// running sums start at sums[t] (and squares[t]) and its span is spans[t] values long. Sixteen
// values at a time, each sum kept until its rows are done.
using Sums = std::uint32_t __attribute__((vector_size(64)));
TINTARA_CLONES void kernelSums(const std::uint32_t *const *sums,
                               const std::uint32_t *const *squares, const int *spans, int taps,
                               std::uint32_t *intoSums, std::uint32_t *intoSquares, int width)
{
    constexpr int Each = int(sizeof(Sums) / sizeof(std::uint32_t));
    int x0 = 0;
    for (; x0 + Each <= width; x0 += Each) {
        Sums sum = {}, square = {}, a, b;
        for (int t = 0; t < taps; ++t) {
            std::memcpy(&a, sums[t] + x0 + spans[t], sizeof a);
            std::memcpy(&b, sums[t] + x0, sizeof b);
            sum += a - b;
            if (squares) {
                std::memcpy(&a, squares[t] + x0 + spans[t], sizeof a);
                std::memcpy(&b, squares[t] + x0, sizeof b);
                square += a - b;
            }
        }
        std::memcpy(intoSums + x0, &sum, sizeof sum);
        if (squares)
            std::memcpy(intoSquares + x0, &square, sizeof square);
    }
    for (; x0 < width; ++x0) {
        std::uint32_t sum = 0, square = 0;
        for (int t = 0; t < taps; ++t) {
            sum += sums[t][x0 + spans[t]] - sums[t][x0];
            if (squares)
                square += squares[t][x0 + spans[t]] - squares[t][x0];
        }
        intoSums[x0] = sum;
        if (squares)
            intoSquares[x0] = square;
    }
}

// Each value's own extremes and the next wider ones: over x - 1 to x + 1 of the narrower.
void widen(const std::uint8_t *__restrict hiBefore, const std::uint8_t *__restrict loBefore,
           std::uint8_t *__restrict hiNow, std::uint8_t *__restrict loNow, std::size_t from,
           std::size_t to)
{
    for (std::size_t x = from; x < to; ++x) {
        const std::uint8_t a = std::max(hiBefore[x - 1], hiBefore[x + 1]);
        const std::uint8_t b = std::min(loBefore[x - 1], loBefore[x + 1]);
        hiNow[x] = std::max(a, hiBefore[x]);
        loNow[x] = std::min(b, loBefore[x]);
    }
}

// The extremes of a row's span taken into each value's.
void takeExtremes(std::uint8_t *__restrict hi, std::uint8_t *__restrict lo,
                  const std::uint8_t *__restrict rowHi, const std::uint8_t *__restrict rowLo,
                  int width)
{
    for (int x = 0; x < width; ++x) {
        hi[x] = std::max(hi[x], rowHi[x]);
        lo[x] = std::min(lo[x], rowLo[x]);
    }
}

// Each neighbourhood's mean and variance, as Fiji's filters give them on a picture of 32-bit
// values: each rounded to single precision; and the standard deviation.
TINTARA_CLONES void meansAndDeviations(const std::uint32_t *__restrict sum,
                                       const std::uint32_t *__restrict square, double count,
                                       double scale, float *__restrict mean,
                                       double *__restrict deviation, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i) {
        const double whole = double(std::int32_t(sum[i]));
        const double s = whole * scale;
        const double q = double(std::int32_t(square[i])) * scale * scale;
        mean[i] = static_cast<float>(whole / count * scale);
        float variance = static_cast<float>((q - s * s / count) / count);
        variance = (variance + std::fabs(variance)) * 0.5f; // none below 0
        deviation[i] = std::sqrt(double(variance));
    }
}

// Each method's thresholds, value by value, and the values above them: loops of one kind of
// number each, so that they take vectors.
TINTARA_CLONES void meanThresholds(const std::uint32_t *__restrict sum, double count, double c,
                                   double *__restrict t, std::size_t n)
{
    // Cut to the whole part.
    for (std::size_t i = 0; i < n; ++i)
        t[i] =
            double(std::int32_t(std::clamp(double(std::int32_t(sum[i])) / count - c, -1e9, 1e9)));
}

TINTARA_CLONES void niblackThresholds(const float *__restrict mean,
                                      const double *__restrict deviation, double k, double c,
                                      double *__restrict t, std::size_t n)
{
    // Cut to the whole part.
    for (std::size_t i = 0; i < n; ++i)
        t[i] = double(std::int32_t(std::clamp(double(mean[i]) + k * deviation[i] - c, -1e9, 1e9)));
}

TINTARA_CLONES void sauvolaThresholds(const float *__restrict mean,
                                      const double *__restrict deviation, double k, double range,
                                      double *__restrict t, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i)
        t[i] = double(mean[i]) * (1 + k * (deviation[i] / range - 1));
}

// t holds each mean's exp(-10 mean) on the way in, the threshold on the way out.
TINTARA_CLONES void phansalkarThresholds(const float *__restrict mean,
                                         const double *__restrict deviation, double k, double range,
                                         double *__restrict t, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i)
        t[i] = double(mean[i]) * (1 + 2 * t[i] + k * (deviation[i] / range - 1));
}

TINTARA_CLONES void above(const std::uint8_t *__restrict values, const double *__restrict t,
                          std::uint8_t *__restrict marks, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i)
        marks[i] = double(values[i]) > t[i];
}

TINTARA_CLONES void aboveUnit(const std::uint8_t *__restrict values, const double *__restrict t,
                              std::uint8_t *__restrict marks, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i)
        marks[i] = double(values[i]) / 255.0 > t[i];
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
    const std::size_t stride = std::size_t(stride_);
    padded_.resize(stride * std::size_t(height + 2 * margin));
    for (int py = 0; py < height + 2 * margin; ++py) {
        std::uint16_t *row = padded_.data() + std::size_t(py) * stride;
        const int y = py - margin;
        if (outside >= 0 && (y < 0 || y >= height)) {
            std::fill_n(row, stride, std::uint16_t(outside));
            continue;
        }
        const std::uint8_t *from = values + std::size_t(std::clamp(y, 0, height - 1)) * width;
        const std::uint16_t left = outside >= 0 ? std::uint16_t(outside) : from[0];
        const std::uint16_t right = outside >= 0 ? std::uint16_t(outside) : from[width - 1];
        std::fill_n(row, margin, left);
        std::copy_n(from, width, row + margin);
        std::fill_n(row + margin + width, margin, right);
    }
}

void Thresholder::sums(bool squares)
{
    // A row's running sums, then each value's kernel as the sum of its rows' spans. The running
    // sums of squares may wrap around: a span's difference is exact all the same, as no span
    // holds 2^32.
    const std::size_t n = std::size_t(width_) * std::size_t(height_);
    const std::size_t across = std::size_t(stride_) + 1;
    const int rows = height_ + 2 * k_;
    rowSums_.resize(across * std::size_t(rows));
    rowSquares_.resize(squares ? across * std::size_t(rows) : 0);
    for (int py = 0; py < rows; ++py) {
        const std::uint16_t *row = padded_.data() + std::size_t(py) * std::size_t(stride_);
        std::uint32_t *s = rowSums_.data() + std::size_t(py) * across;
        std::uint32_t *q = squares ? rowSquares_.data() + std::size_t(py) * across : nullptr;
        std::uint32_t sum = 0, square = 0;
        s[0] = 0;
        if (!q) {
            for (int x = 0; x < stride_; ++x) {
                sum += row[x];
                s[x + 1] = sum;
            }
            continue;
        }
        q[0] = 0;
        for (int x = 0; x < stride_; ++x) {
            sum += row[x];
            square += std::uint32_t(row[x]) * row[x];
            s[x + 1] = sum;
            q[x + 1] = square;
        }
    }
    sum_.resize(n);
    square_.resize(squares ? n : 0);
    const int taps = 2 * k_ + 1;
    spans_.resize(std::size_t(taps));
    starts_.resize(2 * std::size_t(taps));
    for (int t = 0; t < taps; ++t)
        spans_[std::size_t(t)] = 2 * reach_[std::size_t(t)] + 1;
    const std::uint32_t **rowsOfSums = starts_.data(), **rowsOfSquares = starts_.data() + taps;
    for (int y = 0; y < height_; ++y) {
        for (int t = 0; t < taps; ++t) {
            const std::size_t at =
                std::size_t(y + t) * across + std::size_t(k_ - reach_[std::size_t(t)]);
            rowsOfSums[t] = rowSums_.data() + at;
            rowsOfSquares[t] = squares ? rowSquares_.data() + at : nullptr;
        }
        const std::size_t to = std::size_t(y) * std::size_t(width_);
        kernelSums(rowsOfSums, squares ? rowsOfSquares : nullptr, spans_.data(), taps,
                   sum_.data() + to, squares ? square_.data() + to : nullptr, width_);
    }
}

void Thresholder::moments(double scale)
{
    const std::size_t n = std::size_t(width_) * std::size_t(height_);
    means_.resize(n);
    deviations_.resize(n);
    double count = 0;
    for (const int d : reach_)
        count += 2 * d + 1;
    meansAndDeviations(sum_.data(), square_.data(), count, scale, means_.data(), deviations_.data(),
                       n);
}

void Thresholder::extremes()
{
    // Each padded row's maximum and minimum over every half-width up to the kernel's, kept for
    // the kernel's rows at a time: each width takes one more value each way than the one before.
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
        for (std::size_t d = 1; d < levels && 2 * d < stride; ++d)
            widen(hi + (d - 1) * stride, lo + (d - 1) * stride, hi + d * stride, lo + d * stride, d,
                  stride - d);
    };
    // Bytes stored may alias the members: the loops take their bounds from here.
    const int width = width_, height = height_, k = k_;
    for (int py = 0; py < 2 * k; ++py)
        fill(py);
    for (int y = 0; y < height; ++y) {
        fill(y + 2 * k);
        std::uint8_t *__restrict hi = max_.data() + std::size_t(y) * std::size_t(width);
        std::uint8_t *__restrict lo = min_.data() + std::size_t(y) * std::size_t(width);
        std::fill_n(hi, width, std::uint8_t(0));
        std::fill_n(lo, width, std::uint8_t(255));
        for (int dy = -k; dy <= k; ++dy) {
            const std::size_t d = std::size_t(reach_[std::size_t(dy + k)]);
            const std::size_t slot = std::size_t(y + k + dy) % rows;
            const std::uint8_t *__restrict rowHi =
                rowMax_.data() + (slot * levels + d) * stride + std::size_t(k);
            const std::uint8_t *__restrict rowLo =
                rowMin_.data() + (slot * levels + d) * stride + std::size_t(k);
            takeExtremes(hi, lo, rowHi, rowLo, width);
        }
    }
}

void Thresholder::median(const Params &p, const std::uint8_t *values, std::uint8_t *marks)
{
    // A value is marked when it exceeds its median less c: when the median is at most the
    // largest whole number t that the value exceeds less c, that is when more than half the
    // neighbourhood is at most t. So no median is found: each value's own t is counted against
    // its neighbourhood, sixteen values side by side.
    const int width = width_, height = height_, k = k_, taps = 2 * k_ + 1;
    const int *reach = reach_.data();
    int n = 0;
    for (int t = 0; t < taps; ++t)
        n += 2 * reach[t] + 1;
    const int half = n / 2;
    const double c = p.param1;
    // Bytes, with room for a last load of a vector past the end.
    const std::size_t stride = std::size_t(stride_) + Lanes;
    bytes_.assign(stride * std::size_t(height + 2 * k), 0);
    for (int py = 0; py < height + 2 * k; ++py)
        for (int px = 0; px < stride_; ++px)
            bytes_[std::size_t(py) * stride + std::size_t(px)] =
                std::uint8_t(padded_[std::size_t(py) * std::size_t(stride_) + std::size_t(px)]);
    counts_.resize(std::size_t(width) + Lanes);
    limits_.resize(std::size_t(width) + Lanes);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t *row = values + std::size_t(y) * std::size_t(width);
        for (int x = 0; x < width; ++x) {
            const int v = row[x];
            int t = int(std::clamp(std::ceil(v + c) - 1, -1.0, 255.0));
            while (t < 255 && v > t + 1 - c)
                ++t;
            while (t >= 0 && !(v > t - c))
                --t;
            limits_[std::size_t(x)] = std::int16_t(t);
        }
        countAtMost(bytes_.data() + std::size_t(y) * stride + std::size_t(k), stride, reach, taps,
                    limits_.data(), counts_.data(), width);
        std::uint8_t *into = marks + std::size_t(y) * std::size_t(width);
        for (int x = 0; x < width; ++x) {
            const int t = limits_[std::size_t(x)];
            into[x] = t >= 0 && (t >= 255 || counts_[std::size_t(x)] > half);
        }
    }
}

void Thresholder::otsu(const std::uint8_t *values, std::uint8_t *marks)
{
    // Past the edge lies nothing: the padding's values fall in a bin of their own. Which bins
    // hold values is kept beside the histogram, so that a neighbourhood of few values visits
    // few bins.
    const std::vector<Span> oval = ovalOf(radius_);
    const int width = width_, height = height_, k = k_;
    const std::size_t stride = std::size_t(stride_);
    histogram_.resize(257);
    std::uint16_t *h = histogram_.data();
    std::uint64_t held[4]; // bit v: bin v holds values
    int count = 0;
    const auto add = [&](int v) {
        if (v < 256 && h[v]++ == 0)
            held[v >> 6] |= std::uint64_t{1} << (v & 63);
        count += v < 256;
    };
    const auto remove = [&](int v) {
        if (v < 256 && --h[v] == 0)
            held[v >> 6] &= ~(std::uint64_t{1} << (v & 63));
        count -= v < 256;
    };
    for (int y = 0; y < height; ++y) {
        std::fill_n(h, 257, std::uint16_t(0));
        std::fill_n(held, 4, std::uint64_t{0});
        count = 0;
        const std::uint16_t *top = padded_.data() + std::size_t(y + k) * stride + std::size_t(k);
        const auto row = [&](int dy) {
            return top + std::ptrdiff_t(dy) * std::ptrdiff_t(stride);
        };
        for (const Span &s : oval) {
            const std::uint16_t *r = row(s.dy);
            for (int dx = s.from; dx <= s.to; ++dx)
                add(r[dx]);
        }
        for (int x = 0; x < width; ++x) {
            if (x > 0)
                for (const Span &s : oval) {
                    const std::uint16_t *r = row(s.dy);
                    remove(r[x - 1 + s.from]);
                    add(r[x + s.to]);
                }
            // Otsu's between-class variance over the normalised histogram, summed bin after
            // bin as Fiji sums it; a bin without values changes no sum and picks nothing, so
            // only the others are visited. The top bin is never a threshold, and a flat or an
            // empty neighbourhood keeps the threshold 0.
            const double each = 1.0 / count;
            double total = 0;
            for (int word = 0; word < 4; ++word)
                for (std::uint64_t bits = held[word]; bits; bits &= bits - 1) {
                    const int v = 64 * word + __builtin_ctzll(bits);
                    total += v * (h[v] * each);
                }
            double cumulative = 0, mean = 0, best = 0;
            int threshold = 0;
            for (int word = 0; word < 4; ++word)
                for (std::uint64_t bits = held[word]; bits; bits &= bits - 1) {
                    const int v = 64 * word + __builtin_ctzll(bits);
                    if (v == 255)
                        break;
                    const double share = h[v] * each;
                    cumulative += share;
                    mean += v * share;
                    double between = total * cumulative - mean;
                    between *= between / (cumulative * (1.0 - cumulative));
                    if (best < between) {
                        best = between;
                        threshold = v;
                    }
                }
            const std::size_t at = std::size_t(y) * std::size_t(width) + std::size_t(x);
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
    case Method::Mean: {
        pad(values, width, height, k, -1);
        sums(false);
        meanThresholds(sum_.data(), count, p.param1, thresholds(n), n);
        above(values, thresholds_.data(), marks, n);
        break;
    }
    case Method::Niblack: {
        pad(values, width, height, k, -1);
        sums(true);
        moments(1.0);
        const double kk = p.param1 != 0 ? p.param1 : p.white ? 0.2 : -0.2;
        niblackThresholds(means_.data(), deviations_.data(), kk, p.param2, thresholds(n), n);
        above(values, thresholds_.data(), marks, n);
        break;
    }
    case Method::Sauvola: {
        pad(values, width, height, k, -1);
        sums(true);
        moments(1.0);
        const double kk = p.param1 != 0 ? p.param1 : 0.5;
        const double range = p.param2 != 0 ? p.param2 : 128;
        sauvolaThresholds(means_.data(), deviations_.data(), kk, range, thresholds(n), n);
        above(values, thresholds_.data(), marks, n);
        break;
    }
    case Method::Phansalkar: {
        // On the plane stretched to the full range, cut to whole values, then taken as 0 to 1.
        const auto [lo, hi] = std::minmax_element(values, values + n);
        std::uint8_t to[256];
        for (int v = 0; v < 256; ++v)
            to[v] = *hi > *lo
                        ? std::uint8_t(std::clamp(
                              std::trunc(double(v - *lo) / double(*hi - *lo) * 255.0), 0.0, 255.0))
                        : std::uint8_t(v);
        std::vector<std::uint8_t> &stretched = max_;
        stretched.resize(n);
        for (std::size_t i = 0; i < n; ++i)
            stretched[i] = to[values[i]];
        pad(stretched.data(), width, height, k, -1);
        sums(true);
        moments(1.0 / 255.0);
        const double kk = p.param1 != 0 ? p.param1 : 0.25;
        const double range = p.param2 != 0 ? p.param2 : 0.5;
        // A mean's exponential, kept for the next neighbourhood of the same sum: alike ones lie
        // side by side.
        constexpr std::size_t Kept = 4096;
        exponentials_.assign(Kept, -1.0);
        keys_.assign(Kept, 0);
        double *t = thresholds(n);
        for (std::size_t i = 0; i < n; ++i) {
            const std::size_t slot = sum_[i] % Kept;
            double &e = exponentials_[slot];
            if (e < 0 || keys_[slot] != sum_[i]) {
                e = std::exp(-10 * double(means_[i]));
                keys_[slot] = sum_[i];
            }
            t[i] = e;
        }
        phansalkarThresholds(means_.data(), deviations_.data(), kk, range, t, n);
        // The value stretched, as its neighbours are, against its threshold of 0 to 1.
        aboveUnit(stretched.data(), t, marks, n);
        break;
    }
    }
    if (!p.white)
        for (std::size_t i = 0; i < n; ++i)
            marks[i] = !marks[i];
}

} // namespace local
