#include "platform/Player.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "app/DataFolder.h"
#include "engine/Production.h"
#include "pack/DataManifest.h"
#include "platform/Base.h"
#include "platform/DemoDialog.h"
#include "platform/FrameLoop.h"
#include "platform/Keyboard.h"
#include "platform/SdlAudio.h"
#include "scene/Keyboard.h"
#include "show/ShowScript.h"

namespace {

constexpr uint32_t kPauseMs = 2000;
constexpr size_t kProblemsInBox = 8;

void say(const std::string& line)
{
    std::fprintf(stderr, "softdemo: %s\n", line.c_str());
}

// The line on standard error, and the same (with any details) in a box.
int failure(const PlayerSetup& setup, const std::string& why, const std::vector<std::string>& details = {})
{
    say(why);
    if (setup.showError) {
        std::string text = why;
        for (size_t i = 0; i < details.size() && i < kProblemsInBox; ++i)
            text += (i == 0 ? "\n\n" : "\n") + details[i];
        if (details.size() > kProblemsInBox)
            text += "\n(and " + std::to_string(details.size() - kProblemsInBox) + " more)";
        setup.showError("Error!", text);
    }
    return 1;
}

struct VideoSession {
    ~VideoSession() { SDL_QuitSubSystem(SDL_INIT_VIDEO); }
};

// What was shown, in show time, for the report.
struct Shown {
    uint32_t frames = 0;
    float lastMs = 0.0f;
    float longestGapMs = 0.0f;
};

void report(const PlayerSetup& setup, const Screen& screen, const Shown& shown, uint32_t since)
{
    if (!setup.report)
        return;
    const double seconds = (SDL_GetTicks() - since) / 1000.0;
    const char* vsync = !setup.vsync ? "vsync off" : screen.vsync() ? "vsync on" : "vsync off (the display offers none)";
    std::fprintf(stderr, "softdemo: %u frames in %.1f s (%.1f frames per second), %s", shown.frames, seconds,
                 seconds > 0 ? shown.frames / seconds : 0.0, vsync);
    if (shown.frames > 0)
        std::fprintf(stderr, ", last frame at %.0f ms, longest gap %.0f ms", shown.lastMs, shown.longestGapMs);
    std::fprintf(stderr, "\n");
}

bool envIs(const char* name, std::string_view value)
{
    const char* v = std::getenv(name);
    return v && v == value;
}

} // namespace

PlayerSetup playerSetupFromSystem()
{
    PlayerSetup s;
    s.dataPlaces = dataPlaces();
    s.vsync = !envIs("SOFTDEMO_VSYNC", "0");
    s.report = std::getenv("SOFTDEMO_REPORT") != nullptr;
    s.tick = SDL_GetTicks;
    s.showError = showErrorBox;
    s.fonts.warn = say;
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

int runPlayer(const PlayerSetup& setup)
{
    const DataLookup found = findDataDirectory(setup.dataPlaces);
    if (found.dir.empty())
        return failure(setup, found.error);
    if (!found.warning.empty())
        say(found.warning);
    const std::string& dataDir = found.dir;

    // Everything the show reads must be there before any window opens.
    DataCheck check = checkDataDirectory(dataDir);
    for (const std::string& w : check.warnings)
        say(w + "; going on without it");
    if (!check.problems.empty()) {
        for (const std::string& p : check.problems)
            say(p);
        return failure(setup,
                       "the data pack in " + dataDir + " is not usable; make it again with \"softdemo-assets --out " +
                           dataDir + "\", or run ./scripts/play in the source folder",
                       check.problems);
    }
    // Ctrl+C in the terminal ends the program the ordinary way.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        return failure(setup, std::string("cannot open the display: ") + SDL_GetError());
    VideoSession video;
    // SDL falls back to drivers that show nothing; only take them when asked to.
    const std::string driver = SDL_GetCurrentVideoDriver();
    if (!std::getenv("SDL_VIDEODRIVER") && (driver == "offscreen" || driver == "dummy")) {
        const char* display = std::getenv("DISPLAY");
        return failure(setup, std::string("cannot open the display (DISPLAY is ") +
                                  (display ? "\"" + std::string(display) + "\")" : "not set)"));
    }

    SdlAudio audio;
    Keyboard keyboard;
    std::unique_ptr<Production> production;
    try {
        production = std::make_unique<Production>(dataDir, setup.tick, &audio);
        buildShow(parseShow(embeddedShowText(), kEmbeddedShowName), *production, std::move(check.pictures));
    } catch (const std::exception& e) {
        return failure(setup, e.what());
    }
    const PixelBuffer& frame = *production->frameBuffer();
    setKeyQuery(&keyboard); // the scene's keys
    struct KeyQueryReset {
        ~KeyQueryReset() { setKeyQuery(nullptr); }
    } keyQueryReset;

    DefaultWindow mainWindow;
    std::unique_ptr<Screen> screen;
    try {
        setup.ask(mainWindow.window, dataDir, setup.fonts);
        screen = setup.openScreen(frame.width, frame.height, {.fullScreen = true, .vsync = setup.vsync});
    } catch (const std::exception& e) {
        return failure(setup, e.what());
    }
    const auto switchIfAsked = [&] {
        if (keyboard.takeFullScreenSwitch())
            screen->setFullScreen(!screen->fullScreen());
    };

    // Two seconds of black; keys pressed meanwhile count at the first question.
    const uint32_t pauseStart = setup.tick();
    do {
        switchIfAsked();
        screen->blank();
        keyboard.pump();
        SDL_Delay(10);
    } while (setup.tick() - pauseStart < kPauseMs);

    production->initAudio();
    production->loadMusic();
    if (production->music)
        production->music->play();
    production->clock->start();
    const uint32_t showStart = SDL_GetTicks();

    Shown shown;
    const auto present = [&](const PixelBuffer& f) {
        switchIfAsked();
        const float t = production->clock->timeMs;
        if (shown.frames > 0)
            shown.longestGapMs = std::max(shown.longestGapMs, t - shown.lastMs);
        shown.lastMs = t;
        screen->present(f);
    };
    const LoopEnd end = runFrames(*production, keyboard, present, shown.frames);
    if (end == LoopEnd::EscapeBeforeFrame) {
        report(setup, *screen, shown, showStart);
        setup.leaveAtOnce();
        return 0;
    }

    production->clock->stop();
    if (production->music)
        production->music->stop();
    report(setup, *screen, shown, showStart);
    screen.reset(); // the cursor comes back first
    return 0;
}
