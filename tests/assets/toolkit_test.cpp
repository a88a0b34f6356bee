#include "AssetTestUtil.h"
#include "Noise.h"
#include "Pictures.h"
#include "Sheet.h"
#include "gfx/ImageDecoder.h"
#include "pack/DataManifest.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <numeric>

namespace fs = std::filesystem;

TEST(Noise, RepeatsAfterItsPeriod)
{
    for (float y : {0.0f, 1.25f, 7.9f})
        for (float x : {0.0f, 0.5f, 3.3f}) {
            EXPECT_NEAR(periodicNoise(x, y, 4, 9), periodicNoise(x + 4.0f, y, 4, 9), 1e-5);
            EXPECT_NEAR(periodicNoise(x, y, 4, 9), periodicNoise(x, y - 4.0f, 4, 9), 1e-5);
            EXPECT_NEAR(periodicFbm(x, y, 4, 5, 0.5f, 3), periodicFbm(x + 4.0f, y + 8.0f, 4, 5, 0.5f, 3), 1e-5);
            uint32_t a = 0, b = 0;
            EXPECT_NEAR(periodicCells(x, y, 8, 5, &a), periodicCells(x + 8.0f, y, 8, 5, &b), 1e-5);
            EXPECT_EQ(a, b);
        }
    const float v = periodicFbm(0.3f, 0.7f, 4, 6, 0.5f, 1);
    EXPECT_GE(v, 0.0f);
    EXPECT_LE(v, 1.0f);
}

TEST(Raster, ShapesHaveOnePixelEdgesAndBlurKeepsCoverage)
{
    EXPECT_FLOAT_EQ(coverage(-3.0f), 1.0f);
    EXPECT_FLOAT_EQ(coverage(0.0f), 0.5f);
    EXPECT_FLOAT_EQ(coverage(3.0f), 0.0f);
    EXPECT_FLOAT_EQ(sdCircle(13.0f, 10.0f, 10.0f, 10.0f, 2.0f), 1.0f);
    EXPECT_FLOAT_EQ(sdSegment(5.0f, 3.0f, 0.0f, 0.0f, 10.0f, 0.0f), 3.0f);
    EXPECT_FLOAT_EQ(sdRoundBox(0.0f, 0.0f, 0.0f, 0.0f, 5.0f, 3.0f, 1.0f), -3.0f);

    Mask m(64, 64);
    for (int y = 28; y < 36; ++y)
        for (int x = 28; x < 36; ++x)
            m.at(x, y) = 1.0f;
    const float before = std::accumulate(m.v.begin(), m.v.end(), 0.0f);
    m.blur(6);
    EXPECT_NEAR(std::accumulate(m.v.begin(), m.v.end(), 0.0f), before, before * 1e-4f);
    EXPECT_LT(m.at(31, 31), 1.0f);
    EXPECT_GT(m.at(24, 31), 0.0f);

    // A quarter turn of a bar stands it upright.
    Mask bar(40, 6);
    std::fill(bar.v.begin(), bar.v.end(), 1.0f);
    const Mask up = rotated(bar, 1.5707963f);
    EXPECT_GT(up.get(up.width / 2, up.height / 2 - 15), 0.9f);
    EXPECT_LT(up.get(up.width / 2 - 15, up.height / 2), 0.1f);
}

TEST(Raster, AlphaPicturesStoreStraightColour)
{
    Canvas c(2, 1);
    c.over(0, 0, hexColor(0xff8000), 0.5f);
    c.add(1, 0, hexColor(0x204060), 1.0f);
    const std::vector<uint8_t> rgba = toBytes(c, 4, false);
    EXPECT_EQ(std::vector<uint8_t>(rgba.begin(), rgba.begin() + 4), (std::vector<uint8_t>{255, 128, 0, 128}));
    EXPECT_EQ(std::vector<uint8_t>(rgba.begin() + 4, rgba.end()), (std::vector<uint8_t>{32, 64, 96, 255}));
}

