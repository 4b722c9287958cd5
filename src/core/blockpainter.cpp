#include "core/blockpainter.h"

#include "core/measurements.h"

#include <algorithm>
#include <limits>

#if defined(__SSE2__) && !defined(TINTARA_PORTABLE_SCAN)
#include <emmintrin.h>
#endif

namespace scan {

namespace {

// lo < s / n <= hi as lo * n < s <= hi * n. Sums stay below 2^24, so bounds outside the
// 32-bit range mean the same as the range's ends.
std::int32_t scaled(int bound, std::uint32_t n)
{
    const std::int64_t v = std::int64_t{bound} * n;
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(v, -1, std::numeric_limits<std::int32_t>::max()));
}

} // namespace

BlockPainter::BlockPainter(const ScanParams &p, ScanPlanes &out, std::size_t blocks,
                           std::vector<std::uint8_t> &table)
    : threshold_(p.threshold)
    , samples_(static_cast<std::uint32_t>(p.spanX() * p.spanY()))
    // Sums stay below 2^24 and the count below 2^16, where a 40-bit reciprocal is exact.
    , reciprocal_((std::uint64_t{1} << 40) / samples_ + 1)
    , outside_(unmarkedColour())
{
    for (const Channel c : Channels) {
        const std::size_t i = std::size_t(c);
        planes_[i] = out.planes[c].data();
        bands_[i] = {scaled(p.bands[c].lo, 1), scaled(p.bands[c].hi, 1)};
        sumBands_[i] = {scaled(p.bands[c].lo, samples_), scaled(p.bands[c].hi, samples_)};
        marker_[i] = markerColour(c);
    }
    // Rounding every possible sum up front pays when there are more blocks than sums.
    const std::uint32_t sums = samples_ * 255 + 1;
    if (!threshold_ && sums <= 3 * blocks) {
        // The table's length tells the count it was made for: sums = samples * 255 + 1.
        if (table.size() != sums) {
            table.resize(sums);
            for (std::uint32_t s = 0; s < sums; ++s)
                table[s] = static_cast<std::uint8_t>(divided(s));
        }
        rounded_ = table.data();
    }
}

// The average rounded to the nearest whole number, ties to the even one.
std::uint32_t BlockPainter::rounded(std::uint32_t sum) const
{
    return rounded_ ? rounded_[sum] : divided(sum);
}

std::uint32_t BlockPainter::divided(std::uint32_t sum) const
{
    auto q = static_cast<std::uint32_t>((sum * reciprocal_) >> 40);
    const std::uint32_t twice = 2 * (sum - q * samples_);
    if (twice > samples_ || (twice == samples_ && (q & 1u)))
        ++q;
    return q;
}

void BlockPainter::one(std::size_t at, std::uint32_t r, std::uint32_t g, std::uint32_t b,
                       const Bounds (&bounds)[3]) const
{
    const auto in = [](const Bounds &band, std::uint32_t v) {
        const auto s = static_cast<std::int32_t>(v);
        return band.low < s && s <= band.high;
    };
    if (!threshold_) {
        planes_[0][at] = static_cast<core::Colour>(r);
        planes_[1][at] = static_cast<core::Colour>(g << 8);
        planes_[2][at] = static_cast<core::Colour>(b << 16);
        return;
    }
    planes_[1][at] = in(bounds[1], g) ? marker_[1] : outside_;
    planes_[0][at] = in(bounds[0], r) ? marker_[0] : outside_;
    planes_[2][at] = in(bounds[2], b) ? marker_[2] : outside_;
}

#if defined(__SSE2__) && !defined(TINTARA_PORTABLE_SCAN)

namespace {

__m128i pick(__m128i v, std::int32_t low, std::int32_t high, std::int32_t in, std::int32_t out)
{
    // Whether a block lands inside its band follows the picture, which no branch predictor
    // can guess: both comparisons and the choice run on four blocks at once.
    const __m128i inside = _mm_andnot_si128(_mm_cmpgt_epi32(v, _mm_set1_epi32(high)),
                                            _mm_cmpgt_epi32(v, _mm_set1_epi32(low)));
    return _mm_or_si128(_mm_and_si128(inside, _mm_set1_epi32(in)),
                        _mm_andnot_si128(inside, _mm_set1_epi32(out)));
}

void store(core::Colour *to, __m128i v)
{
    _mm_storeu_si128(reinterpret_cast<__m128i *>(to), v);
}

} // namespace

