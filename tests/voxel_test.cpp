#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "base/Workers.h"
#include "effects/Voxel.h"
#include "effects/VoxelOps.h"
#include "params/Truncate.h"

namespace fs = std::filesystem;

namespace {

class VoxelTest : public ::testing::Test {
protected:
    const fs::path dir = fs::temp_directory_path() / ("voxel_test_" + std::to_string(getpid()));
    PixelBuffer target{"FrameBuffer", 512, 384};

    void SetUp() override { fs::create_directories(dir / "tarnolm"); }
    void TearDown() override { fs::remove_all(dir); }

    // Writes both maps, then makes a Voxel that reads them and draws into target.
    std::unique_ptr<Voxel> make(const std::vector<uint8_t>& heights, const std::vector<uint8_t>& rgb)
    {
        for (auto [name, bytes] : {std::pair{"heightmap.raw", &heights}, {"heightmapcol.raw", &rgb}})
            std::ofstream(dir / "tarnolm" / name, std::ios::binary)
                .write(reinterpret_cast<const char*>(bytes->data()), std::streamsize(bytes->size()));
        auto v = std::make_unique<Voxel>(dir.generic_string());
        v->flag = 1;
        v->pixelRef = &target;
        return v;
    }

    uint32_t at(int x, int y) const { return target.pixels[y * 512 + x]; }
};

// Sample by sample, nothing precomputed.
std::vector<uint32_t> referenceFrame(const Voxel& v)
{
    const auto wrap = [](int64_t a) { return int((a % 256 + 256) % 256); };
    const int u = truncToInt32((v.xAxisBase * v.xAxisScale + v.xAxisOffset) * v.xAxisGain);
    const int w = truncToInt32((v.yAxisBase * v.yAxisScale + v.yAxisOffset) * v.yAxisGain);
    const int E = wrap(-int64_t(truncToInt32(float(v.goForwardAmount) * v.goForward)));
    std::vector<uint32_t> out(512 * 384, 0);
    for (int n = 0; n < 512; ++n)
        for (int K = 0, yTop = 383; K < 255; ++K) {
            const int ox = int(std::floor((n - 256) * K / 256.0));
            const int cell = wrap(E - K + v.offsetY + w) * 256 + wrap(ox + v.offsetX + u);
            const uint32_t col = v.colorMap[cell];
            const float Y = v.heightMap[cell] / 256.0f;
            const uint32_t p = uint32_t(float(col >> 16) * Y) << 16 | uint32_t(float(col >> 8 & 255) * Y) << 8 |
                               uint32_t(float(col & 255) * Y);
            for (const int s = (271 - v.heightMap[cell]) * 32 / (K + 1); s < yTop; --yTop)
                out[yTop * 512 + n] = p;
        }
    return out;
}

// Smooth hills with some grit, or cliffs: long spans, and groups of columns
// hidden behind a ridge.
std::vector<uint8_t> terrain(std::mt19937& rng, bool cliffs)
{
    std::vector<uint8_t> heights(65536);
    for (int i = 0; i < 65536; ++i)
        heights[i] = cliffs ? (i / 256 / 9 + i % 256 / 23) % 3 == 0 ? uint8_t(255 - rng() % 8) : uint8_t(rng() % 30)
                            : uint8_t(128 + 60 * std::sin(i % 256 * 0.05) * std::cos(i / 256 * 0.07) + rng() % 40);
    return heights;
}

} // namespace

TEST_F(VoxelTest, ReadsMapsAndReportsMissingFiles)
{
    const auto v = make({1, 2, 3}, {10, 20, 30, 40});
    EXPECT_EQ(v->heightMap[2], 3);
    EXPECT_EQ(v->heightMap[3], 255) << "missing bytes read as 255";
    EXPECT_EQ(v->colorMap[0], 0x0a141eu);
    EXPECT_EQ(v->colorMap[1], 0x28ffffu);

    fs::remove(dir / "tarnolm/heightmap.raw");
    const std::string path = dir.generic_string() + "/tarnolm/heightmap.raw";
    try {
        Voxel missing(dir.generic_string());
        ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find(path + ": No such file or directory"), std::string::npos) << e.what();
    }
    fs::create_directory(path);
    EXPECT_THROW(Voxel directory(dir.generic_string()), std::runtime_error) << "a directory is not a map";
}

