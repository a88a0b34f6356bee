#include "effects/CAExpOps.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "effects/Random.h"

namespace {

// Random numbers are drawn this many at a time, ahead of the loop using them.
constexpr uint32_t kChunk = 512;

// The cell whose value D holds after the swap of r & 7: bit 0 one column
// right, bit 1 one row down.
constexpr auto kEndsInD = [] {
    struct { uint8_t cell[8]; } t{};
    for (int sel = 0; sel < 8; ++sel)
        t.cell[sel] = kSwapPairs[sel][1] == 3 ? kSwapPairs[sel][0] : 3;
    return t;
}();

} // namespace

void pairSwapsPortable(uint32_t& state, const uint32_t* P, uint8_t* cells, uint32_t first, uint32_t end, uint32_t W)
{
    uint32_t from[8];
    for (int sel = 0; sel < 8; ++sel)
        from[sel] = (kEndsInD.cell[sel] & 1u) + (kEndsInD.cell[sel] >> 1) * W;
    uint16_t random[kChunk];
    for (uint32_t j = end; j > first;) {
        const uint32_t count = j - first < kChunk ? j - first : kChunk;
        nextRandomsPortable(state, random, count);
        for (uint32_t k = 0; k < count; ++k) {
            const uint32_t i = j - 1 - k;
            cells[i + W + 1] = liveCell(P[i + from[random[k] & 7]]);
        }
        j -= count;
    }
}

void blockIndicesPortable(uint32_t& state, uint16_t* index, const uint8_t* top, const uint8_t* bottom,
                          uint32_t count)
{
    for (uint32_t k = 0; k < count; ++k)
        index[k] = uint16_t(nextRandom(state) % 12 * 3 + top[k] + bottom[k]);
}

#ifdef __SSE2__
namespace {

void pairSwapsSse2(uint32_t& state, const uint32_t* P, uint8_t* cells, uint32_t first, uint32_t end, uint32_t W)
{
    // Sixteen anchors a step, highest first: lane l of register g holds
    // anchor base + 4g + l, whose number is draw 15 - 4g - l of the step.
    constexpr RandomJump kSixteen = randomJump(16);
    const uint32_t steps = (end - first) / 16;
    if (steps > 0) {
        alignas(16) uint32_t lanes[16];
        for (int d = 0; d < 16; ++d)
            lanes[15 - d] = state = state * 214013u + 2531011u;
        __m128i s[4];
        for (int g = 0; g < 4; ++g)
            s[g] = _mm_load_si128(reinterpret_cast<const __m128i*>(lanes + 4 * g));
        const __m128i a = _mm_set1_epi32(int32_t(kSixteen.a)), c = _mm_set1_epi32(int32_t(kSixteen.c));
        const __m128i seven = _mm_set1_epi32(7), one = _mm_set1_epi32(1);
        const __m128i three = _mm_set1_epi32(3), four = _mm_set1_epi32(4), six = _mm_set1_epi32(6);
        for (uint32_t n = 0; n < steps; ++n) {
            const uint32_t base = end - 16 * (n + 1);
            __m128i live[4];
            for (int g = 0; g < 4; ++g) {
                const uint32_t* p = P + base + 4 * g;
                const __m128i sel = _mm_and_si128(_mm_srli_epi32(s[g], 16), seven);
                // kEndsInD: one column right for 0 1 2 3 6, one row down but for 3 4.
                const __m128i right = _mm_or_si128(_mm_cmplt_epi32(sel, four), _mm_cmpeq_epi32(sel, six));
                const __m128i up = _mm_or_si128(_mm_cmpeq_epi32(sel, three), _mm_cmpeq_epi32(sel, four));
                const auto pick = [](__m128i mask, __m128i yes, __m128i no) {
                    return _mm_or_si128(_mm_and_si128(mask, yes), _mm_andnot_si128(mask, no));
                };
                const auto load = [](const uint32_t* q) {
                    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
                };
                const __m128i top = pick(right, load(p + 1), load(p));
                const __m128i bottom = pick(right, load(p + W + 1), load(p + W));
                live[g] = _mm_and_si128(_mm_srli_epi32(pick(up, top, bottom), 2), one);
                const __m128i even = _mm_mul_epu32(s[g], a), odd = _mm_mul_epu32(_mm_srli_epi64(s[g], 32), a);
                s[g] = _mm_add_epi32(_mm_unpacklo_epi32(_mm_shuffle_epi32(even, _MM_SHUFFLE(0, 0, 2, 0)),
                                                        _mm_shuffle_epi32(odd, _MM_SHUFFLE(0, 0, 2, 0))),
                                     c);
            }
            const __m128i bytes =
                _mm_packus_epi16(_mm_packs_epi32(live[0], live[1]), _mm_packs_epi32(live[2], live[3]));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(cells + base + W + 1), bytes);
        }
        // The last draw made is lane 0 of register 0, one step behind it now.
        constexpr RandomJump kBack = randomJump((uint64_t(1) << 32) - 16);
        state = uint32_t(_mm_cvtsi128_si32(s[0])) * kBack.a + kBack.c;
        end -= 16 * steps;
    }
    pairSwapsPortable(state, P, cells, first, end, W);
}

void blockIndicesSse2(uint32_t& state, uint16_t* index, const uint8_t* top, const uint8_t* bottom, uint32_t count)
{
    nextRandomsSse2(state, index, count);
    // r / 12 is (r × 43691) >> 19 for every r below 2^17.
    const __m128i magic = _mm_set1_epi16(int16_t(43691)), twelve = _mm_set1_epi16(12), zero = _mm_setzero_si128();
    uint32_t k = 0;
    for (; k + 8 <= count; k += 8) {
        const __m128i r = _mm_loadu_si128(reinterpret_cast<const __m128i*>(index + k));
        const __m128i rest = _mm_sub_epi16(r, _mm_mullo_epi16(_mm_srli_epi16(_mm_mulhi_epu16(r, magic), 3), twelve));
        const __m128i t = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(top + k));
        const __m128i b = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(bottom + k));
        const __m128i live = _mm_unpacklo_epi8(_mm_add_epi8(t, b), zero);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(index + k),
                         _mm_add_epi16(_mm_add_epi16(rest, _mm_add_epi16(rest, rest)), live));
    }
    for (; k < count; ++k)
        index[k] = uint16_t(index[k] % 12 * 3 + top[k] + bottom[k]);
}

} // namespace
#endif

const CAExpOps& caExpOps(SimdLevel level)
{
#ifdef SOFTDEMO_AVX2_FORMS
    if (level == SimdLevel::Avx2)
        return avx2CAExpOps();
#endif
#ifdef __SSE2__
    static const CAExpOps sse2 = {pairSwapsSse2, blockIndicesSse2};
    if (level == SimdLevel::Sse2)
        return sse2;
#endif
    static const CAExpOps portable = {pairSwapsPortable, blockIndicesPortable};
    return portable;
}
