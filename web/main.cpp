// The engine's side of the web page: page.js fetches the data pack into the
// module's file system under data/, then drives the show through these calls.
#include <emscripten.h>

#include <cstdio>
#include <memory>
#include <string>

#include "app/BenchReport.h"
#include "pack/DataManifest.h"
#include "scene/Keyboard.h"
#include "show/ShowScript.h"
#include "show/Timeline.h"
#include "web/WebAudio.h"

namespace {

constexpr const char* kDataDir = "data";

// Keys as the page saw them: down now, or pressed since the last question.
EM_JS(int, webKeyDown, (int key), { return webKeys.isDown(key); });

class WebKeys : public KeyQuery {
public:
    bool isDown(uint8_t key) override { return webKeyDown(key) != 0; }
};

WebAudio audio;
WebKeys keys;
std::unique_ptr<Production> player;
std::unique_ptr<Timeline> timeline;
std::unique_ptr<BenchRun> bench;
std::string text; // what the last call that returns text returned
DecodedPictures checked; // the pictures the data check decoded, for the show built next
bool firstFrame = true;

uint32_t pageMilliseconds()
{
    return uint32_t(uint64_t(emscripten_get_now()));
}

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

// The player's production, built before the dialog as the native player does.
EMSCRIPTEN_KEEPALIVE int sd_player_build()
{
    return guarded([] {
        player = std::make_unique<Production>(kDataDir, pageMilliseconds, &audio);
        buildShow(parseShow(embeddedShowText(), kEmbeddedShowName), *player, std::move(checked));
        setKeyQuery(&keys);
    });
}

// After the pause: the music, then the clock; show time 0 is now.
EMSCRIPTEN_KEEPALIVE void sd_player_start()
{
    player->initAudio();
    player->loadMusic();
    // The music's reports end without a line break, and the page reads lines.
    std::puts("");
    if (player->music)
        player->music->play();
    player->clock->start();
    firstFrame = true;
}

// One pass of the frame loop, for the page's clock: 0 when a frame is ready
// to show, 1 when Escape ended the show, 2 when the show is over.
EMSCRIPTEN_KEEPALIVE int sd_player_frame()
{
    if (keys.isDown(kKeyEscape))
        return 1;
    if (firstFrame)
        player->prepare();
    firstFrame = false;
    player->update();
    player->draw();
    return player->clock->timeMs >= float(kShowEndMs) ? 2 : 0;
}

// The frame as the canvas takes it: bytes R, G, B, opaque.
EMSCRIPTEN_KEEPALIVE const uint8_t* sd_player_rgba()
{
    static std::unique_ptr<uint32_t[]> rgba;
    const PixelBuffer& frame = *player->frameBuffer();
    if (!rgba)
        rgba = std::make_unique<uint32_t[]>(frame.pixelCount);
    for (uint32_t i = 0; i < frame.pixelCount; ++i) {
        const uint32_t p = frame.pixels[i];
        rgba[i] = 0xff000000u | (p & 0xff00u) | (p >> 16 & 0xffu) | (p & 0xffu) << 16;
    }
    return reinterpret_cast<const uint8_t*>(rgba.get());
}

EMSCRIPTEN_KEEPALIVE void sd_player_stop()
{
    player->clock->stop();
    if (player->music)
        player->music->stop();
}

} // extern "C"
