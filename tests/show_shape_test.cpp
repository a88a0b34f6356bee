#include <gtest/gtest.h>

#include "TestData.h"
#include "engine/Production.h"
#include "show/ShowScript.h"

namespace {

// The real show built over a data directory of one-pixel pictures: its shape
// and a few of its decisions, without drawing.
struct ShowShape : ::testing::Test {
    static inline TempDir* dir = nullptr;
    static inline Production* show = nullptr;

    static void SetUpTestSuite()
    {
        dir = new TempDir;
        writeMaps(*dir);
        const ShowScript script = parseShow(embeddedShowText(), kEmbeddedShowName);
        for (const ShowImage& image : script.images)
            writePng(dir->file(image.name.substr(5)), 1, 1, {0xff000000});
        show = new Production(dir->str(), [] { return 0u; });
        buildShow(script, *show);
        show->prepare();
    }
    static void TearDownTestSuite()
    {
        delete show;
        delete dir;
    }

    template <class T>
    static T member(size_t effect, const char* variable)
    {
        VarRecord* record = show->effects.at(effect)->getVariable(variable);
        EXPECT_NE(record, nullptr) << variable;
        return record ? *static_cast<T*>(record->target) : T{};
    }
    static void at(float time)
    {
        for (auto& effect : show->effects)
            effect->update(time);
    }
};

TEST_F(ShowShape, CountsAndBuffers)
{
    EXPECT_EQ(show->images.size(), 134u);
    EXPECT_EQ(show->effects.size(), 40u);
    EXPECT_EQ(show->generators.size(), 1u);
    EXPECT_EQ(show->getBuffer("data/noise.png"), show->images[121].get());
    EXPECT_STREQ(show->images[0]->name, "FrameBuffer");
    EXPECT_STREQ(show->effects[12]->name, "Scene");
    EXPECT_STREQ(show->effects[30]->name, "Voxel");
    EXPECT_STREQ(show->generators[0]->name, "Sine");
}

TEST_F(ShowShape, TunnelTextureSwitchesAt44100)
{
    EXPECT_EQ(member<PixelBuffer*>(6, "fromBuffer"), show->getBuffer("data/tun_orange.png"));
    at(44099);
    EXPECT_EQ(member<PixelBuffer*>(6, "fromBuffer"), show->getBuffer("data/tun_orange.png"));
    at(44100);
    EXPECT_EQ(member<PixelBuffer*>(6, "fromBuffer"), show->getBuffer("data/tun_blue.png"));
}

TEST_F(ShowShape, LaterPassWinsInTheOverlap)
{
    at(16850);
    EXPECT_EQ(member<PixelBuffer*>(1, "fromBuffer"), show->getBuffer("data/bU2OI2T_2/bU2OI2T_2_frame_0001.png"));
    at(16799);
    EXPECT_EQ(member<PixelBuffer*>(1, "fromBuffer"), show->getBuffer("data/bU2OI2T_2/bU2OI2T_2_frame_0018.png"));
}

TEST_F(ShowShape, EndTitlesAreOnFromTheFirstFrameButInvisible)
{
    at(0);
    for (size_t e : {35, 36}) {
        EXPECT_EQ(member<int8_t>(e, "flag"), 1);
        EXPECT_EQ(member<uint8_t>(e, "alpha"), 0);
    }
    EXPECT_EQ(member<int8_t>(1, "flag"), 0);
    at(105220);
    EXPECT_EQ(member<uint8_t>(35, "alpha"), 255);
    EXPECT_EQ(member<uint8_t>(36, "alpha"), 0);
}

} // namespace
