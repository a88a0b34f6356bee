#include "tools/render/Export.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "gfx/PixelBuffer.h"
#include "show/Timeline.h"

extern char** environ;

namespace {

// Kilobits per second by bitrate index, layer III: MPEG-1, then MPEG-2 and 2.5.
constexpr unsigned kBitrates[2][15] = {{0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},
                                       {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}};
constexpr unsigned kMpeg1Rates[3] = {44100, 48000, 32000};

std::string seconds(double s)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", s);
    return text;
}

} // namespace

Mp3Extent measureMp3(const std::vector<uint8_t>& file)
{
    const uint8_t* b = file.data();
    size_t at = 0;
    if (file.size() >= 10 && b[0] == 'I' && b[1] == 'D' && b[2] == '3')
        at = 10 + (size_t(b[6] & 0x7f) << 21 | size_t(b[7] & 0x7f) << 14 | size_t(b[8] & 0x7f) << 7 | (b[9] & 0x7f));
    Mp3Extent extent;
    while (at + 4 <= file.size()) {
        const uint8_t* h = b + at;
        const unsigned version = (h[1] >> 3) & 3; // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
        const unsigned layer = (h[1] >> 1) & 3;   // 1 layer III
        const unsigned bitrate = h[2] >> 4, rate = (h[2] >> 2) & 3;
        if (h[0] != 0xff || (h[1] & 0xe0) != 0xe0 || version == 1 || layer != 1 || bitrate == 0 || bitrate == 15 ||
            rate == 3)
            break;
        const bool mpeg1 = version == 3;
        const unsigned hz = kMpeg1Rates[rate] >> (mpeg1 ? 0 : version == 2 ? 1 : 2);
        const size_t length = (mpeg1 ? 144 : 72) * kBitrates[!mpeg1][bitrate] * 1000 / hz + ((h[2] >> 1) & 1);
        if (at + length > file.size())
            break;
        at += length;
        extent.bytes = at;
        extent.seconds += (mpeg1 ? 1152.0 : 576.0) / hz;
    }
    return extent;
}

std::string VideoEncoder::usableMusic(const std::string& music)
{
    const std::string silent = "; the video will be silent";
    std::ifstream in(music, std::ios::binary);
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
    char name[] = "/tmp/softdemo-music-XXXXXX.mp3";
    const int fd = mkstemps(name, 4);
    if (fd < 0)
        throw std::runtime_error(std::string("cannot make a temporary file for the music: ") + std::strerror(errno));
    wholeFrames = name;
    const bool written = ::write(fd, bytes.data(), extent.bytes) == ssize_t(extent.bytes);
    ::close(fd);
    if (!written)
        throw std::runtime_error("cannot write " + wholeFrames + ": " + std::strerror(errno));
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
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    int fds[2];
    if (::pipe(fds) != 0)
        throw std::runtime_error(std::string("cannot create a pipe to ffmpeg: ") + std::strerror(errno));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[0], STDIN_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    const int error = posix_spawnp(&child, "ffmpeg", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[0]);
    if (error != 0) {
        ::close(fds[1]);
        child = -1;
        throw std::runtime_error(std::string("cannot run ffmpeg (install the ffmpeg package): ") + std::strerror(error));
    }
    pipe = fds[1];
    std::signal(SIGPIPE, SIG_IGN); // a dead ffmpeg shows up as a write error, not a signal
}

VideoEncoder::~VideoEncoder()
{
    if (pipe >= 0)
        ::close(pipe);
    if (child > 0)
        waitpid(child, nullptr, 0);
    if (!wholeFrames.empty())
        ::unlink(wholeFrames.c_str());
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
    const auto* bytes = reinterpret_cast<const char*>(pixels);
    size_t left = size_t(frame.pixelCount) * scale * scale * 4;
    while (left > 0) {
        const ssize_t n = ::write(pipe, bytes, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw std::runtime_error(std::string("ffmpeg stopped reading frames: ") + std::strerror(errno));
        bytes += n;
        left -= size_t(n);
    }
}

void VideoEncoder::finish()
{
    ::close(pipe);
    pipe = -1;
    int status = 0;
    waitpid(child, &status, 0);
    child = -1;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("ffmpeg failed to encode the video (see its message above)");
}
