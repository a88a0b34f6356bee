#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/Timer.h"
#include "pack/DataLookup.h"
#include "platform/BaseDialog.h"
#include "platform/ErrorBox.h"
#include "platform/Screen.h"

// What the player takes from around it. playerSetupFromSystem() fills it from
// the environment and the real window system; tests replace parts of it.
struct PlayerSetup {
    std::vector<DataPlace> dataPlaces;
    bool vsync = true;   // present in step with the display where it can
    bool report = false; // a line about the frames shown, at the end
    Timer::Tick tick;    // the show's millisecond clock, which also times the pause
    ErrorBox showError;  // a start-up failure, for a person with no terminal
    DialogFonts fonts;
    // The start-up question over the hidden main window; throws if it cannot be asked.
    std::function<void(SDL_Window* owner, const std::string& dataDir, const DialogFonts& fonts)> ask;
    // Throws if the screen cannot be opened.
    std::function<std::unique_ptr<Screen>(int frameWidth, int frameHeight, const ScreenOptions& options)> openScreen;
    // Escape at the top of a pass: leave at once, without the shutdown.
    std::function<void()> leaveAtOnce;
};

// SOFTDEMO_DATA, SOFTDEMO_VSYNC (0 turns it off), SOFTDEMO_REPORT, the system
// clock, SDL's message box, the start-up dialog and the full screen.
PlayerSetup playerSetupFromSystem();

// The whole player: the data check, the display, the show, the start-up
// question, the screen, two seconds of black, the music and the frames until
// the end, Escape or a close request. Returns the exit code: 0 however the
// show ends; 1 when it cannot start, after one line on standard error and
// the same in setup.showError.
int runPlayer(const PlayerSetup& setup);
