// The AVX2 forms of the automaton's loops; only these functions are compiled
// for AVX2, so the program still runs on processors without it.
#include "effects/CAExpOps.h"

#ifdef SOFTDEMO_AVX2_FORMS
#include <immintrin.h>

#include <algorithm>

#include "effects/Random.h"

namespace {

SOFTDEMO_AVX2 inline __m256i load(const uint32_t* p)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

// Lane by lane, the sign of `mask` picks `yes` over `no` (a bit select, whatever the lanes hold).
SOFTDEMO_AVX2 inline __m256i pick(__m256i mask, __m256i yes, __m256i no)
{
    return _mm256_castps_si256(
        _mm256_blendv_ps(_mm256_castsi256_ps(no), _mm256_castsi256_ps(yes), _mm256_castsi256_ps(mask)));
}

// The jumps to draws 1 ... 32 from a state.
constexpr auto kFirstDraws = [] {
    struct { uint32_t a[32], c[32]; } t{};
    for (int d = 0; d < 32; ++d) {
        const RandomJump jump = randomJump(uint64_t(d) + 1);
        t.a[d] = jump.a;
        t.c[d] = jump.c;
    }
    return t;
}();

SOFTDEMO_AVX2 void pairSwapsAvx2(uint32_t& state, const uint32_t* P, uint8_t* cells, uint32_t first, uint32_t end,
                                 uint32_t W)
{
    // Thirty-two anchors a step, highest first: lane l of register g holds
    // anchor base + 8g + l, whose number is draw 31 - 8g - l of the step.
    constexpr RandomJump kStep = randomJump(32), kBack = randomJump((uint64_t(1) << 32) - 32);
    const uint32_t steps = (end - first) / 32;
    if (steps > 0) {
        alignas(32) uint32_t lanes[32];
        for (int d = 0; d < 32; ++d)
            lanes[31 - d] = state = state * 214013u + 2531011u;
        __m256i s[4];
        for (int g = 0; g < 4; ++g)
            s[g] = _mm256_load_si256(reinterpret_cast<const __m256i*>(lanes + 8 * g));
        const __m256i a = _mm256_set1_epi32(int32_t(kStep.a)), c = _mm256_set1_epi32(int32_t(kStep.c));
        // Two bits per r & 7: the cell that ends in D (bit 0 one column right, bit 1 one row down).
        const __m256i endsInD = _mm256_set1_epi32(0xb87f), seven = _mm256_set1_epi32(7), one = _mm256_set1_epi32(1);
        const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
        for (uint32_t n = 0; n < steps; ++n) {
            const uint32_t base = end - 32 * (n + 1);
            __m256i live[4];
            for (int g = 0; g < 4; ++g) {
                const uint32_t* p = P + base + 8 * g;
                const __m256i sel = _mm256_and_si256(_mm256_srli_epi32(s[g], 16), seven);
                const __m256i d = _mm256_srlv_epi32(endsInD, _mm256_add_epi32(sel, sel));
                const __m256i right = _mm256_slli_epi32(d, 31), down = _mm256_slli_epi32(d, 30);
                const __m256i top = pick(right, load(p + 1), load(p));
                const __m256i bottom = pick(right, load(p + W + 1), load(p + W));
                live[g] = _mm256_and_si256(_mm256_srli_epi32(pick(down, bottom, top), 2), one);
                s[g] = _mm256_add_epi32(_mm256_mullo_epi32(s[g], a), c);
            }
            // Packing works within 128-bit halves; the permute puts the four-byte groups back in order.
            const __m256i bytes = _mm256_packus_epi16(_mm256_packs_epi32(live[0], live[1]),
                                                      _mm256_packs_epi32(live[2], live[3]));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(cells + base + W + 1),
                                _mm256_permutevar8x32_epi32(bytes, order));
        }
        // The last draw made is lane 0 of register 0, one step behind it now.
        state = uint32_t(_mm256_cvtsi256_si32(s[0])) * kBack.a + kBack.c;
        end -= 32 * steps;
    }
    pairSwapsPortable(state, P, cells, first, end, W);
}

