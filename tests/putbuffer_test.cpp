#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "effects/PutBuffer.h"
#include "effects/Random.h"

namespace {

std::vector<std::string> variableList(const VarContainer& c)
{
    std::vector<std::string> out;
    for (const VarRecord& r : c.variables)
        out.push_back(r.name + ":" + r.typeName);
    return out;
}

void fillRandom(PixelBuffer& b, std::mt19937& rng)
{
    std::generate_n(b.pixels, b.pixelCount, [&] { return uint32_t(rng()); });
}

// Channel by channel, the way the blends read on paper. Modes 0 and 3 put the
// source's corner at (x0, y0); modes 1 and 2 read the source from index O.
void referencePut(PixelBuffer& T, const PixelBuffer& S, int mode, uint32_t alpha, int64_t x0, int64_t y0, size_t O)
{
    const auto channel = [](uint32_t word, int c) { return int((word >> (8 * c)) & 0xff); };
    if (mode == 1 || mode == 2) {
        for (size_t k = 0; k < T.pixelCount; ++k) {
            const uint32_t s = O + k < S.pixelCount ? S.pixels[O + k] : 0;
            uint32_t out = T.pixels[k] & 0xff000000;
            for (int c = 0; c < 3; ++c) {
                const int add = channel(s, c) * int(alpha) >> 8;
                const int v = mode == 1 ? std::min(channel(T.pixels[k], c) + add, 255)
                                        : std::max(channel(T.pixels[k], c) - add, 0);
                out |= uint32_t(v) << (8 * c);
            }
            T.pixels[k] = out;
        }
        return;
    }
    for (int64_t i = 0; i < S.height; ++i)
        for (int64_t j = 0; j < S.width; ++j) {
            const int64_t x = x0 + j, y = y0 + i;
            if (x < 0 || x >= T.width || y < 0 || y >= T.height)
                continue;
            const uint32_t s = S.pixels[i * S.width + j];
            uint32_t& d = T.pixels[y * T.width + x];
            if (mode == 0) {
                d = s;
                continue;
            }
            const int a = channel(s, 3) * int(alpha) >> 8;
            uint32_t out = 0;
            for (int c = 0; c < 3; ++c)
                out |= uint32_t((channel(s, c) * a + channel(d, c) * (255 - a)) >> 8) << (8 * c);
            d = out;
        }
}

uint32_t stateAfterDraws(int count)
{
    randomState() = 1;
    for (int i = 0; i < count; ++i)
        nextRandom();
    return randomState();
}

struct Put : PutBuffer {
    Put(PixelBuffer& target, PixelBuffer& source, uint8_t mode, uint8_t opacity = 255)
    {
        flag = 1;
        pixelRef = &target;
        fromBuffer = &source;
        blendmode = mode;
        alpha = opacity;
    }
};

} // namespace

TEST(PutBuffer, RegistersItsVariablesInOrder)
{
    PutBuffer p;
    EXPECT_STREQ(p.name, "PutBuffer");
    EXPECT_EQ(variableList(p),
              (std::vector<std::string>{"flag:char *", "posX:unsigned short *", "posY:int *", "alpha:unsigned char *",
                                        "blendmode:unsigned char *", "randFlag:char *", "randAmount:char *",
                                        "random2:unsigned char *", "fromBuffer:struct PixelBuffer * *",
                                        "pixelRef:struct PixelBuffer * *", "sinewave:unsigned char *",
                                        "amplitude:unsigned short *", "time:float *"}));
}

TEST(PutBuffer, BlendArithmeticOfTheFourModes)
{
    PixelBuffer T("t", 4, 1), S("s", 4, 1);
    S.pixels[0] = 0xffffffff;
    T.pixels[0] = 0x7f000100;
    Put(T, S, 1).draw();
    EXPECT_EQ(T.pixels[0], 0x7ffefffeu) << "255 * 255 >> 8 = 254 per byte, saturating; top byte kept";
    T.pixels[1] = 0x80000000;
    Put(T, S, 2).draw();
    EXPECT_EQ(T.pixels[1], 0x80000000u) << "black stays black";

    T.pixels[0] = 0x12000000;
    Put(T, S, 3).draw();
    EXPECT_EQ(T.pixels[0], 0x00fdfdfdu) << "a = 254, m = 1: (255 * 254 + 0) >> 8, not the source";
    T.pixels[0] = 0xffffffff;
    Put(T, S, 3, 0).draw();
    EXPECT_EQ(T.pixels[0], 0x00fefefeu) << "alpha 0 still writes d * 255 >> 8";

    S.pixels[0] = 0xab123456;
    Put(T, S, 0).draw();
    EXPECT_EQ(T.pixels[0], 0xab123456u) << "copy keeps source alpha";
    T.pixels[0] = 1;
    Put(T, S, 4).draw();
    EXPECT_EQ(T.pixels[0], 1u);
}

