#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "engine/Snapshot.h"
#include "show/Timeline.h"

// The show on its exact timeline, at any frame. Every frame depends on all
// the frames before it, so a frame is reached by restoring the nearest
// snapshot at or before it and rendering the frames in between. Snapshots are
// taken past the last one as frames are rendered, every kMaxSnapshotFrames
// frames or kSnapshotCostMs of rendering, whichever comes first. When they
// would hold more than their limit, the ones closest to their
// neighbours (in rendering time) go, and the spacing grows to match.
class SeekableTimeline {
public:
    static constexpr uint64_t kMaxSnapshotFrames = 240;
    static constexpr double kSnapshotCostMs = 50.0;
    static constexpr size_t kMaxSnapshotBytes = size_t(512) << 20;

    // Builds the production and renders frame 0; throws like Timeline.
    // `threads` share the drawing of each frame, replays included.
    SeekableTimeline(const ShowScript& show, const std::string& dataDir, uint32_t fps,
                     size_t maxSnapshotBytes = kMaxSnapshotBytes, unsigned threads = 1,
                     LoadedPictures* loaded = nullptr);
    SeekableTimeline(const SeekableTimeline&) = delete;
    SeekableTimeline& operator=(const SeekableTimeline&) = delete;

    // The show after an edit that leaves every frame before `sameUntilMs` as
    // it was (firstDifferenceMs): built with this timeline's pictures that
    // nothing draws into and `reusable` accepts instead of reading them
    // again, and given this timeline's snapshots taken before then, so that
    // its seeks replay only from the nearest of them. On success this
    // timeline has given those away and must be discarded; on a failure
    // (thrown as by the constructor) it is as it was.
    std::unique_ptr<SeekableTimeline> edited(const ShowScript& show, uint32_t sameUntilMs,
                                             const std::function<bool(std::string_view picture)>& reusable);

    uint32_t fps() const { return timeline.fps(); }
    uint64_t frameCount() const { return frames; } // frames before the end of the show
    uint64_t frameIndex() const { return timeline.frameIndex(); }
    uint32_t timeMs() const { return timeline.timeMs(); }
    // The last frame at or before `ms`, within the show.
    uint64_t frameAt(uint32_t ms) const;

    // The frame a seek to `frame` renders first when it restores a snapshot:
    // that of the last snapshot at or before it.
    uint64_t snapshotBefore(uint64_t frame) const { return std::prev(snapshots.upper_bound(frame))->first; }
    // Makes `frame` (clamped to the show) the rendered one; returns how many
    // frames that took to render.
    uint64_t seek(uint64_t frame);
    // Renders the next frame; false (nothing rendered) at the last one.
    bool advance();
    // Spends about `budgetMs` rendering ahead of everything rendered so far to
    // take its snapshots, and leaves the current frame as it was; false once
    // the whole show has them.
    bool prepareAhead(double budgetMs);

    // Key presses move the picture off the timeline: no snapshot is taken
    // until a seek restores one.
    void leaveTimeline() { onTimeline = false; }
    bool isOnTimeline() const { return onTimeline; }

    const PixelBuffer& frameBuffer() const { return timeline.frameBuffer(); }
    Production& production() { return timeline.production(); }
    double lastFrameMs() const { return frameMs; } // how long the last frame took to render
    size_t snapshotCount() const { return snapshots.size(); }
    size_t snapshotBytes() const;

private:
    uint64_t nextFrame() const { return timeline.frameIndex() + 1; }
    void takeSnapshots(SeekableTimeline& earlier, uint32_t sameUntilMs);
    void renderNext();
    void takeSnapshotIfDue();
    void thinOut();

    Timeline timeline;
    uint64_t frames = 0;
    double frameMs = 0.0;
    bool onTimeline = true;
    struct Kept {
        Snapshot state;
        uint64_t frames = 0; // rendered from the snapshot before
        double cost = 0.0;   // their time, in milliseconds
    };
    // Keyed by the frame that renders next after restoring them.
    std::map<uint64_t, Kept> snapshots;
    uint64_t framesSinceSnapshot = 0;
    double costSinceSnapshot = 0.0;
    size_t maxBytes;
    uint64_t frameBudget = kMaxSnapshotFrames;
    double costBudget = kSnapshotCostMs;
    // Where prepareAhead stopped, and the state it left to come back to.
    Snapshot frontier, parked;
    uint64_t frontierNext = 0;
    uint64_t frontierFrames = 0;
    double frontierCost = 0.0;
};
