#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "effects/CAExp.h"
#include "effects/Random.h"

namespace {

// One generation step by step, as the rule reads: a work grid of 0xffffff / 0
// written by every anchor in turn, a cell grid of 15 / 0, and blocks found by
// modulo. Neighbours at index W * H or beyond read as dead; writes there are
// dropped.
void referenceGeneration(PixelBuffer& T)
{
    const uint32_t W = T.width, H = T.height, N = W * H;
    std::vector<uint32_t> work(N);
    std::vector<int> cell(N);
    const auto alive = [&](uint32_t i) { return i < N && (T.pixels[i] & 4) != 0; };
    for (int64_t y = H - 1; y >= 0; --y)
        for (int64_t x = W - 1; x >= 0; --x) {
            const uint32_t i = uint32_t(y * W + x), at[4] = {i, i + 1, i + W, i + W + 1};
            bool c[4] = {alive(at[0]), alive(at[1]), alive(at[2]), alive(at[3])}; // A B C D
            switch ((nextRandom() % 65535) & 7) {
            case 0: case 6: std::swap(c[0], c[1]); break;
            case 1: std::swap(c[0], c[2]); break;
            case 2: std::swap(c[1], c[2]); break;
            case 3: std::swap(c[1], c[3]); break;
            case 4: std::swap(c[0], c[3]); break;
            default: std::swap(c[2], c[3]); break;
            }
            for (int n = 0; n < 4; ++n)
                if (at[n] < N)
                    work[at[n]] = c[n] ? 0xffffff : 0;
        }
    for (uint32_t i = 0; i < N; ++i)
        cell[i] = work[i] & 1 ? 15 : 0;
    const char* two[6] = {"0011", "0110", "1100", "1001", "1010", "0101"};
    const char* one[4] = {"0001", "0010", "0100", "1000"};
    for (uint32_t y = 0; y < H; ++y)
        for (uint32_t x = 0; x < W; ++x) {
            const uint32_t r = nextRandom() % 65535;
            const uint32_t at[4] = {y * W + x, y * W + (x + 1) % W, (y + 1) % H * W + x, (y + 1) % H * W + (x + 1) % W};
            const int n = cell[at[0]] / 8 + cell[at[1]] / 8 + cell[at[2]] / 8 + cell[at[3]] / 8;
            if (n == 0 || n == 4)
                continue;
            const char* entry = n == 2 ? two[r % 6] : one[r % 4];
            for (int k = 0; k < 4; ++k)
                cell[at[k]] = ((entry[k] == '1') != (n == 3)) * 15;
        }
    for (uint32_t i = 0; i < N; ++i)
        T.pixels[i] = cell[i] ? 0xffffff : 0;
}

} // namespace

TEST(CAExp, BlockPatternsKeepTheLiveCount)
{
    EXPECT_EQ(CAExp::blockPattern(1, 5), 0b0010) << "one-alive entry 1: only (x, y + 1)";
    EXPECT_EQ(CAExp::blockPattern(3, 5), 0b1101) << "the same, inverted";
    EXPECT_EQ(CAExp::blockPattern(2, 9), 0b1001) << "two-alive entry 3";
    EXPECT_EQ(CAExp::blockPattern(2, 32767), 0b0110) << "32767 % 6 = 1";
    EXPECT_EQ(CAExp::blockPattern(0, 7), 0);
    EXPECT_EQ(CAExp::blockPattern(4, 7), 0b1111);
}

// Several generations on grids of many shapes, thin ones included, where the
// first-row anchors, the dropped neighbours and the wrap-around all matter.
TEST(CAExp, MatchesStepByStepGenerations)
{
    std::mt19937 rng(3);
    const std::pair<uint16_t, uint16_t> sizes[] = {{512, 384}, {7, 5}, {1, 1}, {1, 9},
                                                   {9, 1},     {2, 2}, {3, 100}, {100, 3}};
    for (auto [w, h] : sizes) {
        PixelBuffer T("t", w, h), expected("e", w, h);
        // Bit 2 alone decides: white with bit 2 clear is dead, 4 is alive.
        const uint32_t values[] = {0, 4, 0xfffffb, 0xffffffff, 0x12345670, 0x00000104};
        std::generate_n(T.pixels, T.pixelCount, [&] { return values[rng() % 6]; });
        std::copy_n(T.pixels, T.pixelCount, expected.pixels);
        CAExp ca;
        ca.flag = 1;
        ca.pixelRef = &T;
        for (int frame = 0; frame < 3; ++frame) {
            randomState() = 1234u + frame;
            referenceGeneration(expected);
            const uint32_t after = randomState();
            randomState() = 1234u + frame;
            ca.draw();
            EXPECT_EQ(randomState(), after) << "2 * W * H draws";
            ASSERT_TRUE(std::equal(T.pixels, T.pixels + T.pixelCount, expected.pixels))
                << w << "x" << h << " frame " << frame;
        }
    }
}

TEST(CAExp, BlackStaysBlackAndUnsupportedTargetsAreLeftAlone)
{
    CAExp ca;
    EXPECT_STREQ(ca.name, "CAExp");
    ASSERT_EQ(ca.variables.size(), 2u);
    EXPECT_EQ(ca.variables[0].typeName + ca.variables[1].name, "char *pixelRef");
    ca.flag = -1;
    PixelBuffer black("black", 512, 384);
    ca.pixelRef = &black;
    randomState() = 1;
    ca.draw();
    EXPECT_EQ(std::count(black.pixels, black.pixels + black.pixelCount, 0u), 512 * 384);
    uint32_t expected = 1;
    for (int i = 0; i < 2 * 512 * 384; ++i)
        expected = expected * 214013u + 2531011u;
    EXPECT_EQ(randomState(), expected);

    PixelBuffer big("big", 512, 385);
    std::fill_n(big.pixels, big.pixelCount, 4u);
    for (PixelBuffer* target : {&big, static_cast<PixelBuffer*>(nullptr)}) {
        ca.pixelRef = target;
        randomState() = 1;
        ca.draw();
        EXPECT_EQ(randomState(), 1u);
    }
    EXPECT_EQ(std::count(big.pixels, big.pixels + big.pixelCount, 4u), 512 * 385);
    ca.flag = 0;
    ca.pixelRef = &black;
    ca.draw();
    EXPECT_EQ(randomState(), 1u);
}
