#pragma once
#include <algorithm>
#include <bitset>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "preview/FileWatch.h"
#include "preview/Options.h"
#include "scene/Keyboard.h"
#include "show/SeekableTimeline.h"

// The authoring preview apart from its window: the show on its seekable
// timeline, playing against a wall clock or paused, the loop section, live
// reload of the show file and the control commands. Every frame it shows is
// a frame of softdemo-render's timeline. It is also the scene's key query,
// which hands the 3D solid the keys the window passes on.
class Preview : public KeyQuery {
public:
    using WallClock = std::function<uint64_t()>; // milliseconds
    // Where the music should be: told on every play, pause, seek, loop and reload.
    using Follower = std::function<void(bool playing, uint32_t showMs)>;

    // Loads the show and stands on --at (paused) or plays from the start.
    // Throws ShowError or std::runtime_error.
    Preview(const PreviewOptions& options, WallClock wallClock);

    void follow(Follower f) { follower = std::move(f); }

    // Playing: renders every timeline frame up to the show time now (for at
    // most `budgetMs` at a time, so the window stays responsive), loops and
    // stops at the end. True when the picture changed.
    bool update(double budgetMs = 100.0);
    void play();
    void pause();
    bool playing() const { return isPlaying; }

    // Seeks keep playing or paused as they were.
    void seekFrame(int64_t frame);
    void seekMs(int64_t ms) { seekFrame(int64_t(timeline().frameAt(uint32_t(std::clamp<int64_t>(ms, 0, kShowEndMs))))); }
    void step(int64_t frames)
    {
        const int64_t count = int64_t(timeline().frameCount());
        seekFrame(int64_t(timeline().frameIndex()) + std::clamp<int64_t>(frames, -count, count));
    }

    void markIn() { loopStart = timeline().timeMs(); }
    void markOut() { loopEnd = timeline().timeMs(); }
    // False (and nothing changes) when the marks make no section.
    bool setLooping(bool on);
    bool looping() const { return isLooping; }
    uint32_t loopIn() const { return loopStart; }
    uint32_t loopOut() const { return loopEnd; }

    // The show file again, at the same show time. On an error the old show
    // stays and error() holds "FILE:LINE:COLUMN: message" until a reload
    // succeeds. Answers as the reload command does. Only what the edit
    // changed is rendered again: the pictures whose files did not change are
    // kept, and so are the snapshots before the first show time at which the
    // new show differs from the old.
    std::string reload();
    // The file watcher: reloads when the show file changed on disk; the
    // answer, or nothing.
    std::optional<std::string> reloadIfChanged();
    const std::string& error() const { return reloadError; }
    const std::string& showName() const { return showFile; }

    // One control command line and its one answer line; "quit" sets `quit`
    // and has no answer.
    std::string command(std::string_view line, bool& quit);
    // "at T frame I hash H" for the frame on screen.
    std::string frameLine() const;

    // The solid's keys for the next frame rendered while playing.
    void pressSolidKey(uint8_t virtualKey);
    bool isDown(uint8_t virtualKey) override;

    SeekableTimeline& timeline() { return *show; }
    const SeekableTimeline& timeline() const { return *show; }

private:
    uint32_t playedMs() const; // show time on the wall clock while playing
    void anchor();
    void tell() const;

    // The data files a production reads, by show name, as they were before it read them.
    using DataStamps = std::map<std::string, FileStamp, std::less<>>;
    DataStamps stampData(const ShowScript& script) const;

    PreviewOptions options;
    std::string showFile;
    WallClock wall;
    Follower follower;
    FileWatch watch;
    ShowScript script; // the one on screen
    DataStamps stamps; // of its data
    std::unique_ptr<SeekableTimeline> show;
    std::string reloadError;
    bool isPlaying = false;
    uint64_t anchorWall = 0;
    uint32_t anchorShow = 0;
    bool isLooping = false;
    uint32_t loopStart = 0, loopEnd = 0;
    std::bitset<256> keys;
    bool keysLive = false;
};
