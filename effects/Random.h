#pragma once
#include <cstddef>
#include <cstdint>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

// The one random sequence shared by every effect: a linear congruential
// generator starting at 1 and never reseeded, so the same frame times always
// give the same pictures. Tests may set the state through randomState().
inline uint32_t& randomState()
{
    static uint32_t state = 1;
    return state;
}

// 0 ... 32767, advancing the given state. Long runs of draws can keep the
// state in a local and store it back afterwards, which frees it from memory.
inline uint32_t nextRandom(uint32_t& state)
{
    state = state * 214013u + 2531011u;
    return (state >> 16) & 0x7fff;
}

inline uint32_t nextRandom()
{
    return nextRandom(randomState());
}

// The step of the generator taken `count` times at once: state × a + c.
struct RandomJump {
    uint32_t a = 1, c = 0;
};

constexpr RandomJump randomJump(uint64_t count)
{
    RandomJump total, step{214013u, 2531011u};
    for (; count; count >>= 1) {
        if (count & 1)
            total = {total.a * step.a, total.c * step.a + step.c};
        step = {step.a * step.a, step.c * step.a + step.c};
    }
    return total;
}

// Advances the state past `count` draws without producing them.
inline void skipRandom(uint32_t& state, uint64_t count)
{
    const RandomJump jump = randomJump(count);
    state = state * jump.a + jump.c;
}

// The next `count` numbers, as `count` calls of nextRandom(state) would give
// them. Four chains, each jumping four draws ahead, keep the multiplies from
// waiting on one another.
inline void nextRandomsPortable(uint32_t& state, uint16_t* out, size_t count)
{
    constexpr RandomJump kFour = randomJump(4);
    size_t k = 0;
    if (count >= 4) {
        uint32_t s0 = state * 214013u + 2531011u;
        uint32_t s1 = s0 * 214013u + 2531011u;
        uint32_t s2 = s1 * 214013u + 2531011u;
        uint32_t s3 = s2 * 214013u + 2531011u;
        for (;; k += 4) {
            out[k] = uint16_t((s0 >> 16) & 0x7fff);
            out[k + 1] = uint16_t((s1 >> 16) & 0x7fff);
            out[k + 2] = uint16_t((s2 >> 16) & 0x7fff);
            out[k + 3] = uint16_t((s3 >> 16) & 0x7fff);
            if (k + 8 > count)
                break;
            s0 = s0 * kFour.a + kFour.c;
            s1 = s1 * kFour.a + kFour.c;
            s2 = s2 * kFour.a + kFour.c;
            s3 = s3 * kFour.a + kFour.c;
        }
        state = s3;
        k += 4;
    }
    for (; k < count; ++k)
        out[k] = uint16_t(nextRandom(state));
}

#ifdef __SSE2__
// As nextRandomsPortable, eight chains in two registers.
inline void nextRandomsSse2(uint32_t& state, uint16_t* out, size_t count)
{
    constexpr RandomJump kEight = randomJump(8);
    size_t k = 0;
    if (count >= 8) {
        alignas(16) uint32_t first[8];
        for (uint32_t& s : first)
            s = state = state * 214013u + 2531011u;
        __m128i low = _mm_load_si128(reinterpret_cast<const __m128i*>(first));
        __m128i high = _mm_load_si128(reinterpret_cast<const __m128i*>(first + 4));
        const __m128i a = _mm_set1_epi32(int32_t(kEight.a)), c = _mm_set1_epi32(int32_t(kEight.c));
        const __m128i bits = _mm_set1_epi32(0x7fff);
        // Four lanes times a, modulo 2^32: SSE2 multiplies two lanes at a time.
        const auto step = [&](__m128i s) {
            const __m128i even = _mm_mul_epu32(s, a), odd = _mm_mul_epu32(_mm_srli_epi64(s, 32), a);
            const __m128i product = _mm_unpacklo_epi32(_mm_shuffle_epi32(even, _MM_SHUFFLE(0, 0, 2, 0)),
                                                       _mm_shuffle_epi32(odd, _MM_SHUFFLE(0, 0, 2, 0)));
            return _mm_add_epi32(product, c);
        };
        for (;; k += 8) {
            const __m128i r = _mm_packs_epi32(_mm_and_si128(_mm_srli_epi32(low, 16), bits),
                                              _mm_and_si128(_mm_srli_epi32(high, 16), bits));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), r);
            if (k + 16 > count)
                break;
            low = step(low);
            high = step(high);
        }
        state = uint32_t(_mm_cvtsi128_si32(_mm_shuffle_epi32(high, _MM_SHUFFLE(3, 3, 3, 3))));
        k += 8;
    }
    for (; k < count; ++k)
        out[k] = uint16_t(nextRandom(state));
}
#endif