TEST(FileFormats, BitmapsAndPngsDecodeToWhatWasDrawn)
{
    Canvas c(128, 128);
    c.fill(hexColor(0x102030));
    c.over(0, 0, hexColor(0xff0000), 1.0f);     // top left red
    c.over(127, 127, hexColor(0x0000ff), 1.0f); // bottom right blue
    const std::string dir = (fs::temp_directory_path() / ("softdemo-formats-" + std::to_string(getpid()))).string();
    fs::create_directories(dir);
    for (const auto& [name, bytes] : {std::pair{"/a.bmp", encodeBmp24(c)}, std::pair{"/a.png", encodePng(c, 3, false)}}) {
        std::ofstream(dir + name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        const DecodedImage image = decodeImageFile(dir + name);
        ASSERT_EQ(image.width, 128);
        ASSERT_EQ(image.height, 128);
        EXPECT_EQ(image.pixels[0], 0xffff0000u) << name;
        EXPECT_EQ(image.pixels[128 * 128 - 1], 0xff0000ffu) << name;
        EXPECT_EQ(image.pixels[5 * 128 + 9], 0xff102030u) << name;
    }
    EXPECT_EQ(encodeBmp24(c).size(), 54u + 128 * 128 * 3);
    fs::remove_all(dir);
}

TEST(FileFormats, PngEncodingsKeepEveryByteAndQuickFiltersEveryRowUp)
{
    Canvas c(37, 23); // odd sizes: rows are not a multiple of anything
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x)
            c.over(x, y, hexColor(uint32_t(x * 7) << 16 | uint32_t(y * 11) << 8 | uint32_t((x * y) & 0xff)),
                   float((x + y) % 5) / 4.0f);
    for (int channels : {1, 3, 4})
        for (PngEncoding encoding : {PngEncoding::Quick, PngEncoding::Tight}) {
            const std::vector<uint8_t> png = encodePng(c, channels, false, encoding);
            const std::vector<uint8_t> want = toBytes(c, channels, false);
            const Rgba8 got = decodePng(png);
            ASSERT_EQ(got.width * got.height, c.width * c.height);
            for (size_t i = 0; i < want.size() / size_t(channels); ++i) {
                const uint8_t* w = &want[i * size_t(channels)];
                const uint8_t* g = &got.px[i * 4];
                const std::vector<uint8_t> expected =
                    channels == 1 ? std::vector<uint8_t>{w[0], w[0], w[0], 255}
                                  : std::vector<uint8_t>{w[0], w[1], w[2], channels == 4 ? w[3] : uint8_t(255)};
                ASSERT_EQ(std::vector<uint8_t>(g, g + 4), expected) << channels << " channels, pixel " << i;
            }
            if (encoding != PngEncoding::Quick)
                continue;
            // One IDAT right after the 8-byte signature and the 25-byte IHDR chunk.
            const size_t idat = 33, length = size_t(png[idat]) << 24 | png[idat + 1] << 16 | png[idat + 2] << 8 | png[idat + 3];
            const size_t stride = size_t(c.width) * size_t(channels) + 1;
            std::vector<uint8_t> raw(stride * size_t(c.height));
            uLongf rawSize = uLongf(raw.size());
            ASSERT_EQ(uncompress(raw.data(), &rawSize, &png[idat + 8], uLong(length)), Z_OK);
            for (int y = 0; y < c.height; ++y)
                EXPECT_EQ(raw[size_t(y) * stride], 2) << "row " << y << ", " << channels << " channels";
        }
}

TEST(Fonts, LetteringRendersAndAMissingFontNamesItsPackage)
{
    const Mask word = testFonts().sans.render("VESTMARK", 40.0f, 0.0f, 3);
    EXPECT_GT(word.width, 150);
    EXPECT_EQ(word.get(0, 0), 0.0f);
    EXPECT_GT(*std::max_element(word.v.begin(), word.v.end()), 0.99f);
    const Mask fitted = fittedText(testFonts().sans, "A LONG LINE OF WORDS", 100, 60.0f);
    EXPECT_LE(fitted.width, 104);
    try {
        Font missing("/nonexistent/Font.ttf", "fonts-example");
        FAIL() << "a missing font must throw";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("/nonexistent/Font.ttf"), std::string::npos);
        EXPECT_NE(std::string(e.what()).find("fonts-example"), std::string::npos);
    }
}

TEST(Pack, AStampOfAnotherVersionOrAMissingFileMakesThePackStale)
{
    const std::string source = std::string(SOFTDEMO_SOURCE_DIR) + "/data";
    if (!packIsCurrent(source))
        GTEST_SKIP() << "no current generated data pack in " << source;
    const std::string dir = (fs::temp_directory_path() / ("softdemo-stale-" + std::to_string(getpid()))).string();
    fs::remove_all(dir);
    fs::copy(source, dir, fs::copy_options::recursive);
    EXPECT_TRUE(packIsCurrent(dir));
    fs::remove(dataFilePath(dir, "data/mouth3.png"));
    EXPECT_FALSE(packIsCurrent(dir));
    fs::copy(dataFilePath(source, "data/mouth3.png"), dataFilePath(dir, "data/mouth3.png"));
    std::ofstream(dataFilePath(dir, kPackStampFile)) << "an older version\n";
    EXPECT_FALSE(packIsCurrent(dir));

    // The contact sheet of the pack is a PNG that decodes.
    writePackSheet(dir, dir + "/sheet.png", testFonts());
    const DecodedImage sheet = decodeImageFile(dir + "/sheet.png");
    EXPECT_GT(sheet.width, 1000);
    EXPECT_GT(sheet.height, 600);
    fs::remove_all(dir);
}
