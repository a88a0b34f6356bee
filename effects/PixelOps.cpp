#include "effects/PixelOps.h"

#include <algorithm>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

// Each colour channel times alpha / 256, truncated; the top byte becomes 0.
inline uint32_t scale(uint32_t s, uint32_t alpha)
{
    return ((((s & 0xff00ff) * alpha) >> 8) & 0xff00ff) | ((((s & 0xff00) * alpha) >> 8) & 0xff00);
}

template <bool Add>
inline uint32_t saturate(uint32_t d, uint32_t s)
{
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const int a = (d >> shift) & 0xff, b = (s >> shift) & 0xff;
        out |= uint32_t(Add ? std::min(a + b, 255) : std::max(a - b, 0)) << shift;
    }
    return out;
}

// Weights a + m = 255 over 256: even a transparent source darkens d a little.
inline uint32_t blendPixel(uint32_t s, uint32_t d, uint32_t alpha)
{
    const uint32_t a = ((s >> 24) * alpha) >> 8;
    const uint32_t m = 255 - a;
    return ((((s & 0xff00ff) * a + (d & 0xff00ff) * m) >> 8) & 0xff00ff) |
           ((((s & 0xff00) * a + (d & 0xff00) * m) >> 8) & 0xff00);
}

template <bool Add>
void addOrSubtractPortable(uint32_t* t, const uint32_t* s, size_t count, uint8_t alpha)
{
    for (size_t k = 0; k < count; ++k)
        t[k] = saturate<Add>(t[k], scale(s[k], alpha));
}

