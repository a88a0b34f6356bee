#pragma once
#include <cstdint>
#include <string>

#include "audio/Music.h"
#include "gfx/PixelBuffer.h"

// Everything the player (app/Player.h) asks of the system it runs on. A new
// front end implements these calls and nothing else of the sequence: the
// order of start-up, dialog, pause, music, frames and stop, and the rules for
// when the show ends, are the player's. The player makes every call from the
// thread that calls it, never two at once.
//
// Besides this list, a front end:
// - hands the scene its keys with setKeyQuery (scene/Keyboard.h), and takes
//   them back with setKeyQuery(nullptr) before its query goes away;
// - keeps its audio device alive as long as the Player;
// - after run() returns (or the last pass), closes what openScreen opened and
//   shows the cursor again.
class PlayerPlatform {
public:
    virtual ~PlayerPlatform() = default;

    // A millisecond tick, wrapping at 2^32 (timeGetTime, SDL_GetTicks). It
    // times the two-second pause, drives the show's clock and times the report.
    virtual uint32_t tick() = 0;

    // Reads the input that came since the last call, then says whether Escape
    // is down now or went down since the last call, released or not
    // (GetAsyncKeyState(VK_ESCAPE) != 0). A key pressed during the pause must
    // still count at the first call after it.
    virtual bool escapePressed() = 0;

    // Whether the viewer asked to close the show's window (its close box,
    // Alt+F4), as seen by the last escapePressed(). False where there is no
    // such thing. The show then stops as after Escape below a frame.
    virtual bool closeRequested() = 0;

    // Where the music plays; null for none (the show is silent). Asked for
    // once, when the show is built; opened and played when the pause is over.
    virtual AudioDevice* audio() = 0;

    // The start-up question ("Choose ASS:"), modal: returns once it is
    // answered or closed; the answer does not change the show. dataDir holds
    // its pictures. Throws std::runtime_error, with a message saying what
    // failed, when it cannot be asked. Only run() calls it; a front end that
    // drives the steps itself asks between build() and begin().
    virtual void ask(const std::string& dataDir) = 0;

    // The window of the show: borderless, on top of everything, covering the
    // whole screen, no cursor, black. Frames of frameWidth x frameHeight will
    // be stretched to it. With `vsync`, presenting may wait for the display's
    // next refresh where it offers that. Returns whether presenting does wait
    // (for the report). Throws std::runtime_error when it cannot be opened.
    virtual bool openScreen(int frameWidth, int frameHeight, bool vsync) = 0;

    // During the two seconds of black, with `ms` (> 0) of them left: keep the
    // screen black. A front end that may block waits here, all of `ms`
    // (Sleep) or a slice of it while it handles its window; one that cannot
    // block returns at once and is called again on its next pass.
    virtual void pause(uint32_t ms) = 0;

    // Shows the frame stretched to the whole screen: rows top first, pixels
    // 0xAARRGGBB (bytes B, G, R, A in memory), alpha ignored.
    virtual void present(const PixelBuffer& frame) = 0;

    // A start-up failure, for a person who may have no terminal: a message
    // box (MessageBoxA) with this title and text, closed before it returns.
    // The same text is on standard error already.
    virtual void showError(const std::string& title, const std::string& text) = 0;

    // Escape at the top of a pass: end the process now with exit code 0, no
    // shutdown steps (ExitProcess(0), _Exit(0) after flushing the standard
    // streams). A front end that cannot end its process (a web page) silences
    // its sound at once and returns; the player then makes no other call.
    virtual void leaveAtOnce() = 0;
};
