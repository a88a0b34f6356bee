#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "effects/PixelOps.h"

#ifdef __SSE2__

namespace {

using RowOp = void (*)(uint32_t*, const uint32_t*, size_t, uint8_t);

struct Pair {
    const char* name;
    RowOp portable, sse2;
};

const Pair kBlends[] = {
    {"add", addScaledPortable, addScaledSse2},
    {"subtract", subtractScaledPortable, subtractScaledSse2},
    {"blend", blendByAlphaPortable, blendByAlphaSse2},
};

// Words whose bytes are often 0, 1, 254 or 255, where rounding and saturation bite.
uint32_t randomWord(std::mt19937& rng)
{
    uint32_t w = 0;
    for (int b = 0; b < 4; ++b) {
        const uint32_t r = rng() % 8;
        const uint32_t byte = r == 0 ? 0 : r == 1 ? 1 : r == 2 ? 254 : r == 3 ? 255 : rng() & 0xff;
        w |= byte << 8 * b;
    }
    return w;
}

} // namespace

// Spans as clipping leaves them: any start in a row of either buffer, any
// length, every alpha that matters; both versions must give the same words.
TEST(PixelOps, VectorBlendsMatchThePortableOnes)
{
    std::mt19937 rng(11);
    const int alphas[] = {0, 1, 127, 128, 255, -1, -1, -1};
    for (const Pair& op : kBlends)
        for (int round = 0; round < 400; ++round) {
            const size_t width = 1 + rng() % 67; // odd and even row widths
            std::vector<uint32_t> source(width * 3), target(width * 3);
            for (uint32_t& w : source)
                w = randomWord(rng);
            for (uint32_t& w : target)
                w = randomWord(rng);
            const size_t sourceStart = rng() % width, targetStart = rng() % width;
            const size_t count = 1 + rng() % (2 * width - std::max(sourceStart, targetStart));
            const int pick = alphas[round % 8];
            const uint8_t alpha = uint8_t(pick < 0 ? rng() : uint32_t(pick));

            std::vector<uint32_t> expected = target;
            op.portable(expected.data() + targetStart, source.data() + sourceStart, count, alpha);
            op.sse2(target.data() + targetStart, source.data() + sourceStart, count, alpha);
            ASSERT_EQ(target, expected) << op.name << " round " << round << " alpha " << int(alpha);
        }
}

// Add and subtract may read their source from later in the target itself,
// as a buffer put onto itself with a random row does.
TEST(PixelOps, AddAndSubtractReadAheadInTheirOwnTarget)
{
    std::mt19937 rng(12);
    for (const Pair& op : {kBlends[0], kBlends[1]})
        for (int round = 0; round < 200; ++round) {
            std::vector<uint32_t> pixels(200);
            for (uint32_t& w : pixels)
                w = randomWord(rng);
            const size_t offset = rng() % 60, count = 1 + rng() % (pixels.size() - offset);
            const uint8_t alpha = uint8_t(rng());
            std::vector<uint32_t> expected = pixels;
            op.portable(expected.data(), expected.data() + offset, count, alpha);
            op.sse2(pixels.data(), pixels.data() + offset, count, alpha);
            ASSERT_EQ(pixels, expected) << op.name << " offset " << offset;
        }
}

TEST(PixelOps, VectorFillAndCellsMatchThePortableOnes)
{
    std::mt19937 rng(13);
    for (int round = 0; round < 100; ++round) {
        const size_t start = rng() % 8, count = rng() % 90;
        const uint32_t colour = rng();
        std::vector<uint32_t> a(100, 7), b(100, 7);
        fillPixelsPortable(a.data() + start, count, colour);
        fillPixelsSse2(b.data() + start, count, colour);
        ASSERT_EQ(a, b) << "fill " << count << " from " << start;

        std::vector<uint8_t> cells(100);
        for (uint8_t& c : cells)
            c = rng() % 3 == 0 ? uint8_t(rng()) : 0; // any non-zero byte is alive
        expandCellsPortable(a.data() + start, cells.data() + start, count);
        expandCellsSse2(b.data() + start, cells.data() + start, count);
        ASSERT_EQ(a, b) << "cells " << count << " from " << start;
    }
}

// Every power-of-two texture up to 256 on a side, any offsets, ragged counts.
TEST(PixelOps, VectorTexelLookupMatchesThePortableOne)
{
    std::mt19937 rng(14);
    std::vector<uint32_t> texture(256 * 256);
    for (uint32_t& t : texture)
        t = rng();
    std::vector<uint16_t> packed(300);
    for (uint16_t& p : packed)
        p = uint16_t(rng());
    for (int bw = 0; bw <= 8; ++bw)
        for (int bh = 0; bh <= 8; ++bh) {
            const uint16_t offset = uint16_t(rng()), mask = uint16_t(((1 << bh) - 1) << 8 | ((1 << bw) - 1));
            const size_t start = rng() % 9, count = rng() % 290;
            std::vector<uint32_t> a(300, 1), b(300, 1);
            lookupPackedPortable(a.data() + start, packed.data() + start, count, texture.data(), offset, mask, 8 - bw);
            lookupPackedSse2(b.data() + start, packed.data() + start, count, texture.data(), offset, mask, 8 - bw);
            ASSERT_EQ(a, b) << "2^" << bw << " x 2^" << bh;
        }
}

#endif
