#pragma once
#include <cstdint>
#include <vector>

// 44,100 Hz stereo MP3 at 192 kbit/s CBR; samples in -1 ... 1.
std::vector<uint8_t> encodeMp3(const std::vector<float>& left, const std::vector<float>& right);

// Decoded again with LAME's own decoder: what a player hears. Samples in -1 ... 1.
struct DecodedAudio {
    std::vector<float> left, right;
};
DecodedAudio decodeMp3(const std::vector<uint8_t>& mp3);
