#include "platform/SdlPlayer.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "app/DataFolder.h"
#include "platform/DemoDialog.h"
#include "scene/Keyboard.h"

PlayerSetup playerSetupFromSystem()
{
    PlayerSetup s;
    s.dataPlaces = dataPlaces();
    s.settings = playerSettingsFromEnvironment();
    s.tick = SDL_GetTicks;
    s.showError = showErrorBox;
    s.fonts.warn = playerSays;
    s.ask = [](SDL_Window* owner, const std::string& dataDir, const DialogFonts& fonts) {
        DemoDialog dialog(dataDir, fonts);
        dialog.run(owner); // the answer does not change the show
    };
    s.openScreen = [](int w, int h, const ScreenOptions& options) { return std::make_unique<Screen>(w, h, options); };
    s.leaveAtOnce = [] {
        std::fflush(nullptr);
        std::_Exit(0);
    };
    return s;
}

SdlPlayer::SdlPlayer(const PlayerSetup& setup) : setup(setup)
{
    // Ctrl+C in the terminal ends the program the ordinary way.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    setKeyQuery(&keyboard); // the scene's keys
}

SdlPlayer::~SdlPlayer()
{
    setKeyQuery(nullptr);
    screen.reset(); // the cursor comes back
    mainWindow.reset();
    if (videoOpen)
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

void SdlPlayer::openDisplay()
{
    if (videoOpen)
        return;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        throw std::runtime_error(std::string("cannot open the display: ") + SDL_GetError());
    videoOpen = true;
    // SDL falls back to drivers that show nothing; only take them when asked to.
    const std::string driver = SDL_GetCurrentVideoDriver();
    if (!std::getenv("SDL_VIDEODRIVER") && (driver == "offscreen" || driver == "dummy")) {
        const char* display = std::getenv("DISPLAY");
        throw std::runtime_error(std::string("cannot open the display (DISPLAY is ") +
                                 (display ? "\"" + std::string(display) + "\")" : "not set)"));
    }
}

void SdlPlayer::ask(const std::string& dataDir)
{
    openDisplay();
    mainWindow = std::make_unique<DefaultWindow>();
    setup.ask(mainWindow->window, dataDir, setup.fonts);
}

bool SdlPlayer::openScreen(int frameWidth, int frameHeight, bool vsync)
{
    openDisplay();
    screen = setup.openScreen(frameWidth, frameHeight, {.fullScreen = true, .vsync = vsync});
    return screen->vsync();
}

bool SdlPlayer::escapePressed()
{
    keyboard.pump();
    return keyboard.isDown(kKeyEscape);
}

void SdlPlayer::switchIfAsked()
{
    if (keyboard.takeFullScreenSwitch())
        screen->setFullScreen(!screen->fullScreen());
}

// Keys pressed meanwhile are kept for the first question after the pause.
void SdlPlayer::pause(uint32_t ms)
{
    switchIfAsked();
    screen->blank();
    keyboard.pump();
    SDL_Delay(std::min<uint32_t>(ms, 10));
}

void SdlPlayer::present(const PixelBuffer& frame)
{
    switchIfAsked();
    screen->present(frame);
}

void SdlPlayer::showError(const std::string& title, const std::string& text)
{
    if (setup.showError)
        setup.showError(title, text);
}

int runPlayer(const PlayerSetup& setup)
{
    SdlPlayer platform(setup);
    Player player(platform, setup.settings);
    return player.run(setup.dataPlaces);
}
