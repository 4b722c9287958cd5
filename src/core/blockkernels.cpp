#include "core/blockkernels.h"

#include <algorithm>
#include <cstring>
#include <vector>

#if defined(__SSE2__) && !defined(TINTARA_PORTABLE_SCAN)
#include <emmintrin.h>
#endif

namespace scan::kernels {

#if defined(__SSE2__) && !defined(TINTARA_PORTABLE_SCAN)

namespace {

__m128i load(const void *p)
{
    return _mm_loadu_si128(static_cast<const __m128i *>(p));
}

// Lanes 0..n-1 of four 32-bit lanes set, for the last 1 to 3 pixels of a block.
__m128i firstLanes(int n)
{
    alignas(16) static const std::uint32_t masks[4][4] = {
        {0, 0, 0, 0}, {~0u, 0, 0, 0}, {~0u, ~0u, 0, 0}, {~0u, ~0u, ~0u, 0}};
    return _mm_load_si128(reinterpret_cast<const __m128i *>(masks[n]));
}

// Runs `op` down `rows` rows over 64 bytes at a time, the partial results held in registers,
// so that each output byte is stored once.
template <class Op>
void down(const std::uint8_t *first, std::ptrdiff_t stride, int rows, int bytes, std::uint8_t *out,
          Op op)
{
    int i = 0;
    for (; i + 64 <= bytes; i += 64) {
        __m128i a = load(first + i), b = load(first + i + 16), c = load(first + i + 32),
                d = load(first + i + 48);
        for (int k = 1; k < rows; ++k) {
            const std::uint8_t *row = first + k * stride + i;
            a = op(a, load(row)), b = op(b, load(row + 16)), c = op(c, load(row + 32)),
            d = op(d, load(row + 48));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i), a);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i + 16), b);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i + 32), c);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i + 48), d);
    }
    for (; i < bytes; i += 4) { // a pixel at a time
        std::uint32_t word;
        std::memcpy(&word, first + i, 4);
        __m128i m = _mm_cvtsi32_si128(static_cast<int>(word));
        for (int k = 1; k < rows; ++k) {
            std::memcpy(&word, first + k * stride + i, 4);
            m = op(m, _mm_cvtsi32_si128(static_cast<int>(word)));
        }
        word = static_cast<std::uint32_t>(_mm_cvtsi128_si32(m));
        std::memcpy(out + i, &word, 4);
    }
}

} // namespace

void columnMax(const std::uint8_t *first, std::ptrdiff_t stride, int rows, int bytes,
               std::uint8_t *out)
{
    down(first, stride, rows, bytes, out, [](__m128i x, __m128i y) { return _mm_max_epu8(x, y); });
}

void columnMin(const std::uint8_t *first, std::ptrdiff_t stride, int rows, int bytes,
               std::uint8_t *out)
{
    down(first, stride, rows, bytes, out, [](__m128i x, __m128i y) { return _mm_min_epu8(x, y); });
}

void columnMaxMin(const std::uint8_t *first, std::ptrdiff_t stride, int rows, int bytes,
                  std::uint8_t *max, std::uint8_t *min)
{
    int i = 0;
    for (; i + 32 <= bytes; i += 32) {
        __m128i hiA = load(first + i), hiB = load(first + i + 16);
        __m128i loA = hiA, loB = hiB;
        for (int k = 1; k < rows; ++k) {
            const std::uint8_t *row = first + k * stride + i;
            const __m128i a = load(row), b = load(row + 16);
            hiA = _mm_max_epu8(hiA, a), hiB = _mm_max_epu8(hiB, b);
            loA = _mm_min_epu8(loA, a), loB = _mm_min_epu8(loB, b);
        }
        _mm_storeu_si128(reinterpret_cast<__m128i *>(max + i), hiA);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(max + i + 16), hiB);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(min + i), loA);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(min + i + 16), loB);
    }
    if (i < bytes) {
        columnMax(first + i, stride, rows, bytes - i, max + i);
        columnMin(first + i, stride, rows, bytes - i, min + i);
    }
}

