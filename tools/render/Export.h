#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tools/render/System.h"

struct PixelBuffer;

// Pipes raw frames into ffmpeg, which encodes them with the music as H.264 + AAC.
class VideoEncoder {
public:
    // A music file that is missing or not an MP3 makes a silent video; one cut
    // short, a video silent after its last whole frame. `warning` then says
    // which and why. Throws std::runtime_error when ffmpeg cannot be started.
    VideoEncoder(const std::string& out, const std::string& music, uint32_t fps, uint32_t scale);
    ~VideoEncoder();
    VideoEncoder(const VideoEncoder&) = delete;
    VideoEncoder& operator=(const VideoEncoder&) = delete;

    void write(const PixelBuffer& frame);
    // Waits for ffmpeg; throws if it failed.
    void finish();

    std::string warning; // about the music; empty when it is whole

private:
    // The file ffmpeg reads the music from; empty for none.
    std::string usableMusic(const std::string& music);

    std::unique_ptr<ChildProcess> ffmpeg;
    uint32_t scale;
    std::vector<uint32_t> scaled;
    std::string wholeFrames; // a temporary copy of a cut file's whole frames
};
