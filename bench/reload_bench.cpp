#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "preview/Preview.h"

// The preview's reload: paused on the frame at 100 s of the built-in show at
// 60 fps, with the snapshots its window's spare time would have taken, a
// segment added at EDIT ms (the argument) is saved and the file watcher's
// call answers with the new show on screen; 10 saves, each moving the value
// so that every one is a change. Reports the median and worst time from the
// save to the answer. The watcher's own delay (how often the window asks) is
// measured with the window by bench/reload_watch.sh.
static void BM_Reload(benchmark::State& state)
{
    const uint32_t editAt = uint32_t(state.range(0));
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("softdemo-reload-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string file = (dir / "edit.show").string();
    const std::string text(embeddedShowText());
    std::ofstream(file) << text;

    PreviewOptions options;
    options.showFile = file;
    options.dataDir = SOFTDEMO_SOURCE_DIR "/data";
    options.fps = 60;
    options.at = 100000;
    Preview preview(options, [] { return uint64_t(0); });
    while (preview.timeline().prepareAhead(1000.0)) {
    }

    const std::string anchor = "    posY 20 -> 20 L 79220-79320\n"; // in the bacon sprite's block
    const auto saved = std::filesystem::last_write_time(file);
    std::vector<double> ms;
    for (auto _ : state) {
        for (int save = 1; save <= 10; ++save) {
            std::string edited = text;
            edited.insert(edited.find(anchor) + anchor.size(), "    posX 0 -> " + std::to_string(save) + " L " +
                                                                  std::to_string(editAt) + "-" +
                                                                  std::to_string(editAt + 500) + "\n");
            std::ofstream(file) << edited;
            // As a later save: the clock the file system stamps by may not have moved yet.
            std::filesystem::last_write_time(file, saved + std::chrono::seconds(save));
            const auto start = std::chrono::steady_clock::now();
            const std::optional<std::string> answer = preview.reloadIfChanged();
            ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
            if (answer != "reloaded " + file + " at 100000")
                state.SkipWithError(answer ? answer->c_str() : "the watcher saw no change");
        }
    }
    std::filesystem::remove_all(dir);
    std::sort(ms.begin(), ms.end());
    state.counters["median_ms"] = ms[ms.size() / 2];
    state.counters["worst_ms"] = ms.back();
}
BENCHMARK(BM_Reload)->Arg(98000)->Arg(5000)->Iterations(1)->Unit(benchmark::kMillisecond);
