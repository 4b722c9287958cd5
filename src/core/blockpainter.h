#pragma once

#include "core/channelscan.h"
#include "core/colour.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace scan {

// Turns the block values of one block row into the three planes' colours: channel
// intensities in RGB mode, band markers in threshold mode.
class BlockPainter {
public:
    // `table` keeps the rounded averages from one scan to the next: it is filled only when the
    // number of samples per block changes.
    BlockPainter(const ScanParams &p, ScanPlanes &out, std::size_t blocks,
                 std::vector<std::uint8_t> &table);

    // Whole-number values, one packed pixel (R, G, B, x bytes) per block.
    void values(std::size_t at, const std::uint32_t *packed, int count) const;
    // Sums over rx * ry samples for the average, four lanes (R, G, B, x) per block. They are
    // compared and rounded in whole numbers, so the band test sees the unrounded average.
    void sums(std::size_t at, const std::uint32_t *lanes, int count) const;

private:
    struct Bounds {
        std::int32_t low, high; // inside when low < v <= high
    };
    void one(std::size_t at, std::uint32_t r, std::uint32_t g, std::uint32_t b,
             const Bounds (&bounds)[3]) const;
    // Sums block by block, where no vector of four is left.
    void oneByOne(std::size_t at, const std::uint32_t *lanes, int count) const;
    std::uint32_t rounded(std::uint32_t sum) const;
    std::uint32_t divided(std::uint32_t sum) const;

    bool threshold_;
    std::uint32_t samples_;
    // Each channel's plane and marker, red, green and blue, as the packed lanes hold them.
    core::Colour *planes_[3];
    Bounds bands_[3], sumBands_[3];
    const std::uint8_t *rounded_ = nullptr; // every possible sum, rounded, when that pays
    std::uint64_t reciprocal_;
    core::Colour outside_, marker_[3];
};

} // namespace scan
