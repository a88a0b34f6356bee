#pragma once
#include <cstddef>
#include <vector>

#include "show/Timeline.h"

class CAExp;

// The whole timeline rendered as fast as it can be, one timed frame at a
// time, and the report of it: the renderer's bench and the web page's.
class BenchRun {
public:
    explicit BenchRun(Timeline& timeline);

    // Renders and times the next frame; false once the show has ended.
    bool renderNext();
    size_t frames() const { return frameMs.size(); }

    // The report on standard output, as text or one JSON object; wall is the
    // time the frames took in all, in seconds.
    void print(bool json, double wall) const;

private:
    Timeline& timeline;
    std::vector<double> seconds;
    std::vector<double> frameMs;
    std::vector<const CAExp*> automata;
    std::vector<bool> automatonDrew;
};
