#pragma once
#include <cstdint>

// A small permuted congruential generator of our own, so every random choice
// of the pack is the same on every machine and library version.
struct Rng {
    uint64_t state;

    explicit Rng(uint64_t seed) : state(seed * 0x9e3779b97f4a7c15ull + 0x2545f4914f6cdd1dull) { next(); }

    uint32_t next()
    {
        const uint64_t old = state;
        state = old * 6364136223846793005ull + 1442695040888963407ull;
        const uint32_t xorshifted = uint32_t(((old >> 18) ^ old) >> 27);
        const uint32_t rot = uint32_t(old >> 59);
        return (xorshifted >> rot) | (xorshifted << ((32 - rot) & 31));
    }

    // [0, 1) with 24 bits, exact in float.
    float uniform() { return float(next() >> 8) * (1.0f / 16777216.0f); }
    float range(float lo, float hi) { return lo + (hi - lo) * uniform(); }
    // 0 ... n - 1.
    uint32_t below(uint32_t n) { return uint32_t((uint64_t(next()) * n) >> 32); }
};

// A stateless hash for per-pixel and per-lattice-point randomness.
inline uint32_t hash32(uint32_t x)
{
    x ^= x >> 16;
    x *= 0x7feb352du;
    x ^= x >> 15;
    x *= 0x846ca68bu;
    x ^= x >> 16;
    return x;
}

inline uint32_t hash32(uint32_t x, uint32_t y, uint32_t seed)
{
    return hash32(x * 0x8da6b343u ^ hash32(y * 0xd8163841u ^ hash32(seed)));
}

inline float hashUnit(uint32_t x, uint32_t y, uint32_t seed)
{
    return float(hash32(x, y, seed) >> 8) * (1.0f / 16777216.0f);
}
