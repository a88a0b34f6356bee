#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "effects/PutBuffer.h"
#include "effects/Random.h"

namespace {

struct Put : PutBuffer {
    Put(PixelBuffer& target, PixelBuffer& source, uint8_t mode, uint8_t opacity = 255)
    {
        flag = 1, pixelRef = &target, fromBuffer = &source, blendmode = mode, alpha = opacity;
    }
};

// Channel by channel, as the blends read on paper. Modes 0 and 3 put the
// source's corner at (x0, y0); modes 1 and 2 read the source from index O.
void referencePut(PixelBuffer& T, const PixelBuffer& S, int mode, int alpha, int64_t x0, int64_t y0, size_t O)
{
    const auto ch = [](uint32_t word, int c) { return int(word >> 8 * c & 0xff); };
    for (size_t k = 0; (mode == 1 || mode == 2) && k < T.pixelCount; ++k) {
        const uint32_t s = O + k < S.pixelCount ? S.pixels[O + k] : 0;
        uint32_t out = T.pixels[k] & 0xff000000;
        for (int c = 0; c < 3; ++c) {
            const int add = ch(s, c) * alpha >> 8, d = ch(T.pixels[k], c);
            out |= uint32_t(mode == 1 ? std::min(d + add, 255) : std::max(d - add, 0)) << 8 * c;
        }
        T.pixels[k] = out;
    }
    for (int64_t i = 0; (mode == 0 || mode == 3) && i < S.height; ++i)
        for (int64_t j = 0; j < S.width; ++j) {
            if (x0 + j < 0 || x0 + j >= T.width || y0 + i < 0 || y0 + i >= T.height)
                continue;
            const uint32_t s = S.pixels[i * S.width + j];
            uint32_t& d = T.pixels[(y0 + i) * T.width + x0 + j];
            const int a = ch(s, 3) * alpha >> 8;
            uint32_t out = 0;
            for (int c = 0; c < 3; ++c)
                out |= uint32_t((ch(s, c) * a + ch(d, c) * (255 - a)) >> 8) << 8 * c;
            d = mode == 0 ? s : out;
        }
}

} // namespace

// Odd sizes, every alignment, clipping on all sides, sources too short and
// buffers put onto themselves: the vector paths must match the reference.
TEST(PutBuffer, BlendsMatchTheChannelByChannelReference)
{
    PixelBuffer t("t", 2, 1), white("white", 1, 1);
    white.pixels[0] = 0xffffffff;
    t.pixels[0] = 0x7f000001;
    Put(t, white, 1).draw();
    EXPECT_EQ(t.pixels[0], 0x7ffefeffu) << "255 * 255 >> 8 = 254 per byte, saturating, top byte kept";
    Put(t, white, 3).draw();
    EXPECT_EQ(t.pixels[0], 0x00fefefeu) << "a = 254, m = 1, and a top byte of 0";

    std::mt19937 rng(7);
    for (int round = 0; round < 300; ++round) {
        const int mode = round % 4;
        PixelBuffer T("t", uint16_t(1 + rng() % 70), uint16_t(1 + rng() % 50));
        PixelBuffer S("s", uint16_t(1 + rng() % 90), uint16_t(1 + rng() % 60)), expected("e", T.width, T.height);
        std::generate_n(T.pixels, T.pixelCount, rng);
        std::generate_n(S.pixels, S.pixelCount, rng);
        const bool inPlace = round % 10 == 9;
        Put p(T, inPlace ? T : S, uint8_t(mode), uint8_t(rng()));
        p.posX = uint16_t(rng() % 80);
        p.posY = int32_t(rng() % 120) - 60;
        p.random2 = mode == 1 || mode == 2 ? uint8_t(rng() % 2) : 0;

        std::copy_n(T.pixels, T.pixelCount, expected.pixels);
        randomState() = uint32_t(round);
        const size_t O = p.random2 ? size_t(T.width) * (nextRandom() % 895) : 0;
        referencePut(expected, inPlace ? expected : S, mode, p.alpha, p.posX, p.posY, O);
        randomState() = uint32_t(round);
        p.draw();
        ASSERT_TRUE(std::equal(T.pixels, T.pixels + T.pixelCount, expected.pixels)) << "round " << round;
    }
}

TEST(PutBuffer, JitterWobbleAndRandomRowDrawInOrder)
{
    PixelBuffer T("t", 64, 1000), S("s", 1, 1);
    S.pixels[0] = 0xff0000ff;
    Put p(T, S, 3);
    const auto drawnAt = [&] {
        randomState() = 1; // draws 41, 18467, 6334, ...
        p.draw();
        const size_t k = size_t(std::find_if(T.pixels, T.pixels + T.pixelCount, [](uint32_t v) { return v != 0; }) -
                                T.pixels);
        std::fill_n(T.pixels, T.pixelCount, 0u);
        return std::pair<int, int>(int(k % 64), int(k / 64));
    };
    p.posX = 3, p.posY = 20, p.randFlag = 1, p.randAmount = -10;
    EXPECT_EQ(drawnAt(), std::make_pair(3 + 1, 20 + 7)) << "41 % -10, 18467 % -10";
    p.random2 = 1;
    EXPECT_EQ(drawnAt(), std::make_pair(3 + 1, 69 + 7)) << "the row is the third number: 6334 % 895";
    EXPECT_EQ(p.posY, 69);

    p.random2 = 0, p.randAmount = 0, p.sinewave = 1, p.amplitude = 40, p.posY = 0;
    EXPECT_EQ(drawnAt(), std::make_pair(3, 95)) << "sin(0) * 40 + 0 + 95";
    randomState() = 1;
    nextRandom(), nextRandom();
    const uint32_t afterTwo = randomState();
    drawnAt();
    EXPECT_EQ(randomState(), afterTwo) << "randAmount 0 still draws two numbers";
    p.time = 1.5707964f;
    EXPECT_EQ(drawnAt(), std::make_pair(3, 135));
    p.sinewave = 2;
    EXPECT_EQ(drawnAt(), std::make_pair(3, 0));

    p.blendmode = 4;
    EXPECT_EQ(drawnAt(), std::make_pair(0, 1000)) << "nothing drawn";
    EXPECT_EQ(randomState(), afterTwo) << "but the jitter numbers are";
    p.blendmode = 3;
    for (int c = 0; c < 3; ++c) {
        T.bytesPerPixel = c == 0 ? 3 : 4;
        p.fromBuffer = c == 1 ? nullptr : &S;
        p.pixelRef = c == 2 ? nullptr : &T;
        EXPECT_EQ(drawnAt(), std::make_pair(0, 1000));
        EXPECT_EQ(randomState(), 1u) << "no pixel size, source or target: no numbers, case " << c;
    }
}
