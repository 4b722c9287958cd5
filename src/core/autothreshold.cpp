#include "core/autothreshold.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <limits>

// Each method gives the number ImageJ's AutoThresholder gives for the same histogram (the
// reference its users' protocols were made with), down to where it starts searching, which of
// equally good thresholds it takes and how it rounds. Where ImageJ sums counts in 32 bits and
// overflows (hundreds of millions of blocks), the sums here are exact: the answer is the one
// ImageJ gives for the same shares at a smaller scale.

namespace histogram {

namespace {

constexpr const char *Names[] = {
    "Default",      "Huang",    "Intermodes", "IsoData", "Li",   "MaxEntropy",
    "Mean",         "MinError", "Minimum",    "Moments", "Otsu", "Percentile",
    "RenyiEntropy", "Shanbhag", "Triangle",   "Yen",
};
static_assert(std::size(Names) == Methods.size());

using Table = std::array<double, 256>;
constexpr double Epsilon = 2.220446049250313e-16; // the double's machine epsilon

// The counts as shares p[k] of all blocks, their running sums P[k] = p[0] + ... + p[k] added up
// bin by bin and the shares beyond, 1 - P[k]: ties between thresholds then fall as they fall in
// the reference. first..last is the occupied stretch.
struct Shares {
    Table p{}, below{}, above{};
    double total = 0;
    int first = 0, last = 255;

