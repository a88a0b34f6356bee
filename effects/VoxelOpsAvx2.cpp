// The AVX2 form of Voxel's column march: eight columns at a time. Only this
// function is compiled for AVX2, so the program still runs on processors
// without it.
#include "effects/VoxelOps.h"

#ifdef SOFTDEMO_AVX2_FORMS
#include <immintrin.h>

#include <algorithm>

using namespace voxel;

namespace {

// The screen rows of heights h at a step: (271 - h) * 32 * multiplier >>
// shift, with 32 * multiplier given; the products stay below 2^30.
SOFTDEMO_AVX2 inline __m256i project(__m256i h, __m256i multiplier, __m128i shift)
{
    return _mm256_srl_epi32(_mm256_mullo_epi32(_mm256_sub_epi32(_mm256_set1_epi32(271), h), multiplier), shift);
}

SOFTDEMO_AVX2 void marchAvx2(const VoxelMarch& m, uint32_t first, uint32_t end, int32_t* top)
{
    // A group is one vector. As in the portable form, every column writes the
    // eight rows up to its top whether or not it shows, here with one store,
    // and only a longer span takes a loop: a branch on which columns show
    // would guess wrong too often.
    static_assert(kGroup == 8);
    int32_t groupTop[kWidth / kGroup];
    std::fill(top + first, top + end, kHeight - 1);
    std::fill(groupTop + first / kGroup, groupTop + end / kGroup, kHeight - 1);
    const __m256i colour = _mm256_set1_epi32(0xffffff), eight = _mm256_set1_epi32(8);
    const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    for (int K = 0; K < kSteps; ++K) {
        const Divisor d = divisor(uint32_t(K) + 1);
        const __m256i multiplier = _mm256_set1_epi32(int32_t(32 * d.multiplier));
        const __m128i shift = _mm_cvtsi32_si128(int(d.shift));
        const __m256i laneSteps = _mm256_mullo_epi32(lanes, _mm256_set1_epi32(K));
        const uint8_t* reach = m.reach + uint8_t(m.mapY - K) * 256;
        const uint32_t* cells = m.cells + uint8_t(m.mapY - K) * kCellRow;
        for (uint32_t g = first; g < end; g += kGroup) {
            if (projectedRow(reach[firstCell(g, K, m.mapX)], d) >= groupTop[g / kGroup])
                continue;
            // The group's cells lie within kGroup of the first: one load and
            // a shuffle instead of a gather, which is slow.
            const int ox = (int(g) - 256) * K;
            const __m256i window =
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(cells + firstCell(g, K, m.mapX)));
            const __m256i laneOx = _mm256_add_epi32(_mm256_set1_epi32(ox), laneSteps);
            const __m256i within = _mm256_sub_epi32(_mm256_srai_epi32(laneOx, 8), _mm256_set1_epi32(ox >> 8));
            const __m256i c = _mm256_permutevar8x32_epi32(window, within);
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
            const __m256i longer = _mm256_cmpgt_epi32(_mm256_sub_epi32(t, s), eight);
            for (int left = _mm256_movemask_ps(_mm256_castsi256_ps(longer)); left; left &= left - 1) {
                // The last store may reach up to seven rows above the span,
                // which are above the new top and within the column's pad.
                const int j = __builtin_ctz(unsigned(left));
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

} // namespace

const VoxelOps& avx2VoxelOps()
{
    static const VoxelOps forms = {marchAvx2};
    return forms;
}
#endif