void columnSum(const std::uint8_t *first, std::ptrdiff_t stride, int rows, int bytes,
               std::uint16_t *out)
{
    const __m128i zero = _mm_setzero_si128();
    int i = 0;
    for (; i + 32 <= bytes; i += 32) {
        __m128i a = zero, b = zero, c = zero, d = zero;
        for (int k = 0; k < rows; ++k) {
            const std::uint8_t *row = first + k * stride + i;
            const __m128i lo = load(row), hi = load(row + 16);
            a = _mm_add_epi16(a, _mm_unpacklo_epi8(lo, zero));
            b = _mm_add_epi16(b, _mm_unpackhi_epi8(lo, zero));
            c = _mm_add_epi16(c, _mm_unpacklo_epi8(hi, zero));
            d = _mm_add_epi16(d, _mm_unpackhi_epi8(hi, zero));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i), a);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i + 8), b);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i + 16), c);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i + 24), d);
    }
    for (; i < bytes; ++i) {
        std::uint16_t sum = 0;
        for (int k = 0; k < rows; ++k)
            sum = static_cast<std::uint16_t>(sum + first[k * stride + i]);
        out[i] = sum;
    }
}

namespace {

// Combines each block's pixels with `op`, four at a time; the last 1 to 3 pixels of a block
// are read with the lanes past them set to `neutral`, which `op` leaves alone.
template <class Op>
void across(const std::uint8_t *reduced, int rx, int span, int nx, std::uint32_t *out,
            __m128i neutral, Op op)
{
    const int whole = span / 4 * 4;
    const __m128i keep = firstLanes(span - whole);
    const __m128i fill = _mm_andnot_si128(keep, neutral);
    for (int b = 0; b < nx; ++b, reduced += 4 * rx) {
        __m128i m = _mm_or_si128(_mm_and_si128(load(reduced + 4 * whole), keep), fill);
        for (int k = 0; k < whole; k += 4)
            m = op(m, load(reduced + 4 * k));
        m = op(m, _mm_srli_si128(m, 8));
        m = op(m, _mm_srli_si128(m, 4));
        out[b] = static_cast<std::uint32_t>(_mm_cvtsi128_si32(m));
    }
}

} // namespace

void blocksMax(const std::uint8_t *reduced, int rx, int span, int nx, std::uint32_t *out)
{
    across(reduced, rx, span, nx, out, _mm_setzero_si128(),
           [](__m128i x, __m128i y) { return _mm_max_epu8(x, y); });
}

void blocksMin(const std::uint8_t *reduced, int rx, int span, int nx, std::uint32_t *out)
{
    across(reduced, rx, span, nx, out, _mm_set1_epi8(-1),
           [](__m128i x, __m128i y) { return _mm_min_epu8(x, y); });
}

void blocksSpread(const std::uint8_t *max, const std::uint8_t *min, int rx, int span, int nx,
                  std::uint32_t *out)
{
    const int whole = span / 4 * 4;
    const __m128i keep = firstLanes(span - whole);
    const __m128i ones = _mm_andnot_si128(keep, _mm_set1_epi8(-1));
    for (int b = 0; b < nx; ++b, max += 4 * rx, min += 4 * rx) {
        __m128i hi = _mm_and_si128(load(max + 4 * whole), keep);
        __m128i lo = _mm_or_si128(_mm_and_si128(load(min + 4 * whole), keep), ones);
        for (int k = 0; k < whole; k += 4) {
            hi = _mm_max_epu8(hi, load(max + 4 * k));
            lo = _mm_min_epu8(lo, load(min + 4 * k));
        }
        hi = _mm_max_epu8(hi, _mm_srli_si128(hi, 8));
        lo = _mm_min_epu8(lo, _mm_srli_si128(lo, 8));
        hi = _mm_max_epu8(hi, _mm_srli_si128(hi, 4));
        lo = _mm_min_epu8(lo, _mm_srli_si128(lo, 4));
        out[b] = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_subs_epu8(hi, lo)));
    }
}

