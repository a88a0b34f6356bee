#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "effects/Voxel.h"
#include "params/Truncate.h"

namespace fs = std::filesystem;

namespace {

class VoxelTest : public ::testing::Test {
protected:
    fs::path dir = fs::temp_directory_path() /
                   ("voxel_test_" + std::to_string(getpid()) + "_" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name());
    PixelBuffer target{"FrameBuffer", 512, 384};

    void SetUp() override { fs::create_directories(dir / "tarnolm"); }
    void TearDown() override { fs::remove_all(dir); }

    void writeMaps(const std::vector<uint8_t>& heights, const std::vector<uint8_t>& rgb)
    {
        std::ofstream(dir / "tarnolm/heightmap.raw", std::ios::binary)
            .write(reinterpret_cast<const char*>(heights.data()), std::streamsize(heights.size()));
        std::ofstream(dir / "tarnolm/heightmapcol.raw", std::ios::binary)
            .write(reinterpret_cast<const char*>(rgb.data()), std::streamsize(rgb.size()));
    }

    std::unique_ptr<Voxel> make()
    {
        auto v = std::make_unique<Voxel>(dir.string());
        v->flag = 1;
        v->pixelRef = &target;
        return v;
    }

    uint32_t at(int x, int y) const { return target.pixels[y * 512 + x]; }
};

// Smooth random hills and random colours.
void hills(std::vector<uint8_t>& heights, std::vector<uint8_t>& rgb, unsigned seed)
{
    std::mt19937 rng(seed);
    heights.assign(65536, 0);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            heights[y * 256 + x] = uint8_t(128 + 60 * std::sin(x * 0.05 + seed) * std::cos(y * 0.07) + rng() % 40);
    rgb.resize(3 * 65536);
    std::generate(rgb.begin(), rgb.end(), [&] { return uint8_t(rng()); });
}

// Sample by sample, nothing precomputed.
std::vector<uint32_t> referenceFrame(const Voxel& v)
{
    const auto wrap = [](int64_t a) { return int((a % 256 + 256) % 256); };
    const int u = truncToInt32((v.xAxisBase * v.xAxisScale + v.xAxisOffset) * v.xAxisGain);
    const int w = truncToInt32((v.yAxisBase * v.yAxisScale + v.yAxisOffset) * v.yAxisGain);
    const int E = wrap(-int64_t(truncToInt32(float(v.goForwardAmount) * v.goForward)));
    std::vector<uint32_t> out(512 * 384, 0);
    for (int n = 0; n < 512; ++n) {
        int yTop = 383;
        for (int K = 0; K < 255; ++K) {
            const int ox = int(std::floor((n - 256) * K / 256.0));
            const int cell = wrap(E - K + v.offsetY + w) * 256 + wrap(ox + v.offsetX + u);
            const int h = v.heightMap[cell];
            const uint32_t col = v.colorMap[cell];
            const float Y = h / 256.0f;
            const uint32_t p = uint32_t(float(col >> 16) * Y) << 16 | uint32_t(float(col >> 8 & 255) * Y) << 8 |
                               uint32_t(float(col & 255) * Y);
            const int s = (271 - h) * 32 / (K + 1);
            for (; s < yTop; --yTop)
                out[yTop * 512 + n] = p;
        }
    }
    return out;
}

} // namespace

TEST_F(VoxelTest, ReadsMapsAndRegistersVariables)
{
    writeMaps({1, 2, 3}, {10, 20, 30, 40});
    const auto voxel = make();
    const Voxel& v = *voxel;
    EXPECT_STREQ(v.name, "Voxel");
    std::string names;
    for (const VarRecord& r : v.variables)
        names += r.name + ":" + r.typeName + ",";
    EXPECT_EQ(names, "flag:unsigned char *,goForward:float *,goForwardAmount:unsigned short *,xAxisOffset:float *,"
                     "yAxisOffset:float *,offsetX:unsigned char *,offsetY:unsigned char *,"
                     "pixelRef:struct PixelBuffer * *,");
    EXPECT_EQ(v.heightMap[2], 3);
    EXPECT_EQ(v.heightMap[3], 255) << "missing bytes read as 255";
    EXPECT_EQ(v.colorMap[0], 0x0a141eu);
    EXPECT_EQ(v.colorMap[1], 0x28ffffu);
    EXPECT_EQ(v.colorMap[65535], 0xffffffu);
}