#ifdef __SSE2__
inline __m128i load(const uint32_t* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

inline void store(uint32_t* p, __m128i v)
{
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

// Reads s before it writes t, four pixels at a time, so a source that starts
// at or after the target in the same buffer reads pixels not yet written.
template <bool Add>
void addOrSubtractSse2(uint32_t* t, const uint32_t* s, size_t count, uint8_t alpha)
{
    // A byte b in the high half of a 16-bit lane times alpha leaves b * alpha
    // >> 8 in the high half of the product: scale() for every channel at once,
    // with the top byte's factor 0.
    const __m128i factor = _mm_set_epi16(0, alpha, alpha, alpha, 0, alpha, alpha, alpha);
    const __m128i zero = _mm_setzero_si128();
    const __m128i one = _mm_set1_epi8(1), colour = _mm_set1_epi32(0x00ffffff);
    const auto put = [&](size_t k, __m128i scaled) {
        const __m128i d = load(t + k);
        store(t + k, Add ? _mm_adds_epu8(d, scaled) : _mm_subs_epu8(d, scaled));
    };
    size_t k = 0;
    if (alpha == 255) {
        // The show's usual alpha: b * 255 >> 8 is b - 1 for every byte b > 0.
        for (; k + 4 <= count; k += 4)
            put(k, _mm_and_si128(_mm_subs_epu8(load(s + k), one), colour));
    }
    for (; k + 4 <= count; k += 4) {
        const __m128i src = load(s + k);
        const __m128i lo = _mm_mulhi_epu16(_mm_unpacklo_epi8(zero, src), factor);
        const __m128i hi = _mm_mulhi_epu16(_mm_unpackhi_epi8(zero, src), factor);
        put(k, _mm_packus_epi16(lo, hi));
    }
    addOrSubtractPortable<Add>(t + k, s + k, count - k, alpha);
}
#endif

} // namespace

void addScaledPortable(uint32_t* t, const uint32_t* s, size_t count, uint8_t alpha)
{
    addOrSubtractPortable<true>(t, s, count, alpha);
}

void subtractScaledPortable(uint32_t* t, const uint32_t* s, size_t count, uint8_t alpha)
{
    addOrSubtractPortable<false>(t, s, count, alpha);
}

void blendByAlphaPortable(uint32_t* t, const uint32_t* s, size_t count, uint8_t alpha)
{
    for (size_t k = 0; k < count; ++k)
        t[k] = blendPixel(s[k], t[k], alpha);
}

void fillPixelsPortable(uint32_t* p, size_t count, uint32_t colour)
{
    std::fill_n(p, count, colour);
}

void expandCellsPortable(uint32_t* p, const uint8_t* cells, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        p[i] = cells[i] ? 0xffffffu : 0u;
}

void lookupPackedPortable(uint32_t* dst, const uint16_t* packed, size_t count, const uint32_t* texture,
                          uint16_t offset, uint16_t mask, int shift)
{
    const uint32_t rowOffset = offset >> 8, colOffset = offset & 0xff;
    const uint32_t rowMask = mask >> 8, colMask = mask & 0xff;
    for (size_t k = 0; k < count; ++k) {
        const uint32_t row = ((packed[k] >> 8) + rowOffset) & rowMask;
        const uint32_t col = ((packed[k] & 0xff) + colOffset) & colMask;
        dst[k] = texture[(row << 8 >> shift) | col];
    }
}

void columnsToRowsPortable(uint32_t* rows, size_t rowStride, const uint32_t* columns, size_t columnStride,
                           size_t width, size_t height)
{
    for (size_t y = 0; y < height; ++y)
        for (size_t n = 0; n < width; ++n)
            rows[y * rowStride + n] = columns[n * columnStride + y];
}

void applyPassesPortable(uint32_t* t, size_t count, size_t offset, const SaturatingPass* passes, size_t n,
                         const uint32_t* fill)
{
    for (size_t k = 0; k < count; ++k) {
        uint32_t p = fill ? *fill : t[k];
        for (size_t i = 0; i < n; ++i) {
            const SaturatingPass& pass = passes[i];
            const uint32_t s = pass.grey ? pass.grey[offset + k] * 0x010101u : pass.words[offset + k];
            p = pass.subtract ? saturate<false>(p, scale(s, pass.alpha)) : saturate<true>(p, scale(s, pass.alpha));
        }
        t[k] = p;
    }
}

void darkenPixelsPortable(uint32_t* p, const uint8_t* amounts, size_t count)
{
    for (size_t k = 0; k < count; ++k)
        if (amounts[k] != 0)
            p[k] = saturate<false>(p[k], amounts[k] * 0x010101u) & 0xffffff;
}

#ifdef __SSE2__
namespace {

// Every byte b of v times factor's 16-bit lane over 256, truncated.
inline __m128i mulhiBytes(__m128i v, __m128i factor)
{
    const __m128i zero = _mm_setzero_si128();
    return _mm_packus_epi16(_mm_mulhi_epu16(_mm_unpacklo_epi8(zero, v), factor),
                            _mm_mulhi_epu16(_mm_unpackhi_epi8(zero, v), factor));
}

// scale() of four words.
inline __m128i scaleWords(__m128i v, uint8_t alpha)
{
    if (alpha == 255)
        return _mm_and_si128(_mm_subs_epu8(v, _mm_set1_epi8(1)), _mm_set1_epi32(0x00ffffff));
    return mulhiBytes(v, _mm_set_epi16(0, alpha, alpha, alpha, 0, alpha, alpha, alpha));
}

// The first W × 4 of sixteen grey bytes, scaled, as pixels 0x00gggggg.
template <int W>
inline void greyPixels(__m128i g, uint8_t alpha, __m128i (&out)[W])
{
    g = alpha == 255 ? _mm_subs_epu8(g, _mm_set1_epi8(1)) : mulhiBytes(g, _mm_set1_epi16(alpha));
    const __m128i colour = _mm_set1_epi32(0x00ffffff);
    const __m128i pairs[2] = {_mm_unpacklo_epi8(g, g), _mm_unpackhi_epi8(g, g)};
#pragma GCC unroll 4
    for (int j = 0; j < W; ++j) {
        const __m128i p = pairs[j / 2];
        out[j] = _mm_and_si128(j % 2 ? _mm_unpackhi_epi16(p, p) : _mm_unpacklo_epi16(p, p), colour);
    }
}

// applyPasses for W × 4 pixels, held in registers through every pass (the
// loops over j unrolled, so that v and s stay out of memory).
template <int W>
inline void passBlockSse2(uint32_t* t, size_t at, const SaturatingPass* passes, size_t n, const uint32_t* fill)
{
    __m128i v[W];
#pragma GCC unroll 4
    for (int j = 0; j < W; ++j)
        v[j] = fill ? _mm_set1_epi32(int32_t(*fill)) : load(t + 4 * j);
    for (size_t i = 0; i < n; ++i) {
        const SaturatingPass& p = passes[i];
        __m128i s[W];
        if (!p.grey) {
#pragma GCC unroll 4
            for (int j = 0; j < W; ++j)
                s[j] = scaleWords(load(p.words + at + 4 * j), p.alpha);
        } else if (W == 4) {
            greyPixels(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p.grey + at)), p.alpha, s);
        } else {
            int32_t four;
            std::memcpy(&four, p.grey + at, sizeof four);
            greyPixels(_mm_cvtsi32_si128(four), p.alpha, s);
        }
        if (p.subtract) {
#pragma GCC unroll 4
            for (int j = 0; j < W; ++j)
                v[j] = _mm_subs_epu8(v[j], s[j]);
        } else {
#pragma GCC unroll 4
            for (int j = 0; j < W; ++j)
                v[j] = _mm_adds_epu8(v[j], s[j]);
        }
    }
#pragma GCC unroll 4
    for (int j = 0; j < W; ++j)
        store(t + 4 * j, v[j]);
}

