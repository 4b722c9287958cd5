#include "core/histogram.h"

#include <algorithm>
#include <cmath>

namespace histogram {

Bins ofValues(std::span<const double> values)
{
    Bins bins{};
    for (const double v : values) {
        const double c = std::ceil(std::clamp(v, 0.0, 255.0));
        ++bins[static_cast<std::size_t>(c)];
    }
    return bins;
}

namespace {

int distinctValues(const Bins &bins)
{
    return static_cast<int>(std::count_if(bins.begin(), bins.end(), [](auto n) { return n > 0; }));
}

} // namespace

std::optional<int> otsu(const Bins &bins)
{
    if (distinctValues(bins) < 2)
        return std::nullopt;
    double total = 0, sum = 0;
    for (int k = 0; k < 256; ++k) {
        total += bins[k];
        sum += double(k) * bins[k];
    }
    // Between-class variance, up to the constant 1 / total^2: n0 n1 (mean0 - mean1)^2.
    std::array<double, 256> between{};
    double n0 = 0, sum0 = 0, best = 0;
    for (int t = 0; t < 255; ++t) {
        n0 += bins[t];
        sum0 += double(t) * bins[t];
        const double n1 = total - n0;
        if (n0 == 0 || n1 == 0)
            continue;
        const double gap = sum0 / n0 - (sum - sum0) / n1;
        between[t] = n0 * n1 * gap * gap;
        best = std::max(best, between[t]);
    }
    // The stretch of equally good thresholds that holds the first best one.
    const double close = best * (1 - 1e-12);
    int first = 0;
    while (between[first] < close)
        ++first;
    int last = first;
    while (last + 1 < 255 && between[last + 1] >= close)
        ++last;
    return (first + last) / 2;
}

std::optional<int> triangle(const Bins &bins)
{
    if (distinctValues(bins) < 2)
        return std::nullopt;
    const int peak = static_cast<int>(std::max_element(bins.begin(), bins.end()) - bins.begin());
    int low = 0, high = 255;
    while (bins[low] == 0)
        ++low;
    while (bins[high] == 0)
        --high;
    // The line runs to the empty bin just past the longer side's last value.
    const bool right = high - peak >= peak - low;
    const int end = right ? high + 1 : low - 1;
    const double top = bins[peak];
    int best = peak;
    double farthest = -1;
    const int step = right ? 1 : -1;
    for (int k = peak + step; k != end; k += step) {
        const double line = top * double(end - k) / double(end - peak);
        const double below = line - bins[k];
        if (below > farthest) {
            farthest = below;
            best = k;
        }
    }
    return best;
}

} // namespace histogram
