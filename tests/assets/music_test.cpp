#include "AssetTestUtil.h"
#include "Pack.h"
#include "Mp3.h"
#include "Track.h"
#include "pack/DataManifest.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>

namespace {

double rms(const StereoBus& bus, float from, float to)
{
    const size_t a = size_t(from * kSampleRate), b = size_t(to * kSampleRate);
    double sum = 0.0;
    for (size_t i = a; i < b; ++i)
        sum += double(bus.left[i]) * bus.left[i] + double(bus.right[i]) * bus.right[i];
    return std::sqrt(sum / double(2 * (b - a)));
}

double mean(const std::vector<float>& channel, float from, float to)
{
    const size_t a = size_t(from * kSampleRate), b = size_t(to * kSampleRate);
    double sum = 0.0;
    for (size_t i = a; i < b; ++i)
        sum += channel[i];
    return sum / double(b - a);
}

} // namespace

// One rendering of the whole track, checked for everything the show needs of it.
TEST(Music, TrackFitsTheShow)
{
    const StereoBus t = renderTrack();

    // Long enough, peaks below the ceiling, silent after 118 s.
    EXPECT_GE(double(t.frames()) / kSampleRate, 118.4);
    float peak = 0.0f, tail = 0.0f;
    for (size_t i = 0; i < t.frames(); ++i) {
        const float p = std::max(std::fabs(t.left[i]), std::fabs(t.right[i]));
        peak = std::max(peak, p);
        if (i >= size_t(118.0 * kSampleRate))
            tail = std::max(tail, p);
    }
    EXPECT_LT(20.0 * std::log10(peak), -0.3);
    EXPECT_GT(20.0 * std::log10(peak), -3.0) << "far too quiet";
    EXPECT_EQ(tail, 0.0f);

    // Every section sounds, with no silent second before the fade; the
    // climax is louder than the intro and the beat louder than the sweep.
    constexpr size_t n = std::size(kTrackSections);
    for (size_t i = 0; i < n; ++i) {
        const float from = kTrackSections[i].start, to = i + 1 < n ? kTrackSections[i + 1].start : 116.0f;
        EXPECT_GT(rms(t, from, to), 0.02) << kTrackSections[i].name;
        // A DC offset wastes headroom and thumps on some speakers.
        EXPECT_LT(std::fabs(mean(t.left, from, to)), 0.002) << kTrackSections[i].name;
        EXPECT_LT(std::fabs(mean(t.right, from, to)), 0.002) << kTrackSections[i].name;
        for (float s = from; s + 1.0f < to; s += 1.0f)
            ASSERT_GT(rms(t, s, s + 1.0f), 0.003) << "silence at " << s << " s";
    }
    EXPECT_GT(rms(t, 79.2f, 103.2f), rms(t, 0.0f, 12.9f) * 1.5);
    EXPECT_GT(rms(t, 15.0f, 29.7f), rms(t, 12.9f, 15.0f));

    // Kicks on the landscape's beat grid: more energy just after a beat than just before.
    double on = 0.0, off = 0.0;
    for (int beat = 0; beat < 16; ++beat) {
        const size_t at = kGridOffset + size_t(720 + beat * 4) * kStepSamples;
        for (size_t i = 0; i < 2000; ++i) {
            on += std::fabs(t.left[at + 200 + i]);
            off += std::fabs(t.left[at - 2400 + i]);
        }
    }
    EXPECT_GT(on, off * 1.3);
}

TEST(Music, EncodesTheSameMp3TwiceAt192KbitStereo)
{
    std::vector<float> left(44100), right(44100);
    for (size_t i = 0; i < left.size(); ++i) {
        left[i] = 0.5f * std::sin(float(i) * 0.0627f);
        right[i] = 0.5f * std::sin(float(i) * 0.0314f);
    }
    const std::vector<uint8_t> a = encodeMp3(left, right), b = encodeMp3(left, right);
    EXPECT_EQ(a, b);
    ASSERT_GT(a.size(), 4u);
    EXPECT_EQ(a[0], 0xff);
    EXPECT_EQ(a[1] & 0xfe, 0xfa);  // MPEG-1 layer III
    EXPECT_EQ(a[2] >> 4, 0xb);     // 192 kbit/s
    EXPECT_EQ((a[2] >> 2) & 3, 0); // 44,100 Hz
    EXPECT_NE(a[3] >> 6, 3);       // not mono
    // One second at 192 kbit/s is about 24,000 bytes.
    EXPECT_NEAR(double(a.size()), 24000.0, 4000.0);
}

// The music as a player hears it: the pack's MP3, decoded.
TEST(Music, TheDecodedMp3HasNoOffsetAndPeaksUnderMinusOneDb)
{
    const std::string pack = std::string(SOFTDEMO_SOURCE_DIR) + "/data";
    if (!packIsCurrent(pack))
        GTEST_SKIP() << "no current generated data pack in " << pack;
    std::ifstream in(dataFilePath(pack, kMusicFile), std::ios::binary);
    const DecodedAudio decoded = decodeMp3({std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()});
    ASSERT_GE(double(decoded.left.size()) / kSampleRate, 118.4);
    float peak = 0.0f;
    for (size_t i = 0; i < decoded.left.size(); ++i)
        peak = std::max({peak, std::fabs(decoded.left[i]), std::fabs(decoded.right[i])});
    EXPECT_LT(20.0 * std::log10(peak), -1.0);
    EXPECT_LT(std::fabs(mean(decoded.left, 0.0f, 118.4f)), 0.002);
    EXPECT_LT(std::fabs(mean(decoded.right, 0.0f, 118.4f)), 0.002);
}