void applyPassesSse2(uint32_t* t, size_t count, size_t offset, const SaturatingPass* passes, size_t n,
                     const uint32_t* fill)
{
    size_t k = 0;
    for (; k + 16 <= count; k += 16)
        passBlockSse2<4>(t + k, offset + k, passes, n, fill);
    for (; k + 4 <= count; k += 4)
        passBlockSse2<1>(t + k, offset + k, passes, n, fill);
    applyPassesPortable(t + k, count - k, offset + k, passes, n, fill);
}

void darkenPixelsSse2(uint32_t* p, const uint8_t* amounts, size_t count)
{
    const __m128i colour = _mm_set1_epi32(0x00ffffff), zero = _mm_setzero_si128();
    size_t k = 0;
    for (; k + 4 <= count; k += 4) {
        int32_t four;
        std::memcpy(&four, amounts + k, sizeof four);
        const __m128i a = _mm_cvtsi32_si128(four), pairs = _mm_unpacklo_epi8(a, a);
        const __m128i by = _mm_and_si128(_mm_unpacklo_epi16(pairs, pairs), colour);
        // The top byte is kept where the amount is 0.
        const __m128i keep = _mm_or_si128(colour, _mm_cmpeq_epi32(by, zero));
        store(p + k, _mm_and_si128(_mm_subs_epu8(load(p + k), by), keep));
    }
    darkenPixelsPortable(p + k, amounts + k, count - k);
}

void columnsToRowsSse2(uint32_t* rows, size_t rowStride, const uint32_t* columns, size_t columnStride,
                       size_t width, size_t height)
{
    // Blocks of 4 x 4 turned in registers; the rest of the rows and columns one word at a time.
    const size_t blockWidth = width & ~size_t(3), blockHeight = height & ~size_t(3);
    for (size_t y = 0; y < blockHeight; y += 4)
        for (size_t n = 0; n < blockWidth; n += 4) {
            const uint32_t* c = columns + n * columnStride + y;
            const __m128i c0 = load(c), c1 = load(c + columnStride);
            const __m128i c2 = load(c + 2 * columnStride), c3 = load(c + 3 * columnStride);
            const __m128i t0 = _mm_unpacklo_epi32(c0, c1), t1 = _mm_unpackhi_epi32(c0, c1);
            const __m128i t2 = _mm_unpacklo_epi32(c2, c3), t3 = _mm_unpackhi_epi32(c2, c3);
            uint32_t* r = rows + y * rowStride + n;
            store(r, _mm_unpacklo_epi64(t0, t2));
            store(r + rowStride, _mm_unpackhi_epi64(t0, t2));
            store(r + 2 * rowStride, _mm_unpacklo_epi64(t1, t3));
            store(r + 3 * rowStride, _mm_unpackhi_epi64(t1, t3));
        }
    columnsToRowsPortable(rows + blockWidth, rowStride, columns + blockWidth * columnStride, columnStride,
                          width - blockWidth, height);
    columnsToRowsPortable(rows + blockHeight * rowStride, rowStride, columns + blockHeight, columnStride, blockWidth,
                          height - blockHeight);
}

void lookupPackedSse2(uint32_t* dst, const uint16_t* packed, size_t count, const uint32_t* texture,
                      uint16_t offset, uint16_t mask, int shift)
{
    // Eight indices at a time: a byte-wise add keeps the row and the column
    // from carrying into each other; the texel reads stay scalar.
    const __m128i add = _mm_set1_epi16(int16_t(offset));
    const __m128i rowMask = _mm_set1_epi16(int16_t(mask & 0xff00)), colMask = _mm_set1_epi16(int16_t(mask & 0xff));
    const __m128i count16 = _mm_cvtsi32_si128(shift);
    size_t k = 0;
    alignas(16) uint16_t index[8];
    for (; k + 8 <= count; k += 8) {
        const __m128i x = _mm_add_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(packed + k)), add);
        const __m128i i = _mm_or_si128(_mm_srl_epi16(_mm_and_si128(x, rowMask), count16), _mm_and_si128(x, colMask));
        _mm_store_si128(reinterpret_cast<__m128i*>(index), i);
        for (int j = 0; j < 8; ++j)
            dst[k + j] = texture[index[j]];
    }
    lookupPackedPortable(dst + k, packed + k, count - k, texture, offset, mask, shift);
}

void addScaledSse2(uint32_t* t, const uint32_t* s, size_t count, uint8_t alpha)
{
    addOrSubtractSse2<true>(t, s, count, alpha);
}

void subtractScaledSse2(uint32_t* t, const uint32_t* s, size_t count, uint8_t alpha)
{
    addOrSubtractSse2<false>(t, s, count, alpha);
}

