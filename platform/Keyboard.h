#pragma once
#include <bitset>
#include <cstdint>
#include <utility>

#include "scene/Keyboard.h"

// The keyboard as the show asks about it: a key counts as pressed when it is
// down now or went down since the last question about that key. pump() reads
// the pending events, which is how presses between questions are seen.
class Keyboard : public KeyQuery {
public:
    void pump();
    bool isDown(uint8_t virtualKey) override;
    // A window was asked to close (its close box, Alt+F4, or a quit request).
    bool closeRequested() const { return closing; }
    // Alt+Enter was pressed since the last question: switch between full
    // screen and a window. It is not a press of Enter.
    bool takeFullScreenSwitch() { return std::exchange(switchScreen, false); }

private:
    std::bitset<256> pressedSince;
    bool closing = false;
    bool switchScreen = false;
};
