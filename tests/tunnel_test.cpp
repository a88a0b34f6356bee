#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>
#include <utility>

#include "effects/Tunnel.h"
#include "params/Truncate.h"

namespace {

// Texel (row, col) holds row << 16 | col, so each target pixel says which texel it took.
struct Texture : PixelBuffer {
    Texture(uint16_t w, uint16_t h) : PixelBuffer("texture", w, h)
    {
        for (uint32_t i = 0; i < pixelCount; ++i)
            pixels[i] = (i / w) << 16 | i % w;
    }
};

} // namespace

TEST(Tunnel, BuildsTablesAndLooksUpTexelsByUnsignedRemainder)
{
    Tunnel t;
    const std::tuple<int, int, int, int> entries[] = {{0, 0, 25, -101},   {256, 0, 42, -63}, {0, 192, 32, 127},
                                                       {300, 250, 112, 37}, {257, 192, 0, 0}, {256, 193, 0, 63},
                                                       {256, 192, 0, 0}};
    for (const auto& [x, y, distance, angle] : entries) {
        EXPECT_EQ(t.distance[y * 512 + x], distance) << x << "," << y;
        EXPECT_EQ(t.angle[y * 512 + x], angle) << x << "," << y;
    }

    PixelBuffer target("target", 512, 384);
    t.flag = 1;
    t.pixelRef = &target;
    const int k = int(std::find(t.angle, t.angle + 512 * 384, -5) - t.angle);
    for (uint16_t h : {256, 384}) {
        Texture texture(256, h);
        t.fromBuffer = &texture;
        t.draw();
        EXPECT_EQ(target.pixels[192 * 512 + 256], 0u) << "time 0: the centre shows texel (0, 0)";
        EXPECT_EQ(target.pixels[k] >> 16, 251u) << "angle -5 wraps as 2^32 - 5, also for height " << h;
    }

    // Mask and general paths against the formula; time 1.0 moves columns by
    // exactly w and turns rows by h / 4.
    const std::tuple<uint32_t, uint32_t, float> cases[] = {
        {256, 256, 1.0f},     {300, 384, 1.0f},   {64, 128, 2.37f},  {300, 7, -3.9f},    {128, 256, -0.37f},
        {1, 2, -1.0e9f},      {256, 1, 123456.7f}, {2, 64, 3.0e9f},   {512, 256, -1.5f}, {1024, 2048, 2.2f}};
    for (auto [w, h, time] : cases) {
        Texture texture{uint16_t(w), uint16_t(h)};
        t.fromBuffer = &texture;
        t.time = time;
        t.draw();
        const uint32_t u = uint32_t(truncToInt32(double(w) * time));
        const uint32_t v = uint32_t(truncToInt32(double(h) * 0.25 * time));
        for (int i = 0; i < 512 * 384; ++i)
            ASSERT_EQ(target.pixels[i], (t.angle[i] + v) % h << 16 | (t.distance[i] + u) % w) << w << "x" << h;
        if (time == 1.0f) {
            EXPECT_EQ(target.pixels[192 * 512 + 256], h / 4 << 16);
        }
    }
}

TEST(Tunnel, LeavesUnsupportedBuffersAlone)
{
    Tunnel t;
    t.flag = 1;
    Texture texture(256, 256);
    PixelBuffer empty("empty", 0, 16), wide("wide", 511, 384), tall("tall", 512, 385), low("low", 512, 3);
    std::fill_n(wide.pixels, wide.pixelCount, 7u);
    std::fill_n(tall.pixels, tall.pixelCount, 7u);
    using Pair = std::pair<PixelBuffer*, PixelBuffer*>;
    for (auto [target, source] : {Pair{&wide, &texture}, {&tall, &texture}, {nullptr, &texture}, {&low, &empty},
                                  {&low, nullptr}}) {
        t.pixelRef = target;
        t.fromBuffer = source;
        t.draw();
    }
    EXPECT_EQ(std::count(wide.pixels, wide.pixels + wide.pixelCount, 7u), 511 * 384);
    EXPECT_EQ(std::count(tall.pixels, tall.pixels + tall.pixelCount, 7u), 512 * 385);

    t.pixelRef = &low; // a shorter target takes the top rows of the tables
    t.fromBuffer = &texture;
    t.time = std::nanf("");
    t.draw();
    EXPECT_EQ(low.pixels[0], (0x80000000u - 101) % 256 << 16 | 25u) << "NaN truncates to the lowest integer";
}