void blocksSum(const std::uint16_t *reduced, int rx, int span, int nx, std::uint32_t *out)
{
    const __m128i zero = _mm_setzero_si128();
    for (int b = 0; b < nx; ++b, reduced += 4 * rx, out += 4) {
        __m128i acc = zero;
        int k = 0;
        for (; k + 2 <= span; k += 2) {
            const __m128i v = load(reduced + 4 * k);
            acc = _mm_add_epi32(
                acc, _mm_add_epi32(_mm_unpacklo_epi16(v, zero), _mm_unpackhi_epi16(v, zero)));
        }
        if (k < span) {
            const __m128i v = _mm_loadl_epi64(reinterpret_cast<const __m128i *>(reduced + 4 * k));
            acc = _mm_add_epi32(acc, _mm_unpacklo_epi16(v, zero));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out), acc);
    }
}

#else

void columnMax(const std::uint8_t *first, std::ptrdiff_t stride, int rows, int bytes,
               std::uint8_t *out)
{
    std::memcpy(out, first, static_cast<std::size_t>(bytes));
    for (int k = 1; k < rows; ++k)
        for (int i = 0; i < bytes; ++i)
            out[i] = std::max(out[i], first[k * stride + i]);
}

void columnMin(const std::uint8_t *first, std::ptrdiff_t stride, int rows, int bytes,
               std::uint8_t *out)
{
    std::memcpy(out, first, static_cast<std::size_t>(bytes));
    for (int k = 1; k < rows; ++k)
        for (int i = 0; i < bytes; ++i)
            out[i] = std::min(out[i], first[k * stride + i]);
}

void columnSum(const std::uint8_t *first, std::ptrdiff_t stride, int rows, int bytes,
               std::uint16_t *out)
{
    for (int i = 0; i < bytes; ++i)
        out[i] = first[i];
    for (int k = 1; k < rows; ++k)
        for (int i = 0; i < bytes; ++i)
            out[i] = static_cast<std::uint16_t>(out[i] + first[k * stride + i]);
}

void blocksMax(const std::uint8_t *reduced, int rx, int span, int nx, std::uint32_t *out)
{
    for (int b = 0; b < nx; ++b, reduced += 4 * rx) {
        std::uint8_t m[4] = {0, 0, 0, 0};
        for (int k = 0; k < 4 * span; ++k)
            m[k % 4] = std::max(m[k % 4], reduced[k]);
        std::memcpy(&out[b], m, 4);
    }
}

void blocksMin(const std::uint8_t *reduced, int rx, int span, int nx, std::uint32_t *out)
{
    for (int b = 0; b < nx; ++b, reduced += 4 * rx) {
        std::uint8_t m[4] = {255, 255, 255, 255};
        for (int k = 0; k < 4 * span; ++k)
            m[k % 4] = std::min(m[k % 4], reduced[k]);
        std::memcpy(&out[b], m, 4);
    }
}

void blocksSum(const std::uint16_t *reduced, int rx, int span, int nx, std::uint32_t *out)
{
    for (int b = 0; b < nx; ++b, reduced += 4 * rx, out += 4) {
        out[0] = out[1] = out[2] = out[3] = 0;
        for (int k = 0; k < 4 * span; ++k)
            out[k % 4] += reduced[k];
    }
}

#endif

#if !defined(__SSE2__) || defined(TINTARA_PORTABLE_SCAN)

void columnMaxMin(const std::uint8_t *first, std::ptrdiff_t stride, int rows, int bytes,
                  std::uint8_t *max, std::uint8_t *min)
{
    columnMax(first, stride, rows, bytes, max);
    columnMin(first, stride, rows, bytes, min);
}

void blocksSpread(const std::uint8_t *max, const std::uint8_t *min, int rx, int span, int nx,
                  std::uint32_t *out)
{
    std::vector<std::uint32_t> low(static_cast<std::size_t>(nx));
    blocksMax(max, rx, span, nx, out);
    blocksMin(min, rx, span, nx, low.data());
    // Each byte of a maximum is at least the minimum's: no borrow crosses a byte.
    for (int b = 0; b < nx; ++b)
        out[b] -= low[static_cast<std::size_t>(b)];
}

#endif

} // namespace scan::kernels
