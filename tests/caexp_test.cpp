#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <utility>
#include <vector>

#include "base/Workers.h"
#include "effects/CAExp.h"
#include "effects/CAExpOps.h"
#include "effects/Random.h"

namespace {

// One generation as the rule reads: a work grid of 0xffffff / 0 written by
// every anchor in turn, a cell grid of 15 / 0, blocks found by modulo.
// Neighbours at index W * H or beyond read as dead; writes there are dropped.
void referenceGeneration(PixelBuffer& T)
{
    const uint32_t W = T.width, H = T.height, N = W * H;
    std::vector<uint32_t> work(N);
    std::vector<int> cell(N);
    const int swaps[8][2] = {{0, 1}, {0, 2}, {1, 2}, {1, 3}, {0, 3}, {2, 3}, {0, 1}, {2, 3}};
    for (uint32_t i = N; i-- > 0;) {
        const uint32_t at[4] = {i, i + 1, i + W, i + W + 1};
        bool c[4];
        for (int k = 0; k < 4; ++k)
            c[k] = at[k] < N && (T.pixels[at[k]] & 4);
        const int* pair = swaps[(nextRandom() % 65535) & 7];
        std::swap(c[pair[0]], c[pair[1]]);
        for (int k = 0; k < 4; ++k)
            if (at[k] < N)
                work[at[k]] = c[k] ? 0xffffff : 0;
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
            for (int k = 0; k < 4 && n % 4 != 0; ++k)
                cell[at[k]] = ((n == 2 ? two[r % 6] : one[r % 4])[k] == '1') != (n == 3) ? 15 : 0;
        }
    for (uint32_t i = 0; i < N; ++i)
        T.pixels[i] = cell[i] ? 0xffffff : 0;
}

} // namespace

// Grids of many shapes, thin ones included, where the first row's anchors,
// the dropped neighbours and the wrap-around all matter; bit 2 alone decides.
// Drawn alone and through beginDraw with workers sharing the frame.
TEST(CAExp, MatchesStepByStepGenerations)
{
    std::mt19937 rng(3);
    const uint32_t values[] = {0, 4, 0xfffffb, 0xffffffff, 0x12345670, 0x00000104};
    for (unsigned threads : {0u, 1u, 2u, 3u}) {
        Workers workers(std::max(threads, 1u));
        for (auto [w, h] : {std::pair{512, 384}, {7, 5}, {1, 1}, {1, 9}, {9, 1}, {2, 2}, {3, 100}, {100, 3}}) {
            PixelBuffer T("t", uint16_t(w), uint16_t(h)), expected("e", uint16_t(w), uint16_t(h));
            std::generate_n(T.pixels, T.pixelCount, [&] { return values[rng() % 6]; });
            std::copy_n(T.pixels, T.pixelCount, expected.pixels);
            CAExp ca;
            ca.flag = 1;
            ca.pixelRef = &T;
            for (uint32_t frame = 0; frame < 3; ++frame) {
                randomState() = frame;
                referenceGeneration(expected);
                const uint32_t after = randomState();
                randomState() = frame;
                if (threads == 0)
                    ca.draw();
                else {
                    ASSERT_EQ(ca.beginDraw(workers).kind, DrawPlan::Whole);
                    ca.draw(workers);
                }
                EXPECT_EQ(randomState(), after) << "2 * W * H draws";
                ASSERT_TRUE(std::equal(T.pixels, T.pixels + T.pixelCount, expected.pixels))
                    << w << "x" << h << " on " << threads << " threads";
            }
        }
    }
}

// Every vector form of the generation's loops against the portable one: odd
// widths and spans, starts off any alignment, spans shorter than a vector
// step; the same numbers must be drawn, and nothing written outside the span.
TEST(CAExp, VectorFormsMatchThePortableOnes)
{
    const CAExpOps& portable = caExpOps(SimdLevel::Portable);
    std::mt19937 rng(11);
    for (SimdLevel level : {SimdLevel::Sse2, SimdLevel::Avx2}) {
        if (!simdAvailable(level))
            continue;
        const CAExpOps& form = caExpOps(level);
        const char* name = simdName(level);
        for (int trial = 0; trial < 200; ++trial) {
            const uint32_t W = 1 + rng() % 70, H = 2 + rng() % 6, anchors = (H - 1) * W - 1;
            std::vector<uint32_t> pixels(W * H);
            std::generate(pixels.begin(), pixels.end(), [&] { return uint32_t(rng()); });
            const uint32_t first = rng() % (anchors + 1), end = first + rng() % (anchors - first + 1);
            std::vector<uint8_t> expected(W * H, 0xaa), got(W * H, 0xaa);
            uint32_t one = rng(), other = one;
            portable.pairSwaps(one, pixels.data(), expected.data(), first, end, W);
            form.pairSwaps(other, pixels.data(), got.data(), first, end, W);
            ASSERT_EQ(got, expected) << name << " " << W << " wide, anchors " << first << " ... " << end;
            ASSERT_EQ(other, one) << name << " draws one number per anchor";

            std::vector<uint8_t> cells(200);
            std::generate(cells.begin(), cells.end(), [&] { return uint8_t(rng() & 1); });
            const uint32_t start = rng() % 16, count = rng() % 150;
            std::vector<uint16_t> expectedIndex(200, 0xffff), gotIndex(200, 0xffff);
            portable.blockIndices(one, expectedIndex.data() + start, cells.data() + start, cells.data() + 33, count);
            form.blockIndices(other, gotIndex.data() + start, cells.data() + start, cells.data() + 33, count);
            ASSERT_EQ(gotIndex, expectedIndex) << name << " " << count << " blocks from " << start;
            ASSERT_EQ(other, one) << name << " draws one number per block";
        }
    }
}

TEST(CAExp, LeavesUnsupportedTargetsAlone)
{
    CAExp ca;
    PixelBuffer big("big", 512, 385);
    std::fill_n(big.pixels, big.pixelCount, 4u);
    randomState() = 1;
    ca.flag = -1;
    Workers workers(2);
    for (PixelBuffer* target : {&big, static_cast<PixelBuffer*>(nullptr)}) {
        ca.pixelRef = target;
        ca.draw();
        ca.draw(workers);
    }
    ca.flag = 0;
    ca.pixelRef = &big;
    ca.draw();
    EXPECT_EQ(ca.beginDraw(workers).kind, DrawPlan::Nothing);
    EXPECT_EQ(randomState(), 1u) << "no generation, no numbers";
    EXPECT_EQ(std::count(big.pixels, big.pixels + big.pixelCount, 4u), 512 * 385);
}
