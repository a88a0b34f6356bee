#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/Player.h"
#include "engine/Timer.h"
#include "platform/Base.h"
#include "platform/BaseDialog.h"
#include "platform/ErrorBox.h"
#include "platform/Keyboard.h"
#include "platform/Screen.h"
#include "platform/SdlAudio.h"

// What the SDL player takes from around it. playerSetupFromSystem() fills it
// from the environment and the real window system; tests replace parts of it.
struct PlayerSetup {
    std::vector<DataPlace> dataPlaces;
    PlayerSettings settings;
    Timer::Tick tick;    // the millisecond tick
    ErrorBox showError;  // a start-up failure, for a person with no terminal
    DialogFonts fonts;
    // The start-up question over the hidden main window; throws if it cannot be asked.
    std::function<void(SDL_Window* owner, const std::string& dataDir, const DialogFonts& fonts)> ask;
    // Throws if the screen cannot be opened.
    std::function<std::unique_ptr<Screen>(int frameWidth, int frameHeight, const ScreenOptions& options)> openScreen;
    // Escape at the top of a pass: leave at once, without the shutdown.
    std::function<void()> leaveAtOnce;
};

// The data places, SOFTDEMO_VSYNC and SOFTDEMO_REPORT, SDL's tick and
// message box, the start-up dialog and the full screen.
PlayerSetup playerSetupFromSystem();

// The player's calls on SDL. The display is opened for the start-up question
// (a display that shows nothing is refused unless SDL_VIDEODRIVER asked for
// it); Alt+Enter switches between full screen and a window whenever the
// screen is shown.
class SdlPlayer final : public PlayerPlatform {
public:
    explicit SdlPlayer(const PlayerSetup& setup);
    ~SdlPlayer() override;
    SdlPlayer(const SdlPlayer&) = delete;
    SdlPlayer& operator=(const SdlPlayer&) = delete;

    uint32_t tick() override { return setup.tick(); }
    bool escapePressed() override;
    bool closeRequested() override { return keyboard.closeRequested(); }
    AudioDevice* audio() override { return &sdlAudio; }
    void ask(const std::string& dataDir) override;
    bool openScreen(int frameWidth, int frameHeight, bool vsync) override;
    void pause(uint32_t ms) override;
    void present(const PixelBuffer& frame) override;
    void showError(const std::string& title, const std::string& text) override;
    void leaveAtOnce() override { setup.leaveAtOnce(); }

private:
    void openDisplay();
    void switchIfAsked();

    const PlayerSetup& setup;
    bool videoOpen = false;
    SdlAudio sdlAudio;
    Keyboard keyboard;
    std::unique_ptr<DefaultWindow> mainWindow;
    std::unique_ptr<Screen> screen;
};

// The whole player on SDL. Returns the exit code (Player::run).
int runPlayer(const PlayerSetup& setup);
