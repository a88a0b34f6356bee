#include "effects/PutBuffer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "effects/Random.h"
#include "params/Truncate.h"

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

// Modes 1 and 2: t[k] = t[k] +/- scale(s[k]) byte-wise, saturating.
template <bool Add>
void addOrSubtract(uint32_t* t, const uint32_t* s, size_t count, uint8_t alpha)
{
    size_t k = 0;
#ifdef __SSE2__
    // The same masked multiplies in 16-bit lanes: red and blue under
    // 0x00ff00ff, green shifted down into the low lane of each word.
    const __m128i a16 = _mm_set1_epi16(alpha);
    const __m128i redBlue = _mm_set1_epi32(0x00ff00ff);
    const __m128i lowByte = _mm_set1_epi32(0x000000ff);
    const __m128i green = _mm_set1_epi32(0x0000ff00);
    for (; k + 4 <= count; k += 4) {
        const __m128i src = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + k));
        const __m128i rb = _mm_srli_epi16(_mm_mullo_epi16(_mm_and_si128(src, redBlue), a16), 8);
        const __m128i g = _mm_and_si128(_mm_mullo_epi16(_mm_and_si128(_mm_srli_epi32(src, 8), lowByte), a16), green);
        const __m128i scaled = _mm_or_si128(rb, g);
        __m128i* dst = reinterpret_cast<__m128i*>(t + k);
        const __m128i d = _mm_loadu_si128(dst);
        _mm_storeu_si128(dst, Add ? _mm_adds_epu8(d, scaled) : _mm_subs_epu8(d, scaled));
    }
#endif
    for (; k < count; ++k)
        t[k] = saturate<Add>(t[k], scale(s[k], alpha));
}

// Weights a + m = 255 over 256: even a transparent source darkens d a little,
// and the top byte becomes 0.
inline uint32_t blend(uint32_t s, uint32_t d, uint32_t alpha)
{
    const uint32_t a = ((s >> 24) * alpha) >> 8;
    const uint32_t m = 255 - a;
    return ((((s & 0xff00ff) * a + (d & 0xff00ff) * m) >> 8) & 0xff00ff) |
           ((((s & 0xff00) * a + (d & 0xff00) * m) >> 8) & 0xff00);
}

// Mode 3 over one row.
void blendRow(uint32_t* t, const uint32_t* s, size_t count, uint8_t alpha)
{
    size_t k = 0;
#ifdef __SSE2__
    // Two pixels per register, one channel per 16-bit lane. Every sum
    // s * a + d * m stays below 65536, so the lanes give the packed result.
    const __m128i zero = _mm_setzero_si128();
    const __m128i a16 = _mm_set1_epi16(alpha);
    const __m128i full = _mm_set1_epi16(255);
    const __m128i colour = _mm_set1_epi32(0x00ffffff);
    const auto mix = [&](__m128i src, __m128i dst) {
        __m128i a = _mm_shufflehi_epi16(_mm_shufflelo_epi16(src, _MM_SHUFFLE(3, 3, 3, 3)), _MM_SHUFFLE(3, 3, 3, 3));
        a = _mm_srli_epi16(_mm_mullo_epi16(a, a16), 8);
        const __m128i m = _mm_sub_epi16(full, a);
        return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(src, a), _mm_mullo_epi16(dst, m)), 8);
    };
    for (; k + 4 <= count; k += 4) {
        const __m128i src = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + k));
        __m128i* dstPtr = reinterpret_cast<__m128i*>(t + k);
        const __m128i dst = _mm_loadu_si128(dstPtr);
        const __m128i lo = mix(_mm_unpacklo_epi8(src, zero), _mm_unpacklo_epi8(dst, zero));
        const __m128i hi = mix(_mm_unpackhi_epi8(src, zero), _mm_unpackhi_epi8(dst, zero));
        _mm_storeu_si128(dstPtr, _mm_and_si128(_mm_packus_epi16(lo, hi), colour));
    }
#endif
    for (; k < count; ++k)
        t[k] = blend(s[k], t[k], alpha);
}

