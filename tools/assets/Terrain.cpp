#include "Terrain.h"

#include "Noise.h"
#include "Raster.h"
#include "pack/DataManifest.h"

namespace {

constexpr int kSize = 256;

float wrapped(const std::vector<float>& f, int x, int y)
{
    return f[size_t((y & (kSize - 1)) * kSize + (x & (kSize - 1)))];
}

} // namespace

TerrainMaps makeTerrain()
{
    // Rolling hills from smooth noise, sharp ridges and peaks from folded
    // noise, both warped a little so valleys meander. Every layer repeats
    // within the 256 cells, so the map wraps.
    std::vector<float> h(size_t(kSize) * kSize);
    float lo = 1e9f, hi = -1e9f;
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            const float fx = float(x) / 64.0f, fy = float(y) / 64.0f;
            const float wx = fx + 0.35f * (periodicFbm(fx, fy, 4, 3, 0.5f, 501) - 0.5f);
            const float wy = fy + 0.35f * (periodicFbm(fx, fy, 4, 3, 0.5f, 502) - 0.5f);
            const float hills = periodicFbm(wx, wy, 4, 6, 0.5f, 503);
            float ridges = 0.0f, weight = 0.5f;
            float rx = wx * 2.0f, ry = wy * 2.0f;
            int period = 8;
            for (int o = 0; o < 5; ++o) {
                const float n = 1.0f - std::fabs(2.0f * periodicNoise(rx, ry, period, 600 + uint32_t(o)) - 1.0f);
                ridges += weight * n * n;
                weight *= 0.5f;
                rx *= 2.0f;
                ry *= 2.0f;
                period *= 2;
            }
            const float v = 0.62f * hills + 0.38f * ridges * smoothstep(0.3f, 0.7f, hills);
            h[size_t(y) * kSize + x] = v;
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    TerrainMaps maps;
    maps.heights.resize(size_t(kSize) * kSize);
    for (size_t i = 0; i < h.size(); ++i) {
        const float t = (h[i] - lo) / (hi - lo);
        h[i] = std::pow(t, 1.25f);
        maps.heights[i] = uint8_t(std::lround(h[i] * 255.0f));
    }

    // Colours: water, sand, grass, forest, rock and snow by height, rock on
    // steep slopes; light from the upper left; hollows a little darker.
    const Rgb water = hexColor(0x1a6ab0), shallow = hexColor(0x3ab8c8), sand = hexColor(0xe8d08a);
    const Rgb grass = hexColor(0x7ac048), forest = hexColor(0x3a8a3c), rock = hexColor(0xb8a690);
    const Rgb darkRock = hexColor(0x8a7a6c), snow = hexColor(0xf8fbff);
    const float lx = -0.55f, ly = -0.45f, lz = 0.7f;
    maps.colors.resize(size_t(kSize) * kSize * 3);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            const float e = wrapped(h, x, y);
            const float gx = (wrapped(h, x + 1, y) - wrapped(h, x - 1, y)) * 30.0f;
            const float gy = (wrapped(h, x, y + 1) - wrapped(h, x, y - 1)) * 30.0f;
            const float len = std::sqrt(gx * gx + gy * gy + 1.0f);
            const float nx = -gx / len, ny = -gy / len, nz = 1.0f / len;
            const float slope = 1.0f - nz;
            float around = 0.0f;
            for (int dy = -3; dy <= 3; ++dy)
                for (int dx = -3; dx <= 3; ++dx)
                    around += wrapped(h, x + dx, y + dy);
            const float hollow = clamp01((around / 49.0f - e) * 12.0f);
            const float speckle = periodicFbm(float(x) / 16.0f, float(y) / 16.0f, 16, 3, 0.5f, 700);

            Rgb col;
            if (e < 0.1f) {
                col = mix(water, shallow, e / 0.1f);
            } else {
                col = mix(sand, grass, smoothstep(0.1f, 0.16f, e));
                col = mix(col, forest, smoothstep(0.3f, 0.45f, e + 0.1f * speckle) * 0.8f);
                col = mix(col, rock, smoothstep(0.5f, 0.62f, e));
                col = mix(col, darkRock, smoothstep(0.25f, 0.5f, slope) * smoothstep(0.2f, 0.3f, e));
                col = mix(col, snow, smoothstep(0.58f, 0.68f, e + 0.06f * speckle) * (1.0f - smoothstep(0.55f, 0.8f, slope)));
            }
            const float sun = std::max(0.0f, nx * lx + ny * ly + nz * lz);
            col = col * ((0.55f + 0.6f * sun) * (1.0f - 0.3f * hollow));
            // The show darkens by height; lift the middle heights so the valleys still read.
            col = col * (1.0f / (0.7f + 0.3f * e));
            uint8_t* out = &maps.colors[(size_t(y) * kSize + x) * 3];
            out[0] = uint8_t(std::lround(clamp01(col.r) * 255.0f));
            out[1] = uint8_t(std::lround(clamp01(col.g) * 255.0f));
            out[2] = uint8_t(std::lround(clamp01(col.b) * 255.0f));
        }
    return maps;
}

std::vector<PackFile> makeTerrainFiles()
{
    TerrainMaps maps = makeTerrain();
    return {{kHeightMapFile, std::move(maps.heights)}, {kColorMapFile, std::move(maps.colors)}};
}
