// The AVX2 forms of the packed-pixel loops: the SSE2 forms' arithmetic on
// eight pixels at a time. Only these functions are compiled for AVX2, so the
// program still runs on processors without it. Tails go to the portable forms.
#include "effects/PixelOps.h"

#ifdef SOFTDEMO_AVX2_FORMS
#include <immintrin.h>

#include <algorithm>

namespace {

SOFTDEMO_AVX2 inline __m256i load(const uint32_t* p)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

SOFTDEMO_AVX2 inline void store(uint32_t* p, __m256i v)
{
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

// The last count < 8 pixels through a full vector of `op`, by way of copies.
SOFTDEMO_AVX2 void throughCopies(uint32_t* t, const uint32_t* s, size_t count, uint8_t alpha,
                                 void (*op)(uint32_t*, const uint32_t*, size_t, uint8_t))
{
    uint32_t tt[8] = {}, ss[8] = {};
    std::copy_n(s, count, ss);
    std::copy_n(t, count, tt);
    op(tt, ss, 8, alpha);
    std::copy_n(tt, count, t);
}

// Reads s before it writes t, eight pixels at a time, so a source that starts
// at or after the target in the same buffer reads pixels not yet written.
template <bool Add>
SOFTDEMO_AVX2 void addOrSubtract(uint32_t* t, const uint32_t* s, size_t count, uint8_t alpha)
{
    const __m256i zero = _mm256_setzero_si256();
    size_t k = 0;
    if (alpha == 255) {
        // b * 255 >> 8 is b - 1 for every byte b > 0.
        const __m256i one = _mm256_set1_epi8(1), colour = _mm256_set1_epi32(0x00ffffff);
        for (; k + 8 <= count; k += 8) {
            const __m256i scaled = _mm256_and_si256(_mm256_subs_epu8(load(s + k), one), colour);
            const __m256i d = load(t + k);
            store(t + k, Add ? _mm256_adds_epu8(d, scaled) : _mm256_subs_epu8(d, scaled));
        }
    } else {
        // A byte in the high half of a 16-bit lane times alpha leaves
        // byte * alpha >> 8 in the high half of the product.
        const __m256i factor = _mm256_set_epi16(0, alpha, alpha, alpha, 0, alpha, alpha, alpha, 0, alpha, alpha,
                                                alpha, 0, alpha, alpha, alpha);
        for (; k + 8 <= count; k += 8) {
            const __m256i src = load(s + k);
            const __m256i lo = _mm256_mulhi_epu16(_mm256_unpacklo_epi8(zero, src), factor);
            const __m256i hi = _mm256_mulhi_epu16(_mm256_unpackhi_epi8(zero, src), factor);
            const __m256i scaled = _mm256_packus_epi16(lo, hi);
            const __m256i d = load(t + k);
            store(t + k, Add ? _mm256_adds_epu8(d, scaled) : _mm256_subs_epu8(d, scaled));
        }
    }
    if (k < count)
        throughCopies(t + k, s + k, count - k, alpha, addOrSubtract<Add>);
}

// d * 255 + (s - d) * weight, over 256, per 16-bit lane (see the SSE2 form).
SOFTDEMO_AVX2 inline __m256i mix(__m256i sc, __m256i dc, __m256i weight)
{
    const __m256i d255 = _mm256_sub_epi16(_mm256_slli_epi16(dc, 8), dc);
    return _mm256_srli_epi16(_mm256_add_epi16(d255, _mm256_mullo_epi16(_mm256_sub_epi16(sc, dc), weight)), 8);
}

SOFTDEMO_AVX2 void addScaledAvx2(uint32_t* t, const uint32_t* s, size_t count, uint8_t alpha)
{
    addOrSubtract<true>(t, s, count, alpha);
}

SOFTDEMO_AVX2 void subtractScaledAvx2(uint32_t* t, const uint32_t* s, size_t count, uint8_t alpha)
{
    addOrSubtract<false>(t, s, count, alpha);
}

// blendByAlpha of eight pixels; alpha32 holds alpha in every word.
SOFTDEMO_AVX2 inline __m256i blendEight(__m256i src, __m256i dst, __m256i alpha32)
{
    const __m256i colour = _mm256_set1_epi32(0x00ffffff), zero = _mm256_setzero_si256();
    // a for each pixel, in both 16-bit halves of its word; unpacking works
    // within 128-bit lanes on both sides, so pixels stay paired.
    const __m256i a = _mm256_srli_epi32(_mm256_mullo_epi16(_mm256_srli_epi32(src, 24), alpha32), 8);
    if (_mm256_testz_si256(a, a)) // eight transparent pixels, as sprites have in runs: as for alpha 0
        return _mm256_and_si256(_mm256_subs_epu8(dst, _mm256_set1_epi8(1)), colour);
    const __m256i aa = _mm256_or_si256(a, _mm256_slli_epi32(a, 16));
    const __m256i lo = mix(_mm256_unpacklo_epi8(src, zero), _mm256_unpacklo_epi8(dst, zero),
                           _mm256_unpacklo_epi32(aa, aa));
    const __m256i hi = mix(_mm256_unpackhi_epi8(src, zero), _mm256_unpackhi_epi8(dst, zero),
                           _mm256_unpackhi_epi32(aa, aa));
    return _mm256_and_si256(_mm256_packus_epi16(lo, hi), colour);
}

SOFTDEMO_AVX2 void blendByAlphaAvx2(uint32_t* t, const uint32_t* s, size_t count, uint8_t alpha)
{
    const __m256i colour = _mm256_set1_epi32(0x00ffffff), one = _mm256_set1_epi8(1);
    const __m256i alpha32 = _mm256_set1_epi32(alpha);
    size_t k = 0;
    if (alpha == 0) {
        // a = 0 and m = 255 for every pixel: d * 255 >> 8 is d - 1 for d > 0.
        for (; k + 8 <= count; k += 8)
            store(t + k, _mm256_and_si256(_mm256_subs_epu8(load(t + k), one), colour));
    } else {
        for (; k + 8 <= count; k += 8)
            store(t + k, blendEight(load(s + k), load(t + k), alpha32));
    }
    if (k == count)
        return;
    // Sprite rows end anywhere: the rest in one masked vector (at alpha 0
    // the source is not read).
    const __m256i rest =
        _mm256_cmpgt_epi32(_mm256_set1_epi32(int32_t(count - k)), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    auto* to = reinterpret_cast<int*>(t + k);
    const __m256i src =
        alpha ? _mm256_maskload_epi32(reinterpret_cast<const int*>(s + k), rest) : _mm256_setzero_si256();
    _mm256_maskstore_epi32(to, rest, blendEight(src, _mm256_maskload_epi32(to, rest), alpha32));
}

SOFTDEMO_AVX2 void fillPixelsAvx2(uint32_t* p, size_t count, uint32_t colour)
{
    const __m256i v = _mm256_set1_epi32(int32_t(colour));
    size_t i = 0;
    for (; i + 32 <= count; i += 32) {
        store(p + i, v);
        store(p + i + 8, v);
        store(p + i + 16, v);
        store(p + i + 24, v);
    }
    for (; i + 8 <= count; i += 8)
        store(p + i, v);
    fillPixelsPortable(p + i, count - i, colour);
}

SOFTDEMO_AVX2 void expandCellsAvx2(uint32_t* p, const uint8_t* cells, size_t count)
{
    // Eight cells at a time: a dead byte compares to all ones, which widens
    // to an all-ones word that clears the white.
    const __m256i zero = _mm256_setzero_si256(), white = _mm256_set1_epi32(0xffffff);
    size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m128i eight = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(cells + i));
        const __m256i dead = _mm256_cmpeq_epi32(_mm256_cvtepu8_epi32(eight), zero);
        store(p + i, _mm256_andnot_si256(dead, white));
    }
    expandCellsPortable(p + i, cells + i, count - i);
}

SOFTDEMO_AVX2 void lookupPackedAvx2(uint32_t* dst, const uint16_t* packed, size_t count, const uint32_t* texture,
                                    uint16_t offset, uint16_t mask, int shift)
{
    // Sixteen indices at a time as in the SSE2 form, then two gathers.
    const __m256i add = _mm256_set1_epi16(int16_t(offset));
    const __m256i rowMask = _mm256_set1_epi16(int16_t(mask & 0xff00));
    const __m256i colMask = _mm256_set1_epi16(int16_t(mask & 0xff));
    const __m128i count16 = _mm_cvtsi32_si128(shift);
    const auto* base = reinterpret_cast<const int*>(texture);
    size_t k = 0;
    for (; k + 16 <= count; k += 16) {
        const __m256i x =
            _mm256_add_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(packed + k)), add);
        const __m256i i =
            _mm256_or_si256(_mm256_srl_epi16(_mm256_and_si256(x, rowMask), count16), _mm256_and_si256(x, colMask));
        const __m256i low = _mm256_cvtepu16_epi32(_mm256_castsi256_si128(i));
        const __m256i high = _mm256_cvtepu16_epi32(_mm256_extracti128_si256(i, 1));
        store(dst + k, _mm256_i32gather_epi32(base, low, 4));
        store(dst + k + 8, _mm256_i32gather_epi32(base, high, 4));
    }
    lookupPackedPortable(dst + k, packed + k, count - k, texture, offset, mask, shift);
}

