#include <gtest/gtest.h>

#include "TestData.h"
#include "engine/Production.h"
#include "pack/DataManifest.h"
#include "show/ShowScript.h"

namespace {

std::string errorOf(const std::string& text)
{
    try {
        parseShow(text, "t.show");
    } catch (const ShowError& e) {
        return e.what();
    }
    return "no error";
}

const char* kImages = "images {\n"
                      "    \"data/a.png\"\n"
                      "    \"data/f_08.png\" .. \"data/f_11.png\"  # a run\n"
                      "}\n";

TEST(ShowScript, EmbeddedShowHasItsShape)
{
    const ShowScript show = parseShow(embeddedShowText(), kEmbeddedShowName);
    ASSERT_EQ(show.images.size(), 133u);
    EXPECT_EQ(show.images[120].name, "data/noise.png"); // buffer 121 after the frame buffer
    EXPECT_EQ(show.images[2].name, "data/bU2OI2T_2/bU2OI2T_2_frame_0001.png");
    EXPECT_EQ(show.images[20].name, "data/bU2OI2T_2/bU2OI2T_2_frame_0019.png");
    EXPECT_EQ(show.images[63].name, "data/text_10.png");
    EXPECT_EQ(show.images[72].name, "data/tun_bw7.png");
    EXPECT_EQ(show.images[132].name, "data/overlay.png");
    for (size_t i = 0; i < kShowImageCount; ++i)
        EXPECT_EQ(show.images[i].name, kShowPictures[i].path) << "the data check must ask for the show's pictures";
    ASSERT_EQ(show.objects.size(), 41u);
    EXPECT_TRUE(show.objects[31].generator);
    EXPECT_EQ(show.objects[12].className, "Scene");
    EXPECT_EQ(show.objects[30].className, "Voxel");
    int effects = 0;
    size_t calls = 0;
    for (const ShowObject& o : show.objects) {
        effects += !o.generator;
        calls += o.calls.size();
    }
    EXPECT_EQ(effects, 40);
    EXPECT_GT(calls, 900u);

    // Effect 1: 4 forward passes every 1800 ms of 19 pictures; the later pass comes later in the list.
    const std::vector<ShowCall>& e1 = show.objects[1].calls;
    std::vector<const ShowCall*> pictures;
    for (const ShowCall& c : e1)
        if (c.variable == "fromBuffer" && c.kind == ShowCall::Segment)
            pictures.push_back(&c);
    ASSERT_EQ(pictures.size(), 2u + 4 * 19 + 4 * 19 + 23);
    EXPECT_EQ(pictures[2]->picture, "data/bU2OI2T_2/bU2OI2T_2_frame_0001.png");
    EXPECT_EQ(pictures[2]->startTime, 15000.0f);
    EXPECT_EQ(pictures[2 + 18]->endTime, 16900.0f);
    EXPECT_EQ(pictures[2 + 19]->startTime, 16800.0f);
    EXPECT_EQ(pictures[2 + 76]->picture, "data/bU2OI2T_2/bU2OI2T_2_frame_0019.png");
    EXPECT_EQ(pictures.back()->endTime, 29600.0f);
}

TEST(ShowScript, CallsAndRuns)
{
    const ShowScript show = parseShow(std::string(kImages) +
                                          "effect 0 PutBuffer {\n"
                                          "  flag := 0\n"
                                          "  fromBuffer := \"data/a.png\"\n"
                                          "  posY -20 -> -20 L 79220-79320\n"
                                          "  flag 1 -> 1 H 5-6\n"
                                          "  flag 1->1 7-8\n"
                                          "  fromBuffer \"FrameBuffer\" L 0-100\n"
                                          "  fromBuffer \"data/f_11.png\" .. \"data/f_10.png\" (2 x 5 ms) 3 passes every 8 from 100 to 126\n"
                                          "}\n"
                                          "generator Sine {\n  amplitude := 50\n}\n",
                                      "t.show");
    ASSERT_EQ(show.images.size(), 5u);
    EXPECT_EQ(show.images[4].name, "data/f_11.png");
    const auto& calls = show.objects[0].calls;
    ASSERT_EQ(calls.size(), 6u + 6u);
    EXPECT_EQ(calls[1].picture, "data/a.png");
    EXPECT_EQ(calls[2].from, -20);
    EXPECT_EQ(calls[2].mode, 1);
    EXPECT_EQ(calls[2].kind, ShowCall::SegmentWithMode);
    EXPECT_EQ(calls[3].mode, 0);
    EXPECT_EQ(calls[4].kind, ShowCall::Segment);
    EXPECT_EQ(calls[5].picture, "FrameBuffer");
    EXPECT_EQ(calls[6].picture, "data/f_11.png");
    EXPECT_EQ(calls[7].picture, "data/f_10.png");
    EXPECT_EQ(calls[7].startTime, 105.0f);
    EXPECT_EQ(calls[8].startTime, 108.0f);
    EXPECT_EQ(calls[11].endTime, 126.0f);
    EXPECT_EQ(calls[11].where.line, 12);
    EXPECT_TRUE(show.objects[1].generator);
}

TEST(ShowScript, ErrorsNameLineAndColumn)
{
    const std::string img = kImages; // 4 lines
    struct Case {
        std::string text;
        std::string error;
    } cases[] = {
        {"imagez {\n}\n", "t.show:1:1: unknown block \"imagez\""},
        {img + "effect 1 Clear {\n}\n", "t.show:5:8: effect 1 is out of order"},
        {img + "effect 0 Clear {\n  flag 0 -> 0 L 10-20\n", "the effect block is not closed"},
        {img + "effect 0 PutBuffer {\n  fromBuffer \"data/b.png\" 0-100\n}\n",
         "t.show:6:14: picture \"data/b.png\" is not in the images block"},
        {img + "effect 0 Clear {\n  color 12x -> 0 L 0-1\n}\n", "t.show:6:9: malformed number \"12x\""},
        {img + "effect 0 Clear {\n  color 99999999999 -> 0 L 0-1\n}\n", "t.show:6:9: number \"99999999999\" does not fit"},
        {img + "effect 0 Clear {\n  color 1 -> 0 L 0-20000000\n}\n", "t.show:6:18: time 20000000 is out of range"},
        {img + "effect 0 Clear {\n  color 1 -> 0 Q 0-2\n}\n", "t.show:6:16: unknown mode \"Q\""},
        {img + "effect 0 Clear {\n  color 1 -> 0 L 100\n}\n", "t.show:6:18: expected a time span"},
        {img + "effect 0 Clear {\n  color 1 -> 0 L 1-2 3\n}\n", "t.show:6:22: unexpected \"3\""},
        {img + "effect 0 Clear {\n  color 1 -> \n}\n", "t.show:6:14: expected the value at the end"},
        {img + "effect 0 Clear {\n  fromBuffer \"data/a.png\n}\n", "t.show:6:14: unterminated picture name"},
        {img + "effect 0 Clear {\n  color @ 1\n}\n", "t.show:6:9: unexpected character '@'"},
        {img + "effect 0 P {\n  fromBuffer \"data/f_08.png\" .. \"data/f_11.png\" (3 x 10 ms) from 0 to 30\n}\n",
         "t.show:6:50: the run has 4 pictures, not 3"},
        {img + "effect 0 P {\n  fromBuffer \"data/f_08.png\" .. \"data/f_11.png\" (4 x 10 ms) 2 passes every 30 from 0 to 40\n}\n",
         "t.show:6:89: the run ends at 70, not 40"},
        {img + "effect 0 P {\n  fromBuffer \"data/f_08.png\" .. \"data/a.png\" (4 x 10 ms) from 0 to 40\n}\n",
         "t.show:6:33: \"data/a.png\" has no number before its extension"},
        {img + "effect 0 P {\n  fromBuffer \"data/f_08.png\" .. \"data/f_12.png\" (5 x 10 ms) from 0 to 50\n}\n",
         "t.show:6:14: picture \"data/f_12.png\" of the run is not in the images block"},
        {"images {\n  \"data/x1.png\" .. \"data/x0001.png\"\n}\n", "t.show:2:20: numbering from"},
        {"images {\n  \"data/x1.png\" .. \"data/y3.png\"\n}\n", "t.show:2:20: \"data/y3.png\" is not numbered like"},
        {img + "effect 0 P {\n}\nimages {\n}\n", "t.show:7:1: the images block must come first"},
    };
    for (const Case& c : cases)
        EXPECT_NE(errorOf(c.text).find(c.error), std::string::npos) << c.text << "\n-> " << errorOf(c.text);
}

struct BuildTest : ::testing::Test {
    TempDir dir;
    std::unique_ptr<Production> production;
    void SetUp() override
    {
        writeMaps(dir);
        writePng(dir.file("a.png"), 2, 2, std::vector<uint32_t>(4, 0xff00ff00));
        production = std::make_unique<Production>(dir.str(), [] { return 0u; });
    }
    std::string buildError(const std::string& text, DecodedPictures decoded = {})
    {
        try {
            buildShow(parseShow(text, "t.show"), *production, std::move(decoded));
        } catch (const ShowError& e) {
            return e.what();
        }
        return "no error";
    }
};

TEST_F(BuildTest, BuildsEffectsWithTheirCalls)
{
    buildShow(parseShow("images {\n \"data/a.png\"\n}\neffect 0 Clear {\n  color := 5\n  color 9 -> 9 H 100-200\n}\n"
                        "generator Sine {\n  equilibrium := 192\n}\n",
                        "t.show"),
              *production);
    ASSERT_EQ(production->images.size(), 2u);
    EXPECT_STREQ(production->images[1]->name, "data/a.png");
    ASSERT_EQ(production->effects.size(), 1u);
    ASSERT_EQ(production->generators.size(), 1u);
    Effect& clear = *production->effects[0];
    EXPECT_EQ(clear.pixelRef, nullptr); // until prepare
    production->clock->start();
    production->prepare();
    production->update();
    production->draw();
    EXPECT_EQ(production->frameBuffer()->pixels[0], 5u);
    EXPECT_EQ(static_cast<Sine&>(*production->generators[0]).output, 192);
}

TEST_F(BuildTest, BuildErrorsNameLineAndColumn)
{
    EXPECT_EQ(buildError("effect 0 Clearr {\n}\n"), "t.show:1:10: unknown effect class \"Clearr\"");
    SetUp();
    EXPECT_EQ(buildError("effect 0 Clear {\n  colour := 1\n}\n"), "t.show:2:3: no variable \"colour\" in Clear");
    SetUp();
    EXPECT_EQ(buildError("images {\n \"data/a.png\"\n}\neffect 0 Clear {\n  pixelRef := 1\n}\n"),
              "t.show:5:15: \"pixelRef\" takes a picture");
    SetUp();
    EXPECT_EQ(buildError("images {\n \"data/a.png\"\n}\neffect 0 Clear {\n  color \"data/a.png\" 0-1\n}\n"),
              "t.show:5:9: \"color\" takes a number");
    SetUp();
    EXPECT_EQ(buildError("generator Cosine {\n}\n"), "t.show:1:11: unknown generator class \"Cosine\"");
    SetUp();
    const std::string missing = buildError("images {\n  \"data/gone.png\"\n}\n");
    EXPECT_EQ(missing.rfind("t.show:2:3: " + dir.file("gone.png"), 0), 0u) << missing;
}

TEST_F(BuildTest, TakesDecodedPicturesOnceAndReadsTheRest)
{
    DecodedPictures decoded;
    decoded["data/a.png"] = {1, 1, {0x12345678}};
    buildShow(parseShow("images {\n \"data/a.png\"\n \"data/a.png\"\n}\n", "t.show"), *production,
              std::move(decoded));
    ASSERT_EQ(production->images.size(), 3u);
    EXPECT_EQ(production->images[1]->pixelCount, 1u);
    EXPECT_EQ(production->images[1]->pixels[0], 0x12345678u) << "the decoded picture, not the file";
    EXPECT_EQ(production->images[2]->pixelCount, 4u);
    EXPECT_EQ(production->images[2]->pixels[0], 0xff00ff00u) << "listed twice: the second is read from the file";
    SetUp();
    // Decoded on several threads, the pictures still fail in the show's order.
    const std::string first = buildError("images {\n \"data/a.png\"\n \"data/gone1.png\"\n \"data/gone2.png\"\n}\n");
    EXPECT_EQ(first.rfind("t.show:3:2: " + dir.file("gone1.png"), 0), 0u) << first;
    SetUp();
    // Pixels that do not fill the size they claim would be read past their end.
    EXPECT_EQ(buildError("images {\n \"data/a.png\"\n}\n", {{"data/a.png", {2, 2, {1, 2, 3}}}}),
              "t.show:2:2: buffer \"data/a.png\" of 2 x 2 pixels given 3");
}

} // namespace