void BlockPainter::values(std::size_t at, const std::uint32_t *packed, int count) const
{
    const __m128i byte = _mm_set1_epi32(0xFF);
    int b = 0;
    for (; b + 4 <= count; b += 4, at += 4) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(packed + b));
        const __m128i r = _mm_and_si128(v, byte);
        const __m128i g = _mm_and_si128(_mm_srli_epi32(v, 8), byte);
        const __m128i bl = _mm_and_si128(_mm_srli_epi32(v, 16), byte);
        if (!threshold_) {
            store(planes_[0] + at, r);
            store(planes_[1] + at, _mm_slli_epi32(g, 8));
            store(planes_[2] + at, _mm_slli_epi32(bl, 16));
        } else {
            store(planes_[1] + at, pick(g, bands_[1].low, bands_[1].high, marker_[1], outside_));
            store(planes_[0] + at, pick(r, bands_[0].low, bands_[0].high, marker_[0], outside_));
            store(planes_[2] + at, pick(bl, bands_[2].low, bands_[2].high, marker_[2], outside_));
        }
    }
    for (; b < count; ++b, ++at)
        one(at, packed[b] & 0xFFu, (packed[b] >> 8) & 0xFFu, (packed[b] >> 16) & 0xFFu, bands_);
}

void BlockPainter::sums(std::size_t at, const std::uint32_t *lanes, int count) const
{
    int b = 0;
    if (!threshold_ && rounded_) {
        const std::uint8_t *table = rounded_;
        for (; b < count; ++b, ++at) {
            const std::uint32_t *s = lanes + 4 * b;
            planes_[0][at] = table[s[0]];
            planes_[1][at] = table[s[1]] << 8;
            planes_[2][at] = table[s[2]] << 16;
        }
        return;
    }
    if (threshold_) {
        for (; b + 4 <= count; b += 4, at += 4) {
            // Four blocks of (R, G, B, x) lanes, turned into one vector per channel.
            const auto *p = reinterpret_cast<const __m128 *>(lanes + 4 * b);
            __m128 r = _mm_loadu_ps(reinterpret_cast<const float *>(p)),
                   g = _mm_loadu_ps(reinterpret_cast<const float *>(p + 1)),
                   bl = _mm_loadu_ps(reinterpret_cast<const float *>(p + 2)),
                   x = _mm_loadu_ps(reinterpret_cast<const float *>(p + 3));
            _MM_TRANSPOSE4_PS(r, g, bl, x);
            store(planes_[1] + at, pick(_mm_castps_si128(g), sumBands_[1].low, sumBands_[1].high,
                                        marker_[1], outside_));
            store(planes_[0] + at, pick(_mm_castps_si128(r), sumBands_[0].low, sumBands_[0].high,
                                        marker_[0], outside_));
            store(planes_[2] + at, pick(_mm_castps_si128(bl), sumBands_[2].low, sumBands_[2].high,
                                        marker_[2], outside_));
        }
    }
    oneByOne(at, lanes + 4 * b, count - b);
}

#else

void BlockPainter::values(std::size_t at, const std::uint32_t *packed, int count) const
{
    for (int b = 0; b < count; ++b, ++at)
        one(at, packed[b] & 0xFFu, (packed[b] >> 8) & 0xFFu, (packed[b] >> 16) & 0xFFu, bands_);
}

void BlockPainter::sums(std::size_t at, const std::uint32_t *lanes, int count) const
{
    oneByOne(at, lanes, count);
}

#endif

void BlockPainter::oneByOne(std::size_t at, const std::uint32_t *lanes, int count) const
{
    for (int b = 0; b < count; ++b, ++at) {
        const std::uint32_t *s = lanes + 4 * b;
        if (threshold_)
            one(at, s[0], s[1], s[2], sumBands_);
        else
            one(at, rounded(s[0]), rounded(s[1]), rounded(s[2]), bands_);
    }
}

} // namespace scan
