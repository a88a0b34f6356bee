#pragma once
#include <cstddef>
#include <vector>

#include "engine/Snapshot.h"
#include "show/Timeline.h"

class CAExp;

// The whole timeline rendered as fast as it can be, one timed frame at a
// time, and the report of it: the renderer's bench and the web page's.
// Timing every effect costs clock reads in every band, so the timeline runs
// twice from the same start: once as the player draws it, for the frame
// times, and once with each effect timed, for the shares.
class BenchRun {
public:
    explicit BenchRun(Timeline& timeline);

    // Renders the next frame of either run; false once both have ended.
    bool renderNext();
    // Frames rendered, of passes() in all.
    size_t frames() const { return frameMs.size() + timedFrames; }
    size_t passes() const { return 2 * size_t(frameCount(timeline.fps())); }

    // The report on standard output, as text or one JSON object.
    void print(bool json) const;

private:
    Timeline& timeline;
    Snapshot start;
    bool timing = false;
    size_t timedFrames = 0;
    std::vector<double> seconds;
    std::vector<double> frameMs;
    std::vector<const CAExp*> automata;
    std::vector<bool> automatonDrew;
};
