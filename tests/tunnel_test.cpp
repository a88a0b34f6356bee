#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>

#include "effects/Tunnel.h"

namespace {

// Texture pixel (row, col) holds row << 16 | col, so every target pixel says
// which texel it took.
struct Texture : PixelBuffer {
    Texture(uint16_t w, uint16_t h) : PixelBuffer("texture", w, h)
    {
        for (uint32_t r = 0; r < h; ++r)
            for (uint32_t c = 0; c < w; ++c)
                pixels[r * w + c] = r << 16 | c;
    }
};

} // namespace

TEST(Tunnel, RegistersItsVariablesAndBuildsItsTables)
{
    Tunnel t;
    EXPECT_STREQ(t.name, "Tunnel");
    ASSERT_EQ(t.variables.size(), 4u);
    EXPECT_EQ(t.variables[1].name + ":" + t.variables[1].typeName, "time:float *");
    EXPECT_EQ(t.variables[3].name + ":" + t.variables[3].typeName, "fromBuffer:struct PixelBuffer * *");
    const std::tuple<int, int, int, int> entries[] = {{0, 0, 25, -101},   {256, 0, 42, -63}, {0, 192, 32, 127},
                                                       {300, 250, 112, 37}, {257, 192, 0, 0}, {256, 193, 0, 63},
                                                       {256, 192, 0, 0}};
    for (const auto& [x, y, distance, angle] : entries) {
        EXPECT_EQ(t.distance[y * 512 + x], distance) << x << "," << y;
        EXPECT_EQ(t.angle[y * 512 + x], angle) << x << "," << y;
    }
}

TEST(Tunnel, LooksUpTexelsByUnsignedRemainder)
{
    Tunnel t;
    t.flag = 1;
    PixelBuffer target("target", 512, 384);
    t.pixelRef = &target;
    const int k = int(std::find(t.angle.get(), t.angle.get() + 512 * 384, -5) - t.angle.get());
    ASSERT_LT(k, 512 * 384);
    const int centre = 192 * 512 + 256;

    for (uint16_t h : {256, 384}) {
        Texture texture(256, h);
        t.fromBuffer = &texture;
        t.draw();
        EXPECT_EQ(target.pixels[centre], 0u) << "time 0: the centre shows texel (0, 0)";
        EXPECT_EQ(target.pixels[k] >> 16, 251u) << "angle -5 wraps as 2^32 - 5, also for height " << h;
    }

    // Whole picture, mask path and general path, against the formula; time
    // 1.0 moves columns by exactly w and rows by h / 4.
    const std::tuple<uint32_t, uint32_t, float> cases[] = {{256, 256, 1.0f}, {300, 384, 1.0f}, {64, 128, 2.37f},
                                                            {300, 7, -3.9f}};
    for (auto [w, h, time] : cases) {
        Texture texture{uint16_t(w), uint16_t(h)};
        t.fromBuffer = &texture;
        t.time = time;
        t.draw();
        const uint32_t u = uint32_t(int32_t(double(w) * time)), v = uint32_t(int32_t(double(h) * 0.25 * time));
        for (int i = 0; i < 512 * 384; ++i) {
            const uint32_t row = (uint32_t(t.angle[i]) + v) % h, col = (uint32_t(t.distance[i]) + u) % w;
            ASSERT_EQ(target.pixels[i], row << 16 | col) << w << "x" << h << " at " << i;
        }
        if (time == 1.0f) {
            EXPECT_EQ(target.pixels[centre], uint32_t(h / 4) << 16);
        }
    }
}

TEST(Tunnel, LeavesUnsupportedBuffersAlone)
{
    Tunnel t;
    t.flag = 1;
    Texture texture(256, 256);
    PixelBuffer empty("empty", 0, 16), wide("wide", 511, 384), tall("tall", 512, 385);
    std::fill_n(wide.pixels, wide.pixelCount, 7u);
    std::fill_n(tall.pixels, tall.pixelCount, 7u);
    t.fromBuffer = &texture;
    for (PixelBuffer* target : {&wide, &tall, static_cast<PixelBuffer*>(nullptr)}) {
        t.pixelRef = target;
        t.draw();
    }
    EXPECT_EQ(std::count(wide.pixels, wide.pixels + wide.pixelCount, 7u), 511 * 384);
    EXPECT_EQ(std::count(tall.pixels, tall.pixels + tall.pixelCount, 7u), 512 * 385);

    PixelBuffer shortTarget("short", 512, 3);
    t.pixelRef = &shortTarget;
    for (PixelBuffer* source : {&empty, static_cast<PixelBuffer*>(nullptr)}) {
        t.fromBuffer = source;
        t.draw();
    }
    t.fromBuffer = &texture;
    t.time = std::nanf("");
    t.draw(); // a shorter target takes its rows from the top of the tables
    EXPECT_EQ(shortTarget.pixels[0], uint32_t((-101 + 0x80000000u) % 256) << 16 | 25u);
}
