#pragma once
#include <cstdint>

// What the music needs from an audio library: open the default output, load
// a tracker module (looping) or a sampled stream (once), play from the
// beginning, stop, and a numeric code for the last failure. Handles are
// non-zero; 0 means the load failed.
class AudioDevice {
public:
    // errorCode() values, the same on every platform, so the messages are;
    // 0 after a call that succeeded.
    enum Error : int {
        NoError = 0,
        NoOutput = 1,   // no audio output could be opened
        Unreadable = 2, // the file is missing or cannot be read
        BadFormat = 3,  // the file is in no format the device decodes, or corrupt
        NotOpen = 4,    // a load while the output is not open
    };

    virtual ~AudioDevice() = default;
    virtual bool open(int frequency) = 0;
    virtual uint32_t loadModule(const char* path) = 0;
    virtual uint32_t loadStream(const char* path) = 0;
    virtual void play(uint32_t handle) = 0;
    virtual void stop(uint32_t handle) = 0;
    // Plays from `seconds` into the piece; silent past its end or where the
    // piece cannot be positioned.
    virtual void playFrom(uint32_t handle, double seconds) = 0;
    virtual int errorCode() = 0;
};

// One piece of music, fire and forget. Every failure is reported on standard
// output and leaves the show silent; it never stops the show.
class Music {
public:
    enum Kind : uint8_t { Nothing = 0, Module = 1, Stream = 2 };

    uint32_t stream = 0;
    uint32_t module = 0;
    uint8_t kind = Nothing;

    explicit Music(AudioDevice* device);

    void open();                   // the default output at 44,100 Hz
    void load(const char* fileName); // module or stream by the extension after the last '.'
    void play();
    void stop();

private:
    void report(const char* message);

    AudioDevice* device;
};