TEST_F(VoxelTest, ProjectsFillsAndShadesColumns)
{
    // Flat height 128, white: every drawn pixel is 255 * 128 / 256 = 127; the
    // farthest step reaches row 4576 / 255 = 17 and the rows above it stay clear.
    std::fill_n(target.pixels, target.pixelCount, 0xdeadbeefu);
    make(std::vector<uint8_t>(65536, 128), std::vector<uint8_t>(3 * 65536, 255))->draw();
    for (int y : {0, 17, 18, 383})
        EXPECT_EQ(at(100, y), y < 18 ? 0u : 0x7f7f7fu) << y;

    // Flat 0 with peaks in map row 2, the row that step 254 samples. Columns
    // 0 and 1 sample map column 2 there, column 511 samples 253.
    std::vector<uint8_t> heights(65536, 0);
    heights[2 * 256 + 2] = heights[2 * 256 + 253] = 255;
    make(heights, std::vector<uint8_t>(3 * 65536, 255))->draw();
    for (int x : {0, 1, 2, 511}) {
        const uint32_t peak = x == 2 ? 0u : 0xfefefeu;
        EXPECT_EQ(at(x, 2), 0u) << x;
        EXPECT_EQ(at(x, 3), peak) << "height 255 at step 254 projects to row 2";
        EXPECT_EQ(at(x, 34), peak) << "height 0 at step 253 filled up to row 35";
        EXPECT_EQ(at(x, 35), 0u) << "height 0 is drawn black";
    }
}

TEST(VoxelDivisor, DividesEveryRowNumeratorExactly)
{
    for (uint32_t d = 1; d <= 255; ++d) {
        const voxel::Divisor div = voxel::divisor(d);
        ASSERT_LT(16383u * div.multiplier, 1u << 30) << d;
        for (uint32_t x = 0; x < 16384; ++x)
            ASSERT_EQ(x * div.multiplier >> div.shift, x / d) << x << " / " << d;
    }
}

// With the columns split as one, two and three threads split them, on smooth
// hills and on cliffs (long spans, and groups of columns hidden behind a
// ridge), all over the wrapping map. The simd label runs it in every form.
TEST_F(VoxelTest, MatchesSampleBySampleFrames)
{
    std::mt19937 rng(9);
    const std::vector<uint8_t> hills = terrain(rng, false), cliffs = terrain(rng, true);
    std::vector<uint8_t> rgb(3 * 65536);
    std::generate(rgb.begin(), rgb.end(), rng);
    Workers one, two(2), three(3);
    for (const auto* heights : {&hills, &cliffs}) {
        const auto voxel = make(*heights, rgb);
        Voxel& v = *voxel;
        for (int round = 0; round < 6; ++round) {
            v.goForward = float(rng() % 20000) / 7.0f - 1000.0f;
            v.goForwardAmount = uint16_t(rng());
            v.offsetX = uint8_t(rng()), v.offsetY = uint8_t(rng());
            if (round == 3) // the base and gain terms shift the map too
                v.xAxisBase = 3.5f, v.yAxisBase = -7.25f, v.xAxisGain = 1.5f, v.yAxisGain = -2.0f,
                v.yAxisOffset = 11.0f;
            const std::vector<uint32_t> expected = referenceFrame(v);
            for (Workers* workers : {&one, &two, &three}) {
                v.offsetY += 97; // another picture first, so no pixel is left from the last draw
                v.draw();
                v.offsetY -= 97;
                std::fill_n(target.pixels, target.pixelCount, 0xdeadbeefu);
                ASSERT_EQ(v.beginDraw(*workers).kind, DrawPlan::Rows);
                v.drawRows(0, 384);
                ASSERT_EQ(std::vector<uint32_t>(target.pixels, target.pixels + target.pixelCount), expected)
                    << (heights == &hills ? "hills" : "cliffs") << ", round " << round << ", "
                    << simdName(simdLevel()) << ", " << workers->threads() << " threads";
            }
        }
    }

    const auto voxel = make(hills, rgb);
    Voxel& v = *voxel;
    PixelBuffer small("small", 512, 383);
    std::fill_n(small.pixels, small.pixelCount, 7u);
    for (PixelBuffer* other : {&small, static_cast<PixelBuffer*>(nullptr)}) {
        v.pixelRef = other;
        v.draw();
    }
    EXPECT_EQ(std::count(small.pixels, small.pixels + small.pixelCount, 7u), 512 * 383);
}