// Block indices for the 32 draws whose states s[g] holds in lane l as draw 8g + l.
SOFTDEMO_AVX2 inline void blockIndicesStep(const __m256i* s, uint16_t* index, const uint8_t* top,
                                           const uint8_t* bottom)
{
    const __m256i bits = _mm256_set1_epi32(0x7fff);
    // r / 12 is (r × 43691) >> 19 for every r below 2^17.
    const __m256i magic = _mm256_set1_epi16(int16_t(43691)), twelve = _mm256_set1_epi16(12);
    for (int h = 0; h < 2; ++h) {
        const __m256i low = _mm256_and_si256(_mm256_srli_epi32(s[2 * h], 16), bits);
        const __m256i high = _mm256_and_si256(_mm256_srli_epi32(s[2 * h + 1], 16), bits);
        // Packing works within 128-bit halves; the permute puts the draws back in order.
        const __m256i r = _mm256_permute4x64_epi64(_mm256_packus_epi32(low, high), 0xd8);
        const __m256i rest =
            _mm256_sub_epi16(r, _mm256_mullo_epi16(_mm256_srli_epi16(_mm256_mulhi_epu16(r, magic), 3), twelve));
        const __m256i live =
            _mm256_cvtepu8_epi16(_mm_add_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(top + 16 * h)),
                                              _mm_loadu_si128(reinterpret_cast<const __m128i*>(bottom + 16 * h))));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(index + 16 * h),
                            _mm256_add_epi16(_mm256_add_epi16(rest, _mm256_add_epi16(rest, rest)), live));
    }
}

SOFTDEMO_AVX2 void blockIndicesAvx2(uint32_t& state, uint16_t* index, const uint8_t* top, const uint8_t* bottom,
                                    uint32_t count)
{
    // Thirty-two draws a step: lane l of register g holds draw 8g + l.
    constexpr RandomJump kStep = randomJump(32);
    // Each lane jumps from the state on its own, not waiting on the lane before.
    __m256i s[4];
    const __m256i from = _mm256_set1_epi32(int32_t(state));
    for (int g = 0; g < 4; ++g)
        s[g] = _mm256_add_epi32(_mm256_mullo_epi32(from, load(kFirstDraws.a + 8 * g)), load(kFirstDraws.c + 8 * g));
    const __m256i a = _mm256_set1_epi32(int32_t(kStep.a)), c = _mm256_set1_epi32(int32_t(kStep.c));
    uint32_t k = 0;
    for (; k + 32 <= count; k += 32) {
        blockIndicesStep(s, index + k, top + k, bottom + k);
        for (__m256i& lane : s)
            lane = _mm256_add_epi32(_mm256_mullo_epi32(lane, a), c);
    }
    if (k < count) {
        // The rest through a whole step on copies, so nothing past the span is read or written.
        uint8_t t[32] = {}, b[32] = {};
        uint16_t out[32];
        std::copy_n(top + k, count - k, t);
        std::copy_n(bottom + k, count - k, b);
        blockIndicesStep(s, out, t, b);
        std::copy_n(out, count - k, index + k);
    }
    if (count > 0) {
        // The last draw made: in the rest's step, or the whole step before the lanes now.
        constexpr RandomJump kBack = randomJump((uint64_t(1) << 32) - 32);
        alignas(32) uint32_t now[32];
        for (int g = 0; g < 4; ++g)
            _mm256_store_si256(reinterpret_cast<__m256i*>(now + 8 * g), s[g]);
        state = k < count ? now[count - k - 1] : now[31] * kBack.a + kBack.c;
    }
}

} // namespace

const CAExpOps& avx2CAExpOps()
{
    static const CAExpOps forms = {pairSwapsAvx2, blockIndicesAvx2};
    return forms;
}
#endif
