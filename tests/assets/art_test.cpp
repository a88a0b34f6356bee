#include "Animations.h"
#include "AssetTestUtil.h"
#include "Film.h"
#include "Terrain.h"
#include "Textures.h"
#include "Titles.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// The difference across the wrap seam against the worst difference between
// two neighbouring interior columns (or rows): a picture that tiles has no
// seam worse than its own edges and grid lines.
double seamRatio(const std::vector<float>& v, int w, int h, int channels, bool acrossColumns)
{
    const int n = acrossColumns ? w : h, m = acrossColumns ? h : w;
    const auto pairDifference = [&](int a, int b) {
        double sum = 0.0;
        for (int i = 0; i < m; ++i)
            for (int c = 0; c < channels; ++c) {
                const size_t ia = acrossColumns ? (size_t(i) * w + a) : (size_t(a) * w + i);
                const size_t ib = acrossColumns ? (size_t(i) * w + b) : (size_t(b) * w + i);
                sum += std::fabs(v[ia * channels + c] - v[ib * channels + c]);
            }
        return sum;
    };
    double worst = 1e-9;
    for (int a = 0; a + 1 < n; ++a)
        worst = std::max(worst, pairDifference(a, a + 1));
    return pairDifference(n - 1, 0) / worst;
}

// Means of 16 × 16 blocks: what the eye follows when thin lines move.
Rgba8 blocks(const Rgba8& image)
{
    Rgba8 out;
    out.width = image.width / 16;
    out.height = image.height / 16;
    out.px.assign(size_t(out.width) * out.height * 4, 0);
    for (int by = 0; by < out.height; ++by)
        for (int bx = 0; bx < out.width; ++bx)
            for (int c = 0; c < 4; ++c) {
                int sum = 0;
                for (int y = 0; y < 16; ++y)
                    for (int x = 0; x < 16; ++x)
                        sum += image.at(bx * 16 + x, by * 16 + y)[c];
                out.px[(size_t(by) * out.width + bx) * 4 + c] = uint8_t(sum / 256);
            }
    return out;
}

std::vector<float> colours(const Canvas& c)
{
    std::vector<float> v;
    for (size_t i = 0; i < c.px.size(); ++i)
        if (i % 4 != 3)
            v.push_back(c.px[i]);
    return v;
}

} // namespace

TEST(Animations, TheBackgroundLoopClosesWithoutAJump)
{
    std::vector<Rgba8> frames;
    for (int i = 0; i < kLoopFrames; ++i)
        frames.push_back(decodePng(makeLoopFrame(i).bytes));
    double largest = 0.0;
    for (int i = 0; i + 1 < kLoopFrames; ++i)
        largest = std::max(largest, meanDifference(frames[size_t(i)], frames[size_t(i) + 1]));
    EXPECT_GT(largest, 0.5) << "the loop should move";
    EXPECT_LE(meanDifference(frames.back(), frames.front()), largest * 1.2);
    // Opaque: it is the whole background.
    for (size_t i = 3; i < frames[0].px.size(); i += 4)
        ASSERT_EQ(frames[0].px[i], 255);
}

TEST(Animations, TheFigureMorphsSmoothlySoItReadsBothWays)
{
    std::vector<Rgba8> frames;
    for (int i : {0, 1, 9, 10, 17, 18})
        frames.push_back(decodePng(makeFigureFrame(i).bytes));
    const double whole = meanDifference(blocks(frames.front()), blocks(frames.back()));
    for (size_t i = 0; i < frames.size(); i += 2) {
        const double step = meanDifference(blocks(frames[i]), blocks(frames[i + 1]));
        EXPECT_GT(step, 0.05);
        EXPECT_LT(step, whole * 0.6) << "a jump between neighbouring frames " << i;
    }
    // Add-mode: the corners stay black.
    EXPECT_EQ(frames[2].at(0, 0)[0] + frames[2].at(511, 383)[1], 0);
}

