#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "effects/CAExpOps.h"
#include "effects/PixelOps.h"
#include "effects/VoxelOps.h"

namespace {

using RowOp = void (*)(uint32_t*, const uint32_t*, size_t, uint8_t);

// Every vector form this build and processor have, each against the portable one.
struct Pair {
    std::string name;
    const PixelOps& vector;
};

std::vector<Pair> vectorForms()
{
    std::vector<Pair> forms;
    for (SimdLevel level : {SimdLevel::Sse2, SimdLevel::Avx2})
        if (simdAvailable(level))
            forms.push_back({simdName(level), pixelOps(level)});
    return forms;
}

struct Blend {
    const char* name;
    RowOp PixelOps::*op;
};

const PixelOps& kPortable = pixelOps(SimdLevel::Portable);
const Blend kBlends[] = {
    {"add", &PixelOps::addScaled},
    {"subtract", &PixelOps::subtractScaled},
    {"blend", &PixelOps::blendByAlpha},
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
    for (const Pair& form : vectorForms())
    for (const Blend& op : kBlends)
        for (int round = 0; round < 400; ++round) {
            const size_t width = 1 + rng() % 67; // odd and even row widths, past two vectors of 8
            std::vector<uint32_t> source(width * 3), target(width * 3);
            for (uint32_t& w : source)
                w = randomWord(rng);
            for (uint32_t& w : target)
                w = randomWord(rng);
            if (round % 2) // runs of transparent (alpha 0 or 1) sources, as sprites have
                for (size_t k = 0; k < source.size(); ++k)
                    if (k / 12 % 2)
                        source[k] &= 0x01ffffff;
            const size_t sourceStart = rng() % width, targetStart = rng() % width;
            const size_t count = 1 + rng() % (2 * width - std::max(sourceStart, targetStart));
            const int pick = alphas[round % 8];
            const uint8_t alpha = uint8_t(pick < 0 ? rng() : uint32_t(pick));

            std::vector<uint32_t> expected = target;
            (kPortable.*op.op)(expected.data() + targetStart, source.data() + sourceStart, count, alpha);
            (form.vector.*op.op)(target.data() + targetStart, source.data() + sourceStart, count, alpha);
            ASSERT_EQ(target, expected) << form.name << " " << op.name << " round " << round << " alpha " << int(alpha);
        }
}

// Add and subtract may read their source from later in the target itself,
// as a buffer put onto itself with a random row does.
TEST(PixelOps, AddAndSubtractReadAheadInTheirOwnTarget)
{
    std::mt19937 rng(12);
    for (const Pair& form : vectorForms())
    for (const Blend& op : {kBlends[0], kBlends[1]})
        for (int round = 0; round < 200; ++round) {
            std::vector<uint32_t> pixels(200);
            for (uint32_t& w : pixels)
                w = randomWord(rng);
            const size_t offset = rng() % 60, count = 1 + rng() % (pixels.size() - offset);
            const uint8_t alpha = uint8_t(rng());
            std::vector<uint32_t> expected = pixels;
            (kPortable.*op.op)(expected.data(), expected.data() + offset, count, alpha);
            (form.vector.*op.op)(pixels.data(), pixels.data() + offset, count, alpha);
            ASSERT_EQ(pixels, expected) << form.name << " " << op.name << " offset " << offset;
        }
}

// Passes applied together, in every form, reading grey copies or words, from
// the target or from a fill: the same as one addScaled or subtractScaled
// after the other.
TEST(PixelOps, PassesMatchOneLoopAfterTheOther)
{
    std::mt19937 rng(16);
    const int alphas[] = {0, 1, 254, 255, -1};
    std::vector<Pair> forms = vectorForms();
    forms.push_back({"portable", kPortable});
    for (const Pair& form : forms)
        for (int round = 0; round < 300; ++round) {
            // Grey words (any top byte) with their grey bytes, and words of any colour.
            const size_t size = 1 + rng() % 120;
            std::vector<uint32_t> words[4];
            std::vector<uint8_t> grey[4];
            SaturatingPass passes[4];
            const size_t n = rng() % 5, offset = rng() % 9;
            for (size_t i = 0; i < n; ++i) {
                const bool isGrey = rng() % 4 != 0;
                for (size_t k = 0; k < size + offset; ++k) {
                    grey[i].push_back(uint8_t(randomWord(rng)));
                    words[i].push_back(isGrey ? (rng() & 0xff000000) | grey[i].back() * 0x010101u : randomWord(rng));
                }
                const int pick = alphas[rng() % 5];
                passes[i] = {words[i].data(), isGrey && rng() % 4 ? grey[i].data() : nullptr,
                             uint8_t(pick < 0 ? rng() : uint32_t(pick)), rng() % 2 == 0};
            }
            std::vector<uint32_t> target(size + 8);
            for (uint32_t& w : target)
                w = randomWord(rng);
            const size_t start = rng() % 8, count = rng() % (size + 1);
            const uint32_t colour = randomWord(rng);
            const bool fills = rng() % 3 == 0;

            std::vector<uint32_t> expected = target;
            if (fills)
                fillPixelsPortable(expected.data() + start, count, colour);
            for (size_t i = 0; i < n; ++i)
                (passes[i].subtract ? subtractScaledPortable : addScaledPortable)(
                    expected.data() + start, words[i].data() + offset, count, passes[i].alpha);
            form.vector.applyPasses(target.data() + start, count, offset, passes, n, fills ? &colour : nullptr);
            ASSERT_EQ(target, expected) << form.name << " round " << round << ", " << n << " passes";
        }
}

// Darkening by n is n blends at alpha 0 or 1 (any source), and 0 leaves the
// pixel alone; every form, any alignment and tail.
TEST(PixelOps, DarkeningIsBlendsAtAlphaZeroOrOne)
{
    std::mt19937 rng(17);
    std::vector<Pair> forms = vectorForms();
    forms.push_back({"portable", kPortable});
    for (const Pair& form : forms)
        for (int round = 0; round < 200; ++round) {
            const size_t start = rng() % 8, count = rng() % 90;
            std::vector<uint32_t> pixels(100), source(100);
            std::vector<uint8_t> amounts(100);
            for (size_t k = 0; k < pixels.size(); ++k) {
                pixels[k] = randomWord(rng), source[k] = randomWord(rng);
                amounts[k] = uint8_t(rng() % 3 ? rng() % 4 : rng());
            }
            std::vector<uint32_t> expected = pixels;
            for (size_t k = start; k < start + count; ++k)
                for (int n = 0; n < amounts[k]; ++n)
                    blendByAlphaPortable(&expected[k], &source[k], 1, uint8_t(rng() % 2));
            form.vector.darkenPixels(pixels.data() + start, amounts.data() + start, count);
            ASSERT_EQ(pixels, expected) << form.name << " round " << round;
        }
}

TEST(PixelOps, VectorFillAndCellsMatchThePortableOnes)
{
    std::mt19937 rng(13);
    for (const Pair& form : vectorForms())
    for (int round = 0; round < 100; ++round) {
        const size_t start = rng() % 8, count = rng() % 90;
        const uint32_t colour = rng();
        std::vector<uint32_t> a(100, 7), b(100, 7);
        fillPixelsPortable(a.data() + start, count, colour);
        form.vector.fillPixels(b.data() + start, count, colour);
        ASSERT_EQ(a, b) << form.name << " fill " << count << " from " << start;

        std::vector<uint8_t> cells(100);
        for (uint8_t& c : cells)
            c = rng() % 3 == 0 ? uint8_t(rng()) : 0; // any non-zero byte is alive
        expandCellsPortable(a.data() + start, cells.data() + start, count);
        form.vector.expandCells(b.data() + start, cells.data() + start, count);
        ASSERT_EQ(a, b) << form.name << " cells " << count << " from " << start;
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
    for (const Pair& form : vectorForms())
    for (int bw = 0; bw <= 8; ++bw)
        for (int bh = 0; bh <= 8; ++bh) {
            const uint16_t offset = uint16_t(rng()), mask = uint16_t(((1 << bh) - 1) << 8 | ((1 << bw) - 1));
            const size_t start = rng() % 9, count = rng() % 290;
            std::vector<uint32_t> a(300, 1), b(300, 1);
            lookupPackedPortable(a.data() + start, packed.data() + start, count, texture.data(), offset, mask, 8 - bw);
            form.vector.lookupPacked(b.data() + start, packed.data() + start, count, texture.data(), offset, mask,
                                     8 - bw);
            ASSERT_EQ(a, b) << form.name << " 2^" << bw << " x 2^" << bh;
        }
}

// Blocks of every size around the vector blocks (4 and 8 on a side), strides wider than the block.
TEST(PixelOps, VectorColumnsToRowsMatchThePortableOne)
{
    std::mt19937 rng(15);
    std::vector<uint32_t> columns(40 * 40);
    for (uint32_t& c : columns)
        c = rng();
    for (const Pair& form : vectorForms())
        for (size_t width = 0; width <= 17; ++width)
            for (size_t height = 0; height <= 17; ++height) {
                const size_t columnStride = 17 + rng() % 20, rowStride = 17 + rng() % 20;
                std::vector<uint32_t> a(40 * 40, 1), b(40 * 40, 1);
                columnsToRowsPortable(a.data(), rowStride, columns.data(), columnStride, width, height);
                form.vector.columnsToRows(b.data(), rowStride, columns.data(), columnStride, width, height);
                ASSERT_EQ(a, b) << form.name << " " << width << " x " << height;
            }
}

TEST(PixelOps, LevelsByName)
{
    EXPECT_EQ(parseSimdLevel("portable"), SimdLevel::Portable);
    for (SimdLevel level : {SimdLevel::Sse2, SimdLevel::Avx2})
        if (simdAvailable(level))
            EXPECT_EQ(parseSimdLevel(simdName(level)), level);
        else
            EXPECT_THROW(parseSimdLevel(simdName(level)), std::invalid_argument);
    for (const char* bad : {"", "AVX2", "avx512", "sse2 "})
        EXPECT_THROW(parseSimdLevel(bad), std::invalid_argument) << bad;
}

// Each level has forms of its own, and the chosen ones are those of
// simdLevel(): a table giving another level's forms would leave the tests
// holding a form against itself, or the show drawing with a form untested.
TEST(PixelOps, EachLevelHasItsOwnForms)
{
    const SimdLevel levels[] = {SimdLevel::Portable, SimdLevel::Sse2, SimdLevel::Avx2};
    for (SimdLevel a : levels)
        for (SimdLevel b : levels)
            if (a < b && simdAvailable(a) && simdAvailable(b)) {
                const std::string pair = std::string(simdName(a)) + " and " + simdName(b);
                EXPECT_NE(pixelOps(a).addScaled, pixelOps(b).addScaled) << pair;
                EXPECT_NE(caExpOps(a).pairSwaps, caExpOps(b).pairSwaps) << pair;
                EXPECT_NE(voxelOps(a).march, voxelOps(b).march) << pair;
            }
    EXPECT_EQ(&pixelOps(), &pixelOps(simdLevel()));
    EXPECT_EQ(&caExpOps(), &caExpOps(simdLevel()));
    EXPECT_EQ(&voxelOps(), &voxelOps(simdLevel()));
}
