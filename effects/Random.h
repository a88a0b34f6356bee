#pragma once
#include <cstddef>
#include <cstdint>

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
inline void nextRandoms(uint32_t& state, uint16_t* out, size_t count)
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
