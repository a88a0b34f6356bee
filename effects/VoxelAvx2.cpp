// The AVX2 form of Voxel's column march: eight columns at a time, one gather
// for their cells. Only this function is compiled for AVX2, so the program
// still runs on processors without it.
#include "effects/Voxel.h"

#ifdef SOFTDEMO_AVX2_FORMS
#include <immintrin.h>

#include <algorithm>

namespace {

// The screen rows of heights h at a step: (271 - h) * 32 * multiplier >>
// shift, with 32 * multiplier given; the products stay below 2^30.
SOFTDEMO_AVX2 inline __m256i project(__m256i h, __m256i multiplier, __m128i shift)
{
    return _mm256_srl_epi32(_mm256_mullo_epi32(_mm256_sub_epi32(_mm256_set1_epi32(271), h), multiplier), shift);
}

// The map columns of screen columns n + k at step K: ((n - 256) * K + k * K
// >> 8) + mapX, wrapping, with the k * K given.
SOFTDEMO_AVX2 inline __m256i mapColumns(int n, int K, __m256i steps, __m256i mapX)
{
    const __m256i ox = _mm256_add_epi32(_mm256_set1_epi32((n - 256) * K), steps);
    return _mm256_and_si256(_mm256_add_epi32(_mm256_srai_epi32(ox, 8), mapX), _mm256_set1_epi32(0xff));
}

} // namespace

SOFTDEMO_AVX2 void Voxel::marchAvx2(const March& m, uint32_t first, uint32_t end, int32_t* top)
{
    // A group is one vector, and the groups of a block decide together which
    // of them can show. As in the portable form, every column writes the
    // eight rows up to its top whether or not it shows, here with one store,
    // and only a longer span takes a loop: a branch on which columns show
    // would guess wrong too often.
    static_assert(kGroup == 8 && kBlock == 8 * kGroup);
    alignas(32) int32_t groupTop[kWidth / kGroup];
    std::fill(top + first, top + end, kHeight - 1);
    std::fill(groupTop + first / kGroup, groupTop + end / kGroup, kHeight - 1);
    const __m256i colour = _mm256_set1_epi32(0xffffff), eight = _mm256_set1_epi32(8);
    const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7), mapX = _mm256_set1_epi32(m.mapX);
    const __m256i byte = _mm256_set1_epi32(0xff);
    for (int K = 0; K < kSteps; ++K) {
        const Divisor d = divisor(uint32_t(K) + 1);
        const __m256i multiplier = _mm256_set1_epi32(int32_t(32 * d.multiplier));
        const __m128i shift = _mm_cvtsi32_si128(int(d.shift));
        // The columns of a group, and the first columns of a block's groups.
        const __m256i columnSteps = _mm256_mullo_epi32(lanes, _mm256_set1_epi32(K));
        const __m256i groupSteps = _mm256_slli_epi32(columnSteps, 3);
        const int row = uint8_t(m.mapY - K) * 256;
        const uint32_t* cells = m.cells + uint8_t(m.mapY - K) * kCellRow;
        const int* reach = reinterpret_cast<const int*>(m.reach + row);
        for (uint32_t b = first; b < end; b += kBlock) {
            const __m256i highest = _mm256_and_si256(_mm256_i32gather_epi32(reach, mapColumns(int(b), K, groupSteps, mapX), 1), byte);
            const __m256i tops = _mm256_load_si256(reinterpret_cast<const __m256i*>(groupTop + b / kGroup));
            for (int shows = _mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpgt_epi32(tops, project(highest, multiplier, shift))));
                 shows; shows &= shows - 1) {
                const uint32_t g = b + uint32_t(__builtin_ctz(unsigned(shows))) * kGroup;
                // The group's cells lie within kGroup of the first: one load
                // and a shuffle instead of a gather, which is slow.
                const int firstCell = ((int(g) - 256) * K >> 8) + m.mapX;
                const __m256i window = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(cells + uint8_t(firstCell)));
                const __m256i ox = _mm256_add_epi32(_mm256_set1_epi32((int(g) - 256) * K), columnSteps);
                const __m256i c = _mm256_permutevar8x32_epi32(
                    window, _mm256_sub_epi32(_mm256_srai_epi32(ox, 8), _mm256_set1_epi32(firstCell - m.mapX)));
                const __m256i s = project(_mm256_srli_epi32(c, 24), multiplier, shift);
                const __m256i t = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(top + g));
                const __m256i newTop = _mm256_min_epi32(s, t);
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(top + g), newTop);
                alignas(32) int32_t rows[8], oldTops[8];
                alignas(32) uint32_t colours[8];
                _mm256_store_si256(reinterpret_cast<__m256i*>(rows), s);
                _mm256_store_si256(reinterpret_cast<__m256i*>(oldTops), t);
                _mm256_store_si256(reinterpret_cast<__m256i*>(colours), _mm256_and_si256(c, colour));
                uint32_t* column = m.canvas + g * kColumnStride + kColumnPad;
                for (int j = 0; j < 8; ++j)
                    _mm256_storeu_si256(reinterpret_cast<__m256i*>(column + j * kColumnStride + oldTops[j] - 7),
                                        _mm256_set1_epi32(int32_t(colours[j])));
                const __m256i spans = _mm256_sub_epi32(t, s);
                for (int longer = _mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpgt_epi32(spans, eight))); longer;
                     longer &= longer - 1) {
                    // The last store may reach up to seven rows above the
                    // span, which are above the new top and within the
                    // column's pad.
                    const int j = __builtin_ctz(unsigned(longer));
                    const __m256i p = _mm256_set1_epi32(int32_t(colours[j]));
                    for (int y = oldTops[j] - 15; y > rows[j] - 7; y -= 8)
                        _mm256_storeu_si256(reinterpret_cast<__m256i*>(column + j * kColumnStride + y), p);
                }
                const __m128i half = _mm_max_epi32(_mm256_castsi256_si128(newTop), _mm256_extracti128_si256(newTop, 1));
                const __m128i quarter = _mm_max_epi32(half, _mm_shuffle_epi32(half, 0x4e));
                groupTop[g / kGroup] = _mm_cvtsi128_si32(_mm_max_epi32(quarter, _mm_shuffle_epi32(quarter, 0xb1)));
            }
        }
    }
}
#endif
