#pragma once
#include "audio/Music.h"

// The music's audio device over the page's Web Audio: the page decodes the
// music file while the data pack loads and opens its audio context on the
// viewer's click, which browsers require before any sound. One stream at a
// time, handle 1; the error codes are the player's.
class WebAudio : public AudioDevice {
public:
    bool open(int frequency) override;
    uint32_t loadModule(const char* path) override;
    uint32_t loadStream(const char* path) override;
    void play(uint32_t handle) override;
    void playFrom(uint32_t handle, double seconds) override;
    void stop(uint32_t handle) override;
    int errorCode() override { return error; }

private:
    bool opened = false;
    int error = NoError;
};
