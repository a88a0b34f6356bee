// The player's music path on a damaged "data/fried.mp3": the production opens
// the real SDL2_mixer output (dummy driver), loads the music and plays it, as
// the player does. A file that does not load prints the stream failure with its
// code and leaves the show silent; nothing crashes.
#include <SDL_mixer.h>
#include <gtest/gtest.h>
#include <stb_image_write.h>

#include <filesystem>
#include <random>
#include <string>

#include "SdlTest.h"
#include "TestData.h"
#include "engine/Production.h"
#include "pack/DataManifest.h"
#include "platform/SdlAudio.h"

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> readBytes(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct MusicFaults : ::testing::Test {
    TempDir dir;
    std::vector<uint8_t> music; // the generated pack's music

    void SetUp() override
    {
        const std::string pack = std::string(SOFTDEMO_SOURCE_DIR) + "/data/fried.mp3";
        if (!fs::exists(pack))
            GTEST_SKIP() << "no generated data pack in " << SOFTDEMO_SOURCE_DIR << "/data";
        music = readBytes(pack);
        writeMaps(dir); // the landscape reads its maps when the production is built
    }

    std::string musicFile() const { return dataFilePath(dir.str(), kMusicFile); }

    // What the player's start-up prints once the music is loaded and started,
    // and whether it is playing then; the music is stopped again after.
    std::pair<std::string, bool> startMusic(uint32_t* stream = nullptr)
    {
        SdlAudio audio;
        Production production(dir.str(), [] { return 0u; }, &audio);
        testing::internal::CaptureStdout();
        production.initAudio();
        production.loadMusic();
        production.music->play();
        const bool playing = Mix_PlayingMusic() != 0;
        production.music->stop();
        if (stream)
            *stream = production.music->stream;
        return {testing::internal::GetCapturedStdout(), playing};
    }
};

TEST_F(MusicFaults, UnloadableMusicLeavesTheShowSilent)
{
    std::mt19937 rng(7);
    std::vector<uint8_t> noise(music.size());
    for (uint8_t& b : noise)
        b = uint8_t(rng());
    noise[0] = 0; // not by chance an MPEG frame header
    const fs::path png = dir.path / "tiny.png";
    const uint8_t grey = 0x60;
    ASSERT_TRUE(stbi_write_png(png.c_str(), 1, 1, 1, &grey, 1));

    struct Fault {
        const char* name;
        std::vector<uint8_t> bytes;
        int code;
    };
    const Fault faults[] = {
        {"empty", {}, SdlAudio::BadFormat},
        {"random bytes", noise, SdlAudio::BadFormat},
        {"a 1 x 1 picture", readBytes(png.string()), SdlAudio::BadFormat},
    };
    for (const Fault& f : faults) {
        writeBytes(musicFile(), f.bytes);
        uint32_t stream = 1;
        const auto [printed, playing] = startMusic(&stream);
        EXPECT_EQ(printed, "Can't open stream\n(error code: " + std::to_string(f.code) + ")") << f.name;
        EXPECT_EQ(stream, 0u) << f.name;
        EXPECT_FALSE(playing) << f.name;
    }
    fs::remove(musicFile());
    const auto [printed, playing] = startMusic();
    EXPECT_EQ(printed, "Can't open stream\n(error code: 2)");
    EXPECT_FALSE(playing);
}

// An MP3 cut in half is still an MP3: its first half plays, and ends early.
TEST_F(MusicFaults, MusicCutInHalfPlaysItsFirstHalf)
{
    writeBytes(musicFile(), std::vector<uint8_t>(music.begin(), music.begin() + std::ptrdiff_t(music.size() / 2)));
    uint32_t stream = 0;
    const auto [printed, playing] = startMusic(&stream);
    EXPECT_EQ(printed, "");
    EXPECT_NE(stream, 0u);
    EXPECT_TRUE(playing);
}

} // namespace
