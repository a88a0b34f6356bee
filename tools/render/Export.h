#pragma once
#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

struct PixelBuffer;

// Pipes raw frames into ffmpeg, which encodes them with the music as H.264 + AAC.
class VideoEncoder {
public:
    // Throws std::runtime_error when ffmpeg cannot be started.
    VideoEncoder(const std::string& out, const std::string& music, uint32_t fps, uint32_t scale);
    ~VideoEncoder();
    VideoEncoder(const VideoEncoder&) = delete;
    VideoEncoder& operator=(const VideoEncoder&) = delete;

    void write(const PixelBuffer& frame);
    // Waits for ffmpeg; throws if it failed.
    void finish();

private:
    pid_t child = -1;
    int pipe = -1;
    uint32_t scale;
    std::vector<uint32_t> scaled;
};
