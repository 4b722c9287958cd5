#include "core/autothreshold.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>

#if defined(TINTARA_VECTOR_LOGF)
#include <emmintrin.h>
// The C library's own four-lane logf (glibc's libmvec).
extern "C" __m128 _ZGVbN4v_logf(__m128);
#endif

namespace histogram {

namespace {

constexpr const char *Names[] = {
    "Default",      "Huang",    "Intermodes", "IsoData", "Li",   "MaxEntropy",
    "Mean",         "MinError", "Minimum",    "Moments", "Otsu", "Percentile",
    "RenyiEntropy", "Shanbhag", "Triangle",   "Yen",
};
static_assert(std::size(Names) == Methods.size());

constexpr double Undefined = std::numeric_limits<double>::quiet_NaN();

// The histogram's counts summed up to each bin, and its occupied stretch low..high. Every
// method looks for t in low..high - 1, so that blocks lie on both sides of it.
struct Sums {
    int low = 0, high = 0;
    std::array<double, 256> n{}, s1{}, s2{}; // counts, and counts times the value and its square
    double total = 0, sum = 0, squares = 0;

    explicit Sums(const Bins &bins)
    {
        double c = 0, v = 0, q = 0;
        for (int k = 0; k < 256; ++k) {
            c += bins[k];
            v += double(k) * bins[k];
            q += double(k) * k * bins[k];
            n[k] = c, s1[k] = v, s2[k] = q;
        }
        total = c, sum = v, squares = q;
        while (low < 255 && bins[low] == 0)
            ++low;
        high = 255;
        while (high > 0 && bins[high] == 0)
            --high;
    }
    bool splits() const { return total > 0 && low < high; }
    // Blocks, mean and variance of the lower class 0..t and the upper class t + 1..255.
    double below(int t) const { return n[t]; }
    double above(int t) const { return total - n[t]; }
    double meanBelow(int t) const { return s1[t] / n[t]; }
    double meanAbove(int t) const { return (sum - s1[t]) / above(t); }
    double varianceBelow(int t) const { return s2[t] / n[t] - meanBelow(t) * meanBelow(t); }
    double varianceAbove(int t) const
    {
        return (squares - s2[t]) / above(t) - meanAbove(t) * meanAbove(t);
    }
    double share(int t) const { return t < 0 ? 0.0 : n[t] / total; }
};

using Scores = std::array<double, 256>;

// The natural logarithms of n values, in place. Huang's and Shanbhag's methods take a logarithm
// for every pair of threshold and bin; four lanes at a time keep all sixteen methods within a
// millisecond. Single precision suffices for each term.
void logs(float *v, int n)
{
    int i = 0;
#if defined(TINTARA_VECTOR_LOGF)
    for (; i + 4 <= n; i += 4)
        _mm_storeu_ps(v + i, _ZGVbN4v_logf(_mm_loadu_ps(v + i)));
#endif
    for (; i < n; ++i)
        v[i] = std::log(v[i]);
}

// The best-scoring t. Where a run of thresholds scores the same (an empty stretch between two
// groups splits them the same way wherever it is cut), the middle of the first such run, as
// Otsu's has always taken it. Undefined scores are passed over.
std::optional<int> best(const Scores &score, const Sums &s, bool highest)
{
    double top = Undefined;
    for (int t = s.low; t < s.high; ++t)
        if (!std::isnan(score[t]) &&
            (std::isnan(top) || (highest ? score[t] > top : score[t] < top)))
            top = score[t];
    if (std::isnan(top))
        return std::nullopt;
    const double tolerance = 1e-12 * std::max(1.0, std::abs(top));
    const auto equal = [&](int t) {
        return std::abs(score[t] - top) <= tolerance;
    };
    int first = s.low;
    while (!equal(first))
        ++first;
    int last = first;
    while (last + 1 < s.high && equal(last + 1))
        ++last;
    return (first + last) / 2;
}

// The t whose share of blocks at or below it is nearest `target`.
std::optional<int> nearestShare(const Sums &s, double target)
{
    Scores score;
    score.fill(Undefined);
    for (int t = s.low; t < s.high; ++t)
        score[t] = std::abs(s.share(t) - target);
    return best(score, s, false);
}

int within(const Sums &s, double t)
{
    return std::clamp(static_cast<int>(std::floor(t)), s.low, s.high - 1);
}

// ImageJ's "Default": Ridler and Calvard's intermeans, climbed from the lowest value: t rises
// while t + 1 still lies at or below the midpoint g(t) of the two classes' means, and the
// threshold is g rounded to the nearest bin, as ImageJ rounds it. Bins 0 and 255 are left out
// when at least two values lie between them, so that a sea of flat blocks (0 after a
// maximum-minus-minimum scan) or a blown-out white does not pull the midpoint.
std::optional<int> isoDataDefault(const Bins &bins)
{
    Bins inner = bins;
    inner[0] = inner[255] = 0;
    Sums s(inner);
    if (!s.splits())
        s = Sums(bins);
    if (!s.splits())
        return std::nullopt;
    int t = s.low;
    double g = 0;
    while (true) {
        g = (s.meanBelow(t) + s.meanAbove(t)) / 2;
        if (t + 1 > g || t + 1 >= s.high)
            break;
        ++t;
    }
    return std::clamp(static_cast<int>(std::lround(g)), s.low, s.high - 1);
}

// Ridler and Calvard's IsoData: the first t with t <= g(t) < t + 1, g(t) the midpoint of the two
// classes' means. One always exists: g(t) - t starts above 0, falls by at most 1 a step and ends
// at most 1/2.
std::optional<int> isoData(const Sums &s)
{
    for (int t = s.low; t < s.high; ++t)
        if ((s.meanBelow(t) + s.meanAbove(t)) / 2 - t < 1)
            return t;
    return s.high - 1;
}

// Huang's fuzzy thresholding with Shannon's entropy: a block's membership of its class is
// 1 / (1 + d), d = |value - class mean| / C and C the span of the values; the least fuzzy split
// wins. With that membership Shannon's function is ln(1 + d) - d / (1 + d) ln d.
std::optional<int> huang(const Bins &bins, const Sums &s)
{
    const int n = s.high - s.low + 1;
    const float scale = 1.0f / float(s.high - s.low);
    std::array<float, 256> d{}, wide{}, narrow{};
    Scores score;
    score.fill(Undefined);
    for (int t = s.low; t < s.high; ++t) {
        const int split = t - s.low + 1; // places 0..split - 1 lie below the threshold
        const float below = float(s.meanBelow(t)) - float(s.low);
        const float above = float(s.meanAbove(t)) - float(s.low);
        for (int i = 0; i < split; ++i)
            d[i] = std::abs(float(i) - below) * scale;
        for (int i = split; i < n; ++i)
            d[i] = std::abs(float(i) - above) * scale;
        for (int i = 0; i < n; ++i) {
            wide[i] = 1 + d[i];
            narrow[i] = d[i] > 0 ? d[i] : 1; // d ln d is 0 at d = 0
        }
        logs(wide.data(), n);
        logs(narrow.data(), n);
        double entropy = 0;
        for (int i = 0; i < n; ++i)
            entropy += bins[s.low + i] * double(wide[i] - d[i] / (1 + d[i]) * narrow[i]);
        score[t] = entropy;
    }
    return best(score, s, false);
}

// The occupied stretch smoothed by a running mean of three, its ends mirrored so that nothing
// leaks off them, until fewer than three peaks are left (at most 10,000 rounds); the two peaks'
// places within the stretch, or none. A plateau's peak is its last bin; the first bin is a
// peak when the counts fall after it, the last when they rose last.
std::optional<std::pair<int, int>> twoPeaks(const Bins &bins, const Sums &s,
                                            std::array<double, 256> &h)
{
    const int size = s.high - s.low + 1;
    std::copy(bins.begin() + s.low, bins.begin() + s.high + 1, h.begin());
    std::array<double, 256> next{};
    for (int round = 0; round < 10000; ++round) {
        next[0] = (2 * h[0] + h[1]) / 3;
        for (int i = 1; i + 1 < size; ++i)
            next[i] = (h[i - 1] + h[i] + h[i + 1]) / 3;
        next[size - 1] = (h[size - 2] + 2 * h[size - 1]) / 3;
        h = next;
        int peaks[3], found = 0, last = 0;
        bool rising = true;
        for (int i = 0; i + 1 < size && found < 3; ++i) {
            if (h[i + 1] != h[i])
                last = h[i + 1] > h[i] ? 1 : -1;
            if (rising && h[i + 1] < h[i]) {
                peaks[found++] = i;
                rising = false;
            } else if (!rising && h[i + 1] > h[i]) {
                rising = true;
            }
        }
        if (found < 3 && last > 0)
            peaks[found++] = size - 1;
        if (found < 3)
            return found == 2 ? std::optional(std::pair(peaks[0], peaks[1])) : std::nullopt;
    }
    return std::nullopt;
}

// Prewitt and Mendelsohn's intermodes (Glasbey 1993): midway between the two peaks, rounded
// down.
std::optional<int> intermodes(const Bins &bins, const Sums &s)
{
    std::array<double, 256> h;
    const auto peaks = twoPeaks(bins, s, h);
    if (!peaks)
        return std::nullopt;
    return within(s, s.low + (peaks->first + peaks->second) / 2);
}

// Prewitt and Mendelsohn's minimum (Glasbey 1993): the lowest smoothed bin between the two
// peaks, the first where several are lowest.
std::optional<int> minimum(const Bins &bins, const Sums &s)
{
    std::array<double, 256> h;
    const auto peaks = twoPeaks(bins, s, h);
    if (!peaks)
        return std::nullopt;
    const auto lowest =
        std::min_element(h.begin() + peaks->first, h.begin() + peaks->second + 1) - h.begin();
    return within(s, s.low + double(lowest));
}

// Li's minimum cross entropy, by Li and Tam's iteration t = (mb - mf) / (ln mb - ln mf) from the
// mean until t moves by half a bin or less. Values count from the lowest one, so that the
// logarithms stay finite; the threshold is the last t rounded down.
std::optional<int> li(const Sums &s)
{
    const double low = s.low;
    double t = s.sum / s.total - low, previous = -1;
    for (int round = 0; round < 1000 && std::abs(t - previous) > 0.5; ++round) {
        previous = t;
        const int split = within(s, low + previous);
        const double back = s.meanBelow(split) - low, fore = s.meanAbove(split) - low;
        t = (back - fore) / (std::log(back) - std::log(fore));
    }
    return within(s, low + t);
}

// Kapur, Sahoo and Wong's maximum entropy: the largest sum of the two classes' entropies.
std::optional<int> maxEntropy(const Bins &bins, const Sums &s)
{
    std::array<double, 256> e{}; // the sum of n ln n up to each bin
    double running = 0;
    for (int k = 0; k < 256; ++k) {
        if (bins[k] > 0)
            running += bins[k] * std::log(double(bins[k]));
        e[k] = running;
    }
    Scores score;
    score.fill(Undefined);
    for (int t = s.low; t < s.high; ++t)
        score[t] = std::log(s.below(t)) - e[t] / s.below(t) + std::log(s.above(t)) -
                   (running - e[t]) / s.above(t);
    return best(score, s, true);
}

// Kittler and Illingworth's minimum error: the split whose two normal classes fit best. Each
// bin is taken as its values spread evenly over its width, which adds 1/12 to either variance
// and keeps the criterion defined for a class of one value.
std::optional<int> minError(const Sums &s)
{
    Scores score;
    score.fill(Undefined);
    for (int t = s.low; t < s.high; ++t) {
        const double p0 = s.share(t), p1 = 1 - p0;
        const double v0 = s.varianceBelow(t) + 1.0 / 12, v1 = s.varianceAbove(t) + 1.0 / 12;
        score[t] =
            p0 * std::log(v0) + p1 * std::log(v1) - 2 * (p0 * std::log(p0) + p1 * std::log(p1));
    }
    return best(score, s, false);
}

// Tsai's moment-preserving threshold: the two values z0 < z1 and share p0 whose first three
// moments are the histogram's, then the t whose share of blocks at or below it is nearest p0.
// Moments are taken about the mean, which keeps the arithmetic well conditioned.
std::optional<int> moments(const Bins &bins, const Sums &s)
{
    const double mean = s.sum / s.total;
    double m2 = 0, m3 = 0;
    for (int k = s.low; k <= s.high; ++k) {
        const double d = k - mean;
        m2 += bins[k] * d * d;
        m3 += bins[k] * d * d * d;
    }
    m2 /= s.total, m3 /= s.total;
    // With m1 = 0, z0 and z1 are the roots of z^2 - (m3 / m2) z - m2.
    const double b = m3 / m2, root = std::sqrt(b * b + 4 * m2);
    const double z0 = (b - root) / 2, z1 = (b + root) / 2;
    return nearestShare(s, z1 / (z1 - z0));
}

// Rényi's entropy of order a of the two classes, summed, for each t.
Scores renyiScores(const Bins &bins, const Sums &s, double a)
{
    std::array<double, 256> q{};
    double running = 0;
    for (int k = 0; k < 256; ++k) {
        running += std::pow(double(bins[k]), a);
        q[k] = running;
    }
    Scores score;
    score.fill(Undefined);
    for (int t = s.low; t < s.high; ++t)
        score[t] = (std::log(q[t] / std::pow(s.below(t), a)) +
                    std::log((running - q[t]) / std::pow(s.above(t), a))) /
                   (1 - a);
    return score;
}

// Sahoo, Wilkins and Yeager's Rényi entropy thresholding: the maximum-entropy thresholds of
// orders 1/2, 1 and 2, sorted t1 <= t2 <= t3, weighed together as their paper gives it, with
// w = P(t3) - P(t1):
//   t = t1 (P(t1) + w b1 / 4) + t2 w b2 / 4 + t3 (1 - P(t3) + w b3 / 4),
// (b1, b2, b3) = (0, 1, 3) when only t1 and t2 lie within 5 of each other, (3, 1, 0) when only
// t2 and t3 do, and (1, 2, 1) otherwise. Rounded to the nearest bin.
std::optional<int> renyiEntropy(const Bins &bins, const Sums &s)
{
    const auto half = best(renyiScores(bins, s, 0.5), s, true);
    const auto one = maxEntropy(bins, s);
    const auto two = best(renyiScores(bins, s, 2), s, true);
    if (!half || !one || !two)
        return std::nullopt;
    std::array<int, 3> t{*half, *one, *two};
    std::sort(t.begin(), t.end());
    const bool near12 = std::abs(t[0] - t[1]) <= 5, near23 = std::abs(t[1] - t[2]) <= 5;
    const std::array<double, 3> b = near12 && !near23   ? std::array{0.0, 1.0, 3.0}
                                    : !near12 && near23 ? std::array{3.0, 1.0, 0.0}
                                                        : std::array{1.0, 2.0, 1.0};
    const double w = s.share(t[2]) - s.share(t[0]);
    const double mix = t[0] * (s.share(t[0]) + w * b[0] / 4) + t[1] * w * b[1] / 4 +
                       t[2] * (1 - s.share(t[2]) + w * b[2] / 4);
    return within(s, std::round(mix));
}

// Shanbhag's information measure: a block's membership of its class grows with how many blocks
// lie between it and the threshold (1/2 at the threshold, 1 at the far end); the t at which both
// classes carry the same information.
std::optional<int> shanbhag(const Bins &bins, const Sums &s)
{
    const int n = s.high - s.low + 1;
    // The shares of blocks below and above each place of the stretch.
    std::array<float, 256> under{}, over{}, membership{};
    for (int i = 0; i < n; ++i) {
        under[i] = float(s.share(s.low + i - 1));
        over[i] = float(1 - s.share(s.low + i));
    }
    Scores score;
    score.fill(Undefined);
    for (int t = s.low; t < s.high; ++t) {
        const int split = t - s.low + 1;
        const float lower = float(0.5 / s.share(t)), upper = float(0.5 / (1 - s.share(t)));
        for (int i = 0; i < split; ++i)
            membership[i] = 1 - under[i] * lower;
        for (int i = split; i < n; ++i)
            membership[i] = 1 - over[i] * upper;
        logs(membership.data(), n);
        double back = 0, fore = 0;
        for (int i = 0; i < split; ++i)
            back -= bins[s.low + i] * double(membership[i]);
        for (int i = split; i < n; ++i)
            fore -= bins[s.low + i] * double(membership[i]);
        score[t] = std::abs(back / s.below(t) - fore / s.above(t));
    }
    return best(score, s, false);
}

// Yen's maximum correlation: ln[(P (1 - P))^2 / (sum of p^2 below * sum of p^2 above)].
std::optional<int> yen(const Bins &bins, const Sums &s)
{
    std::array<double, 256> q{};
    double running = 0;
    for (int k = 0; k < 256; ++k) {
        const double p = bins[k] / s.total;
        running += p * p;
        q[k] = running;
    }
    Scores score;
    score.fill(Undefined);
    for (int t = s.low; t < s.high; ++t) {
        const double p = s.share(t);
        score[t] = 2 * std::log(p * (1 - p)) - std::log(q[t]) - std::log(running - q[t]);
    }
    return best(score, s, true);
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

std::optional<int> threshold(Method method, const Bins &bins)
{
    if (method == Method::Default)
        return isoDataDefault(bins);
    const Sums s(bins);
    if (!s.splits())
        return std::nullopt;
    switch (method) {
    case Method::Default:
        break;
    case Method::Huang:
        return huang(bins, s);
    case Method::Intermodes:
        return intermodes(bins, s);
    case Method::IsoData:
        return isoData(s);
    case Method::Li:
        return li(s);
    case Method::MaxEntropy:
        return maxEntropy(bins, s);
    case Method::Mean:
        return within(s, s.sum / s.total);
    case Method::MinError:
        return minError(s);
    case Method::Minimum:
        return minimum(bins, s);
    case Method::Moments:
        return moments(bins, s);
    case Method::Otsu:
        return otsu(bins);
    case Method::Percentile:
        // Doyle's p-tile with half the blocks in the band.
        return nearestShare(s, 0.5);
    case Method::RenyiEntropy:
        return renyiEntropy(bins, s);
    case Method::Shanbhag:
        return shanbhag(bins, s);
    case Method::Triangle:
        // Its line may end on the last value itself, which would leave the band empty.
        return within(s, *triangle(bins));
    case Method::Yen:
        return yen(bins, s);
    }
    return std::nullopt;
}

} // namespace histogram
