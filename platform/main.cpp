// softdemo: the show on the whole screen, with its music. No command line;
// run it from the folder that holds data/.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "engine/Production.h"
#include "platform/FrameLoop.h"
#include "platform/Keyboard.h"
#include "platform/Screen.h"
#include "platform/SdlAudio.h"
#include "scene/Keyboard.h"
#include "show/DataManifest.h"
#include "show/ShowScript.h"
#include "window/Base.h"
#include "window/DemoDialog.h"

namespace {

constexpr const char* kDataDir = "data";
constexpr uint32_t kPauseMs = 2000;

int fail(const std::string& why)
{
    std::fprintf(stderr, "softdemo: %s\n", why.c_str());
    return 1;
}

// With SOFTDEMO_REPORT set, one line on standard error about the frames shown.
void report(uint32_t frames, uint32_t since)
{
    if (!std::getenv("SOFTDEMO_REPORT"))
        return;
    const double seconds = (SDL_GetTicks() - since) / 1000.0;
    std::fprintf(stderr, "softdemo: %u frames in %.1f s (%.1f frames per second)\n", frames, seconds,
                 seconds > 0 ? frames / seconds : 0.0);
}

struct SdlSession {
    ~SdlSession() { SDL_Quit(); }
};

} // namespace

int main()
{
    // Everything the show reads must be there before any window opens.
    const DataCheck check = checkDataDirectory(kDataDir);
    for (const std::string& w : check.warnings)
        std::fprintf(stderr, "softdemo: %s; going on without it\n", w.c_str());
    if (!check.problems.empty()) {
        for (const std::string& p : check.problems)
            std::fprintf(stderr, "softdemo: %s\n", p.c_str());
        return fail("the data directory data/ is not usable; generate it in this folder with "
                    "\"softdemo-assets --out data\" (built beside softdemo), or run ./scripts/play, "
                    "which builds, generates the data and plays");
    }
    // Ctrl+C in the terminal ends the program the ordinary way.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_Init(SDL_INIT_VIDEO) != 0)
        return fail(std::string("cannot open the display: ") + SDL_GetError());
    SdlSession session;
    // SDL falls back to drivers that show nothing; only take them when asked to.
    const std::string driver = SDL_GetCurrentVideoDriver();
    if (!std::getenv("SDL_VIDEODRIVER") && (driver == "offscreen" || driver == "dummy")) {
        const char* display = std::getenv("DISPLAY");
        return fail(std::string("cannot open the display (DISPLAY is ") +
                    (display ? "\"" + std::string(display) + "\")" : "not set)"));
    }

    SdlAudio audio;
    Keyboard keyboard;
    std::unique_ptr<Production> production;
    try {
        production = std::make_unique<Production>(kDataDir, SDL_GetTicks, &audio);
        buildShow(parseShow(embeddedShowText(), kEmbeddedShowName), *production);
    } catch (const std::exception& e) {
        return fail(e.what());
    }
    const PixelBuffer& frame = *production->frameBuffer();
    setKeyQuery(&keyboard); // the scene's keys

    DefaultWindow mainWindow;
    DemoDialog dialog(kDataDir);
    std::unique_ptr<Screen> screen;
    try {
        dialog.run(mainWindow.window); // the answer does not change the show
        screen = std::make_unique<Screen>(frame.width, frame.height);
    } catch (const std::exception& e) {
        return fail(e.what());
    }

    // Two seconds of black; keys pressed meanwhile count at the first question.
    const uint32_t pauseStart = SDL_GetTicks();
    do {
        screen->blank();
        keyboard.pump();
        SDL_Delay(10);
    } while (SDL_GetTicks() - pauseStart < kPauseMs);

    production->initAudio();
    production->loadMusic();
    if (production->music)
        production->music->play();
    production->clock->start();
    const uint32_t showStart = SDL_GetTicks();

    uint32_t frames = 0;
    const LoopEnd end = runFrames(*production, keyboard, [&](const PixelBuffer& f) { screen->present(f); }, frames);
    if (end == LoopEnd::EscapeBeforeFrame) {
        // Leave at once, without the shutdown.
        report(frames, showStart);
        std::fflush(nullptr);
        std::_Exit(0);
    }

    production->clock->stop();
    if (production->music)
        production->music->stop();
    report(frames, showStart);
    screen.reset(); // the cursor comes back first
    return 0;
}
