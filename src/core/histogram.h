#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace histogram {

using Bins = std::array<std::uint32_t, 256>;

// Bin k counts the block values v with k - 1 < v <= k, so the blocks that a threshold band
// (lo, hi] marks are exactly those of bins lo + 1 to hi. Values are clamped to 0..255.
Bins ofValues(std::span<const double> values);

} // namespace histogram
