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
                                   size_t maxSnapshotBytes, unsigned threads, LoadedPictures* loaded)
    : timeline(show, dataDir, fps, {}, threads, loaded), maxBytes(maxSnapshotBytes)
{
    frames = ::frameCount(fps);
    // A show starts from the generator's first state, whatever ran before it.
    randomState() = 1;
    snapshots[0].state.capture(production());
    timeline.renderNext();
}

std::unique_ptr<SeekableTimeline> SeekableTimeline::edited(const ShowScript& show, uint32_t sameUntilMs,
                                                           const std::function<bool(std::string_view)>& reusable)
{
    // Pictures that nothing draws into are still as loaded: lent to the new
    // production, and taken back to their places if it cannot be built.
    Production& old = production();
    const std::vector<PixelBuffer*> drawn = buffersDrawnInto(old);
    LoadedPictures lent;
    std::vector<std::pair<size_t, std::string>> places;
    for (size_t i = 0; i < old.images.size(); ++i) {
        const std::string name = old.images[i]->name;
        if (std::find(drawn.begin(), drawn.end(), old.images[i].get()) != drawn.end() || !reusable(name) ||
            lent.count(name))
            continue;
        places.emplace_back(i, name);
        lent[name] = std::move(old.images[i]);
    }
    std::unique_ptr<SeekableTimeline> fresh;
    try {
        fresh = std::make_unique<SeekableTimeline>(show, old.dataDirectory(), fps(), maxBytes, old.threads(), &lent);
    } catch (...) {
        for (auto& [i, name] : places)
            old.images[i] = std::move(lent[name]);
        throw;
    }
    fresh->takeSnapshots(*this, sameUntilMs);
    return fresh;
}

void SeekableTimeline::takeSnapshots(SeekableTimeline& earlier, uint32_t sameUntilMs)
{
    if (earlier.fps() != fps())
        return;
    // One whose frames were all rendered before the first difference holds
    // what this show leaves there too. The first is this show's own.
    for (auto it = earlier.snapshots.upper_bound(0); it != earlier.snapshots.end(); ++it) {
        if (frameTimeMs(it->first - 1, fps()) >= sameUntilMs || !it->second.state.drawsLike(production()))
            break;
        snapshots[it->first] = std::move(it->second);
    }
    earlier.snapshots.clear();
    frameBudget = earlier.frameBudget;
    costBudget = earlier.costBudget;
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
