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
#include "effects/Fill.h"
#include "effects/Noise.h"
#include "effects/PutBuffer.h"
#include "effects/Tunnel.h"
#include "effects/Voxel.h"

namespace {

void fillRandom(PixelBuffer& b, unsigned seed)
{
    std::mt19937 rng(seed);
    std::generate_n(b.pixels, b.pixelCount, [&] { return uint32_t(rng()); });
}

// Keeps the compiler from dropping a draw whose pixels nobody reads.
void drew(const PixelBuffer& target)
{
    benchmark::DoNotOptimize(target.pixels);
    benchmark::ClobberMemory();
}

void BM_Clear(benchmark::State& state)
{
    PixelBuffer target("FrameBuffer", 512, 384);
    Clear c;
    c.flag = 1;
    c.pixelRef = &target;
    for (auto _ : state) {
        c.draw();
        drew(target);
    }
}

void BM_Box(benchmark::State& state)
{
    PixelBuffer target("FrameBuffer", 512, 384);
    Box b;
    b.flag = 1;
    b.pixelRef = &target;
    b.color = 0xff8040;
    for (auto _ : state) {
        b.posX = uint16_t((b.posX + 7) % 480);
        b.posY = uint16_t((b.posY + 5) % 352);
        b.draw();
        drew(target);
    }
}

void BM_Circle(benchmark::State& state)
{
    PixelBuffer target("FrameBuffer", 512, 384);
    Circle c;
    c.flag = 1;
    c.pixelRef = &target;
    c.color = 0x80;
    for (auto _ : state) {
        c.posX = (c.posX + 7) % 480;
        c.posY = (c.posY + 5) % 352;
        c.draw();
        drew(target);
    }
}

void BM_Noise(benchmark::State& state)
{
    PixelBuffer target("FrameBuffer", 512, 384);
    Noise n;
    n.flag = 1;
    n.pixelRef = &target;
    n.color = 0xffc080;
    for (auto _ : state) {
        n.draw();
        drew(target);
    }
}

void BM_GradientReflected(benchmark::State& state)
{
    PixelBuffer target("FrameBuffer", 512, 384);
    GradientReflected g;
    g.flag = 1;
    g.pixelRef = &target;
    g.color = 0x40c0ff;
    for (auto _ : state) {
        g.draw();
        drew(target);
    }
}

// PutBuffer with the show's settings for one use: the source's size, mode,
// alpha, jitter, wobble and random row.
struct PutSettings {
    uint16_t w, h;
    uint8_t mode, alpha;
    bool jitter = false, wobble = false, randomRow = false;
};

void putBuffer(benchmark::State& state, const PutSettings& s)
{
    PixelBuffer target("FrameBuffer", 512, 384), source("picture", s.w, s.h);
    fillRandom(target, 1);
    fillRandom(source, 2);
    PutBuffer p;
    p.flag = 1;
    p.pixelRef = &target;
    p.fromBuffer = &source;
    p.blendmode = s.mode;
    p.alpha = s.alpha;
    p.randFlag = s.jitter;
    p.randAmount = 9;
    p.sinewave = s.wobble;
    p.amplitude = 40;
    p.random2 = s.randomRow;
    const int32_t y = (384 - s.h) / 2;
    p.posX = uint16_t((512 - s.w) / 2);
    for (auto _ : state) {
        p.posY = y;
        p.time += 0.05f;
        p.draw();
        drew(target);
    }
}

// Full-frame animation frames, copied.
void BM_PutBufferCopy(benchmark::State& state) { putBuffer(state, {512, 384, 0, 0}); }
// The film grain: a 512 x 1278 noise picture added (and subtracted) from a random row.
void BM_PutBufferAddGrain(benchmark::State& state) { putBuffer(state, {512, 1278, 1, 255, false, false, true}); }
void BM_PutBufferSubtractGrain(benchmark::State& state) { putBuffer(state, {512, 1278, 2, 255, false, false, true}); }
// The vignette, subtracted over the tunnel and the animations.
void BM_PutBufferSubtract(benchmark::State& state) { putBuffer(state, {512, 384, 2, 255}); }
// A title in the middle of its fade.
void BM_PutBufferAddHalf(benchmark::State& state) { putBuffer(state, {512, 384, 1, 128}); }
// The end titles, switched on but faded out for most of the show.
void BM_PutBufferAddFaded(benchmark::State& state) { putBuffer(state, {512, 384, 1, 0}); }
// Shaking words, faded out but still darkening what is under them.
void BM_PutBufferBlendWordFaded(benchmark::State& state) { putBuffer(state, {249, 73, 3, 0, true}); }
void BM_PutBufferBlendWord(benchmark::State& state) { putBuffer(state, {249, 73, 3, 255, true}); }
// The wobbling bacon over the landscape.
void BM_PutBufferBlendWobble(benchmark::State& state) { putBuffer(state, {410, 260, 3, 255, true, true}); }
// The tunnel's pig, full frame.
void BM_PutBufferBlendFull(benchmark::State& state) { putBuffer(state, {512, 384, 3, 200, true}); }

// The grain's two passes and the vignette, drawn together from grey copies
// band by band, as the production draws them.
void BM_GrainAndVignetteTogether(benchmark::State& state)
{
    std::mt19937 rng(3);
    std::vector<uint8_t> grain(512 * 1278), vignette(512 * 384);
    std::generate(grain.begin(), grain.end(), [&] { return uint8_t(rng() % 25); });
    std::generate(vignette.begin(), vignette.end(), [&] { return uint8_t(rng()); });
    PixelBuffer target("FrameBuffer", 512, 384);
    fillRandom(target, 1);
    for (auto _ : state) {
        const size_t add = 512 * (rng() % 895), subtract = 512 * (rng() % 895);
        const SaturatingPass passes[] = {{nullptr, grain.data() + add, 255, false},
                                         {nullptr, grain.data() + subtract, 255, true},
                                         {nullptr, vignette.data(), 255, true}};
        for (size_t from = 0; from < target.pixelCount; from += 16 * 512)
            applyPasses(target.pixels + from, 16 * 512, from, passes, 3, nullptr);
        drew(target);
    }
}

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
        drew(target);
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
        drew(target);
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

void flyOver(benchmark::State& state, Voxel& v);

void BM_Voxel(benchmark::State& state)
{
    namespace fs = std::filesystem;
    // The show's own maps when run from a tree with the data pack, else made up.
    if (fs::exists("data/tarnolm/heightmap.raw")) {
        Voxel v("data");
        flyOver(state, v);
        return;
    }
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
    flyOver(state, v);
}

void flyOver(benchmark::State& state, Voxel& v)
{
    PixelBuffer target("FrameBuffer", 512, 384);
    v.flag = 1;
    v.pixelRef = &target;
    v.goForwardAmount = 10; // the show's flight: 210 units back over 25 s
    v.goForward = 210.0f;
    for (auto _ : state) {
        v.goForward = v.goForward < 0.0f ? 210.0f : v.goForward - 0.14f;
        v.offsetX = uint8_t(v.offsetX + 2);
        v.draw();
        drew(target);
    }
}

// One update of a PutBuffer keyed like the show's busiest flash: 17 segments
// over six variables, swept across the show.
void BM_Evaluate(benchmark::State& state)
{
    PixelBuffer frame("FrameBuffer", 512, 384);
    PutBuffer p;
    p.initVariables(&frame);
    p.getVariable("blendmode")->addSegmentWithMode(1, 1, nullptr, Linear, 0, 200);
    for (int k = 0; k < 4; ++k) {
        const float t = 12000.0f + 20000.0f * float(k);
        p.getVariable("flag")->addSegmentWithMode(1, 1, nullptr, Linear, t, t + 100);
        p.getVariable("blendmode")->addSegmentWithMode(2, 2, nullptr, Linear, t, t + 100);
        p.getVariable("alpha")->addSegmentWithMode(0, 255, nullptr, Linear, t + 100, t + 500);
        p.getVariable("flag")->addSegmentWithMode(0, 0, nullptr, Linear, t + 1400, t + 1500);
    }
    p.applyBaseValues();
    float time = 0;
    for (auto _ : state) {
        time = time > 118000.0f ? 0.0f : time + 16.0f;
        p.update(time);
        benchmark::DoNotOptimize(p.alpha);
    }
}

} // namespace

BENCHMARK(BM_Clear)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Box)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Circle)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Noise)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GradientReflected)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PutBufferCopy)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PutBufferAddGrain)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PutBufferSubtractGrain)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PutBufferSubtract)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PutBufferAddHalf)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PutBufferAddFaded)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PutBufferBlendWordFaded)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PutBufferBlendWord)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PutBufferBlendWobble)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PutBufferBlendFull)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GrainAndVignetteTogether)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Tunnel)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CAExp)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Voxel)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Evaluate)->Unit(benchmark::kMicrosecond);
