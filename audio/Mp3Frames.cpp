#include "audio/Mp3Frames.h"

namespace {

// Kilobits per second by bitrate index, layer III: MPEG-1, then MPEG-2 and 2.5.
constexpr unsigned kBitrates[2][15] = {{0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},
                                       {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}};
constexpr unsigned kMpeg1Rates[3] = {44100, 48000, 32000};

} // namespace

bool readMp3Frame(const uint8_t* data, size_t size, size_t at, Mp3Frame& frame)
{
    if (at > size || size - at < 4)
        return false;
    const uint8_t* h = data + at;
    const unsigned version = (h[1] >> 3) & 3; // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
    const unsigned layer = (h[1] >> 1) & 3;   // 1 layer III
    const unsigned bitrate = h[2] >> 4, rate = (h[2] >> 2) & 3;
    if (h[0] != 0xff || (h[1] & 0xe0) != 0xe0 || version == 1 || layer != 1 || bitrate == 0 || bitrate == 15 ||
        rate == 3)
        return false;
    const bool mpeg1 = version == 3;
    frame.sampleRate = kMpeg1Rates[rate] >> (mpeg1 ? 0 : version == 2 ? 1 : 2);
    frame.channels = (h[3] >> 6) == 3 ? 1 : 2;
    frame.kbps = kBitrates[!mpeg1][bitrate];
    frame.bytes = (mpeg1 ? 144 : 72) * frame.kbps * 1000 / frame.sampleRate + ((h[2] >> 1) & 1);
    frame.samples = mpeg1 ? 1152 : 576;
    return true;
}

size_t firstMp3Frame(const uint8_t* data, size_t size)
{
    if (size < 10 || data[0] != 'I' || data[1] != 'D' || data[2] != '3')
        return 0;
    return 10 + (size_t(data[6] & 0x7f) << 21 | size_t(data[7] & 0x7f) << 14 | size_t(data[8] & 0x7f) << 7 |
                 (data[9] & 0x7f));
}

Mp3Extent measureMp3(const std::vector<uint8_t>& file)
{
    Mp3Extent extent;
    Mp3Frame frame;
    for (size_t at = firstMp3Frame(file.data(), file.size());
         readMp3Frame(file.data(), file.size(), at, frame) && frame.bytes <= file.size() - at; at += frame.bytes) {
        extent.bytes = at + frame.bytes;
        extent.seconds += double(frame.samples) / frame.sampleRate;
    }
    return extent;
}
