// The engine's side of the web page: page.js fetches the data pack into the
// module's file system under data/, then drives the show through these calls.
#include <emscripten.h>

#include <cstdio>
#include <memory>
#include <string>

#include "app/BenchReport.h"
#include "app/Player.h"
#include "pack/DataManifest.h"
#include "scene/Keyboard.h"
#include "show/ShowScript.h"
#include "show/Timeline.h"
#include "web/WebAudio.h"

namespace {

constexpr const char* kDataDir = "data";

// The page's side, in page.js: keys as the page saw them (down now, or
// pressed since the last question), the stage, and the sound.
EM_JS(int, webKeyDown, (int key), { return webKeys.isDown(key); });
EM_JS(void, webOpenStage, (), { webStage.open(); });
EM_JS(void, webPresent, (const uint8_t* rgba), { webStage.present(rgba); });
EM_JS(void, webFail, (const char* text), { fail(UTF8ToString(text)); });
EM_JS(void, webSilence, (), { webAudio.close(); });

class WebKeys : public KeyQuery {
public:
    bool isDown(uint8_t key) override { return webKeyDown(key) != 0; }
};

// The player's calls on the page. The page cannot block: it drives the
// player's steps from its animation frames, and asks the start-up question
// with its own dialog.
class WebPage final : public PlayerPlatform {
public:
    uint32_t tick() override { return uint32_t(uint64_t(emscripten_get_now())); }
    bool escapePressed() override { return webKeyDown(kKeyEscape) != 0; }
    // Leaving full screen, the page's way to close, counts as Escape.
    bool closeRequested() override { return false; }
    AudioDevice* audio() override { return &sound; }
    void ask(const std::string&) override {} // the page's dialog, before sd_player_begin
    bool openScreen(int w, int h, bool) override
    {
        rgba = std::make_unique<uint32_t[]>(size_t(w) * size_t(h));
        webOpenStage();
        return true; // animation frames come with the display's refresh
    }
    void pause(uint32_t) override {} // the stage is black until the first frame
    // The canvas takes bytes R, G, B, A.
    void present(const PixelBuffer& frame) override
    {
        for (uint32_t i = 0; i < frame.pixelCount; ++i) {
            const uint32_t p = frame.pixels[i];
            rgba[i] = 0xff000000u | (p & 0xff00u) | (p >> 16 & 0xffu) | (p & 0xffu) << 16;
        }
        webPresent(reinterpret_cast<const uint8_t*>(rgba.get()));
    }
    void showError(const std::string&, const std::string& text) override { webFail(text.c_str()); }
    void leaveAtOnce() override { webSilence(); }

private:
    WebAudio sound;
    std::unique_ptr<uint32_t[]> rgba;
};

WebKeys keys;
WebPage page;
std::unique_ptr<Player> player;
std::unique_ptr<Timeline> timeline;
std::unique_ptr<BenchRun> bench;
std::string text; // what the last call that returns text returned
DecodedPictures checked; // the pictures the data check decoded, for the show built next

// Runs f; an exception becomes "error: message" on standard output and 1.
template <class F>
int guarded(F f)
{
    try {
        f();
        return 0;
    } catch (const std::exception& e) {
        std::printf("error: %s\n", e.what());
        return 1;
    }
}

} // namespace

extern "C" {

// Every file the show reads, one a line, as the show names it ("data/...").
EMSCRIPTEN_KEEPALIVE const char* sd_data_files()
{
    text.clear();
    for (const std::string& f : dataFiles())
        text += f + "\n";
    return text.c_str();
}

// The files the show can go without (the music, the dialog's pictures), one a line.
EMSCRIPTEN_KEEPALIVE const char* sd_optional_files()
{
    text.clear();
    for (const std::string& f : dataFiles())
        if (isOptionalDataFile(f))
            text += f + "\n";
    return text.c_str();
}

EMSCRIPTEN_KEEPALIVE const char* sd_music_file()
{
    return kMusicFile;
}

// The native programs' data check of what the page fetched: "problem: ..." and
// "warning: ..." lines; empty when everything is there and usable.
EMSCRIPTEN_KEEPALIVE const char* sd_check_data()
{
    DataCheck check = checkDataDirectory(kDataDir);
    checked = std::move(check.pictures);
    text.clear();
    for (const std::string& p : check.problems)
        text += "problem: " + p + "\n";
    for (const std::string& w : check.warnings)
        text += "warning: " + w + "\n";
    return text.c_str();
}

// The show on the exact timeline at fps frames per second, for the headless modes.
EMSCRIPTEN_KEEPALIVE int sd_timeline(uint32_t fps)
{
    return guarded([fps] {
        timeline = std::make_unique<Timeline>(parseShow(embeddedShowText(), kEmbeddedShowName), kDataDir, fps,
                                              std::move(checked));
    });
}

// Renders the next frame of the timeline: its time, or -1 once the show has ended.
EMSCRIPTEN_KEEPALIVE int sd_render_next()
{
    return timeline->renderNext() ? int(timeline->timeMs()) : -1;
}

EMSCRIPTEN_KEEPALIVE const char* sd_frame_hash()
{
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(frameHash(timeline->frameBuffer())));
    text = hash;
    return text.c_str();
}

// Renders up to `count` frames of the bench; how many it rendered (0 at the end).
EMSCRIPTEN_KEEPALIVE int sd_bench(int count)
{
    if (!bench)
        bench = std::make_unique<BenchRun>(*timeline);
    int done = 0;
    while (done < count && bench->renderNext())
        ++done;
    return done;
}

EMSCRIPTEN_KEEPALIVE void sd_bench_report()
{
    bench->print(false);
}

// The player, built before the dialog as the native player builds it. The
// page asks the start-up question itself, then calls sd_player_begin.
EMSCRIPTEN_KEEPALIVE int sd_player_build()
{
    player = std::make_unique<Player>(page, PlayerSettings{});
    if (!player->build(kDataDir, std::move(checked)))
        return 1;
    setKeyQuery(&keys);
    return 0;
}

// The stage and the two seconds of black begin.
EMSCRIPTEN_KEEPALIVE int sd_player_begin()
{
    return player->begin() ? 0 : 1;
}

// One pass, on each animation frame: 1 while the show goes on, 0 once it has ended.
EMSCRIPTEN_KEEPALIVE int sd_player_pass()
{
    return player->pass() ? 1 : 0;
}

} // extern "C"
