#pragma once
#include <windows.h>
#include <mmsystem.h>

#include <cstdint>
#include <string>
#include <vector>

#include "audio/Music.h"

// The music's audio device on Windows: waveOut for the output, the MP3
// decoded whole at load by Windows' own codec through the Audio Compression
// Manager, so no audio library ships with the program. Handles are 1, 2, ...
// in load order; the error codes are AudioDevice's, as on Linux, so the messages match.
class WaveOutAudio : public AudioDevice {
public:
    WaveOutAudio() = default;
    ~WaveOutAudio() override;
    WaveOutAudio(const WaveOutAudio&) = delete;
    WaveOutAudio& operator=(const WaveOutAudio&) = delete;

    bool open(int frequency) override;
    // Windows has no decoder for tracker modules: BadFormat.
    uint32_t loadModule(const char* path) override;
    uint32_t loadStream(const char* path) override;
    void play(uint32_t handle) override;
    void stop(uint32_t handle) override;
    void playFrom(uint32_t handle, double seconds) override;
    int errorCode() override { return error; }

private:
    void queue(const std::vector<int16_t>& samples, size_t first);
    void halt();

    HWAVEOUT device = nullptr;
    unsigned rate = 0;
    std::vector<std::vector<int16_t>> tracks; // stereo, left and right interleaved
    std::vector<WAVEHDR> blocks;              // the playing track, a second a block
    uint32_t playing = 0;
    int error = NoError;
};

// The MP3 file at `path` (UTF-8) decoded through the Audio Compression
// Manager into 16-bit stereo at `rate`, left and right interleaved; at most
// its first ten minutes. Returns AudioDevice::NoError, Unreadable or BadFormat.
int decodeMp3File(const std::string& path, unsigned rate, std::vector<int16_t>& samples);