// Every byte b of v times factor's 16-bit lane over 256, truncated.
SOFTDEMO_AVX2 inline __m256i mulhiBytes(__m256i v, __m256i factor)
{
    const __m256i zero = _mm256_setzero_si256();
    return _mm256_packus_epi16(_mm256_mulhi_epu16(_mm256_unpacklo_epi8(zero, v), factor),
                               _mm256_mulhi_epu16(_mm256_unpackhi_epi8(zero, v), factor));
}

// scale() of eight words.
SOFTDEMO_AVX2 inline __m256i scaleWords(__m256i v, uint8_t alpha)
{
    if (alpha == 255)
        return _mm256_and_si256(_mm256_subs_epu8(v, _mm256_set1_epi8(1)), _mm256_set1_epi32(0x00ffffff));
    return mulhiBytes(v, _mm256_set1_epi64x(int64_t(alpha) * 0x0000000100010001));
}

// Grey bytes scaled; both 128-bit lanes hold the same bytes.
SOFTDEMO_AVX2 inline __m256i scaleGrey(__m128i g, uint8_t alpha)
{
    const __m256i both = _mm256_broadcastsi128_si256(g);
    return alpha == 255 ? _mm256_subs_epu8(both, _mm256_set1_epi8(1)) : mulhiBytes(both, _mm256_set1_epi16(alpha));
}

