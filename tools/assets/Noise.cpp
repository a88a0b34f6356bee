#include "Noise.h"

#include "Rng.h"

#include <cmath>

namespace {

int wrap(int v, int period)
{
    const int r = v % period;
    return r < 0 ? r + period : r;
}

float smooth(float t)
{
    return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f);
}

} // namespace

float periodicNoise(float x, float y, int period, uint32_t seed)
{
    const float fx = std::floor(x), fy = std::floor(y);
    const int x0 = wrap(int(fx), period), y0 = wrap(int(fy), period);
    const int x1 = wrap(x0 + 1, period), y1 = wrap(y0 + 1, period);
    const float tx = smooth(x - fx), ty = smooth(y - fy);
    const float a = hashUnit(x0, y0, seed), b = hashUnit(x1, y0, seed);
    const float c = hashUnit(x0, y1, seed), d = hashUnit(x1, y1, seed);
    const float top = a + (b - a) * tx;
    const float bottom = c + (d - c) * tx;
    return top + (bottom - top) * ty;
}

float periodicFbm(float x, float y, int period, int octaves, float gain, uint32_t seed)
{
    float sum = 0.0f, weight = 1.0f, total = 0.0f;
    for (int i = 0; i < octaves; ++i) {
        sum += weight * periodicNoise(x, y, period, seed + uint32_t(i) * 7919u);
        total += weight;
        weight *= gain;
        x *= 2.0f;
        y *= 2.0f;
        period *= 2;
    }
    return sum / total;
}

float periodicCells(float x, float y, int period, uint32_t seed, uint32_t* cellId)
{
    const int cx = int(std::floor(x)), cy = int(std::floor(y));
    float best = 1e9f;
    uint32_t bestId = 0;
    for (int j = -1; j <= 1; ++j)
        for (int i = -1; i <= 1; ++i) {
            const int gx = wrap(cx + i, period), gy = wrap(cy + j, period);
            const float px = float(cx + i) + 0.15f + 0.7f * hashUnit(gx, gy, seed);
            const float py = float(cy + j) + 0.15f + 0.7f * hashUnit(gx, gy, seed + 1);
            const float d = std::sqrt((px - x) * (px - x) + (py - y) * (py - y));
            if (d < best) {
                best = d;
                bestId = hash32(gx, gy, seed + 2);
            }
        }
    if (cellId)
        *cellId = bestId;
    return best;
}
