#pragma once
#include <cstdint>
#include <functional>

#include "engine/Production.h"
#include "platform/Keyboard.h"

enum class LoopEnd : uint8_t {
    EscapeBeforeFrame, // at the top of a pass: the caller leaves at once
    ShowOver,          // the show time reached its end; that frame was not presented
    EscapeAfterFrame,
    CloseRequested,
};

// Renders frames for the clock's time, as fast as they come, and presents
// each, until the end of the show, Escape or a request to close. The clock
// must be running. `frames` counts the frames presented.
LoopEnd runFrames(Production& production, Keyboard& keyboard, const std::function<void(const PixelBuffer&)>& present,
                  uint32_t& frames);
