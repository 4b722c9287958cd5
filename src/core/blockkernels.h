#pragma once

// The inner loops of the block scan. A block row is first reduced down its rows, column by
// column (one pass over every sample, written for the vectorizer), then each block's few
// columns are combined across (with SSE2 where the processor has it). Pixels are 4 bytes,
// R, G, B and one unused byte, as colour values lie in memory.

#include <cstddef>
#include <cstdint>

namespace scan::kernels {

// How far the across pass may read past a block row's last pixel.
inline constexpr int Slack = 16;

// Down pass: `rows` rows of `bytes` bytes, `stride` bytes apart, into one row.
void columnMax(const std::uint8_t *first, std::ptrdiff_t stride, int rows, int bytes,
               std::uint8_t *out);
void columnMin(const std::uint8_t *first, std::ptrdiff_t stride, int rows, int bytes,
               std::uint8_t *out);
// Maxima and minima together, reading each row once.
void columnMaxMin(const std::uint8_t *first, std::ptrdiff_t stride, int rows, int bytes,
                  std::uint8_t *max, std::uint8_t *min);
void columnSum(const std::uint8_t *first, std::ptrdiff_t stride, int rows, int bytes,
               std::uint16_t *out);

// Across pass over a reduced block row of `nx` blocks `rx` pixels apart, each `span` pixels
// wide: rx, or rx + 1 for overlapping blocks, whose last pixel is their right neighbour's
// first. Maxima and minima come out as one packed pixel per block (R, G, B, x bytes); sums as
// four lanes per block.
void blocksMax(const std::uint8_t *reduced, int rx, int span, int nx, std::uint32_t *out);
void blocksMin(const std::uint8_t *reduced, int rx, int span, int nx, std::uint32_t *out);
// Maximum minus minimum of each block, byte by byte, from reduced maxima and minima.
void blocksSpread(const std::uint8_t *max, const std::uint8_t *min, int rx, int span, int nx,
                  std::uint32_t *out);
void blocksSum(const std::uint16_t *reduced, int rx, int span, int nx, std::uint32_t *out);

} // namespace scan::kernels
