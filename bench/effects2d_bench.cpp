#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "effects/CAExp.h"
#include "effects/PutBuffer.h"
#include "effects/Tunnel.h"
#include "effects/Voxel.h"

namespace {

void fillRandom(PixelBuffer& b, unsigned seed)
{
    std::mt19937 rng(seed);
    std::generate_n(b.pixels, b.pixelCount, [&] { return uint32_t(rng()); });
}

void putBuffer(benchmark::State& state, uint8_t mode, uint16_t w, uint16_t h)
{
    PixelBuffer target("FrameBuffer", 512, 384), source("picture", w, h);
    fillRandom(target, 1);
    fillRandom(source, 2);
    PutBuffer p;
    p.flag = 1;
    p.pixelRef = &target;
    p.fromBuffer = &source;
    p.blendmode = mode;
    p.alpha = 200;
    p.posX = uint16_t((512 - w) / 2);
    p.posY = (384 - h) / 2;
    for (auto _ : state) {
        p.draw();
        benchmark::DoNotOptimize(target.pixels);
        benchmark::ClobberMemory();
    }
}

void BM_PutBufferAdd(benchmark::State& state) { putBuffer(state, 1, 512, 384); }
void BM_PutBufferSubtract(benchmark::State& state) { putBuffer(state, 2, 512, 384); }
void BM_PutBufferBlend(benchmark::State& state) { putBuffer(state, 3, 512, 384); }
void BM_PutBufferBlendSmall(benchmark::State& state) { putBuffer(state, 3, 200, 150); }

void BM_Tunnel(benchmark::State& state)
{
    PixelBuffer target("FrameBuffer", 512, 384), texture("texture", 256, 256);
    fillRandom(texture, 3);
    Tunnel t;
    t.flag = 1;
    t.pixelRef = &target;
    t.fromBuffer = &texture;
    for (auto _ : state) {
        t.time += 0.01f;
        t.draw();
        benchmark::DoNotOptimize(target.pixels);
        benchmark::ClobberMemory();
    }
}

void BM_CAExp(benchmark::State& state)
{
    PixelBuffer target("FrameBuffer", 512, 384);
    std::mt19937 rng(4);
    std::generate_n(target.pixels, target.pixelCount, [&] { return rng() % 2 ? 0xffffffu : 0u; });
    CAExp ca;
    ca.flag = 1;
    ca.pixelRef = &target;
    for (auto _ : state) {
        ca.draw();
        benchmark::DoNotOptimize(target.pixels);
        benchmark::ClobberMemory();
    }
}

// Octaves of smoothed value noise, wrapping at 256 like the map itself.
std::vector<uint8_t> fractalHeights()
{
    std::mt19937 rng(5);
    std::vector<float> sum(65536, 0.0f);
    for (int size = 4, octave = 0; size <= 256; size *= 2, ++octave) {
        std::vector<float> grid(size * size);
        std::generate(grid.begin(), grid.end(), [&] { return float(rng() % 1000) / 1000.0f; });
        const float weight = 1.0f / float(1 << octave);
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) {
                const float gx = float(x) * float(size) / 256.0f, gy = float(y) * float(size) / 256.0f;
                const int x0 = int(gx), y0 = int(gy), x1 = (x0 + 1) % size, y1 = (y0 + 1) % size;
                const float fx = gx - float(x0), fy = gy - float(y0);
                const float top = grid[y0 * size + x0] * (1 - fx) + grid[y0 * size + x1] * fx;
                const float bottom = grid[y1 * size + x0] * (1 - fx) + grid[y1 * size + x1] * fx;
                sum[y * 256 + x] += weight * (top * (1 - fy) + bottom * fy);
            }
    }
    const auto [lo, hi] = std::minmax_element(sum.begin(), sum.end());
    std::vector<uint8_t> heights(65536);
    for (int i = 0; i < 65536; ++i)
        heights[i] = uint8_t(255.0f * (sum[i] - *lo) / (*hi - *lo));
    return heights;
}

void BM_Voxel(benchmark::State& state)
{
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("effects2d_bench_" + std::to_string(getpid()));
    fs::create_directories(dir / "tarnolm");
    const std::vector<uint8_t> heights = fractalHeights();
    std::vector<uint8_t> rgb(3 * 65536);
    for (int i = 0; i < 65536; ++i) { // green valleys, brown hills
        rgb[3 * i] = uint8_t(heights[i] / 2 + 40);
        rgb[3 * i + 1] = uint8_t(200 - heights[i] / 2);
        rgb[3 * i + 2] = uint8_t(heights[i] / 4);
    }
    std::ofstream(dir / "tarnolm/heightmap.raw", std::ios::binary)
        .write(reinterpret_cast<const char*>(heights.data()), std::streamsize(heights.size()));
    std::ofstream(dir / "tarnolm/heightmapcol.raw", std::ios::binary)
        .write(reinterpret_cast<const char*>(rgb.data()), std::streamsize(rgb.size()));
    Voxel v(dir.string());
    fs::remove_all(dir);

    PixelBuffer target("FrameBuffer", 512, 384);
    v.flag = 1;
    v.pixelRef = &target;
    v.goForwardAmount = 3;
    for (auto _ : state) {
        v.goForward += 0.25f;
        ++v.offsetX;
        v.draw();
        benchmark::DoNotOptimize(target.pixels);
        benchmark::ClobberMemory();
    }
}

} // namespace

BENCHMARK(BM_PutBufferAdd)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PutBufferSubtract)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PutBufferBlend)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PutBufferBlendSmall)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Tunnel)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CAExp)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Voxel)->Unit(benchmark::kMicrosecond);
