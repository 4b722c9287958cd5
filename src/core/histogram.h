#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace histogram {

using Bins = std::array<std::uint32_t, 256>;

// Bin k counts the block values v with k - 1 < v <= k, so the blocks that a threshold band
// (lo, hi] marks are exactly those of bins lo + 1 to hi. Values are clamped to 0..255.
Bins ofValues(std::span<const double> values);

// Otsu's threshold: the t that best separates bins 0..t from bins t + 1..255, by the largest
// variance between the two classes. Where several t separate equally well (an empty stretch
// between two groups), the middle one. None for fewer than two distinct values.
std::optional<int> otsu(const Bins &bins);

// The triangle threshold: on the longer side of the highest bin, the bin farthest below the
// line from the top of that bin to the first empty bin past the histogram's end. Suits one
// large peak with a long tail. None for fewer than two distinct values.
std::optional<int> triangle(const Bins &bins);

} // namespace histogram
