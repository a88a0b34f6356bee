#include "show/SeekableTimeline.h"

#include <algorithm>
#include <chrono>
#include <tuple>

#include "effects/Random.h"

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

} // namespace

SeekableTimeline::SeekableTimeline(const ShowScript& show, const std::string& dataDir, uint32_t fps)
    : timeline(show, dataDir, fps)
{
    while (frameTimeMs(frames, fps) < kShowEndMs)
        ++frames;
    // A show starts from the generator's first state, whatever ran before it.
    randomState() = 1;
    snapshots[0].capture(production());
    timeline.renderNext();
}

uint64_t SeekableTimeline::frameAt(uint32_t ms) const
{
    // The largest i with floor(i * 1000 / fps) <= ms.
    const uint64_t i = (uint64_t(ms) * fps() + fps() - 1) / 1000;
    const uint64_t at = frameTimeMs(i, fps()) <= ms ? i : i - 1;
    return std::min(at, frames - 1);
}

void SeekableTimeline::renderNext()
{
    const auto start = Clock::now();
    timeline.renderNext();
    frameMs = msSince(start);
    ++framesSinceSnapshot;
    costSinceSnapshot += frameMs;
    takeSnapshotIfDue();
}

void SeekableTimeline::takeSnapshotIfDue()
{
    if (!onTimeline || (framesSinceSnapshot < frameBudget && costSinceSnapshot < costBudget))
        return;
    framesSinceSnapshot = 0;
    costSinceSnapshot = 0.0;
    const auto [at, added] = snapshots.try_emplace(nextFrame());
    if (added) {
        at->second.capture(production());
        if (snapshotBytes() > kMaxSnapshotBytes)
            thinOut();
    }
}

void SeekableTimeline::thinOut()
{
    bool drop = false;
    for (auto it = std::next(snapshots.begin()); it != snapshots.end(); drop = !drop)
        it = drop ? snapshots.erase(it) : std::next(it);
    frameBudget *= 2;
    costBudget *= 2;
}

size_t SeekableTimeline::snapshotBytes() const
{
    size_t total = 0;
    for (const auto& [next, snapshot] : snapshots)
        total += snapshot.bytes();
    return total;
}

uint64_t SeekableTimeline::seek(uint64_t frame)
{
    frame = std::min(frame, frames - 1);
    const auto nearest = std::prev(snapshots.upper_bound(frame));
    // Going on from the frame on screen is as good when no snapshot lies between.
    const uint64_t next = nextFrame();
    if (!onTimeline || next > frame + 1 || next < nearest->first) {
        nearest->second.restore(production());
        timeline.resumeAt(nearest->first);
        onTimeline = true;
        framesSinceSnapshot = 0;
        costSinceSnapshot = 0.0;
    }
    const uint64_t rendered = frame + 1 - nextFrame();
    while (nextFrame() <= frame)
        renderNext();
    return rendered;
}

bool SeekableTimeline::advance()
{
    if (nextFrame() >= frames)
        return false;
    renderNext();
    return true;
}

bool SeekableTimeline::prepareAhead(double budgetMs)
{
    const auto furthest = std::prev(snapshots.end());
    if (std::max(furthest->first, frontierNext) + 1 >= frames)
        return false;
    const auto start = Clock::now();
    const uint64_t here = nextFrame();
    const auto live = std::tuple(onTimeline, framesSinceSnapshot, costSinceSnapshot, frameMs);
    parked.capture(production());
    if (frontierNext > furthest->first) {
        frontier.restore(production());
        timeline.resumeAt(frontierNext);
        framesSinceSnapshot = frontierFrames;
        costSinceSnapshot = frontierCost;
    } else {
        furthest->second.restore(production());
        timeline.resumeAt(furthest->first);
        framesSinceSnapshot = 0;
        costSinceSnapshot = 0.0;
    }
    onTimeline = true;
    while (nextFrame() < frames && msSince(start) < budgetMs)
        renderNext();
    frontierNext = nextFrame();
    frontierFrames = framesSinceSnapshot;
    frontierCost = costSinceSnapshot;
    frontier.capture(production());
    parked.restore(production());
    timeline.resumeAt(here);
    std::tie(onTimeline, framesSinceSnapshot, costSinceSnapshot, frameMs) = live;
    return frontierNext < frames;
}