void blendByAlphaSse2(uint32_t* t, const uint32_t* s, size_t count, uint8_t alpha)
{
    const __m128i colour = _mm_set1_epi32(0x00ffffff), one = _mm_set1_epi8(1);
    size_t k = 0;
    if (alpha == 0) {
        // Then a = 0 and m = 255 for every pixel, and d * 255 >> 8 is d - 1
        // for every channel byte d > 0: the source is not read at all.
        for (; k + 4 <= count; k += 4)
            store(t + k, _mm_and_si128(_mm_subs_epu8(load(t + k), one), colour));
    } else {
        // One channel per 16-bit lane. s * a + d * (255 - a) is
        // d * 255 + (s - d) * a, which lies in 0 ... 65025, so it comes out
        // exact even though the lanes wrap at 65536 on the way: one multiply
        // per channel instead of two.
        const __m128i zero = _mm_setzero_si128();
        const __m128i alpha32 = _mm_set1_epi32(alpha);
        for (; k + 4 <= count; k += 4) {
            const __m128i src = load(s + k), dst = load(t + k);
            // a = (source alpha × alpha) >> 8 for four pixels, then spread
            // over the four lanes of its pixel.
            const __m128i a = _mm_srli_epi32(_mm_mullo_epi16(_mm_srli_epi32(src, 24), alpha32), 8);
            if (_mm_movemask_epi8(_mm_cmpeq_epi32(a, zero)) == 0xffff) {
                // Four transparent pixels, as sprites have in runs: as for alpha 0.
                store(t + k, _mm_and_si128(_mm_subs_epu8(dst, one), colour));
                continue;
            }
            const __m128i aa = _mm_or_si128(a, _mm_slli_epi32(a, 16));
            const auto mix = [](__m128i sc, __m128i dc, __m128i weight) {
                const __m128i d255 = _mm_sub_epi16(_mm_slli_epi16(dc, 8), dc);
                return _mm_srli_epi16(_mm_add_epi16(d255, _mm_mullo_epi16(_mm_sub_epi16(sc, dc), weight)), 8);
            };
            const __m128i lo = mix(_mm_unpacklo_epi8(src, zero), _mm_unpacklo_epi8(dst, zero),
                                   _mm_unpacklo_epi32(aa, aa));
            const __m128i hi = mix(_mm_unpackhi_epi8(src, zero), _mm_unpackhi_epi8(dst, zero),
                                   _mm_unpackhi_epi32(aa, aa));
            store(t + k, _mm_and_si128(_mm_packus_epi16(lo, hi), colour));
        }
    }
    blendByAlphaPortable(t + k, s + k, count - k, alpha);
}

void fillPixelsSse2(uint32_t* p, size_t count, uint32_t colour)
{
    const __m128i v = _mm_set1_epi32(int32_t(colour));
    size_t i = 0;
    for (; i + 16 <= count; i += 16) {
        store(p + i, v);
        store(p + i + 4, v);
        store(p + i + 8, v);
        store(p + i + 12, v);
    }
    for (; i + 4 <= count; i += 4)
        store(p + i, v);
    fillPixelsPortable(p + i, count - i, colour);
}

void expandCellsSse2(uint32_t* p, const uint8_t* cells, size_t count)
{
    // Sixteen cells at a time: each live byte widens to an all-ones word.
    const __m128i zero = _mm_setzero_si128(), white = _mm_set1_epi32(0xffffff);
    size_t i = 0;
    for (; i + 16 <= count; i += 16) {
        const __m128i dead = _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(cells + i)), zero);
        const __m128i halves[2] = {_mm_unpacklo_epi8(dead, dead), _mm_unpackhi_epi8(dead, dead)};
        for (int h = 0; h < 2; ++h) {
            store(p + i + 8 * h, _mm_andnot_si128(_mm_unpacklo_epi16(halves[h], halves[h]), white));
            store(p + i + 8 * h + 4, _mm_andnot_si128(_mm_unpackhi_epi16(halves[h], halves[h]), white));
        }
    }
    expandCellsPortable(p + i, cells + i, count - i);
}

} // namespace
#endif

const PixelOps& pixelOps(SimdLevel level)
{
#ifdef SOFTDEMO_AVX2_FORMS
    if (level == SimdLevel::Avx2)
        return avx2PixelOps();
#endif
#ifdef __SSE2__
    static const PixelOps sse2 = {addScaledSse2, subtractScaledSse2, blendByAlphaSse2, fillPixelsSse2,
                                  expandCellsSse2, lookupPackedSse2, columnsToRowsSse2, applyPassesSse2,
                                  darkenPixelsSse2};
    if (level == SimdLevel::Sse2)
        return sse2;
#endif
    static const PixelOps portable = {addScaledPortable, subtractScaledPortable, blendByAlphaPortable,
                                      fillPixelsPortable, expandCellsPortable, lookupPackedPortable,
                                      columnsToRowsPortable, applyPassesPortable, darkenPixelsPortable};
    return portable;
}
