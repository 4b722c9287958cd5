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

} // namespace histogram