// Calls row(targetRow, sourceRow, count) for every source row that lands in
// the target when the source's top-left corner is at (x0, y0), x0 >= 0.
template <class RowOp>
void forEachClippedRow(const PixelBuffer& src, PixelBuffer& dst, int64_t x0, int64_t y0, RowOp row)
{
    const int64_t W = dst.width, H = dst.height;
    if (x0 >= W)
        return;
    const size_t count = size_t(std::min<int64_t>(src.width, W - x0));
    const int64_t first = std::max<int64_t>(0, -y0);
    const int64_t last = std::min<int64_t>(src.height, H - y0);
    for (int64_t i = first; i < last; ++i)
        row(dst.pixels + (y0 + i) * W + x0, src.pixels + i * src.width, count);
}

} // namespace

PutBuffer::PutBuffer()
{
    setClassName(typeid(*this));
    addVariable(&flag, "flag");
    addVariable(&posX, "posX");
    addVariable(&posY, "posY");
    addVariable(&alpha, "alpha");
    addVariable(&blendmode, "blendmode");
    addVariable(&randFlag, "randFlag");
    addVariable(&randAmount, "randAmount");
    addVariable(&random2, "random2");
    addVariable(&fromBuffer, "fromBuffer");
    addVariable(&pixelRef, "pixelRef");
    addVariable(&sinewave, "sinewave");
    addVariable(&amplitude, "amplitude");
    addVariable(&time, "time");
}

void PutBuffer::draw()
{
    if (flag == 0 || !pixelRef || !fromBuffer)
        return;
    PixelBuffer& T = *pixelRef;
    const PixelBuffer& S = *fromBuffer;
    if (T.bytesPerPixel == 2 || T.bytesPerPixel == 3)
        return;

    // Both numbers are drawn even when randAmount is 0 (then there is no jitter).
    int32_t jx = 0, jy = 0;
    if (randFlag != 0) {
        const int32_t r1 = int32_t(nextRandom());
        const int32_t r2 = int32_t(nextRandom());
        if (randAmount != 0) {
            jx = r1 % randAmount;
            jy = r2 % randAmount;
        }
    }

    int64_t Y = posY;
    if (sinewave == 1) {
        const float wave = float(std::sin(double(time))) * float(amplitude);
        Y = truncToInt32(wave + float(int32_t(uint32_t(posY) + 95u)));
    }

    size_t O = 0;
    if (random2 != 0) {
        const int32_t R = int32_t(nextRandom() % 895);
        posY = R;
        Y = R;
        O = size_t(T.width) * size_t(R);
    }

    // A buffer put onto itself must read pixels that this pass has already
    // written, one at a time, as the blend is defined.
    const bool inPlace = &S == &T;
    switch (blendmode) {
    case 0:
        forEachClippedRow(S, T, posX, posY, [inPlace](uint32_t* t, const uint32_t* s, size_t count) {
            if (!inPlace)
                std::memcpy(t, s, count * sizeof *t);
            else
                for (size_t k = 0; k < count; ++k)
                    t[k] = s[k];
        });
        break;
    case 1:
    case 2: {
        // Source pixels past the end read as 0, which leaves the target as it
        // is. In place, the source index O + k never trails k, so every read
        // sees the pixel before this pass changed it.
        if (O >= S.pixelCount)
            break;
        const size_t count = std::min<size_t>(T.pixelCount, S.pixelCount - O);
        if (blendmode == 1)
            addOrSubtract<true>(T.pixels, S.pixels + O, count, alpha);
        else
            addOrSubtract<false>(T.pixels, S.pixels + O, count, alpha);
        break;
    }
    case 3: {
        const uint8_t a = alpha;
        const auto row = [a, inPlace](uint32_t* t, const uint32_t* s, size_t count) {
            if (!inPlace)
                blendRow(t, s, count, a);
            else
                for (size_t k = 0; k < count; ++k)
                    t[k] = blend(s[k], t[k], a);
        };
        forEachClippedRow(S, T, int64_t(posX) + jx, Y + jy, row);
        break;
    }
    default: break;
    }
}
