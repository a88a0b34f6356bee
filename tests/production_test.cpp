#include <gtest/gtest.h>

#include <cstdio>

#include "TestData.h"
#include "effects/Fill.h"
#include "engine/Production.h"
#include "gfx/ImageDecoder.h"
#include "gfx/Palette.h"

namespace {

struct ProductionTest : ::testing::Test {
    TempDir dir;
    uint32_t now = 0;
    std::unique_ptr<Production> production;

    void SetUp() override
    {
        writeMaps(dir);
        production = std::make_unique<Production>(dir.str(), [this] { return now; });
    }
};

TEST_F(ProductionTest, ConstructionGathersKindsAndPalette)
{
    EXPECT_EQ(production->effectKinds, (std::vector<std::string>{"Clear", "Box", "Circle", "Noise", "GradientReflected",
                                                                  "PutBuffer", "Scene", "Voxel", "Tunnel", "CAExp"}));
    EXPECT_EQ(production->generatorKinds, std::vector<std::string>{"Sine"});
    EXPECT_EQ(production->paletteName, "MCGA_MODE13H");
    EXPECT_EQ(paletteIndexByName().at("CBLUES_PAL"), 13);
    EXPECT_EQ(production->clock->enabledStatistics, Timer::TimeStatistics);
}

TEST_F(ProductionTest, FactoryMatchesExactNamesOnly)
{
    for (const std::string& kind : production->effectKinds) {
        production->addEffect(kind);
        EXPECT_EQ(production->lastEffect()->name, kind);
    }
    const size_t count = production->effects.size();
    for (const char* bad : {"clear", "Clea", "Clear ", "ClearX", "", "Sine"})
        EXPECT_THROW(production->addEffect(bad), std::runtime_error) << bad;
    EXPECT_EQ(production->effects.size(), count);
}

TEST_F(ProductionTest, BuffersAreFoundByExactName)
{
    production->addBuffer("FrameBuffer");
    writePng(dir.file("pic.png"), 2, 1, {0xff0000ff, 0x80ffffff});
    production->loadImage("data/pic.png");
    production->loadImage("data/pic.png");
    ASSERT_EQ(production->images.size(), 3u);
    EXPECT_EQ(production->getBuffer("FrameBuffer"), production->images[0].get());
    EXPECT_EQ(production->frameBuffer(), production->images[0].get());
    EXPECT_EQ(production->getBuffer("data/pic.png"), production->images[1].get());
    EXPECT_EQ(production->getBuffer("data/pic"), nullptr);
    EXPECT_EQ(production->getBuffer("data/pic.png2"), nullptr);
    EXPECT_EQ(production->getBuffer("framebuffer"), nullptr);
    const PixelBuffer& frame = *production->images[0];
    EXPECT_EQ(frame.width, 512);
    EXPECT_EQ(frame.height, 384);
    EXPECT_EQ(frame.pixelCount, 196608u);
    EXPECT_EQ(std::count(frame.pixels, frame.pixels + frame.pixelCount, 0u), 196608);
}

TEST_F(ProductionTest, DecodedPixelsAreBgraRowsTopFirst)
{
    std::vector<uint32_t> pixels(3 * 2);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = 0x10203040u + uint32_t(i);
    pixels[1 * 3 + 2] = 0xff000001; // (2, 1): blue 1, fully opaque
    writePng(dir.file("sub/grid.png"), 3, 2, pixels);
    production->loadImage("data/sub/grid.png");
    const PixelBuffer& b = *production->images.back();
    EXPECT_EQ(b.width, 3);
    EXPECT_EQ(b.height, 2);
    EXPECT_EQ(b.pixels[1 * 3 + 2], 0xff000001u);
    EXPECT_EQ(reinterpret_cast<const uint8_t*>(b.pixels)[(1 * 3 + 2) * 4], 1); // blue is the lowest byte
    EXPECT_EQ(b.pixels[0], 0x10203040u);
    EXPECT_STREQ(b.name, "data/sub/grid.png");
}

TEST_F(ProductionTest, BadImagesAreReportedAndNothingIsAppended)
{
    auto message = [&](const std::string& name) {
        try {
            production->loadImage(name.c_str());
        } catch (const std::exception& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    EXPECT_NE(message("data/missing.png").find(dir.file("missing.png")), std::string::npos);
    writeBytes(dir.file("empty.png"), {});
    EXPECT_NE(message("data/empty.png").find("empty.png"), std::string::npos);
    writeBytes(dir.file("junk.png"), std::vector<uint8_t>(100, 0x42));
    EXPECT_NE(message("data/junk.png").find("junk.png"), std::string::npos);

    std::vector<uint32_t> pixels(16 * 16, 0xffffffff);
    writePng(dir.file("cut.png"), 16, 16, pixels);
    std::filesystem::resize_file(dir.file("cut.png"), 60);
    EXPECT_NE(message("data/cut.png").find("cut.png"), std::string::npos);

    // A header claiming a huge picture is refused before anything is allocated.
    std::vector<uint8_t> bmp = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0,
                                0xff, 0xff, 0, 0, 0xff, 0xff, 0, 0, 1, 0, 24, 0};
    bmp.resize(54, 0);
    writeBytes(dir.file("huge.bmp"), bmp);
    EXPECT_NE(message("data/huge.bmp").find("too large"), std::string::npos);

    const std::string longName = "data/" + std::string(123, 'x');
    EXPECT_NE(message(longName).find("127"), std::string::npos);
    EXPECT_THROW(production->addBuffer(std::string(128, 'y')), std::length_error);
    production->addBuffer(std::string(127, 'y'));
    EXPECT_EQ(production->images.size(), 1u);
}

TEST_F(ProductionTest, DataPathsMapOntoTheDataDirectory)
{
    EXPECT_EQ(production->dataPath("data/noise.png"), dir.str() + "/noise.png");
    EXPECT_EQ(production->dataPath("data/tarnolm/heightmap.raw"), dir.str() + "/tarnolm/heightmap.raw");
    EXPECT_EQ(production->dataPath("other/x.png"), "other/x.png");
    EXPECT_EQ(production->dataPath("database.png"), "database.png");
}

TEST_F(ProductionTest, FrameRoad)
{
    production->addBuffer("FrameBuffer");
    PixelBuffer* frame = production->frameBuffer();

    production->update(); // no effects, no generators: only the clock ticks
    production->draw();

    production->addEffect("Clear");
    Effect* clear = production->lastEffect();
    clear->initVariables(frame);
    clear->getVariable("color")->setBase(5, 0, nullptr);
    clear->getVariable("color")->addSegmentWithMode(9, 9, nullptr, Hold, 100, 200);
    production->addEffect("Box");
    production->lastEffect()->initVariables(frame);
    production->lastEffect()->getVariable("color")->setBase(7, 0, nullptr);
    production->addGenerator();
    Generator* sine = production->generators[0].get();
    sine->initVariables(nullptr);
    sine->getVariable("equilibrium")->setBase(192, 0, nullptr);

    production->clock->start();
    production->prepare();
    production->update();
    production->draw();
    EXPECT_EQ(frame->pixels[0], 7u); // the box, drawn later, is on top of the clear
    EXPECT_EQ(frame->pixels[100], 5u);
    EXPECT_EQ(static_cast<Sine*>(sine)->output, 192);

    now = 150;
    production->update();
    production->draw();
    EXPECT_EQ(production->clock->timeMs, 150.0f);
    EXPECT_EQ(frame->pixels[100], 9u);
    now = 300; // between segments the member keeps its last value; prepare is not run again
    production->update();
    production->draw();
    EXPECT_EQ(frame->pixels[100], 9u);
}

} // namespace
