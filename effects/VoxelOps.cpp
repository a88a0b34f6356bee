#include "effects/VoxelOps.h"

#include <algorithm>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

using namespace voxel;

void marchPortable(const VoxelMarch& m, uint32_t first, uint32_t end, int32_t* top)
{
    // Steps outer, columns inner: every column samples the same map row at a
    // given step, so the rows in use stay in cache. Columns are independent,
    // so the picture is the same as marching one column at a time.
    //
    // Rows at or above a column's top are not drawn yet: whatever they hold
    // is replaced by a later sample or by the black at the end. So each
    // sample writes its colour to the eight rows up to the top whether or not
    // it shows, and only a span longer than eight takes a loop: no branch
    // that guesses wrong half the time.
    int32_t groupTop[kWidth / kGroup];
    std::fill(top + first, top + end, kHeight - 1);
    std::fill(groupTop + first / kGroup, groupTop + end / kGroup, kHeight - 1);
    for (int K = 0; K < kSteps; ++K) {
        const Divisor d = divisor(uint32_t(K) + 1);
        const uint8_t* reach = m.reach + uint8_t(m.mapY - K) * 256;
        const uint32_t* cells = m.cells + uint8_t(m.mapY - K) * kCellRow;
        for (uint32_t g = first; g < end; g += kGroup) {
            if (projectedRow(reach[firstCell(g, K, m.mapX)], d) >= groupTop[g / kGroup])
                continue;
            int32_t highest = 0;
            int ox = (int(g) - 256) * K; // (n - 256) * K
            for (uint32_t n = g; n < g + kGroup; ++n, ox += K) {
                const uint32_t cell = cells[uint8_t((ox >> 8) + m.mapX)]; // arithmetic shift: rounds down
                const int32_t s = projectedRow(cell >> 24, d), t = top[n];
                const uint32_t p = cell & 0xffffff;
                uint32_t* column = m.canvas + n * kColumnStride + kColumnPad;
                for (int j = 0; j < 8; ++j)
                    column[t - 7 + j] = p;
                for (int y = t - 8; y > s; --y)
                    column[y] = p;
                top[n] = std::min(s, t);
                highest = std::max(highest, top[n]);
            }
            groupTop[g / kGroup] = highest;
        }
    }
}

#ifdef __SSE2__
namespace {

void marchSse2(const VoxelMarch& m, uint32_t first, uint32_t end, int32_t* top)
{
    // As the AVX2 form, four columns a vector, with the cells read one by
    // one and the eight rows up to each top written by two stores.
    int32_t groupTop[kWidth / kGroup];
    std::fill(top + first, top + end, kHeight - 1);
    std::fill(groupTop + first / kGroup, groupTop + end / kGroup, kHeight - 1);
    const __m128i far = _mm_set1_epi32(271), colour = _mm_set1_epi32(0xffffff), eight = _mm_set1_epi32(8);
    for (int K = 0; K < kSteps; ++K) {
        const Divisor d = divisor(uint32_t(K) + 1);
        const __m128i multiplier = _mm_set1_epi32(int32_t(32 * d.multiplier)), shift = _mm_cvtsi32_si128(int(d.shift));
        const uint8_t* reach = m.reach + uint8_t(m.mapY - K) * 256;
        const uint32_t* cells = m.cells + uint8_t(m.mapY - K) * kCellRow;
        for (uint32_t g = first; g < end; g += kGroup) {
            if (projectedRow(reach[firstCell(g, K, m.mapX)], d) >= groupTop[g / kGroup])
                continue;
            __m128i highest = _mm_setzero_si128();
            int ox = (int(g) - 256) * K;
            for (uint32_t n = g; n < g + kGroup; n += 4, ox += 4 * K) {
                const auto cell = [&](int j) { return int32_t(cells[uint8_t(((ox + j * K) >> 8) + m.mapX)]); };
                const __m128i c = _mm_setr_epi32(cell(0), cell(1), cell(2), cell(3));
                // (271 - h) * 32 * multiplier >> shift, two lanes a multiply;
                // the products fit in 32 bits.
                const __m128i x = _mm_sub_epi32(far, _mm_srli_epi32(c, 24));
                const __m128i even = _mm_srl_epi32(_mm_mul_epu32(x, multiplier), shift);
                const __m128i odd = _mm_srl_epi32(_mm_mul_epu32(_mm_srli_epi64(x, 32), multiplier), shift);
                const __m128i s = _mm_or_si128(even, _mm_slli_epi64(odd, 32));
                const __m128i t = _mm_loadu_si128(reinterpret_cast<const __m128i*>(top + n));
                const __m128i shows = _mm_cmpgt_epi32(t, s);
                const __m128i newTop = _mm_or_si128(_mm_and_si128(shows, s), _mm_andnot_si128(shows, t));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(top + n), newTop);
                highest = _mm_max_epi16(highest, newTop); // tops are below 2^15
                alignas(16) int32_t rows[4], oldTops[4];
                alignas(16) uint32_t colours[4];
                _mm_store_si128(reinterpret_cast<__m128i*>(rows), s);
                _mm_store_si128(reinterpret_cast<__m128i*>(oldTops), t);
                _mm_store_si128(reinterpret_cast<__m128i*>(colours), _mm_and_si128(c, colour));
                uint32_t* column = m.canvas + n * kColumnStride + kColumnPad;
                for (int j = 0; j < 4; ++j) {
                    const __m128i p = _mm_set1_epi32(int32_t(colours[j]));
                    _mm_storeu_si128(reinterpret_cast<__m128i*>(column + j * kColumnStride + oldTops[j] - 7), p);
                    _mm_storeu_si128(reinterpret_cast<__m128i*>(column + j * kColumnStride + oldTops[j] - 3), p);
                }
                const __m128i longer = _mm_cmpgt_epi32(_mm_sub_epi32(t, s), eight);
                for (int left = _mm_movemask_ps(_mm_castsi128_ps(longer)); left; left &= left - 1) {
                    // The last store may reach up to three rows above the span.
                    const int j = __builtin_ctz(unsigned(left));
                    const __m128i p = _mm_set1_epi32(int32_t(colours[j]));
                    for (int y = oldTops[j] - 11; y > rows[j] - 3; y -= 4)
                        _mm_storeu_si128(reinterpret_cast<__m128i*>(column + j * kColumnStride + y), p);
                }
            }
            highest = _mm_max_epi16(highest, _mm_shuffle_epi32(highest, 0x4e));
            highest = _mm_max_epi16(highest, _mm_shuffle_epi32(highest, 0xb1));
            groupTop[g / kGroup] = _mm_cvtsi128_si32(highest);
        }
    }
}

} // namespace
#endif

const VoxelOps& voxelOps(SimdLevel level)
{
#ifdef SOFTDEMO_AVX2_FORMS
    if (level == SimdLevel::Avx2)
        return avx2VoxelOps();
#endif
#ifdef __SSE2__
    static const VoxelOps sse2 = {marchSse2};
    if (level == SimdLevel::Sse2)
        return sse2;
#endif
    static const VoxelOps portable = {marchPortable};
    return portable;
}
