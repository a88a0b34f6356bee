#include "tools/render/Export.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <stdexcept>

#include "gfx/PixelBuffer.h"

extern char** environ;

VideoEncoder::VideoEncoder(const std::string& out, const std::string& music, uint32_t fps, uint32_t scale)
    : scale(scale)
{
    const std::string size = std::to_string(512 * scale) + "x" + std::to_string(384 * scale);
    const std::string rate = std::to_string(fps);
    // Frames are B, G, R, A bytes; ffmpeg ignores the alpha. No shell: paths pass as they are.
    std::vector<std::string> args = {"ffmpeg", "-hide_banner", "-loglevel", "error", "-y",
                                     "-f", "rawvideo", "-pixel_format", "bgra", "-video_size", size,
                                     "-framerate", rate, "-i", "-", "-i", music,
                                     "-map", "0:v", "-map", "1:a", "-c:v", "libx264", "-preset", "medium",
                                     "-crf", "18", "-pix_fmt", "yuv420p", "-c:a", "aac", "-b:a", "192k",
                                     "-shortest", "-movflags", "+faststart", out};
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
