// The AVX2 form of Voxel's column march: eight columns at a time, one gather
// for their cells. Only this function is compiled for AVX2, so the program
// still runs on processors without it.
#include "effects/Voxel.h"

#ifdef SOFTDEMO_AVX2_FORMS
#include <immintrin.h>

#include <algorithm>

SOFTDEMO_AVX2 void Voxel::marchAvx2(const March& m, uint32_t first, uint32_t end, int32_t* top)
{
    // As the SSE2 form, with eight rows a store: the last store of a span may
    // reach up to seven rows above it, which are above the new top and
    // within the column's pad.
    int32_t groupTop[kWidth / 16];
    std::fill(top + first, top + end, kHeight - 1);
    std::fill(groupTop + first / 16, groupTop + end / 16, kHeight - 1);
    const __m256i far = _mm256_set1_epi32(271), colour = _mm256_set1_epi32(0xffffff);
    const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7), mapX = _mm256_set1_epi32(m.mapX);
    const __m256i cellMask = _mm256_set1_epi32(0xff);
    for (int K = 0; K < kSteps; ++K) {
        const Divisor d = divisor(uint32_t(K) + 1);
        // 32 * multiplier: (271 - h) * 32 * multiplier stays below 2^30.
        const __m256i multiplier = _mm256_set1_epi32(int32_t(32 * d.multiplier));
        const __m128i shift = _mm_cvtsi32_si128(int(d.shift));
        const __m256i laneSteps = _mm256_mullo_epi32(lanes, _mm256_set1_epi32(K));
        const int row = uint8_t(m.mapY - K) * 256;
        const int* cells = reinterpret_cast<const int*>(m.cells + row);
        for (uint32_t g = first; g < end; g += 16) {
            if (projectedRow(m.reach[row + firstCell(g, K, m.mapX)], d) >= groupTop[g / 16])
                continue;
            __m256i highest = _mm256_setzero_si256();
            for (uint32_t n = g; n < g + 16; n += 8) {
                const __m256i ox = _mm256_add_epi32(_mm256_set1_epi32((int(n) - 256) * K), laneSteps);
                const __m256i mx = _mm256_and_si256(_mm256_add_epi32(_mm256_srai_epi32(ox, 8), mapX), cellMask);
                const __m256i c = _mm256_i32gather_epi32(cells, mx, 4);
                const __m256i x = _mm256_sub_epi32(far, _mm256_srli_epi32(c, 24));
                const __m256i s = _mm256_srl_epi32(_mm256_mullo_epi32(x, multiplier), shift);
                const __m256i t = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(top + n));
                const __m256i newTop = _mm256_min_epi32(s, t);
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(top + n), newTop);
                highest = _mm256_max_epi32(highest, newTop);
                const int mask = _mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpgt_epi32(t, s)));
                if (mask == 0)
                    continue;
                alignas(32) int32_t rows[8], tops[8];
                alignas(32) uint32_t colours[8];
                _mm256_store_si256(reinterpret_cast<__m256i*>(rows), s);
                _mm256_store_si256(reinterpret_cast<__m256i*>(tops), t);
                _mm256_store_si256(reinterpret_cast<__m256i*>(colours), _mm256_and_si256(c, colour));
                for (int left = mask; left; left &= left - 1) {
                    const int j = __builtin_ctz(unsigned(left));
                    const __m256i p = _mm256_set1_epi32(int32_t(colours[j]));
                    uint32_t* column = m.canvas + (n + uint32_t(j)) * kColumnStride + kColumnPad;
                    for (int y = tops[j] - 7;; y -= 8) {
                        _mm256_storeu_si256(reinterpret_cast<__m256i*>(column + y), p);
                        if (y <= rows[j] + 1)
                            break;
                    }
                }
            }
            const __m128i half = _mm_max_epi32(_mm256_castsi256_si128(highest), _mm256_extracti128_si256(highest, 1));
            const __m128i quarter = _mm_max_epi32(half, _mm_shuffle_epi32(half, 0x4e));
            groupTop[g / 16] = _mm_cvtsi128_si32(_mm_max_epi32(quarter, _mm_shuffle_epi32(quarter, 0xb1)));
        }
    }
}
#endif
