// softdemo-preview: any moment of a show in a window, on softdemo-render's
// exact timeline, with its music; the show file reloads when it is saved.
#include <SDL.h>

#include <cstdio>
#include <deque>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "app/DataFolder.h"
#include "pack/DataManifest.h"
#include "platform/Screen.h"
#include "platform/SdlAudio.h"
#include "preview/Overlay.h"
#include "preview/Preview.h"

namespace {

// A saved edit should be on screen at once; a file's stamp costs microseconds.
constexpr uint32_t kWatchEveryMs = 10;

int fail(const std::string& why)
{
    std::fprintf(stderr, "softdemo-preview: %s\n", why.c_str());
    return 1;
}

void answer(const std::string& line)
{
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

// Lines of standard input, read on a thread of their own; the end of the
// input reads as "quit".
class CommandInput {
public:
    CommandInput()
    {
        std::thread([shared = shared] {
            std::string line;
            while (std::getline(std::cin, line)) {
                const std::lock_guard lock(shared->mutex);
                shared->lines.push_back(line);
            }
            const std::lock_guard lock(shared->mutex);
            shared->lines.push_back("quit");
        }).detach();
    }

    std::optional<std::string> next()
    {
        const std::lock_guard lock(shared->mutex);
        if (shared->lines.empty())
            return std::nullopt;
        std::string line = std::move(shared->lines.front());
        shared->lines.pop_front();
        return line;
    }

private:
    struct Shared {
        std::mutex mutex;
        std::deque<std::string> lines;
    };
    std::shared_ptr<Shared> shared = std::make_shared<Shared>();
};

// The music follows the picture: from the show time while playing, stopped
// otherwise; silent when there is none.
class MusicFollower {
public:
    explicit MusicFollower(const std::string& path)
    {
        if (!audio.open(44100))
            std::fprintf(stderr, "softdemo-preview: no audio output; playing silently\n");
        else if (!(track = audio.loadStream(path.c_str())))
            std::fprintf(stderr, "softdemo-preview: %s cannot be played; playing silently\n", path.c_str());
    }
    void operator()(bool playing, uint32_t showMs)
    {
        if (playing)
            audio.playFrom(track, showMs / 1000.0);
        else
            audio.stop(track);
    }

private:
    SdlAudio audio;
    uint32_t track = 0;
};

std::vector<std::string> statusLines(Preview& preview)
{
    SeekableTimeline& t = preview.timeline();
    const Timer& clock = *t.production().clock;
    std::vector<std::string> lines{std::string(clock.timeText) + clock.intervalText};
    char line[160];
    std::snprintf(line, sizeof line, "%s   show %.3f s   frame %llu of %llu at %u fps   rendered in %.2f ms",
                  preview.playing() ? "playing" : "paused", t.timeMs() / 1000.0,
                  static_cast<unsigned long long>(t.frameIndex()), static_cast<unsigned long long>(t.frameCount()),
                  t.fps(), t.lastFrameMs());
    lines.push_back(line);
    std::snprintf(line, sizeof line, "loop %.3f - %.3f s, %s   snapshots: %zu (%zu MB)", preview.loopIn() / 1000.0,
                  preview.loopOut() / 1000.0, preview.looping() ? "on" : "off (I, O mark it; L loops)",
                  t.snapshotCount(), t.snapshotBytes() >> 20);
    lines.push_back(line);
    if (!t.isOnTimeline())
        lines.push_back("the solid was moved: off the timeline until the next seek");
    return lines;
}

} // namespace

int main(int argc, char** argv)
{
    PreviewOptions options;
    try {
        options = parsePreviewOptions(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "softdemo-preview: %s\n", e.what());
        return 2;
    }
    if (options.help) {
        std::fputs(kPreviewUsage, stdout);
        return 0;
    }
    options.dataDir = dataDirectoryFor(options.dataDir, "softdemo-preview");
    if (options.dataDir.empty())
        return 1;
    // The show first: its errors need no display.
    std::unique_ptr<Preview> preview;
    try {
        preview = std::make_unique<Preview>(options, [] { return uint64_t(SDL_GetTicks64()); });
    } catch (const std::exception& e) {
        return fail(e.what());
    }
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_Init(SDL_INIT_VIDEO) != 0)
        return fail(std::string("cannot open the display: ") + SDL_GetError());
    struct SdlSession {
        ~SdlSession() { SDL_Quit(); }
    } session;
    setKeyQuery(preview.get());
    MusicFollower music(preview->timeline().production().dataPath(kMusicFile));
    preview->follow(std::ref(music));

