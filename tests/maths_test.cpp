#include "params/Maths.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>

#include "params/Truncate.h"

namespace {

// The engine always calls these on a float widened to double and narrows the
// result to float again; that narrowing is what must agree with the C library
// the golden frames were made with. Every 997th float of the range here;
// SOFTDEMO_MATHS_EXHAUSTIVE=1 takes every one (minutes).
TEST(Maths, SinAndCosNarrowToTheCLibrarysFloatOverTheShowsRangeAndBeyond)
{
    const uint32_t stride = std::getenv("SOFTDEMO_MATHS_EXHAUSTIVE") ? 1 : 997;
    struct Case {
        const char* name;
        double (*ours)(double);
        double (*library)(double);
    };
    const Case cases[] = {{"sin", maths::sin, [](double x) { return std::sin(x); }},
                          {"cos", maths::cos, [](double x) { return std::cos(x); }}};
    // Every float of magnitude below 2^17, ten times what the show reaches.
    const uint32_t end = std::bit_cast<uint32_t>(0x1p17f);
    for (const Case& c : cases) {
        uint64_t checked = 0, doublesDiffer = 0, floatsDiffer = 0;
        for (uint32_t bits = 0; bits < end; bits += stride)
            for (float x : {std::bit_cast<float>(bits), -std::bit_cast<float>(bits)}) {
                const double ours = c.ours(x), library = c.library(x);
                ++checked;
                doublesDiffer += ours != library;
                if (float(ours) != float(library)) {
                    ++floatsDiffer;
                    ADD_FAILURE() << c.name << "(" << std::hexfloat << x << ") = " << ours << ", the C library's "
                                  << library;
                }
            }
        std::printf("%s: %llu floats, %llu doubles differ from the C library's, %llu floats\n", c.name,
                    (unsigned long long)checked, (unsigned long long)doublesDiffer, (unsigned long long)floatsDiffer);
    }
}

// The tunnel's angle table: every offset of its grid gives the same entry.
TEST(Maths, Atan2GivesTheTunnelsTableOverItsWholeGrid)
{
    int doublesDiffer = 0;
    for (int x = 0; x < 512; ++x)
        for (int y = 0; y < 384; ++y) {
            const double dx = x - 256.0, dy = y - 192.0;
            const double ours = maths::atan2(dy, dx), library = std::atan2(dy, dx);
            doublesDiffer += ours != library;
            ASSERT_EQ(truncToInt32(ours * 128 / 3.141592654), truncToInt32(library * 128 / 3.141592654))
                << "atan2(" << dy << ", " << dx << ")";
        }
    std::printf("atan2: %d of 196608 doubles differ from the C library's\n", doublesDiffer);
}

// Correctly rounded results (worked out to 300 bits), among them some the C
// library rounds the wrong way, and the values at the edges.
TEST(Maths, KnownValues)
{
    constexpr double inf = std::numeric_limits<double>::infinity();
    const double pi = 0x1.921fb54442d18p+1, piOver2 = 0x1.921fb54442d18p+0, piOver4 = 0x1.921fb54442d18p-1;
    struct Case {
        double got, want;
    };
    const Case cases[] = {
        {maths::sin(-0x1.740ffp+12), -0x1.440b76fd51bd3p-2},
        {maths::sin(-0x1.caddc2p-2), -0x1.bba9a482cc379p-2},
        {maths::sin(0x1.921fb6p+0), 0x1.ffffffffffff7p-1},
        {maths::sin(0x1.fffffep+16), -0x1.ffb2f258c3084p-1},
        {maths::cos(0x1.ff2cc6p+0), -0x1.a7218f58d1f39p-2},
        {maths::cos(0x1.637ef4p+1), -0x1.de671585eb7edp-1},
        {maths::cos(0x1p-12), 0x1.ffffff0000001p-1},
        {maths::cos(0x1.921fb6p+0), -0x1.777a5cf72ceccp-25},
        {maths::atan2(-44, -245), -0x1.7b60ea1fca23ep+1},
        {maths::atan2(-154, -232), -0x1.471d50466010cp+1},
        {maths::atan2(191, -256), 0x1.40138996c4e19p+1},
        {maths::atan2(1, 1), piOver4},
        {maths::atan2(-1, -1), -0x1.2d97c7f3321d2p+1},
        {maths::sin(0x1p-30), 0x1p-30},
        {maths::cos(-0x1p-30), 1},
        {maths::sin(-0.0), -0.0},
        {maths::cos(-0.0), 1},
        {maths::sin(0x1p1000), -0x1.460b8ae1c886ep-3},
        {maths::cos(0x1.fffffffffffffp+1023), -0x1.fffe62ecfab75p-1},
        {maths::atan2(0.0, -0.0), pi},
        {maths::atan2(-0.0, 0.0), -0.0},
        {maths::atan2(5, 0.0), piOver2},
        {maths::atan2(-5, -0.0), -piOver2},
        {maths::atan2(inf, -inf), 0x1.2d97c7f3321d2p+1},
        {maths::atan2(-3, inf), -0.0},
        {maths::atan2(3, -inf), pi},
        {maths::atan2(0x1p-1070, 0x1p1000), 0},
        {maths::atan2(0x1p1020, 0x1p1021), 0x1.dac670561bb4fp-2},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(cases[i].got, cases[i].want) << "case " << i << std::hexfloat << ": " << cases[i].got;
        EXPECT_EQ(std::signbit(cases[i].got), std::signbit(cases[i].want)) << "case " << i;
    }
    for (double nan : {maths::sin(inf), maths::cos(-inf), maths::sin(NAN), maths::atan2(NAN, 1), maths::atan2(1, NAN)})
        EXPECT_TRUE(std::isnan(nan));
}

} // namespace
