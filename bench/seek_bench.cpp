#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <vector>

#include "show/SeekableTimeline.h"

// The preview's seek: 50 seeks to random frames of the built-in show, once its
// snapshots cover the whole show. Reports the worst and median seek and the
// most frames one seek rendered. Argument: the timeline's frames per second.
static void BM_Seek(benchmark::State& state)
{
    const uint32_t fps = uint32_t(state.range(0));
    SeekableTimeline timeline(parseShow(embeddedShowText(), kEmbeddedShowName), SOFTDEMO_SOURCE_DIR "/data", fps);
    while (timeline.prepareAhead(1000.0)) {
    }
    std::mt19937 random(2024);
    std::vector<double> ms;
    uint64_t mostFrames = 0;
    for (auto _ : state) {
        for (int i = 0; i < 50; ++i) {
            const uint64_t frame = random() % timeline.frameCount();
            const auto start = std::chrono::steady_clock::now();
            mostFrames = std::max(mostFrames, timeline.seek(frame));
            ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        }
    }
    std::sort(ms.begin(), ms.end());
    state.counters["worst_ms"] = ms.back();
    state.counters["median_ms"] = ms[ms.size() / 2];
    state.counters["most_frames"] = double(mostFrames);
    state.counters["snapshots"] = double(timeline.snapshotCount());
    state.counters["snapshot_MB"] = double(timeline.snapshotBytes() >> 20);
}
BENCHMARK(BM_Seek)->Arg(60)->Arg(1000)->Iterations(1)->Unit(benchmark::kMillisecond);
