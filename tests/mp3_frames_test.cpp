#include <gtest/gtest.h>

#include <vector>

#include "audio/Mp3Frames.h"

namespace {

TEST(Mp3Frames, HeadersSayRateChannelsAndLength)
{
    const struct {
        std::vector<uint8_t> header;
        unsigned rate, channels, kbps;
        size_t bytes;
        unsigned samples;
    } frames[] = {
        {{0xff, 0xfb, 0xb0, 0x00}, 44100, 2, 192, 626, 1152}, // MPEG-1, as the pack's music
        {{0xff, 0xfb, 0xb2, 0xc0}, 44100, 1, 192, 627, 1152}, // padded, mono
        {{0xff, 0xfb, 0x94, 0x40}, 48000, 2, 128, 384, 1152},
        {{0xff, 0xf3, 0x80, 0x00}, 22050, 2, 64, 208, 576},  // MPEG-2
        {{0xff, 0xe3, 0x80, 0x00}, 11025, 2, 64, 417, 576},  // MPEG-2.5
    };
    for (const auto& c : frames) {
        Mp3Frame f;
        ASSERT_TRUE(readMp3Frame(c.header.data(), c.header.size(), 0, f)) << int(c.header[1]);
        EXPECT_EQ(f.sampleRate, c.rate);
        EXPECT_EQ(f.channels, c.channels);
        EXPECT_EQ(f.kbps, c.kbps);
        EXPECT_EQ(f.bytes, c.bytes);
        EXPECT_EQ(f.samples, c.samples);
    }
    const std::vector<uint8_t> notFrames[] = {
        {0xff, 0x7b, 0xb0, 0x00}, // no sync
        {0xff, 0xeb, 0xb0, 0x00}, // reserved version
        {0xff, 0xff, 0xb0, 0x00}, // layer I
        {0xff, 0xfb, 0x00, 0x00}, // free bitrate
        {0xff, 0xfb, 0xf0, 0x00}, // bad bitrate
        {0xff, 0xfb, 0xbc, 0x00}, // reserved rate
        {0xff, 0xfb, 0xb0},       // cut short
    };
    for (const std::vector<uint8_t>& header : notFrames) {
        Mp3Frame f;
        EXPECT_FALSE(readMp3Frame(header.data(), header.size(), 0, f)) << int(header[1]) << " " << int(header[2]);
    }
    Mp3Frame f;
    const uint8_t header[] = {0xff, 0xfb, 0xb0, 0x00};
    EXPECT_FALSE(readMp3Frame(header, 4, 1, f)) << "the header runs past the end";
    EXPECT_FALSE(readMp3Frame(header, 4, 9, f)) << "beyond the end";
}

TEST(Mp3Frames, WholeFramesAfterTheTagAreMeasured)
{
    // An ID3v2 tag of 10 + 137 bytes (its size in 7-bit bytes), three whole frames and the start of a fourth.
    std::vector<uint8_t> file = {'I', 'D', '3', 3, 0, 0, 0, 0, 1, 9};
    file.resize(147);
    EXPECT_EQ(firstMp3Frame(file.data(), file.size()), 147u);
    for (int i = 0; i < 3; ++i) {
        file.insert(file.end(), {0xff, 0xfb, 0xb0, 0x00});
        file.resize(file.size() + 622);
    }
    file.insert(file.end(), {0xff, 0xfb, 0xb0, 0x00, 1, 2, 3});
    Mp3Extent extent = measureMp3(file);
    EXPECT_EQ(extent.bytes, 147u + 3 * 626);
    EXPECT_DOUBLE_EQ(extent.seconds, 3 * 1152.0 / 44100);

    file.erase(file.begin(), file.begin() + 147); // no tag
    EXPECT_EQ(firstMp3Frame(file.data(), file.size()), 0u);
    EXPECT_EQ(measureMp3(file).bytes, 3u * 626);
    EXPECT_EQ(measureMp3({}).bytes, 0u);
    EXPECT_EQ(measureMp3({'I', 'D', '3', 3, 0, 0, 0x7f, 0x7f, 0x7f, 0x7f}).bytes, 0u) << "a tag past the end";
}

} // namespace