    explicit Shares(const Bins &bins)
    {
        for (const auto n : bins)
            total += n;
        double running = 0;
        for (int k = 0; k < 256; ++k) {
            p[k] = bins[k] / total;
            running += p[k];
            below[k] = running;
            above[k] = 1.0 - running;
        }
        while (first < 255 && bins[first] == 0)
            ++first;
        while (last > 0 && bins[last] == 0)
            --last;
    }
    // The thresholds the entropy methods try: from the first with blocks at or below it to the
    // last with blocks (or rounding's remainder of them) above it.
    int lowestTried() const
    {
        int t = 0;
        while (t < 255 && std::abs(below[t]) < Epsilon)
            ++t;
        return t;
    }
    int highestTried() const
    {
        int t = 255;
        while (t > 0 && std::abs(above[t]) < Epsilon)
            --t;
        return t;
    }
};

// Counts, and counts times the value and its square, summed up to each bin, exactly.
struct Sums {
    std::array<double, 256> n{}, s1{}, s2{};
    explicit Sums(const Bins &bins)
    {
        double c = 0, v = 0, q = 0;
        for (int k = 0; k < 256; ++k) {
            c += bins[k];
            v += double(k) * bins[k];
            q += double(k) * k * bins[k];
            n[k] = c, s1[k] = v, s2[k] = q;
        }
    }
    double count(int from, int to) const { return n[to] - (from > 0 ? n[from - 1] : 0); }
    double sum(int from, int to) const { return s1[to] - (from > 0 ? s1[from - 1] : 0); }
};

// The first t of 0..255 whose score is strictly the best, scores visited from `from` to `to`;
// none where no score beats `start`.
template <typename Score>
std::optional<int> firstBest(int from, int to, double start, bool highest, Score score)
{
    std::optional<int> at;
    double top = start;
    for (int t = from; t <= to; ++t) {
        const double s = score(t);
        if (highest ? s > top : s < top) {
            top = s;
            at = t;
        }
    }
    return at;
}

// "Default": Ridler and Calvard's intermeans as ImageJ's Threshold dialog runs it. A towering
// bin is cut down first, and bins 0 and 255 are then left out (a sea of flat blocks, a blown-out
// white); t climbs from the lowest value left while t + 1 still lies at or below the midpoint g
// of the two classes' means, and the threshold is the last g rounded. With fewer than two
// values left, the middle, 128.
std::optional<int> isoDataDefault(const Bins &bins)
{
    Bins inner = bins;
    // A towering bin, more than twice the next highest, is cut to 1.5 times that one first.
    const auto mode = std::max_element(inner.begin(), inner.end());
    std::uint32_t second = 0;
    for (auto k = inner.begin(); k != inner.end(); ++k)
        if (k != mode)
            second = std::max(second, *k);
    if (second != 0 && *mode > 2 * std::uint64_t(second))
        *mode = static_cast<std::uint32_t>(second * 1.5);
    inner[0] = inner[255] = 0;
    int low = 0, high = 255;
    while (low < 255 && inner[low] == 0)
        ++low;
    while (high > 0 && inner[high] == 0)
        --high;
    if (low >= high)
        return 128;
    const Sums s(inner);
    int t = low;
    double g = 0;
    do {
        g = (s.sum(low, t) / s.count(low, t) + s.sum(t + 1, high) / s.count(t + 1, high)) / 2;
        ++t;
    } while (t + 1 <= g && t < high - 1);
    return static_cast<int>(std::floor(g + 0.5));
}

// Huang and Wang's fuzzy thresholding with Shannon's entropy: a block belongs to its class by
// mu = 1 / (1 + |value - class mean| / C), C the span of the values, and the least fuzzy t wins,
// the first of equals. Memberships within a millionth of 0 or 1 count as crisp. Symmetric
// histograms leave many t within rounding of each other, so the terms are summed in one
// running total from bin 0 up, as the reference sums them.
std::optional<int> huang(const Bins &bins, const Shares &sh)
{
    const int first = sh.first, last = sh.last;
    const double term = 1.0 / double(last - first);
    const Sums s(bins);
    // The class means: of the values up to t, and of those above it. Below the first value the
    // lower class is empty and the upper one all blocks; past the last value the lower class
    // would be all blocks measured from 0, which never beats the last value's.
    Table below{}, above{};
    for (int t = first; t <= last; ++t)
        below[t] = s.sum(first, t) / s.count(first, t);
    for (int t = 0; t < last; ++t)
        above[t] = s.sum(std::max(t + 1, first), last) / s.count(std::max(t + 1, first), last);
    const auto fuzziness = [&](double entropy, int k, double mean) {
        const double mu = 1.0 / (1.0 + term * std::abs(k - mean));
        if (!(mu < 1e-06 || mu > 0.999999))
            entropy += bins[k] * (-mu * std::log(mu) - (1.0 - mu) * std::log(1.0 - mu));
        return entropy;
    };
    return firstBest(0, last, std::numeric_limits<double>::max(), false, [&](int t) {
        if (t > 0 && t < first) // the same split as t = 0, which came first
            return std::numeric_limits<double>::max();
        double entropy = 0;
        for (int k = first; k <= std::min(t, last); ++k)
            if (bins[k] != 0)
                entropy = fuzziness(entropy, k, below[t]);
        for (int k = std::max(t + 1, first); k <= last; ++k)
            if (bins[k] != 0)
                entropy = fuzziness(entropy, k, above[t]);
        return entropy;
    });
}

// The counts of bins from..to smoothed by a running mean of three, zero beyond both ends of that
// stretch, until exactly two strict peaks are left among them; none after 10,000 rounds, or as
// soon as the counts only rise and then fall: a running mean keeps such counts so (a sum of
// log-concave steps keeps a single hump single), so no two peaks would come.
std::optional<Table> twoPeaks(const Bins &bins, int from, int to)
{
    const int n = to - from + 1;
    Table h{};
    std::copy(bins.begin() + from, bins.begin() + to + 1, h.begin());
    for (int round = 0; round <= 10000; ++round) {
        int modes = 0;
        bool fell = false, single = true;
        for (int k = 1; k < n; ++k) {
            if (k + 1 < n)
                modes += h[k - 1] < h[k] && h[k + 1] < h[k];
            single = single && !(fell && h[k] > h[k - 1]);
            fell = fell || h[k] < h[k - 1];
        }
        if (modes == 2)
            return h;
        if (modes < 2 && single)
            return std::nullopt;
        double previous = 0, current = 0, next = h[0];
        for (int k = 0; k + 1 < n; ++k) {
            previous = current;
            current = next;
            next = h[k + 1];
            h[k] = (previous + current + next) / 3;
        }
        h[n - 1] = (current + next) / 3;
    }
    return std::nullopt;
}

// Prewitt and Mendelsohn's intermodes: the occupied stretch smoothed until two peaks are left,
// and midway between them, rounded down.
std::optional<int> intermodes(const Bins &bins, const Shares &sh)
{
    const auto h = twoPeaks(bins, sh.first, sh.last);
    if (!h)
        return std::nullopt;
    int sum = 0;
    for (int k = 1; k < sh.last - sh.first; ++k)
        if ((*h)[k - 1] < (*h)[k] && (*h)[k + 1] < (*h)[k])
            sum += k;
    return sh.first + sum / 2;
}

// Prewitt and Mendelsohn's minimum: all 256 bins smoothed until two peaks are left, and the first
// valley before the last value; 0 when there is none.
std::optional<int> minimum(const Bins &bins, const Shares &sh)
{
    const auto h = twoPeaks(bins, 0, 255);
    if (!h)
        return std::nullopt;
    for (int k = 1; k < sh.last; ++k)
        if ((*h)[k - 1] > (*h)[k] && (*h)[k + 1] >= (*h)[k])
            return k;
    return 0;
}

// Ridler and Calvard's IsoData as NIH Image ran it, in whole numbers: from the first value past
// bin 0, the first g with blocks on both sides of it whose means of the blocks below g and of
// those above it (g's own left out, each mean rounded down) have their midpoint rounded to g.
// 0 when no g has.
std::optional<int> isoData(const Bins &bins)
{
    int g = 0;
    for (int k = 1; k < 256; ++k)
        if (bins[k] > 0) {
            g = k + 1;
            break;
        }
    for (; g <= 254; ++g) {
        std::int64_t low = 0, lowCount = 0, high = 0, highCount = 0;
        for (int k = 0; k < g; ++k) {
            lowCount += bins[k];
            low += std::int64_t(k) * bins[k];
        }
        for (int k = g + 1; k < 256; ++k) {
            highCount += bins[k];
            high += std::int64_t(k) * bins[k];
        }
        if (lowCount > 0 && highCount > 0 &&
            g == static_cast<int>(std::floor((low / lowCount + high / highCount) / 2.0 + 0.5)))
            return g;
    }
    return 0;
}

// Li and Tam's minimum cross entropy, iterated from the mean: t = (mb - mo) / (ln mb - ln mo),
// rounded half away from zero, until it moves by half a bin or less; the threshold is the last
// one the means were taken at, rounded.
std::optional<int> li(const Bins &bins, const Shares &sh)
{
    const Sums s(bins);
    double next = s.s1[255] / sh.total, current = 0;
    int t = 0;
    // Each step lands on a whole bin, so the iteration settles or cycles; a cycle ends it.
    for (int round = 0; round < 1000; ++round) {
        current = next;
        // The means lie within 0..255, and so does every step.
        t = std::clamp(static_cast<int>(current + 0.5), 0, 255);
        const double back = s.n[t], object = sh.total - back;
        const double meanBack = back == 0 ? 0.0 : s.s1[t] / back;
        const double meanObject = object == 0 ? 0.0 : (s.s1[255] - s.s1[t]) / object;
        const double step = (meanBack - meanObject) / (std::log(meanBack) - std::log(meanObject));
        next = step < -Epsilon ? static_cast<int>(step - 0.5) : static_cast<int>(step + 0.5);
        if (std::abs(next - current) <= 0.5)
            break;
    }
    return t;
}

// The entropy of a class's shares, each divided by the class's share.
template <typename Term> double classSum(const Bins &bins, int from, int to, Term term)
{
    double e = 0;
    for (int k = from; k <= to; ++k)
        if (bins[k] != 0)
            e += term(k);
    return e;
}

// Kapur, Sahoo and Wong's maximum entropy: the largest sum of the two classes' entropies.
std::optional<int> maxEntropy(const Bins &bins, const Shares &sh)
{
    const Table &p = sh.p, &P1 = sh.below, &P2 = sh.above;
    return firstBest(sh.lowestTried(), sh.highestTried(), 0.0, true,
                     [&](int t) {
                         const double back = -classSum(bins, 0, t, [&](int k) {
                             return p[k] / P1[t] * std::log(p[k] / P1[t]);
                         });
                         const double object = -classSum(bins, t + 1, 255, [&](int k) {
                             return p[k] / P2[t] * std::log(p[k] / P2[t]);
                         });
                         return back + object;
                     })
        .value_or(-1);
}

// Kittler and Illingworth's minimum error, iterated from the mean as Glasbey gives it: each
// round fits a normal class either side of t and moves t to where the two weighted densities
// cross, rounded down, until it stays. Where the crossing would be imaginary it keeps t.
std::optional<int> minError(const Bins &bins)
{
    const Sums s(bins);
    const double n = s.n[255], m1 = s.s1[255], m2 = s.s2[255];
    int t = static_cast<int>(std::floor(m1 / n)), previous = -2;
    for (int round = 0; t != previous; ++round) {
        if (t < 0 || t > 255 || round == 10000)
            return std::nullopt;
        const double a = s.n[t], b = s.s1[t], c = s.s2[t];
        const double mu = b / a, nu = (m1 - b) / (n - a);
        const double p = a / n, q = (n - a) / n;
        const double sigma2 = c / a - mu * mu, tau2 = (m2 - c) / (n - a) - nu * nu;
        const double w0 = 1.0 / sigma2 - 1.0 / tau2;
        const double w1 = mu / sigma2 - nu / tau2;
        const double w2 =
            mu * mu / sigma2 - nu * nu / tau2 + std::log10((sigma2 * (q * q)) / (tau2 * (p * p)));
        const double root = w1 * w1 - w0 * w2;
        if (root < 0)
            break;
        previous = t;
        const double crossing = (w1 + std::sqrt(root)) / w0;
        if (!std::isnan(crossing))
            t = static_cast<int>(std::floor(crossing));
    }
    return t;
}

// Tsai's moment-preserving threshold: the share p0 of the darker of the two values whose first
// three moments are the histogram's, then the first t whose running share exceeds it.
std::optional<int> moments(const Shares &sh)
{
    double m1 = 0, m2 = 0, m3 = 0;
    for (int k = 0; k < 256; ++k) {
        const double v = k;
        m1 += v * sh.p[k];
        m2 += v * v * sh.p[k];
        m3 += v * v * v * sh.p[k];
    }
    const double cd = m2 - m1 * m1;
    const double c0 = (-m2 * m2 + m1 * m3) / cd, c1 = (-m3 + m2 * m1) / cd;
    const double z0 = 0.5 * (-c1 - std::sqrt(c1 * c1 - 4.0 * c0));
    const double z1 = 0.5 * (-c1 + std::sqrt(c1 * c1 - 4.0 * c0));
    const double p0 = (z1 - m1) / (z1 - z0);
    double running = 0;
    for (int k = 0; k < 256; ++k) {
        running += sh.p[k];
        if (running > p0)
            return k;
    }
    return 0;
}

// Otsu's largest between-class variance, over t = 1..254; the last of equals.
std::optional<int> otsu(const Bins &bins)
{
    double n = 0, sum = 0;
    for (int k = 0; k < 256; ++k) {
        n += bins[k];
        sum += double(k) * bins[k];
    }
    double sk = 0, n1 = bins[0], top = 0;
    int at = 0;
    for (int k = 1; k < 255; ++k) {
        sk += double(k) * bins[k];
        n1 += bins[k];
        const double denominator = n1 * (n - n1);
        double between = 0;
        if (denominator != 0) {
            const double numerator = n1 / n * sum - sk;
            between = numerator * numerator / denominator;
        }
        if (between >= top) {
            top = between;
            at = k;
        }
    }
    return at;
}

// Doyle's p-tile: the first t whose running share lies nearest one half.
std::optional<int> percentile(const Bins &bins, const Shares &sh)
{
    const Sums s(bins);
    return firstBest(0, 255, 1.0, false, [&](int t) { return std::abs(s.n[t] / sh.total - 0.5); });
}

// The t of largest Rényi entropy of order `order` (1/2 or 2), from 0 where none is positive.
int renyiOrder(const Shares &sh, double order)
{
    const Table &p = sh.p, &P1 = sh.below, &P2 = sh.above;
    const double term = 1.0 / (1.0 - order);
    return firstBest(sh.lowestTried(), sh.highestTried(), 0.0, true,
                     [&](int t) {
                         double back = 0, object = 0;
                         for (int k = 0; k <= t; ++k)
                             back += order == 2 ? p[k] * p[k] / (P1[t] * P1[t])
                                                : std::sqrt(p[k] / P1[t]);
                         for (int k = t + 1; k < 256; ++k)
                             object += order == 2 ? p[k] * p[k] / (P2[t] * P2[t])
                                                  : std::sqrt(p[k] / P2[t]);
                         const double product = back * object;
                         return term * (product > 0.0 ? std::log(product) : 0.0);
                     })
        .value_or(0);
}

// Sahoo, Wilkins and Yeager: the thresholds of Rényi orders 1/2, 1 and 2, sorted t1 <= t2 <= t3,
// weighed as their paper gives it with w = P(t3) - P(t1), and rounded down:
//   t = t1 (P(t1) + w b1 / 4) + t2 w b2 / 4 + t3 (1 - P(t3) + w b3 / 4),
// (b1, b2, b3) = (0, 1, 3) when only t1 and t2 lie within 5 of each other, (3, 1, 0) when only
// t2 and t3 do, and (1, 2, 1) otherwise.
std::optional<int> renyiEntropy(const Bins &bins, const Shares &sh)
{
    std::array<int, 3> t{renyiOrder(sh, 0.5), maxEntropy(bins, sh).value_or(-1), renyiOrder(sh, 2)};
    std::sort(t.begin(), t.end());
    const bool near12 = std::abs(t[0] - t[1]) <= 5, near23 = std::abs(t[1] - t[2]) <= 5;
    const std::array<double, 3> b = near12 && !near23   ? std::array{0.0, 1.0, 3.0}
                                    : !near12 && near23 ? std::array{3.0, 1.0, 0.0}
                                                        : std::array{1.0, 2.0, 1.0};
    const auto P1 = [&](int k) {
        return k < 0 ? 0.0 : sh.below[k];
    };
    const auto P2 = [&](int k) {
        return k < 0 ? 1.0 : sh.above[k];
    };
    const double w = P1(t[2]) - P1(t[0]);
    return static_cast<int>(t[0] * (P1(t[0]) + 0.25 * w * b[0]) + 0.25 * t[1] * w * b[1] +
                            t[2] * (P2(t[2]) + 0.25 * w * b[2]));
}

// Shanbhag's information measure: a block's membership of its class grows with the share of
// blocks between it and the threshold; the first t at which both classes carry the most nearly
// equal information. Bin 0's own blocks carry none.
std::optional<int> shanbhag(const Shares &sh)
{
    const Table &p = sh.p, &P1 = sh.below, &P2 = sh.above;
    return firstBest(sh.lowestTried(), sh.highestTried(), std::numeric_limits<double>::max(), false,
                     [&](int t) {
                         double back = 0, object = 0;
                         double term = 0.5 / P1[t];
                         for (int k = 1; k <= t; ++k)
                             back -= p[k] * std::log(1.0 - term * P1[k - 1]);
                         back *= term;
                         term = 0.5 / P2[t];
                         for (int k = t + 1; k < 256; ++k)
                             object -= p[k] * std::log(1.0 - term * P2[k]);
                         object *= term;
                         return std::abs(back - object);
                     });
}

// Zack's triangle: the line from the highest bin (the first of equals) to the empty bin past the
// values on its longer side (the lower side where both are as long); the bin farthest below
// that line, then one bin back towards the empty end. Worked on the histogram mirrored when the
// longer side is the upper one.
std::optional<int> triangle(const Bins &bins, const Shares &sh)
{
    int low = sh.first, high = sh.last;
    if (low > 0)
        --low;
    if (high < 255)
        ++high;
    int peak = 0;
    for (int k = 0; k < 256; ++k)
        if (bins[k] > bins[peak])
            peak = k;
    const bool flipped = peak - low < high - peak;
    const auto at = [&](int k) {
        return double(bins[flipped ? 255 - k : k]);
    };
    if (flipped) {
        low = 255 - high;
        peak = 255 - peak;
    }
    if (low == peak)
        return flipped ? 255 - low : low;
    double nx = at(peak), ny = low - peak;
    const double length = std::sqrt(nx * nx + ny * ny);
    nx /= length;
    ny /= length;
    const double d = nx * low + ny * at(low);
    int split = low;
    double farthest = 0;
    for (int k = low + 1; k <= peak; ++k) {
        const double distance = nx * k + ny * at(k) - d;
        if (distance > farthest) {
            split = k;
            farthest = distance;
        }
    }
    --split;
    return flipped ? 255 - split : split;
}

// Yen's maximum correlation: the first t of largest
// -ln(sum of p^2 below * sum of p^2 above) + 2 ln(P (1 - P)).
std::optional<int> yen(const Shares &sh)
{
    Table below{}, above{};
    double running = 0;
    for (int k = 0; k < 256; ++k) {
        running += sh.p[k] * sh.p[k];
        below[k] = running;
    }
    running = 0;
    for (int k = 254; k >= 0; --k) {
        running += sh.p[k + 1] * sh.p[k + 1];
        above[k] = running;
    }
    return firstBest(0, 255, std::numeric_limits<double>::denorm_min(), true,
                     [&](int t) {
                         const double product = below[t] * above[t];
                         const double split = sh.below[t] * (1.0 - sh.below[t]);
                         return -1.0 * (product > 0.0 ? std::log(product) : 0.0) +
                                2 * (split > 0.0 ? std::log(split) : 0.0);
                     })
        .value_or(-1);
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
    if (std::count_if(bins.begin(), bins.end(), [](auto n) { return n > 0; }) < 2)
        return std::nullopt;
    const Shares sh(bins);
    const auto answer = [&]() -> std::optional<int> {
        switch (method) {
        case Method::Default:
            return isoDataDefault(bins);
        case Method::Huang:
            return huang(bins, sh);
        case Method::Intermodes:
            return intermodes(bins, sh);
        case Method::IsoData:
            return isoData(bins);
        case Method::Li:
            return li(bins, sh);
        case Method::MaxEntropy:
            return maxEntropy(bins, sh);
        case Method::Mean:
            return static_cast<int>(std::floor(Sums(bins).s1[255] / sh.total));
        case Method::MinError:
            return minError(bins);
        case Method::Minimum:
            return minimum(bins, sh);
        case Method::Moments:
            return moments(sh);
        case Method::Otsu:
            return otsu(bins);
        case Method::Percentile:
            return percentile(bins, sh);
        case Method::RenyiEntropy:
            return renyiEntropy(bins, sh);
        case Method::Shanbhag:
            return shanbhag(sh);
        case Method::Triangle:
            return triangle(bins, sh);
        case Method::Yen:
            return yen(sh);
        }
        return std::nullopt;
    }();
    // A search that found nothing answers 0.
    return answer ? std::optional(std::clamp(*answer == -1 ? 0 : *answer, 0, 255)) : answer;
}

} // namespace histogram