    std::unique_ptr<Screen> screen;
    std::unique_ptr<TextOverlay> overlay;
    try {
        const PixelBuffer& frame = preview->timeline().frameBuffer();
        screen = std::make_unique<Screen>(frame.width, frame.height,
                                          ScreenOptions{.fullScreen = false, .title = "softdemo-preview"});
    } catch (const std::exception& e) {
        return fail(e.what());
    }
    try {
        overlay = std::make_unique<TextOverlay>();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "softdemo-preview: %s; no text over the picture\n", e.what());
    }
    if (preview->playing())
        preview->play(); // from the moment the window is there, with the music
    std::optional<CommandInput> commands;
    if (options.control)
        commands.emplace();

    bool showStatus = false, redraw = true, quit = false;
    uint32_t lastWatch = SDL_GetTicks();
    while (!quit) {
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
            if (event.type == SDL_QUIT) {
                quit = true;
            } else if (event.type == SDL_WINDOWEVENT) {
                redraw = true;
            } else if (event.type == SDL_KEYDOWN) {
                const bool shift = event.key.keysym.mod & KMOD_SHIFT, ctrl = event.key.keysym.mod & KMOD_CTRL;
                const int64_t now = preview->timeline().timeMs();
                redraw = true;
                switch (event.key.keysym.scancode) {
                case SDL_SCANCODE_ESCAPE: quit = true; break;
                case SDL_SCANCODE_SPACE: preview->playing() ? preview->pause() : preview->play(); break;
                case SDL_SCANCODE_LEFT:
                case SDL_SCANCODE_RIGHT: {
                    const bool left = event.key.keysym.scancode == SDL_SCANCODE_LEFT;
                    if (preview->playing())
                        preview->pressSolidKey(left ? kKeyLeft : kKeyRight);
                    else if (shift)
                        preview->seekMs(now + (left ? -1000 : 1000));
                    else
                        preview->step(left ? -1 : 1);
                    break;
                }
                case SDL_SCANCODE_UP: preview->pressSolidKey(kKeyUp); break;
                case SDL_SCANCODE_DOWN: preview->pressSolidKey(kKeyDown); break;
                case SDL_SCANCODE_PAGEUP:
                case SDL_SCANCODE_PAGEDOWN: {
                    const bool up = event.key.keysym.scancode == SDL_SCANCODE_PAGEUP;
                    if (ctrl)
                        preview->pressSolidKey(up ? kKeyPageUp : kKeyPageDown);
                    else
                        preview->seekMs(now + (up ? -10000 : 10000));
                    break;
                }
                case SDL_SCANCODE_HOME: preview->seekFrame(0); break;
                case SDL_SCANCODE_I: preview->markIn(); break;
                case SDL_SCANCODE_O: preview->markOut(); break;
                case SDL_SCANCODE_L: preview->setLooping(!preview->looping()); break;
                case SDL_SCANCODE_F1: showStatus = !showStatus; break;
                default: break;
                }
            }
        }
        while (commands && !quit)
            if (const std::optional<std::string> line = commands->next()) {
                const std::string reply = preview->command(*line, quit);
                if (!quit) // which has no answer
                    answer(reply);
                redraw = true;
            } else {
                break;
            }
        if (quit)
            break;
        if (SDL_GetTicks() - lastWatch >= kWatchEveryMs) {
            lastWatch = SDL_GetTicks();
            if (const std::optional<std::string> reloaded = preview->reloadIfChanged()) {
                answer(*reloaded);
                redraw = true;
            }
        }
        redraw |= preview->update();
        if (redraw) {
            screen->present(preview->timeline().frameBuffer(), [&](SDL_Renderer* r, const SDL_Rect& picture) {
                if (overlay)
                    overlay->draw(r, picture, showStatus ? statusLines(*preview) : std::vector<std::string>{},
                                  preview->error());
            });
            redraw = false;
        }
        // Spare time goes into snapshots ahead, which make later seeks quick.
        if (!preview->timeline().prepareAhead(preview->playing() ? 4.0 : 12.0))
            SDL_Delay(preview->playing() ? 1 : 10);
    }
    return 0;
}
