#include "tools/render/Export.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "audio/Mp3Frames.h"
#include "base/Files.h"
#include "gfx/PixelBuffer.h"
#include "show/Timeline.h"

namespace {

std::string seconds(double s)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", s);
    return text;
}

} // namespace

std::string VideoEncoder::usableMusic(const std::string& music)
{
    const std::string silent = "; the video will be silent";
    std::ifstream in(filePath(music), std::ios::binary);
    if (!in) {
        warning = music + ": " + (errno == ENOENT ? std::string("missing") : std::strerror(errno)) + silent;
        return {};
    }
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const Mp3Extent extent = measureMp3(bytes);
    if (bytes.empty() || extent.bytes == 0) {
        warning = music + (bytes.empty() ? ": empty" : ": not an MP3 file (no whole MPEG audio frame at its start)") +
                  silent;
        return {};
    }
    // An ID3v1 tag closes a whole file.
    const size_t rest = bytes.size() - extent.bytes;
    if (rest == 0 || (rest == 128 && bytes[extent.bytes] == 'T' && bytes[extent.bytes + 1] == 'A' &&
                      bytes[extent.bytes + 2] == 'G'))
        return music;
    // ffmpeg complains about a frame cut in two: give it the whole ones only.
    wholeFrames = writeTemporaryFile("softdemo-music", ".mp3", bytes.data(), extent.bytes);
    warning = music + ": truncated or damaged after " + seconds(extent.seconds) + " of music" +
              (extent.seconds * 1000.0 < kShowEndMs ? "; the rest of the video will be silent" : "");
    return wholeFrames;
}

VideoEncoder::VideoEncoder(const std::string& out, const std::string& music, uint32_t fps, uint32_t scale)
    : scale(scale)
{
    const std::string size = std::to_string(512 * scale) + "x" + std::to_string(384 * scale);
    const std::string rate = std::to_string(fps);
    const std::string audio = usableMusic(music);
    // Frames are B, G, R, A bytes; ffmpeg ignores the alpha. No shell: paths pass as they are.
    std::vector<std::string> args = {"ffmpeg", "-hide_banner", "-loglevel", "error", "-y", "-f", "rawvideo",
                                     "-pixel_format", "bgra", "-video_size", size, "-framerate", rate, "-i", "-"};
    if (!audio.empty())
        args.insert(args.end(), {"-i", audio});
    args.insert(args.end(), {"-map", "0:v", "-c:v", "libx264", "-preset", "medium", "-crf", "18", "-pix_fmt",
                             "yuv420p"});
    // Music shorter than the show is padded with silence; the video sets the length.
    if (!audio.empty())
        args.insert(args.end(), {"-map", "1:a", "-c:a", "aac", "-b:a", "192k", "-af", "apad", "-shortest"});
    args.insert(args.end(), {"-movflags", "+faststart", out});
    try {
        ffmpeg = std::make_unique<ChildProcess>(args);
    } catch (const std::runtime_error& e) {
#ifdef _WIN32
        throw std::runtime_error(std::string(e.what()) + " (put ffmpeg.exe in a folder on the PATH)");
#else
        throw std::runtime_error(std::string(e.what()) + " (install the ffmpeg package)");
#endif
    }
}

VideoEncoder::~VideoEncoder()
{
    ffmpeg.reset();
    std::error_code ec;
    if (!wholeFrames.empty())
        std::filesystem::remove(filePath(wholeFrames), ec);
}

void VideoEncoder::write(const PixelBuffer& frame)
{
    const uint32_t* pixels = frame.pixels;
    if (scale > 1) {
        // Nearest neighbour: every pixel becomes a scale x scale block.
        const uint32_t w = frame.width * scale;
        scaled.resize(size_t(w) * frame.height * scale);
        for (uint32_t y = 0; y < frame.height * scale; ++y)
            for (uint32_t x = 0; x < w; ++x)
                scaled[size_t(y) * w + x] = frame.pixels[(y / scale) * frame.width + x / scale];
        pixels = scaled.data();
    }
    ffmpeg->write(pixels, size_t(frame.pixelCount) * scale * scale * 4);
}

void VideoEncoder::finish()
{
    if (ffmpeg->finish() != 0)
        throw std::runtime_error("ffmpeg failed to encode the video (see its message above)");
}
