#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "SdlTest.h"
#include "TestData.h"
#include "audio/Music.h"
#include "platform/SdlAudio.h"

namespace {

// `frames` silent MPEG-1 Layer III frames, 128 kbit/s, 44,100 Hz, mono:
// 26 ms each.
std::vector<uint8_t> mp3(int frames)
{
    std::vector<uint8_t> bytes;
    for (int i = 0; i < frames; ++i) {
        bytes.insert(bytes.end(), {0xFF, 0xFB, 0x90, 0xC4});
        bytes.resize(bytes.size() + 417 - 4);
    }
    return bytes;
}

bool playsWithin(int ms, bool wanted)
{
    for (int waited = 0; waited < ms; waited += 10) {
        if ((Mix_PlayingMusic() != 0) == wanted)
            return true;
        SDL_Delay(10);
    }
    return (Mix_PlayingMusic() != 0) == wanted;
}

struct AudioTest : ::testing::Test {
    TempDir dir;

    // What loading `file` prints and which kind it leaves, through the SDL device.
    std::pair<std::string, uint8_t> load(SdlAudio& audio, const std::string& file)
    {
        Music music(&audio);
        testing::internal::CaptureStdout();
        music.load(file.c_str());
        return {testing::internal::GetCapturedStdout(), music.kind};
    }
};

TEST_F(AudioTest, LoadFailuresPrintTheirCodes)
{
    SdlAudio audio;
    writeBytes(dir.file("bad.mp3"), std::vector<uint8_t>(4000, 0x5A));
    writeBytes(dir.file("bad.xm"), std::vector<uint8_t>(4000, 0x5A));
    ASSERT_TRUE(audio.open(44100)) << SDL_GetError();

    auto [missing, kind] = load(audio, dir.file("fried.mp3"));
    EXPECT_EQ(missing, "Can't open stream\n(error code: 2)");
    EXPECT_EQ(kind, Music::Stream);
    EXPECT_EQ(load(audio, dir.file("bad.mp3")).first, "Can't open stream\n(error code: 3)");
    EXPECT_EQ(load(audio, dir.file("bad.xm")).first, "Can't load music\n(error code: 3)");
    EXPECT_EQ(load(audio, dir.str()).first, ""); // a folder without a dot: no extension to go by
    EXPECT_EQ(audio.errorCode(), 3);
}

TEST_F(AudioTest, NamesThatAreNoMusicLoadNothing)
{
    SdlAudio audio;
    ASSERT_TRUE(audio.open(44100));
    writeBytes(dir.file("fried.MP3"), mp3(2));
    writeBytes(dir.file("my.tunes/fried"), mp3(2));
    for (const std::string name : {"fried.MP3", "my.tunes/fried"}) {
        const auto [printed, kind] = load(audio, dir.file(name));
        EXPECT_EQ(printed, "") << name;
        EXPECT_EQ(kind, Music::Nothing) << name;
    }
}

TEST_F(AudioTest, WithoutAnOutputTheShowGoesOnSilently)
{
    const char* chosen = std::getenv("SDL_AUDIODRIVER");
    const std::string before = chosen ? chosen : "";
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    SdlAudio audio;
    Music music(&audio);
    writeBytes(dir.file("tune.mp3"), mp3(2));
    testing::internal::CaptureStdout();
    music.open();
    music.load(dir.file("tune.mp3").c_str());
    music.play();
    music.stop();
    const std::string printed = testing::internal::GetCapturedStdout();
    setenv("SDL_AUDIODRIVER", before.c_str(), 1);
    EXPECT_EQ(printed, "Can't initialize device\n(error code: 1)Can't open stream\n(error code: 4)");
    EXPECT_EQ(music.stream, 0u);
}

TEST_F(AudioTest, AStreamPlaysOnceAModuleLoops)
{
    SdlAudio audio;
    ASSERT_TRUE(audio.open(44100));
    writeBytes(dir.file("short.mp3"), mp3(3));

    Music stream(&audio);
    testing::internal::CaptureStdout();
    stream.load(dir.file("short.mp3").c_str());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    ASSERT_NE(stream.stream, 0u);
    stream.play();
    EXPECT_TRUE(Mix_PlayingMusic());
    EXPECT_TRUE(playsWithin(3000, false)) << "a stream ends by itself";

    // The device loops whatever it loads as a module.
    const uint32_t module = audio.loadModule(dir.file("short.mp3").c_str());
    ASSERT_NE(module, 0u);
    EXPECT_NE(module, stream.stream);
    audio.play(module);
    SDL_Delay(400); // several times its length
    EXPECT_TRUE(Mix_PlayingMusic()) << "a module starts again";
    stream.stop(); // not the one playing
    EXPECT_TRUE(Mix_PlayingMusic());
    audio.stop(module);
    EXPECT_FALSE(Mix_PlayingMusic());
}

} // namespace
