#include "app/Player.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "pack/DataManifest.h"
#include "show/Timeline.h"

namespace {

constexpr size_t kProblemsInBox = 8;

bool equals(const char* value, std::string_view text)
{
    return value && value == text;
}

} // namespace

PlayerSettings playerSettings(const char* vsync, const char* report)
{
    return {.vsync = !equals(vsync, "0"), .report = report && *report && !equals(report, "0")};
}

PlayerSettings playerSettingsFromEnvironment()
{
    return playerSettings(std::getenv("SOFTDEMO_VSYNC"), std::getenv("SOFTDEMO_REPORT"));
}

void playerSays(const std::string& line)
{
    std::fprintf(stderr, "softdemo: %s\n", line.c_str());
}

Player::Player(PlayerPlatform& platform, PlayerSettings settings) : platform(platform), settings(settings) {}

int Player::run(const std::vector<DataPlace>& places)
{
    const DataLookup found = findDataDirectory(places);
    if (found.dir.empty())
        return fail(found.error);
    if (!found.warning.empty())
        playerSays(found.warning);
    const std::string& dataDir = found.dir;

    // Everything the show reads must be there before any window opens.
    DataCheck check = checkDataDirectory(dataDir);
    for (const std::string& w : check.warnings)
        playerSays(w + "; going on without it");
    if (!check.problems.empty()) {
        for (const std::string& p : check.problems)
            playerSays(p);
        return fail("the data pack in " + dataDir + " is not usable; make it again with \"softdemo-assets --out " +
                        dataDir + "\", or run ./scripts/play in the source folder",
                    check.problems);
    }
    if (!build(dataDir, std::move(check.pictures)))
        return 1;
    return play();
}

int Player::play()
{
    if (state != State::Built)
        return 1;
    try {
        platform.ask(show->dataDirectory());
    } catch (const std::exception& e) {
        return fail(e.what());
    }
    if (!begin())
        return 1;
    while (pass()) {
    }
    return 0;
}

bool Player::build(const std::string& dataDir, DecodedPictures pictures, std::string_view showText,
                   const std::string& showName, MissingPictures missing)
{
    try {
        show = std::make_unique<Production>(dataDir, [this] { return platform.tick(); }, platform.audio());
        buildShow(parseShow(showText, showName), *show, std::move(pictures), nullptr, missing);
    } catch (const std::exception& e) {
        show.reset();
        fail(e.what());
        return false;
    }
    state = State::Built;
    return true;
}

bool Player::begin()
{
    if (state != State::Built)
        return false;
    const PixelBuffer& frame = *show->frameBuffer();
    try {
        screenVsync = platform.openScreen(frame.width, frame.height, settings.vsync);
    } catch (const std::exception& e) {
        fail(e.what());
        return false;
    }
    pauseStart = platform.tick();
    state = State::Pausing;
    return true;
}

bool Player::pass()
{
    if (state == State::Pausing) {
        const uint32_t waited = platform.tick() - pauseStart; // unsigned: across a wrap of the tick
        if (waited < kPauseMs) {
            platform.pause(kPauseMs - waited);
            return true;
        }
        startShow();
    }
    if (state != State::Playing)
        return false;

    // Escape before a frame, during the pause too: gone, with nothing stopped.
    if (platform.escapePressed()) {
        state = State::Over;
        report();
        platform.leaveAtOnce();
        return false;
    }
    if (firstFrame)
        show->prepare();
    firstFrame = false;
    show->update();
    show->draw();
    const float t = show->clock->timeMs;
    if (showIsOver(t)) {
        stop();
        return false;
    }
    if (shown.frames > 0)
        shown.longestGapMs = std::max(shown.longestGapMs, t - shown.lastMs);
    shown.lastMs = t;
    ++shown.frames;
    platform.present(*show->frameBuffer());
    if (platform.escapePressed() || platform.closeRequested()) {
        stop();
        return false;
    }
    return true;
}

int64_t Player::showTimeAt(uint32_t tick) const
{
    if (state == State::Pausing) // unsigned: across a wrap of the tick
        return tick - pauseStart < kPauseMs ? -1 : 0;
    return state == State::Playing ? int64_t(uint32_t(tick - show->clock->startTick)) : -1;
}

void Player::startShow()
{
    show->initAudio();
    show->loadMusic();
    if (show->music)
        show->music->play();
    show->clock->start(); // show time 0 is now, just after the music started
    showStart = platform.tick();
    state = State::Playing;
}

void Player::stop()
{
    state = State::Over;
    show->clock->stop();
    if (show->music)
        show->music->stop();
    report();
}

// The line on standard error, and the same (with the first details) in a box.
int Player::fail(const std::string& why, const std::vector<std::string>& details)
{
    playerSays(why);
    std::string text = why;
    for (size_t i = 0; i < details.size() && i < kProblemsInBox; ++i)
        text += (i == 0 ? "\n\n" : "\n") + details[i];
    if (details.size() > kProblemsInBox)
        text += "\n(and " + std::to_string(details.size() - kProblemsInBox) + " more)";
    platform.showError("Error!", text);
    return 1;
}

void Player::report() const
{
    if (!settings.report)
        return;
    const double seconds = (platform.tick() - showStart) / 1000.0;
    const char* vsync = !settings.vsync ? "vsync off" : screenVsync ? "vsync on" : "vsync off (the display offers none)";
    std::fprintf(stderr, "softdemo: %u frames in %.1f s (%.1f frames per second), %s", shown.frames, seconds,
                 seconds > 0 ? shown.frames / seconds : 0.0, vsync);
    if (shown.frames > 0)
        std::fprintf(stderr, ", last frame at %.0f ms, longest gap %.0f ms", shown.lastMs, shown.longestGapMs);
    std::fprintf(stderr, "\n");
}
