#pragma once
#include <vector>

#include "audio/Music.h"

typedef struct _Mix_Music Mix_Music;

// The music's audio device over SDL2_mixer. Handles are 1, 2, ... in load
// order; a module loops, a stream plays once.
class SdlAudio : public AudioDevice {
public:
    SdlAudio() = default;
    ~SdlAudio() override;
    SdlAudio(const SdlAudio&) = delete;
    SdlAudio& operator=(const SdlAudio&) = delete;

    bool open(int frequency) override;
    uint32_t loadModule(const char* path) override;
    uint32_t loadStream(const char* path) override;
    void play(uint32_t handle) override;
    void stop(uint32_t handle) override;
    void playFrom(uint32_t handle, double seconds) override;
    int errorCode() override { return error; }

private:
    struct Track {
        Mix_Music* music;
        bool loops;
    };

    uint32_t load(const char* path, bool loops);

    std::vector<Track> tracks;
    uint32_t playing = 0;
    bool opened = false;
    int error = NoError;
};
