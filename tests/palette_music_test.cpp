#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "audio/Music.h"
#include "gfx/Palette.h"

namespace {

uint32_t entry(int table, int n)
{
    const uint8_t* p = paletteTable(table) + 3 * n;
    return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
}

TEST(Palette, RegistryIsInverseAndIdempotent)
{
    buildPaletteRegistry();
    buildPaletteRegistry();
    ASSERT_EQ(paletteNameByIndex().size(), 15u);
    ASSERT_EQ(paletteIndexByName().size(), 15u);
    EXPECT_EQ(paletteNameByIndex().at(0), "MCGA_MODE13H");
    EXPECT_EQ(paletteIndexByName().at("CBLUES_PAL"), 13);
    for (const auto& [index, name] : paletteNameByIndex())
        EXPECT_EQ(paletteIndexByName().at(name), index);
}

TEST(Palette, BankHoldsTheListedColours)
{
    EXPECT_EQ(entry(0, 6), 0xAA5500u);
    EXPECT_EQ(entry(0, 23), 0x616161u);
    EXPECT_EQ(entry(0, 32), 0x0000FFu);
    EXPECT_EQ(entry(0, 40), 0xFF0000u);
    EXPECT_EQ(entry(0, 48), 0x00FF00u);
    EXPECT_EQ(entry(0, 247), 0x2C3041u);
    EXPECT_EQ(entry(0, 248), 0u);
    EXPECT_EQ(entry(1, 200), 0xC8C8C8u);
    EXPECT_EQ(entry(2, 15), 0xF0F0F0u);
    EXPECT_EQ(entry(2, 16), 0u);
    EXPECT_EQ(entry(4, 15), 0xF0F0F0u);
    EXPECT_EQ(entry(4, 16), 0xF0F0F0u);
    EXPECT_EQ(entry(4, 31), 0u);
    EXPECT_EQ(entry(7, 3), 0xAA5500u);
    EXPECT_EQ(entry(11, 17), 0xFFFFFFu);
    EXPECT_EQ(entry(12, 0), 0xEF60D4u);
    EXPECT_EQ(entry(12, 2), 0xEF62D8u);
    for (int n = 130; n <= 133; ++n)
        EXPECT_EQ(entry(12, n), 0x3D31FFu);
    EXPECT_EQ(entry(12, 255), 0xEE64DBu);
    EXPECT_EQ(entry(13, 0), 0x002295u);
    EXPECT_EQ(entry(13, 87), 0xF9F9D6u);
    EXPECT_EQ(entry(13, 130), 0x006F00u);
    EXPECT_EQ(entry(13, 143), 0x2E8827u);
    EXPECT_EQ(entry(13, 255), 0x002295u);
    EXPECT_EQ(entry(14, 31), 0x20F808u);
    EXPECT_EQ(entry(14, 32), 0u);
}

// Records what the music asks of the audio library.
struct FakeDevice : AudioDevice {
    bool opens = true;
    uint32_t nextHandle = 7;
    std::vector<std::string> calls;

    bool open(int frequency) override
    {
        calls.push_back("open " + std::to_string(frequency));
        return opens;
    }
    uint32_t loadModule(const char* path) override
    {
        calls.push_back(std::string("module ") + path);
        return nextHandle;
    }
    uint32_t loadStream(const char* path) override
    {
        calls.push_back(std::string("stream ") + path);
        return nextHandle;
    }
    void play(uint32_t h) override { calls.push_back("play " + std::to_string(h)); }
    void stop(uint32_t h) override { calls.push_back("stop " + std::to_string(h)); }
    void playFrom(uint32_t h, double) override { calls.push_back("play from " + std::to_string(h)); }
    int errorCode() override { return 2; }
};

TEST(Music, ExtensionChoosesModuleOrStream)
{
    struct Case {
        const char* file;
        uint8_t kind;
    } cases[] = {
        {"data/fried.mp3", Music::Stream}, {"a.ogg", Music::Stream},  {"song.xm", Music::Module},
        {"song.it", Music::Module},        {"s.s3m", Music::Module},  {"x.mod", Music::Module},
        {"data/fried.MP3", Music::Nothing}, {"my.music/track", Music::Nothing}, {"mp3", Music::Stream},
        {"track.mp3.wav", Music::Nothing}, {"", Music::Nothing},
    };
    for (const Case& c : cases) {
        FakeDevice device;
        Music music(&device);
        music.load(c.file);
        EXPECT_EQ(music.kind, c.kind) << c.file;
        EXPECT_EQ(music.stream != 0, c.kind == Music::Stream) << c.file;
        EXPECT_EQ(music.module != 0, c.kind == Music::Module) << c.file;
        if (c.kind == Music::Nothing) {
            EXPECT_TRUE(device.calls.empty()) << c.file;
        }
    }
}

TEST(Music, PlayAndStopUseTheLoadedHandle)
{
    FakeDevice device;
    Music music(&device);
    music.play();
    music.stop();
    EXPECT_TRUE(device.calls.empty());
    music.open();
    music.load("x.mp3");
    music.play();
    music.stop();
    EXPECT_EQ(device.calls, (std::vector<std::string>{"open 44100", "stream x.mp3", "play 7", "stop 7"}));
}

TEST(Music, FailuresAreReportedOnStandardOutput)
{
    FakeDevice device;
    device.opens = false;
    device.nextHandle = 0;
    Music music(&device);
    testing::internal::CaptureStdout();
    music.open();
    music.load("data/missing.mp3");
    music.load("song.xm");
    music.play();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "Can't initialize device\n(error code: 2)Can't open stream\n(error code: 2)"
                   "Can't load music\n(error code: 2)");
    EXPECT_EQ(device.calls.back(), "module song.xm"); // nothing played
}

} // namespace
