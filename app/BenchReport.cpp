#include "app/BenchReport.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>

#include "effects/CAExp.h"
#include "effects/Simd.h"

BenchRun::BenchRun(Timeline& timeline) : timeline(timeline)
{
    const uint64_t total = frameCount(timeline.fps());
    frameMs.reserve(total);
    // The automaton is by far the slowest effect, so its frames are judged
    // apart from the rest: a frame counts as its own when a CAExp drew in it.
    for (const auto& effect : timeline.production().effects)
        if (const auto* ca = dynamic_cast<const CAExp*>(effect.get()))
            automata.push_back(ca);
    automatonDrew.reserve(total);
    start.capture(timeline.production());
}

bool BenchRun::renderNext()
{
    if (timing) {
        if (!timeline.renderNext(&seconds))
            return false;
        ++timedFrames;
        return true;
    }
    using Clock = std::chrono::steady_clock;
    const auto begin = Clock::now();
    if (!timeline.renderNext()) {
        start.restore(timeline.production());
        timeline.resumeAt(0);
        timing = true;
        return renderNext();
    }
    frameMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - begin).count());
    automatonDrew.push_back(std::any_of(automata.begin(), automata.end(),
                                        [](const CAExp* ca) { return ca->flag != 0 && ca->pixelRef; }));
    return true;
}

void BenchRun::print(bool json) const
{
    double wall = 0; // the frames' own time, without the progress shown between them
    for (double ms : frameMs)
        wall += ms / 1000;
    const unsigned threads = timeline.production().threads();
    // Share of the time by effect class, largest first; "update" is every effect's update together.
    std::map<std::string, double> byClass{{"update", seconds[0]}};
    const auto& effects = timeline.production().effects;
    for (size_t i = 0; i < effects.size(); ++i)
        byClass[effects[i]->name] += seconds[i + 1];
    double measured = 0;
    for (const auto& [name, s] : byClass)
        measured += s;
    std::vector<std::pair<std::string, double>> shares(byClass.begin(), byClass.end());
    std::stable_sort(shares.begin(), shares.end(), [](auto& a, auto& b) { return a.second > b.second; });

    const size_t worst = size_t(std::max_element(frameMs.begin(), frameMs.end()) - frameMs.begin());
    std::vector<double> sorted = frameMs;
    std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
    const double median = sorted[sorted.size() / 2];
    const double fps = double(frameMs.size()) / wall;
    const uint32_t worstAt = frameTimeMs(worst, timeline.fps());
    // Index of the slowest frame with or without the automaton, or frameMs.size() if none.
    const auto worstWhere = [&](bool withAutomaton) {
        size_t found = frameMs.size();
        for (size_t i = 0; i < frameMs.size(); ++i)
            if (automatonDrew[i] == withAutomaton && (found == frameMs.size() || frameMs[i] > frameMs[found]))
                found = i;
        return found;
    };
    const size_t worstOther = worstWhere(false), worstAutomaton = worstWhere(true);
    const auto msOf = [&](size_t i) { return i < frameMs.size() ? frameMs[i] : 0.0; };
    const auto atOf = [&](size_t i) { return i < frameMs.size() ? frameTimeMs(i, timeline.fps()) : 0u; };
    // A worst frame on a busy machine is often one the scheduler interrupted;
    // how many frames pass 1 ms tells that apart from a slow part of the show.
    size_t otherOver1ms = 0, automatonOver2_5ms = 0;
    for (size_t i = 0; i < frameMs.size(); ++i)
        (automatonDrew[i] ? automatonOver2_5ms : otherOver1ms) += frameMs[i] > (automatonDrew[i] ? 2.5 : 1.0);

    // The slowest whole seconds of the show, by their mean frame time.
    std::vector<std::pair<double, uint32_t>> slowest(kShowEndMs / 1000 + 1);
    std::vector<uint32_t> framesIn(slowest.size());
    for (size_t i = 0; i < frameMs.size(); ++i) {
        const uint32_t second = frameTimeMs(i, timeline.fps()) / 1000;
        slowest[second].first += frameMs[i];
        slowest[second].second = second;
        ++framesIn[second];
    }
    for (size_t i = 0; i < slowest.size(); ++i)
        slowest[i].first /= std::max(1u, framesIn[i]);
    std::stable_sort(slowest.begin(), slowest.end(), [](auto& a, auto& b) { return a.first > b.first; });
    slowest.resize(std::min<size_t>(5, slowest.size()));

    if (json) {
        std::printf("{\"frames\": %zu, \"timelineFps\": %u, \"seconds\": %.3f, \"framesPerSecond\": %.1f, "
                    "\"medianFrameMs\": %.3f, \"worstFrameMs\": %.3f, \"worstFrameAtMs\": %u, "
                    "\"worstOtherFrameMs\": %.3f, \"worstOtherFrameAtMs\": %u, "
                    "\"worstCAExpFrameMs\": %.3f, \"worstCAExpFrameAtMs\": %u, "
                    "\"otherFramesOver1Ms\": %zu, \"CAExpFramesOver2_5Ms\": %zu, \"threads\": %u, "
                    "\"simd\": \"%s\", \"shares\": {",
                    frameMs.size(), timeline.fps(), wall, fps, median, frameMs[worst], worstAt, msOf(worstOther),
                    atOf(worstOther), msOf(worstAutomaton), atOf(worstAutomaton), otherOver1ms,
                    automatonOver2_5ms, threads, simdName(simdLevel()));
        for (size_t i = 0; i < shares.size(); ++i)
            std::printf("%s\"%s\": %.4f", i ? ", " : "", shares[i].first.c_str(), shares[i].second / measured);
        std::printf("}, \"slowestSeconds\": [");
        for (size_t i = 0; i < slowest.size(); ++i)
            std::printf("%s{\"fromMs\": %u, \"meanFrameMs\": %.3f}", i ? ", " : "", slowest[i].second * 1000,
                        slowest[i].first);
        std::printf("]}\n");
        return;
    }
    std::printf("frames:      %zu on the %u fps timeline\n", frameMs.size(), timeline.fps());
    std::printf("drawn with:  %u thread%s, %s vector loops\n", threads, threads == 1 ? "" : "s",
                simdName(simdLevel()));
    std::printf("speed:       %.1f frames per second (%.2f s in all)\n", fps, wall);
    std::printf("frame time:  median %.3f ms, worst %.3f ms (the frame at %u ms)\n", median, frameMs[worst], worstAt);
    if (worstOther < frameMs.size())
        std::printf("             worst without CAExp %.3f ms (the frame at %u ms)\n", msOf(worstOther),
                    atOf(worstOther));
    if (worstAutomaton < frameMs.size())
        std::printf("             worst with CAExp %.3f ms (the frame at %u ms)\n", msOf(worstAutomaton),
                    atOf(worstAutomaton));
    std::printf("             %zu frames without CAExp over 1 ms, %zu with CAExp over 2.5 ms\n", otherOver1ms,
                automatonOver2_5ms);
    std::printf("share of the time by effect class:\n");
    for (const auto& [name, s] : shares)
        std::printf("  %-18s %5.1f %%  %8.3f s\n", name.c_str(), 100.0 * s / measured, s);
    std::printf("slowest seconds of the show, by mean frame time:\n");
    for (const auto& [ms, second] : slowest)
        std::printf("  %6.1f - %6.1f s   %.3f ms\n", second * 1.0, second + 1.0, ms);
}
