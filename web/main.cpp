// The engine's side of the web page: page.js fetches the data pack in the
// order the show needs it and hands over each file as it arrives
// (sd_pack_file); the show may start before the whole pack is in, and its
// pictures are filled in as they come. Pictures are decoded from memory; the
// landscape's maps go into the module's file system under data/, where the
// landscape reads them when the show is built.
#include <emscripten.h>

#include <sys/stat.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

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
    // The page's clock, handed over with each step: it stops while the show
    // waits for its files, or follows the renderer's timeline.
    uint32_t now = 0;

    uint32_t tick() override { return now; }
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
DecodedPictures checked; // the pictures checked so far, for the show built next
std::vector<uint8_t> arriving; // the bytes of the file sd_pack_file takes next

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

// Once the show is built, the landscape has read its maps.
void forgetMaps()
{
    for (const char* map : {kHeightMapFile, kColorMapFile})
        std::remove(dataFilePath(kDataDir, map).c_str());
}

std::string hashText(const PixelBuffer& frame)
{
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(frameHash(frame)));
    return hash;
}

} // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE uint32_t sd_show_end()
{
    return kShowEndMs;
}

EMSCRIPTEN_KEEPALIVE const char* sd_music_file()
{
    return kMusicFile;
}

// Room for the next file's bytes, which the page copies there before sd_pack_file.
EMSCRIPTEN_KEEPALIVE uint8_t* sd_file_buffer(uint32_t size)
{
    arriving.resize(size);
    return arriving.data();
}

// The native programs' data check of one file of the pack, named as the show
// names it, whose bytes are in sd_file_buffer: "problem: ..." and "warning: ..."
// lines, empty when it is usable. A picture that passes goes into the show
// (or waits for it to be built); a map into the file system.
EMSCRIPTEN_KEEPALIVE const char* sd_pack_file(const char* name)
{
    const std::string file = name;
    DecodedImage picture;
    const std::vector<std::string> problems =
        checkDataBytes(file, arriving.data(), arriving.size(), file, findShowPicture(file) ? &picture : nullptr);
    text.clear();
    for (const std::string& p : problems)
        text += (isOptionalDataFile(file) ? "warning: " : "problem: ") + p + "\n";
    if (problems.empty() && findShowPicture(file)) {
        if (player && player->production())
            player->production()->fillImage(file, std::move(picture));
        else
            checked.insert_or_assign(file, std::move(picture));
    } else if (problems.empty() && (file == kHeightMapFile || file == kColorMapFile)) {
        const std::string path = dataFilePath(kDataDir, file);
        for (size_t slash = 0; (slash = path.find('/', slash + 1)) != std::string::npos;)
            mkdir(path.substr(0, slash).c_str(), 0755);
        if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
            std::fwrite(arriving.data(), 1, arriving.size(), f);
            std::fclose(f);
        }
    }
    arriving = {};
    return text.c_str();
}

// The show on the exact timeline at fps frames per second, for the headless modes.
EMSCRIPTEN_KEEPALIVE int sd_timeline(uint32_t fps)
{
    return guarded([fps] {
        timeline = std::make_unique<Timeline>(parseShow(embeddedShowText(), kEmbeddedShowName), kDataDir, fps,
                                              std::move(checked));
        forgetMaps();
    });
}

// Renders the next frame of the timeline: its time, or -1 once the show has ended.
EMSCRIPTEN_KEEPALIVE int sd_render_next()
{
    return timeline->renderNext() ? int(timeline->timeMs()) : -1;
}

EMSCRIPTEN_KEEPALIVE const char* sd_frame_hash()
{
    text = hashText(timeline->frameBuffer());
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

// The player, built before the dialog as the native player builds it, from
// the pictures in so far: the others are filled in as they arrive. The page
// asks the start-up question itself, then calls sd_player_begin.
EMSCRIPTEN_KEEPALIVE int sd_player_build()
{
    player = std::make_unique<Player>(page, PlayerSettings{});
    if (!player->build(kDataDir, std::move(checked), embeddedShowText(), kEmbeddedShowName, MissingPictures::Later))
        return 1;
    forgetMaps();
    setKeyQuery(&keys);
    return 0;
}

// The stage and the two seconds of black begin at `tick`.
EMSCRIPTEN_KEEPALIVE int sd_player_begin(uint32_t tick)
{
    page.now = tick;
    return player->begin() ? 0 : 1;
}

// The show time of the frame a pass at `tick` would draw; -1 for none.
EMSCRIPTEN_KEEPALIVE double sd_player_show_time(uint32_t tick)
{
    return double(player->showTimeAt(tick));
}

// One pass at `tick`, on each animation frame: 1 while the show goes on, 0 once it has ended.
EMSCRIPTEN_KEEPALIVE int sd_player_pass(uint32_t tick)
{
    page.now = tick;
    return player->pass() ? 1 : 0;
}

// The hash of the frame on the stage, as softdemo-render frames --hash prints it.
EMSCRIPTEN_KEEPALIVE const char* sd_player_frame_hash()
{
    text = hashText(*player->production()->frameBuffer());
    return text.c_str();
}

} // extern "C"