// Odd sizes, every alignment, clipping on all sides and buffers put onto
// themselves: the vector paths must match the channel-by-channel blend.
TEST(PutBuffer, MatchesReferenceOnRandomInputs)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 300; ++round) {
        const int mode = round % 4;
        PixelBuffer T("t", uint16_t(1 + rng() % 70), uint16_t(1 + rng() % 50));
        PixelBuffer S("s", uint16_t(1 + rng() % 90), uint16_t(1 + rng() % 60));
        const bool inPlace = round % 10 == 9;
        PixelBuffer& src = inPlace ? T : S;
        fillRandom(T, rng);
        fillRandom(S, rng);
        Put p(T, src, uint8_t(mode), uint8_t(rng()));
        p.posX = uint16_t(rng() % 80);
        p.posY = int32_t(rng() % 120) - 60;
        p.random2 = mode == 1 || mode == 2 ? uint8_t(rng() % 2) : 0;

        PixelBuffer expected("e", T.width, T.height);
        std::copy_n(T.pixels, T.pixelCount, expected.pixels);
        randomState() = uint32_t(round);
        const size_t O = p.random2 ? size_t(T.width) * (nextRandom() % 895) : 0;
        if (inPlace) // the reference reads its source as the pass goes
            referencePut(expected, expected, mode, p.alpha, p.posX, p.posY, O);
        else
            referencePut(expected, S, mode, p.alpha, p.posX, p.posY, O);
        randomState() = uint32_t(round);
        p.draw();
        ASSERT_TRUE(std::equal(T.pixels, T.pixels + T.pixelCount, expected.pixels)) << "round " << round;
    }
}

TEST(PutBuffer, ClipsCopyAndReadsNoSourceBeyondItsEnd)
{
    PixelBuffer T("t", 8, 8), S("s", 4, 20);
    for (uint32_t i = 0; i < S.pixelCount; ++i)
        S.pixels[i] = i + 1;
    Put p(T, S, 0);
    p.posY = -10;
    p.draw();
    EXPECT_EQ(T.pixels[0], 41u) << "the first 10 source rows are dropped";
    EXPECT_EQ(T.pixels[7 * 8 + 3], 72u);
    p.posX = 8;
    p.posY = 0;
    std::fill_n(T.pixels, T.pixelCount, 0u);
    p.draw();
    EXPECT_EQ(std::count(T.pixels, T.pixels + T.pixelCount, 0u), 64);

    // A 32-pixel source covers half of the target; past its end the target
    // keeps its value.
    PixelBuffer small("small", 8, 4);
    std::fill_n(small.pixels, small.pixelCount, 0x00ffffffu);
    for (uint8_t mode : {1, 2}) {
        std::fill_n(T.pixels, T.pixelCount, 0x00808080u);
        Put q(T, small, mode);
        q.draw();
        EXPECT_EQ(T.pixels[31], mode == 1 ? 0x00ffffffu : 0u);
        EXPECT_EQ(T.pixels[32], 0x00808080u);
    }
}

TEST(PutBuffer, JitterWobbleAndRandomRowDrawInOrder)
{
    PixelBuffer T("t", 64, 1000), S("s", 1, 1);
    S.pixels[0] = 0xff0000ff;
    const auto placed = [&] {
        const auto it = std::find_if(T.pixels, T.pixels + T.pixelCount, [](uint32_t v) { return v != 0; });
        const size_t k = size_t(it - T.pixels);
        std::fill_n(T.pixels, T.pixelCount, 0u);
        return std::pair<int, int>(int(k % 64), int(k / 64));
    };
    Put p(T, S, 3);
    p.posX = 3;
    p.posY = 20;
    p.randFlag = 1;
    p.randAmount = -10;
    randomState() = 1; // draws 41, 18467, 6334, ...
    p.draw();
    EXPECT_EQ(placed(), std::make_pair(3 + 1, 20 + 7)) << "41 % 10, 18467 % 10";

    p.random2 = 1;
    randomState() = 1;
    p.draw();
    EXPECT_EQ(placed(), std::make_pair(3 + 1, 69 + 7)) << "the row is the third draw: 6334 % 895";
    EXPECT_EQ(p.posY, 69);

    p.random2 = 0;
    p.randAmount = 0;
    p.sinewave = 1;
    p.amplitude = 40;
    p.posY = 0;
    randomState() = 1;
    p.draw();
    EXPECT_EQ(placed(), std::make_pair(3, 95)) << "sin(0) * 40 + 0 + 95";
    EXPECT_EQ(randomState(), stateAfterDraws(2)) << "randAmount 0 still draws two numbers";
    p.time = 1.5707964f;
    p.draw();
    EXPECT_EQ(placed(), std::make_pair(3, 135));
    p.sinewave = 2;
    p.draw();
    EXPECT_EQ(placed(), std::make_pair(3, 0));
}

TEST(PutBuffer, DrawsNothingButStillDrawsNumbersWhereItShould)
{
    PixelBuffer T("t", 4, 4), S("s", 4, 4);
    std::fill_n(S.pixels, S.pixelCount, 0xffffffffu);
    Put p(T, S, 4);
    p.randFlag = 1;
    p.randAmount = 6;
    randomState() = 1;
    p.draw();
    EXPECT_EQ(randomState(), stateAfterDraws(2)) << "mode 4 draws nothing but advances by two";

    p.blendmode = 0;
    const auto untouched = [&](const char* what) {
        randomState() = 1;
        p.draw();
        EXPECT_EQ(randomState(), 1u) << what;
        EXPECT_EQ(std::count(T.pixels, T.pixels + T.pixelCount, 0u), 16) << what;
    };
    p.flag = 0;
    untouched("flag 0");
    p.flag = -1;
    T.bytesPerPixel = 3;
    untouched("3 bytes per pixel");
    T.bytesPerPixel = 4;
    p.fromBuffer = nullptr;
    untouched("no source");
    p.pixelRef = nullptr;
    p.fromBuffer = &S;
    randomState() = 1;
    p.draw();
    EXPECT_EQ(randomState(), 1u) << "no target";
}
