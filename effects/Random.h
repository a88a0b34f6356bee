#pragma once
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
