#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FuzzCorpus.h"
#include "SdlTest.h"
#include "fuzz/DialogHarness.h"
#include "platform/ButtonBitmap.h"

namespace {

struct Loaded {
    SdlPtr<SDL_Surface> picture;
    std::string said; // on stderr
};

Loaded load(const std::vector<uint8_t>& bytes)
{
    ::testing::internal::CaptureStderr();
    Loaded l;
    l.picture = loadButtonBitmap(SDL_RWFromConstMem(bytes.data(), int(bytes.size())), "data/ass1.bmp");
    l.said = ::testing::internal::GetCapturedStderr();
    return l;
}

// A BMP header of either kind, then `pixelBytes` zero bytes.
std::vector<uint8_t> bmpHeader(bool core, int32_t width, int32_t height, int bits, size_t pixelBytes)
{
    std::vector<uint8_t> b = {'B', 'M'};
    const auto put = [&](uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            b.push_back(uint8_t(v >> (8 * i)));
    };
    const uint32_t header = core ? 12 : 40;
    const uint32_t palette = bits <= 8 ? (core ? 3u : 4u) << bits : 0;
    put(uint32_t(14 + header + palette + pixelBytes), 4);
    put(0, 4);
    put(14 + header + palette, 4);
    put(header, 4);
    put(uint32_t(width), core ? 2 : 4);
    put(uint32_t(height), core ? 2 : 4);
    put(1, 2);
    put(uint32_t(bits), 2);
    if (!core)
        for (int i = 0; i < 6; ++i)
            put(0, 4);
    b.resize(b.size() + palette + pixelBytes, 0);
    return b;
}

} // namespace

TEST(ButtonBitmap, LoadsReadyToDraw)
{
    // 2 x 2, 24-bit, bottom row first: blue, green / red, white.
    std::vector<uint8_t> b = bmpHeader(false, 2, 2, 24, 0);
    b.insert(b.end(), {0xff, 0, 0, 0, 0xff, 0, 0, 0, 0, 0, 0xff, 0xff, 0xff, 0xff, 0xff, 0, 0});
    const Loaded l = load(b);
    ASSERT_TRUE(l.picture) << l.said;
    EXPECT_EQ(l.said, "");
    EXPECT_EQ(l.picture->format->format, uint32_t(SDL_PIXELFORMAT_ARGB8888));
    const auto* px = static_cast<const uint32_t*>(l.picture->pixels);
    const int stride = l.picture->pitch / 4;
    EXPECT_EQ(px[0], 0xffff0000u);
    EXPECT_EQ(px[1], 0xffffffffu);
    EXPECT_EQ(px[stride], 0xff0000ffu);
    EXPECT_EQ(px[stride + 1], 0xff00ff00u);
}

TEST(ButtonBitmap, RefusesHugeAndDamagedPicturesSaying)
{
    // Found by the fuzzer: the old core header's sides are unsigned, so this
    // 144-byte file claims 65530 x 65532 pixels, and the loader went on to
    // allocate and clear 12 GB for it.
    std::vector<uint8_t> core = {0x42, 0x4d, 0x86, 0, 0, 0, 0, 0, 0, 0, 0x1a, 0, 0, 0, 0x0c, 0,
                                 0,    0,    0xfa, 0xff, 0xfc, 0xff, 0xfe, 0x40, 0x18, 0};
    core.resize(144, 0x5a);
    const Loaded huge = load(core);
    EXPECT_FALSE(huge.picture);
    EXPECT_EQ(huge.said, "data/ass1.bmp: a picture of 65530 x 65532 pixels is too large (at most 1024 on a side); "
                         "the button shows its text\n");

    // Also found by the fuzzer: 25 bytes, cut inside the core header, still
    // claim 65284 x 65503 pixels to the loader, which asked for 4 GB.
    const std::vector<uint8_t> cutCore = {0x42, 0x4d, 0x86, 0, 0, 0, 0, 0, 0, 0x28, 0, 0, 0, 0,   0x0c, 0,
                                          0,    0,    0x04, 0xff, 0xdf, 0xff, 0xf8, 0, 0x01};
    EXPECT_NE(load(cutCore).said.find("65284 x 65503 pixels is too large"), std::string::npos);

    // The bound, on sides of either sign (a negative height is a top-down picture).
    EXPECT_TRUE(load(bmpHeader(false, 1024, -1024, 1, 128 * 1024)).picture);
    EXPECT_NE(load(bmpHeader(false, 1025, 1, 1, 132)).said.find("1025 x 1 pixels is too large"), std::string::npos);
    EXPECT_NE(load(bmpHeader(false, 16, -3000, 1, 0)).said.find("16 x 3000 pixels is too large"), std::string::npos);
    EXPECT_TRUE(load(bmpHeader(true, 8, 8, 24, 8 * 24)).picture);

    std::vector<uint8_t> cut = bmpHeader(false, 64, 64, 24, 64 * 64 * 3);
    cut.resize(200);
    const Loaded truncated = load(cut);
    EXPECT_FALSE(truncated.picture);
    EXPECT_EQ(truncated.said.rfind("data/ass1.bmp: cannot load the picture: ", 0), 0u) << truncated.said;

    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(loadButtonBitmap(nullptr, "data/ass2.bmp"));
    EXPECT_EQ(::testing::internal::GetCapturedStderr().rfind("data/ass2.bmp: cannot open the picture", 0), 0u);
}

// The fuzzer's entry point on its seed corpus and a fixed stream of mutations.
TEST(ButtonBitmap, FuzzSeedsAndMutationsLoadCleanly)
{
    const std::vector<SeedFile> seeds = seedCorpus("dialog");
    ASSERT_FALSE(seeds.empty());
    ::testing::internal::CaptureStderr();
    int loaded = 0;
    for (const SeedFile& seed : seeds) {
        fuzzButtonBitmap(seed.bytes.data(), seed.bytes.size());
        SdlPtr<SDL_Surface> p(loadButtonBitmap(SDL_RWFromConstMem(seed.bytes.data(), int(seed.bytes.size())), seed.name));
        loaded += p != nullptr;
    }
    Mutator m{5};
    for (int i = 0; i < 3000; ++i) {
        const std::vector<uint8_t> input = m.mutate(seeds[m.next() % seeds.size()].bytes);
        fuzzButtonBitmap(input.data(), input.size());
    }
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(loaded, int(seeds.size())) << "every seed is a picture the dialog shows\n" << said.substr(0, 2000);
}