// Eight of those bytes as pixels 0x00gggggg: bytes first ... first + 3 from
// the low lane, the next four from the high one.
SOFTDEMO_AVX2 inline __m256i greyPixels(__m256i g, char first)
{
    const char z = -128; // a byte of 0
    const char a = first, b = char(first + 1), c = char(first + 2), d = char(first + 3);
    const char e = char(first + 4), f = char(first + 5), h = char(first + 6), i = char(first + 7);
    return _mm256_shuffle_epi8(g, _mm256_setr_epi8(a, a, a, z, b, b, b, z, c, c, c, z, d, d, d, z, e, e, e, z, f, f,
                                                   f, z, h, h, h, z, i, i, i, z));
}

// applyPasses for W × 8 pixels, held in registers through every pass (the
// loops over j unrolled, so that v and s stay out of memory).
template <int W>
SOFTDEMO_AVX2 inline void passBlock(uint32_t* t, size_t at, const SaturatingPass* passes, size_t n,
                                    const uint32_t* fill)
{
    __m256i v[W];
#pragma GCC unroll 4
    for (int j = 0; j < W; ++j)
        v[j] = fill ? _mm256_set1_epi32(int32_t(*fill)) : load(t + 8 * j);
    for (size_t i = 0; i < n; ++i) {
        const SaturatingPass& p = passes[i];
        __m256i s[W];
        if (!p.grey) {
#pragma GCC unroll 4
            for (int j = 0; j < W; ++j)
                s[j] = scaleWords(load(p.words + at + 8 * j), p.alpha);
        } else if (W == 1) {
            s[0] = greyPixels(scaleGrey(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p.grey + at)), p.alpha), 0);
        } else {
#pragma GCC unroll 2
            for (int j = 0; j < W; j += 2) {
                const __m256i g =
                    scaleGrey(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p.grey + at + 8 * j)), p.alpha);
                s[j] = greyPixels(g, 0);
                s[j + 1] = greyPixels(g, 8);
            }
        }
        if (p.subtract) {
#pragma GCC unroll 4
            for (int j = 0; j < W; ++j)
                v[j] = _mm256_subs_epu8(v[j], s[j]);
        } else {
#pragma GCC unroll 4
            for (int j = 0; j < W; ++j)
                v[j] = _mm256_adds_epu8(v[j], s[j]);
        }
    }
#pragma GCC unroll 4
    for (int j = 0; j < W; ++j)
        store(t + 8 * j, v[j]);
}

SOFTDEMO_AVX2 void applyPassesAvx2(uint32_t* t, size_t count, size_t offset, const SaturatingPass* passes, size_t n,
                                   const uint32_t* fill)
{
    size_t k = 0;
    for (; k + 32 <= count; k += 32)
        passBlock<4>(t + k, offset + k, passes, n, fill);
    for (; k + 8 <= count; k += 8)
        passBlock<1>(t + k, offset + k, passes, n, fill);
    applyPassesPortable(t + k, count - k, offset + k, passes, n, fill);
}

SOFTDEMO_AVX2 void darkenPixelsAvx2(uint32_t* p, const uint8_t* amounts, size_t count)
{
    const __m256i colour = _mm256_set1_epi32(0x00ffffff), zero = _mm256_setzero_si256();
    size_t k = 0;
    for (; k + 8 <= count; k += 8) {
        const __m256i by = greyPixels(_mm256_broadcastsi128_si256(
                                          _mm_loadl_epi64(reinterpret_cast<const __m128i*>(amounts + k))),
                                      0);
        // The top byte is kept where the amount is 0.
        const __m256i keep = _mm256_or_si256(colour, _mm256_cmpeq_epi32(by, zero));
        store(p + k, _mm256_and_si256(_mm256_subs_epu8(load(p + k), by), keep));
    }
    darkenPixelsPortable(p + k, amounts + k, count - k);
}

} // namespace

const PixelOps& avx2PixelOps()
{
    // The transpose keeps the SSE2 form's 4 x 4 blocks: an 8 x 8 AVX2 form
    // took 37 µs a frame on the landscape's canvas against their 26.
    static const PixelOps forms = {addScaledAvx2, subtractScaledAvx2, blendByAlphaAvx2, fillPixelsAvx2,
                                   expandCellsAvx2, lookupPackedAvx2, pixelOps(SimdLevel::Sse2).columnsToRows,
                                   applyPassesAvx2, darkenPixelsAvx2};
    return forms;
}

#endif
