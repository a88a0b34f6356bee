// The music on Windows: the Audio Compression Manager's decode and the
// waveOut device, with the SDL device's error codes.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "TestData.h"
#include "audio/Mp3Frames.h"
#include "win32/WaveOutAudio.h"

namespace {

const std::string kMusic = std::string(SOFTDEMO_SOURCE_DIR) + "/data/fried.mp3";

std::vector<uint8_t> musicBytes()
{
    std::ifstream in(kMusic, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(WaveOutAudio, DecodesThePacksMusicWholeCutOrTooLongAndRefusesTheRest)
{
    const std::vector<uint8_t> music = musicBytes();
    if (music.empty())
        GTEST_SKIP() << "no generated data pack in " << SOFTDEMO_SOURCE_DIR;
    TempDir dir;
    const size_t half = music.size() / 2;
    writeBytes(dir.file("whole.mp3"), music);
    writeBytes(dir.file("half.mp3"), std::vector<uint8_t>(music.begin(), music.begin() + std::ptrdiff_t(half)));
    std::vector<uint8_t> sixTimes;
    for (int i = 0; i < 6; ++i)
        sixTimes.insert(sixTimes.end(), music.begin(), music.end());
    writeBytes(dir.file("six times.mp3"), sixTimes);
    writeBytes(dir.file("empty.mp3"), {});
    std::vector<uint8_t> noise(100000);
    for (size_t i = 0; i < noise.size(); ++i)
        noise[i] = uint8_t(i * 2654435761u >> 13);
    writeBytes(dir.file("noise.mp3"), noise);
    const double whole = measureMp3(music).seconds;
    const struct {
        const char* file;
        int error;
        double seconds; // how much music it holds
    } cases[] = {
        {"whole.mp3", WaveOutAudio::NoError, whole}, {"half.mp3", WaveOutAudio::NoError, whole / 2},
        {"six times.mp3", WaveOutAudio::NoError, 600.0}, // only the first ten minutes
        {"missing.mp3", WaveOutAudio::Unreadable, 0}, {"empty.mp3", WaveOutAudio::BadFormat, 0},
        {"noise.mp3", WaveOutAudio::BadFormat, 0},
    };
    for (const auto& c : cases) {
        std::vector<int16_t> samples;
        EXPECT_EQ(decodeMp3File(dir.file(c.file), 44100, samples), c.error) << c.file;
        EXPECT_NEAR(double(samples.size()) / 2 / 44100, c.seconds, 0.05) << c.file;
    }
}

TEST(WaveOutAudio, ReportsAsTheSdlDeviceDoes)
{
    WaveOutAudio device;
    Music music(&device);
    testing::internal::CaptureStdout();
    music.load(kMusic.c_str());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Can't open stream\n(error code: 4)");
    EXPECT_EQ(music.stream, 0u);
    if (!device.open(44100)) {
        EXPECT_EQ(device.errorCode(), WaveOutAudio::NoOutput);
        GTEST_SKIP() << "no audio output here";
    }
    EXPECT_EQ(device.loadModule("tune.mod"), 0u);
    EXPECT_EQ(device.errorCode(), WaveOutAudio::BadFormat) << "no tracker decoder";
    EXPECT_EQ(device.loadStream("missing.mp3"), 0u);
    EXPECT_EQ(device.errorCode(), WaveOutAudio::Unreadable);
    if (musicBytes().empty())
        return;
    music.load(kMusic.c_str());
    EXPECT_EQ(music.stream, 1u);
    music.play();
    device.playFrom(1, 500.0); // past its end: silent
    music.play();
    music.stop();
}

} // namespace