// Every vector form of the column march against the portable one, over the
// whole width and over ranges of groups as threads take them, from anywhere
// on the map: the same tops, the same rows below them, and nothing written
// outside the range's columns or the canvas.
TEST(VoxelMarch, VectorFormsMatchThePortableOne)
{
    using namespace voxel;
    std::mt19937 rng(10);
    constexpr size_t kGuard = 64, kCanvas = size_t(kColumnStride) * kWidth;
    constexpr uint32_t kUnwritten = 0xdeadbeef;
    for (bool cliffs : {false, true}) {
        const std::vector<uint8_t> heights = terrain(rng, cliffs);
        std::vector<uint32_t> colours(65536), cells(kCellRow * 256);
        std::vector<uint8_t> reach(65536);
        std::generate(colours.begin(), colours.end(), [&] { return rng() & 0xffffff; });
        for (uint32_t i = 0; i < cells.size(); ++i) { // the first kGroup cells of a row again at its end
            const uint32_t cell = i / kCellRow * 256 + i % kCellRow % 256;
            cells[i] = uint32_t(heights[cell]) << 24 | colours[cell];
        }
        for (uint32_t i = 0; i < reach.size(); ++i)
            for (uint32_t j = 0; j < kGroup; ++j)
                reach[i] = std::max(reach[i], heights[(i & ~0xffu) | ((i + j) & 0xff)]);
        for (int round = 0; round < 8; ++round) {
            const uint32_t first = round < 2 ? 0 : kGroup * (rng() % (kWidth / kGroup));
            const uint32_t end = round < 2 ? kWidth : first + kGroup * (1 + rng() % ((kWidth - first) / kGroup));
            const uint8_t mapX = uint8_t(rng()), mapY = uint8_t(rng());
            const auto march = [&](const VoxelOps& ops, std::vector<uint32_t>& canvas, std::vector<int32_t>& top) {
                canvas.assign(kCanvas + 2 * kGuard, kUnwritten);
                top.assign(kWidth, -1);
                ops.march({cells.data(), reach.data(), canvas.data() + kGuard, mapX, mapY}, first, end, top.data());
            };
            std::vector<uint32_t> expected, got;
            std::vector<int32_t> expectedTop, gotTop;
            march(voxelOps(SimdLevel::Portable), expected, expectedTop);
            for (SimdLevel level : {SimdLevel::Sse2, SimdLevel::Avx2}) {
                if (!simdAvailable(level))
                    continue;
                march(voxelOps(level), got, gotTop);
                const std::string where = std::string(simdName(level)) + (cliffs ? ", cliffs" : ", hills") +
                                          ", columns " + std::to_string(first) + " ... " + std::to_string(end);
                ASSERT_EQ(gotTop, expectedTop) << where;
                const auto unwritten = [&](size_t from, size_t count) {
                    return std::all_of(got.begin() + from, got.begin() + from + count,
                                       [&](uint32_t w) { return w == kUnwritten; });
                };
                for (uint32_t n = 0; n < uint32_t(kWidth); ++n) {
                    const size_t column = kGuard + n * kColumnStride, drawn = kColumnPad + gotTop[n] + 1;
                    if (n < first || n >= end)
                        ASSERT_TRUE(unwritten(column, kColumnStride)) << where << ": column " << n << " written";
                    else
                        ASSERT_TRUE(std::equal(got.begin() + column + drawn, got.begin() + column + kColumnStride,
                                               expected.begin() + column + drawn))
                            << where << ": column " << n << " below row " << gotTop[n];
                }
                ASSERT_TRUE(unwritten(0, kGuard) && unwritten(kGuard + kCanvas, kGuard))
                    << where << ": written outside the canvas";
            }
        }
    }
}