TEST_F(VoxelTest, ReportsMapsItCannotRead)
{
    const std::string heights = (dir / "tarnolm/heightmap.raw").string();
    try {
        Voxel v(dir.string());
        FAIL() << "no maps, no error";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find(heights + ": No such file or directory"), std::string::npos) << e.what();
    }
    writeMaps({}, {});
    fs::remove(dir / "tarnolm/heightmapcol.raw");
    fs::create_directory(dir / "tarnolm/heightmapcol.raw");
    EXPECT_THROW(Voxel v(dir.string()), std::runtime_error) << "a directory is not a map";
}

TEST_F(VoxelTest, ProjectsFillsAndShadesColumns)
{
    // Flat height 128, white: every drawn pixel is 255 * 0.5 = 127; the
    // farthest step reaches row 4576 / 255 = 17 and the rows above stay clear.
    writeMaps(std::vector<uint8_t>(65536, 128), std::vector<uint8_t>(3 * 65536, 255));
    std::fill_n(target.pixels, target.pixelCount, 0xdeadbeefu);
    make()->draw();
    for (int y : {0, 17, 18, 383})
        EXPECT_EQ(at(100, y), y < 18 ? 0u : 0x7f7f7fu) << y;

    // Flat 0 with two peaks in map row 2, the row that step 254 samples.
    // Columns 0 and 1 sample map column 2 there, column 511 samples 253.
    std::vector<uint8_t> heights(65536, 0);
    heights[2 * 256 + 2] = heights[2 * 256 + 253] = 255;
    writeMaps(heights, std::vector<uint8_t>(3 * 65536, 255));
    make()->draw();
    for (int x : {0, 1, 2, 511}) {
        const uint32_t peak = x == 2 ? 0u : 0xfefefeu;
        EXPECT_EQ(at(x, 2), 0u) << x;
        EXPECT_EQ(at(x, 3), peak) << "height 255 at step 254 projects to row 2";
        EXPECT_EQ(at(x, 34), peak) << "height 0 at step 253 filled up to row 35";
        EXPECT_EQ(at(x, 35), 0u) << "height 0 is drawn black";
    }
}

TEST_F(VoxelTest, MatchesSampleBySampleFramesAndWraps)
{
    std::vector<uint8_t> heights, rgb;
    hills(heights, rgb, 5);
    writeMaps(heights, rgb);
    const auto voxel = make();
    Voxel& v = *voxel;
    std::mt19937 rng(9);
    for (int round = 0; round < 6; ++round) {
        v.goForward = float(rng() % 20000) / 7.0f - 1000.0f;
        v.goForwardAmount = uint16_t(rng());
        v.offsetX = uint8_t(rng());
        v.offsetY = uint8_t(rng());
        if (round >= 3) { // base and gain terms shift the map too
            v.xAxisBase = 3.5f, v.yAxisBase = -7.25f, v.xAxisGain = 1.5f, v.yAxisGain = -2.0f;
            v.xAxisOffset = float(round), v.yAxisOffset = 11.0f;
        }
        v.draw();
        ASSERT_EQ(std::vector<uint32_t>(target.pixels, target.pixels + target.pixelCount), referenceFrame(v))
            << "round " << round;
    }

    // Flying 256 cells is a full lap; flying 3 equals a map row offset of -3.
    const auto frame = [&](float forward, uint16_t amount, uint8_t offsetY) {
        v.goForward = forward, v.goForwardAmount = amount, v.offsetY = offsetY;
        v.draw();
        return std::vector<uint32_t>(target.pixels, target.pixels + target.pixelCount);
    };
    v.xAxisGain = v.yAxisGain = 0.0f;
    EXPECT_EQ(frame(64.0f, 4, 0), frame(0.0f, 4, 0));
    EXPECT_EQ(frame(1.0f, 3, 0), frame(0.0f, 3, 253));
}

TEST_F(VoxelTest, LeavesOtherTargetsAlone)
{
    writeMaps({}, {});
    const auto voxel = make();
    Voxel& v = *voxel;
    PixelBuffer small("small", 512, 383);
    std::fill_n(small.pixels, small.pixelCount, 7u);
    v.pixelRef = &small;
    v.draw();
    EXPECT_EQ(std::count(small.pixels, small.pixels + small.pixelCount, 7u), 512 * 383);
    v.pixelRef = nullptr;
    v.draw();
    v.pixelRef = &target;
    std::fill_n(target.pixels, target.pixelCount, 7u);
    v.flag = 0;
    v.draw();
    EXPECT_EQ(std::count(target.pixels, target.pixels + target.pixelCount, 7u), 512 * 384);
}
