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

SeekableTimeline::SeekableTimeline(const ShowScript& show, const std::string& dataDir, uint32_t fps,
                                   size_t maxSnapshotBytes, unsigned threads)
    : timeline(show, dataDir, fps, {}, threads), maxBytes(maxSnapshotBytes)
{
    frames = ::frameCount(fps);
    // A show starts from the generator's first state, whatever ran before it.
    randomState() = 1;
    snapshots[0].state.capture(production());
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
    const uint64_t next = nextFrame();
    const uint64_t furthest = snapshots.rbegin()->first;
    if (next <= furthest) {
        if (snapshots.count(next)) { // passing one: the spacing counts from here
            framesSinceSnapshot = 0;
            costSinceSnapshot = 0.0;
        }
        return;
    }
    if (!onTimeline || (framesSinceSnapshot < frameBudget && costSinceSnapshot < costBudget))
        return;
    Kept& kept = snapshots[next];
    kept.state.capture(production());
    kept.frames = framesSinceSnapshot;
    kept.cost = costSinceSnapshot;
    framesSinceSnapshot = 0;
    costSinceSnapshot = 0.0;
    if (snapshotBytes() > maxBytes)
        thinOut();
}

void SeekableTimeline::thinOut()
{
    while (snapshots.size() > 2 && snapshotBytes() > maxBytes / 10 * 9) {
        // The one whose neighbours are closest together goes; the next one
        // takes over its span.
        auto drop = std::next(snapshots.begin());
        double closest = 0.0;
        for (auto it = drop; std::next(it) != snapshots.end(); ++it) {
            const double merged = it->second.cost + std::next(it)->second.cost;
            if (it == drop || merged < closest) {
                closest = merged;
                drop = it;
            }
        }
        Kept& after = std::next(drop)->second;
        after.frames += drop->second.frames;
        after.cost += drop->second.cost;
        snapshots.erase(drop);
        costBudget = std::max(costBudget, closest);
        frameBudget = std::max(frameBudget, after.frames);
    }
}

size_t SeekableTimeline::snapshotBytes() const
{
    size_t total = 0;
    for (const auto& [next, kept] : snapshots)
        total += kept.state.bytes();
    return total;
}

uint64_t SeekableTimeline::seek(uint64_t frame)
{
    frame = std::min(frame, frames - 1);
    const auto nearest = std::prev(snapshots.upper_bound(frame));
    // Going on from the frame on screen is as good when no snapshot lies between.
    const uint64_t next = nextFrame();
    if (!onTimeline || next > frame + 1 || next < nearest->first) {
        nearest->second.state.restore(production());
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
        furthest->second.state.restore(production());
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