TEST(Textures, TunnelTexturesTileBothWays)
{
    for (const Canvas& t : {orangeTunnelTexture(), blueTunnelTexture()}) {
        ASSERT_EQ(t.width, 256);
        ASSERT_EQ(t.height, 256);
        const std::vector<float> v = colours(t);
        EXPECT_LT(seamRatio(v, 256, 256, 3, true), 1.05);
        EXPECT_LT(seamRatio(v, 256, 256, 3, false), 1.05);
    }
}

TEST(Terrain, WrapsSpreadsItsHeightsAndIsBrightHighUp)
{
    const TerrainMaps maps = makeTerrain();
    ASSERT_EQ(maps.heights.size(), 65536u);
    ASSERT_EQ(maps.colors.size(), 196608u);
    const auto [lo, hi] = std::minmax_element(maps.heights.begin(), maps.heights.end());
    EXPECT_EQ(*lo, 0);
    EXPECT_EQ(*hi, 255);
    std::vector<float> h(maps.heights.begin(), maps.heights.end());
    EXPECT_LT(seamRatio(h, 256, 256, 1, true), 1.05);
    EXPECT_LT(seamRatio(h, 256, 256, 1, false), 1.05);
    std::vector<float> c(maps.colors.begin(), maps.colors.end());
    EXPECT_LT(seamRatio(c, 256, 256, 3, true), 1.05);
    EXPECT_LT(seamRatio(c, 256, 256, 3, false), 1.05);
    // Every height band is used, and the peaks are lighter than the valleys.
    int bands[4] = {0, 0, 0, 0};
    double low = 0, high = 0;
    int lowN = 0, highN = 0;
    for (size_t i = 0; i < maps.heights.size(); ++i) {
        ++bands[maps.heights[i] / 64];
        const double luma = maps.colors[i * 3] + maps.colors[i * 3 + 1] + maps.colors[i * 3 + 2];
        if (maps.heights[i] < 64) {
            low += luma;
            ++lowN;
        } else if (maps.heights[i] >= 192) {
            high += luma;
            ++highN;
        }
    }
    for (int b : bands)
        EXPECT_GT(b, 500);
    EXPECT_GT(high / highN, low / lowN);
}

TEST(Film, GrainIsFaintAndTheVignetteClearInTheMiddle)
{
    const std::vector<PackFile> files = makeFilmLayers();
    const Rgba8 grain = decodePng(files[0].bytes);
    ASSERT_EQ(grain.width, kGrainW);
    ASSERT_EQ(grain.height, kGrainH);
    double sum = 0;
    int top = 0;
    for (size_t i = 0; i < grain.px.size(); i += 4) {
        top = std::max(top, int(grain.px[i]));
        sum += grain.px[i];
    }
    EXPECT_LE(top, kGrainMax);
    EXPECT_GT(sum / (grain.px.size() / 4), 3.0);

    const Rgba8 vignette = decodePng(files[1].bytes);
    EXPECT_EQ(vignette.at(256, 192)[0], 0);
    EXPECT_EQ(vignette.at(256, 191)[0], 0);
    EXPECT_GT(vignette.at(0, 0)[0], 120);
    EXPECT_LT(vignette.at(60, 192)[0], vignette.at(0, 192)[0]);
}

TEST(Titles, WhiteIsWhiteAndTheLogoSitsOnBlack)
{
    const Rgba8 white = decodePng(makeWhite().bytes);
    EXPECT_TRUE(std::all_of(white.px.begin(), white.px.end(), [](uint8_t b) { return b == 255; }));
    const Rgba8 logo = decodePng(makeLogo(testFonts()).bytes);
    EXPECT_EQ(logo.at(0, 0)[0] + logo.at(0, 0)[1] + logo.at(0, 0)[2], 0);
    EXPECT_GT(logo.at(256, 178)[2] + logo.at(200, 178)[2] + logo.at(300, 170)[2], 0);
}
