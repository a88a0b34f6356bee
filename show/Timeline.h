#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/Production.h"
#include "show/ShowScript.h"

// The show ends on the first frame at or after this time; that frame is never
// shown. Every program that plays or renders the show asks showIsOver.
constexpr uint32_t kShowEndMs = 118377;

// Whole milliseconds of show time, as the clock's float or a timeline's count.
constexpr bool showIsOver(double timeMs)
{
    return timeMs >= kShowEndMs;
}

// Time of frame i at a fixed frame rate: floor(i * 1000 / fps) whole milliseconds.
inline uint32_t frameTimeMs(uint64_t frame, uint32_t fps)
{
    return uint32_t(frame * 1000 / fps);
}

// Frames on the timeline before the end.
inline uint64_t frameCount(uint32_t fps)
{
    uint64_t n = 0;
    while (!showIsOver(frameTimeMs(n, fps)))
        ++n;
    return n;
}

// The show run headless on an exact timeline: frame i is rendered for show
// time frameTimeMs(i), with no window, no sound and no key ever pressed.
class Timeline {
public:
    // Builds the production from the show, with the pictures already decoded
    // from dataDir or loaded (buildShow); throws ShowError or
    // std::runtime_error. `threads` share the drawing of each frame.
    Timeline(const ShowScript& show, const std::string& dataDir, uint32_t fps, DecodedPictures decoded = {},
             unsigned threads = 1, LoadedPictures* loaded = nullptr);

    // Renders the next frame; false (and nothing rendered) once the show has ended.
    // With `effectSeconds`, the time of the whole update is added to slot 0 and
    // each effect's draw to slot 1 + its index.
    bool renderNext(std::vector<double>* effectSeconds = nullptr);

    // After restoring the production's state as it was before frame `next`:
    // the next renderNext renders that frame.
    void resumeAt(uint64_t next)
    {
        frame = next;
        now = next ? frameTimeMs(next - 1, rate) : 0;
    }

    uint64_t frameIndex() const { return frame - 1; } // of the frame rendered last
    uint32_t timeMs() const { return now; }
    uint32_t fps() const { return rate; }
    Production& production() { return *show; }
    const PixelBuffer& frameBuffer() const { return *show->frameBuffer(); }

private:
    uint32_t rate;
    uint64_t frame = 0;
    uint32_t now = 0;
    std::unique_ptr<Production> show;
};

// 64-bit FNV-1a of a frame buffer's bytes in memory order.
uint64_t frameHash(const PixelBuffer& buffer);
