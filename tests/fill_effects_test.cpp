#include <gtest/gtest.h>

#include <algorithm>

#include "effects/Fill.h"
#include "effects/Noise.h"
#include "effects/Random.h"

namespace {

// Creates an effect the way the show does and brings it to its base values.
template <class E>
struct Prepared {
    PixelBuffer target{"FrameBuffer", 512, 384};
    E effect;
    Prepared()
    {
        effect.initVariables(&target);
        effect.applyBaseValues();
    }
};

TEST(FillEffects, ClassNamesAndRegistrationOrder)
{
    Clear clear;
    Box box;
    Circle circle;
    Noise noise;
    GradientReflected gradient;
    EXPECT_STREQ(clear.name, "Clear");
    EXPECT_STREQ(gradient.name, "GradientReflected");
    for (size_t i = 17; i < 32; ++i)
        EXPECT_EQ(gradient.name[i], 0);
    auto names = [](const VarContainer& c) {
        std::string all;
        for (const VarRecord& r : c.variables)
            all += r.name + "(" + r.typeName + ") ";
        return all;
    };
    EXPECT_EQ(names(clear), "flag(char *) color(unsigned int *) pixelRef(struct PixelBuffer * *) ");
    EXPECT_EQ(names(box), "flag(char *) posX(unsigned short *) posY(unsigned short *) color(unsigned int *) "
                          "pixelRef(struct PixelBuffer * *) ");
    EXPECT_EQ(names(circle),
              "flag(char *) posX(int *) posY(int *) color(unsigned char *) pixelRef(struct PixelBuffer * *) ");
    EXPECT_EQ(names(noise), "flag(char *) color(unsigned int *) pixelRef(struct PixelBuffer * *) ");
    EXPECT_EQ(names(gradient), "flag(char *) color(int *) pixelRef(struct PixelBuffer * *) ");
}

TEST(FillEffects, ClearFlagRule)
{
    Prepared<Clear> p;
    p.effect.color = 0xff123456;
    p.effect.flag = 0;
    p.effect.draw();
    EXPECT_EQ(p.target.pixels[0], 0u);
    for (int8_t flag : {1, 2, -1}) {
        std::fill_n(p.target.pixels, p.target.pixelCount, 0u);
        p.effect.flag = flag;
        p.effect.draw();
        EXPECT_TRUE(std::all_of(p.target.pixels, p.target.pixels + p.target.pixelCount,
                                [](uint32_t v) { return v == 0xff123456; }));
    }
}

TEST(FillEffects, BoxDrawsOnlyWithFlagOneAndWraps)
{
    Prepared<Box> p;
    p.effect.color = 0xabcdef01;
    p.effect.posX = 500;
    p.effect.posY = 10;
    for (int8_t flag : {2, -1, 0}) {
        p.effect.flag = flag;
        p.effect.draw();
        EXPECT_EQ(std::count(p.target.pixels, p.target.pixels + p.target.pixelCount, 0xabcdef01u), 0);
    }
    p.effect.flag = 1;
    p.effect.draw();
    EXPECT_EQ(std::count(p.target.pixels, p.target.pixels + p.target.pixelCount, 0xabcdef01u), 1024);
    const uint32_t* px = p.target.pixels;
    EXPECT_EQ(px[10 * 512 + 500], 0xabcdef01u);
    EXPECT_EQ(px[10 * 512 + 511], 0xabcdef01u);
    EXPECT_EQ(px[11 * 512 + 19], 0xabcdef01u); // the 20 columns past the edge start the next row
    EXPECT_EQ(px[11 * 512 + 20], 0u);
    EXPECT_EQ(px[10 * 512 + 499], 0u);
}

TEST(FillEffects, BoxAndCircleSkipWritesOutsideTheBuffer)
{
    Prepared<Box> box;
    box.effect.posX = 65535;
    box.effect.posY = 65535;
    box.effect.color = 7;
    box.effect.draw();
    box.effect.posX = 0;
    box.effect.posY = 370; // rows 370..401: the last 18 rows fall off
    box.effect.draw();
    EXPECT_EQ(std::count(box.target.pixels, box.target.pixels + box.target.pixelCount, 7u), 14 * 32);

    Prepared<Circle> circle;
    circle.effect.color = 0x55;
    for (int32_t y : {-100000, -20, 2000000000, 0x7fffffff}) {
        circle.effect.posY = y;
        circle.effect.posX = -5;
        circle.effect.draw();
    }
}

TEST(FillEffects, CircleWritesBytesWithTheBufferWidthAsStride)
{
    Prepared<Circle> p;
    p.effect.color = 0xff;
    p.effect.draw();
    const uint32_t* px = p.target.pixels;
    for (int i = 0; i < 32; ++i) {
        EXPECT_EQ(px[128 * i], 0xffffffffu);
        EXPECT_EQ(px[128 * i + 7], 0xffffffffu);
        EXPECT_EQ(px[128 * i + 8], 0u);
    }
    EXPECT_EQ(std::count(px, px + p.target.pixelCount, 0xffffffffu), 256);

    Prepared<Circle> shifted;
    shifted.effect.color = 0xff;
    shifted.effect.posX = 1;
    shifted.effect.draw();
    EXPECT_EQ(shifted.target.pixels[0], 0xffffff00u); // the first pixel keeps its blue byte
    EXPECT_EQ(shifted.target.pixels[8], 0x000000ffu);
}

TEST(FillEffects, NoiseDrawsOneNumberPerPixel)
{
    Prepared<Noise> p;
    p.effect.color = 0xffffff;
    randomState() = 1;
    p.effect.draw();
    uint32_t state = 1;
    for (uint32_t i = 0; i < p.target.pixelCount; ++i) {
        state = state * 214013u + 2531011u;
        const uint32_t c = uint32_t(float((state >> 16) & 0xff) * 0.99609375f);
        ASSERT_EQ(p.target.pixels[i], c << 16 | c << 8 | c) << i;
    }
    EXPECT_EQ(randomState(), state);
}

// The state that makes the next draw leave `next` as the generator's state.
uint32_t stateBefore(uint32_t next)
{
    uint32_t inverse = 214013u; // Newton's iteration for the inverse modulo 2^32
    for (int i = 0; i < 5; ++i)
        inverse *= 2u - 214013u * inverse;
    return (next - 2531011u) * inverse;
}

TEST(FillEffects, NoiseScalesEachChannel)
{
    PixelBuffer one("one", 1, 1);
    Noise noise;
    noise.initVariables(&one);
    noise.applyBaseValues();
    noise.color = 0x12ff80ff; // the top byte is ignored
    randomState() = stateBefore(0x00ff0000); // draws 255
    noise.draw();
    EXPECT_EQ(one.pixels[0], 0x00fe7ffeu);
    randomState() = stateBefore(0x00800000); // draws 128
    noise.draw();
    EXPECT_EQ(one.pixels[0], 0x007f407fu);
    noise.color = 0;
    noise.draw();
    EXPECT_EQ(one.pixels[0], 0u);
}

TEST(FillEffects, NoiseAndGradientPixelSizeRules)
{
    Prepared<Noise> noise;
    Prepared<GradientReflected> gradient;
    noise.effect.color = 0xffffff;
    gradient.effect.color = 0xffffff;
    for (uint8_t bpp : {2, 3}) {
        noise.target.bytesPerPixel = gradient.target.bytesPerPixel = bpp;
        randomState() = 1;
        noise.effect.draw();
        gradient.effect.draw();
        EXPECT_EQ(randomState(), 1u);
        EXPECT_EQ(std::count(noise.target.pixels, noise.target.pixels + noise.target.pixelCount, 0u), 512 * 384);
        EXPECT_EQ(gradient.target.pixels[192 * 512], 0u);
    }
    // Other sizes: one byte per pixel, only the first pixelCount bytes.
    noise.target.bytesPerPixel = 1;
    noise.effect.draw();
    const auto* bytes = reinterpret_cast<const uint8_t*>(noise.target.pixels);
    EXPECT_NE(std::count(bytes, bytes + noise.target.pixelCount, 0), int(noise.target.pixelCount));
    EXPECT_EQ(std::count(bytes + noise.target.pixelCount, bytes + 4 * noise.target.pixelCount, 0),
              3 * int(noise.target.pixelCount));
}

TEST(FillEffects, GradientIsMirroredAndDarkAtTheEdges)
{
    Prepared<GradientReflected> p;
    p.effect.color = 0xffffff;
    p.effect.draw();
    auto row = [&](int r) { return p.target.pixels[r * 512 + 300]; };
    EXPECT_EQ(row(0), 0u);
    EXPECT_EQ(row(383), 0u);
    EXPECT_EQ(row(1), 0x010101u);
    EXPECT_EQ(row(382), 0x010101u);
    EXPECT_EQ(row(100), 0x858585u);
    EXPECT_EQ(row(283), 0x858585u);
    EXPECT_EQ(row(191), 0xfefefeu);
    EXPECT_EQ(row(192), 0xfefefeu);

    PixelBuffer three("three", 5, 3), two("two", 5, 2), empty("empty", 5, 0);
    p.effect.color = 0xff0000;
    p.effect.pixelRef = &three;
    p.effect.draw();
    EXPECT_EQ(three.pixels[5], 84u << 16); // 340 keeps its low 8 bits
    p.effect.pixelRef = &two;
    p.effect.draw();
    EXPECT_EQ(two.pixels[0], 0u);
    EXPECT_EQ(two.pixels[9], 0u);
    p.effect.pixelRef = &empty;
    p.effect.draw();
}

TEST(FillEffects, LaterEffectPaintsOnTop)
{
    PixelBuffer target("FrameBuffer", 64, 64);
    Clear clear;
    Box box;
    for (Effect* e : {static_cast<Effect*>(&clear), static_cast<Effect*>(&box)}) {
        e->initVariables(&target);
        e->applyBaseValues();
    }
    clear.color = 1;
    box.color = 2;
    clear.draw();
    box.draw();
    EXPECT_EQ(target.pixels[0], 2u);
    EXPECT_EQ(target.pixels[40], 1u);
}

} // namespace
