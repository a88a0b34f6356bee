#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/PlayerPlatform.h"
#include "engine/Production.h"
#include "pack/DataLookup.h"
#include "show/ShowScript.h"

struct PlayerSettings {
    bool vsync = true;   // present in step with the display where it can
    bool report = false; // a line about the frames shown, at the end
};

// SOFTDEMO_VSYNC=0 turns vsync off; SOFTDEMO_REPORT turns the report on,
// unless it is empty or 0. The arguments are their values, or null.
PlayerSettings playerSettings(const char* vsync, const char* report);
PlayerSettings playerSettingsFromEnvironment();

// One line on standard error, "softdemo: line", as the player says everything.
void playerSays(const std::string& line);

// The show played as the player plays it, on any front end: the data check,
// the show, the start-up question, the screen, two seconds of black, the
// music and the clock, then frames until the end of the show, Escape or a
// close request, and the orderly stop. The front end supplies its calls
// (PlayerPlatform.h); a front end that can block calls run(), one that
// cannot (a web page) calls build(), begin() and pass() itself.
class Player {
public:
    static constexpr uint32_t kPauseMs = 2000;

    Player(PlayerPlatform& platform, PlayerSettings settings);
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // The whole sequence from the first place of `places` that holds a data
    // pack. Returns the exit code: 0 however the show ends; 1 when it cannot
    // start, after one line on standard error and the same in showError.
    int run(const std::vector<DataPlace>& places);

    // The production and the show, from the pack in dataDir with the pictures
    // its data check decoded. False when it cannot be built, after saying why
    // as run() does.
    bool build(const std::string& dataDir, DecodedPictures pictures, std::string_view showText = embeddedShowText(),
               const std::string& showName = kEmbeddedShowName, MissingPictures missing = MissingPictures::Read);

    // run() after build(): the question, then begin() and pass() until the end.
    int play();

    // After the start-up question: opens the screen, and the pause starts.
    // False when the screen cannot be opened, after saying why.
    bool begin();

    // One pass: during the pause, one call of pause(); once it is over, the
    // music and the clock start, and each pass renders a frame for the
    // clock's time and presents it. False once the show has ended: its end
    // time, Escape or a close request. Escape before a frame is rendered
    // leaves at once; otherwise the clock and the music are stopped.
    bool pass();

    uint32_t framesShown() const { return shown.frames; }

    // The show time of the frame a pass at `tick` would render; -1 when it
    // would render none (before build, during the pause, after the end). A
    // front end that gets the show's files while it plays asks before each
    // pass whether they are in.
    int64_t showTimeAt(uint32_t tick) const;

    // The production once built (its pictures left for later are filled
    // there), else null.
    Production* production() const { return show.get(); }

private:
    enum class State : uint8_t { Empty, Built, Pausing, Playing, Over };

    int fail(const std::string& why, const std::vector<std::string>& details = {});
    void startShow();
    void stop();
    void report() const;

    // What was shown, in show time, for the report.
    struct Shown {
        uint32_t frames = 0;
        float lastMs = 0.0f;
        float longestGapMs = 0.0f;
    };

    PlayerPlatform& platform;
    PlayerSettings settings;
    std::unique_ptr<Production> show;
    State state = State::Empty;
    bool firstFrame = true;
    bool screenVsync = false;
    uint32_t pauseStart = 0;
    uint32_t showStart = 0;
    Shown shown;
};
