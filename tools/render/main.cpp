// softdemo-render: the show with no window and no sound, on an exact timeline.
#include <stb_image_write.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "Sheet.h"
#include "effects/CAExp.h"
#include "effects/Simd.h"
#include "engine/Workers.h"
#include "show/DataManifest.h"
#include "show/Timeline.h"
#include "tools/common/Progress.h"
#include "tools/render/Export.h"
#include "tools/render/Memory.h"
#include "tools/render/Options.h"

namespace {

uint64_t frameCount(uint32_t fps)
{
    uint64_t n = 0;
    while (frameTimeMs(n, fps) < kShowEndMs)
        ++n;
    return n;
}

ShowScript loadShow(const std::string& file)
{
    if (file.empty())
        return parseShow(embeddedShowText(), kEmbeddedShowName);
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw std::runtime_error(file + ": " + std::strerror(errno));
    std::stringstream text;
    text << in.rdbuf();
    return parseShow(text.str(), file);
}

unsigned threadsOf(const RenderOptions& o)
{
    return o.threads ? o.threads : Workers::hardwareThreads();
}

void writeFramePng(const PixelBuffer& frame, const std::string& path)
{
    std::vector<uint8_t> rgb;
    rgb.reserve(size_t(frame.pixelCount) * 3);
    for (uint32_t i = 0; i < frame.pixelCount; ++i) {
        const uint32_t p = frame.pixels[i];
        rgb.insert(rgb.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p)});
    }
    if (!stbi_write_png(path.c_str(), frame.width, frame.height, 3, rgb.data(), frame.width * 3))
        throw std::runtime_error(path + ": cannot write the picture");
}

int frames(const RenderOptions& o)
{
    // Every requested time must be the time of some frame before the end.
    std::set<uint32_t> wanted;
    for (uint32_t t : o.at) {
        const uint64_t i = (uint64_t(t) * o.fps + 999) / 1000;
        if (t < kShowEndMs && frameTimeMs(i, o.fps) == t) {
            wanted.insert(t);
            continue;
        }
        std::string nearest;
        if (i > 0 && frameTimeMs(i - 1, o.fps) < kShowEndMs)
            nearest = std::to_string(frameTimeMs(i - 1, o.fps));
        if (frameTimeMs(i, o.fps) < kShowEndMs)
            nearest += (nearest.empty() ? "" : " and ") + std::to_string(frameTimeMs(i, o.fps));
        std::fprintf(stderr, "softdemo-render: %u ms is not a frame time of the %u fps timeline; the nearest %s %s\n",
                     t, o.fps, nearest.find(" and ") != std::string::npos ? "are" : "is", nearest.c_str());
        return 2;
    }
    if (!o.pngDir.empty())
        std::filesystem::create_directories(o.pngDir);

    Timeline timeline(loadShow(o.showFile), o.dataDir, o.fps, threadsOf(o));
    const uint32_t last = *wanted.rbegin();
    while (timeline.renderNext()) {
        const uint32_t t = timeline.timeMs();
        if (o.memory && timeline.frameIndex() == 0)
            std::fprintf(stderr, "%s\n", memoryLine("after the first frame", residentMemory()).c_str());
        if (wanted.count(t)) {
            if (!o.pngDir.empty())
                writeFramePng(timeline.frameBuffer(), o.pngDir + "/frame_" + std::to_string(t) + ".png");
            if (o.hash)
                std::printf("%u %016llx\n", t, static_cast<unsigned long long>(frameHash(timeline.frameBuffer())));
        }
        if (t >= last)
            break;
    }
    if (o.memory) {
        const std::string when = "after " + std::to_string(timeline.frameIndex() + 1) + " frames";
        std::fprintf(stderr, "%s\n", memoryLine(when.c_str(), residentMemory()).c_str());
    }
    return 0;
}

int bench(const RenderOptions& o)
{
    using Clock = std::chrono::steady_clock;
    Timeline timeline(loadShow(""), o.dataDir, o.fps, threadsOf(o));
    const uint64_t total = frameCount(o.fps);
    std::vector<double> seconds;
    std::vector<double> frameMs;
    frameMs.reserve(total);
    // The automaton is by far the slowest effect, so its frames are judged
    // apart from the rest: a frame counts as its own when a CAExp drew in it.
    std::vector<const CAExp*> automata;
    for (const auto& effect : timeline.production().effects)
        if (const auto* ca = dynamic_cast<const CAExp*>(effect.get()))
            automata.push_back(ca);
    std::vector<bool> automatonDrew;
    automatonDrew.reserve(total);
    Progress progress("bench", total);
    const auto begin = Clock::now();
    for (;;) {
        const auto start = Clock::now();
        if (!timeline.renderNext(&seconds))
            break;
        frameMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        automatonDrew.push_back(std::any_of(automata.begin(), automata.end(),
                                            [](const CAExp* ca) { return ca->flag != 0 && ca->pixelRef; }));
        progress.update(frameMs.size());
    }
    const double wall = std::chrono::duration<double>(Clock::now() - begin).count();
    progress.finish();

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
    const uint32_t worstAt = frameTimeMs(worst, o.fps);
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
    const auto atOf = [&](size_t i) { return i < frameMs.size() ? frameTimeMs(i, o.fps) : 0u; };
    // A worst frame on a busy machine is often one the scheduler interrupted;
    // how many frames pass 1 ms tells that apart from a slow part of the show.
    size_t otherOver1ms = 0, automatonOver2_5ms = 0;
    for (size_t i = 0; i < frameMs.size(); ++i)
        (automatonDrew[i] ? automatonOver2_5ms : otherOver1ms) += frameMs[i] > (automatonDrew[i] ? 2.5 : 1.0);

    // The slowest whole seconds of the show, by their mean frame time.
    std::vector<std::pair<double, uint32_t>> slowest(kShowEndMs / 1000 + 1);
    std::vector<uint32_t> framesIn(slowest.size());
    for (size_t i = 0; i < frameMs.size(); ++i) {
        const uint32_t second = frameTimeMs(i, o.fps) / 1000;
        slowest[second].first += frameMs[i];
        slowest[second].second = second;
        ++framesIn[second];
    }
    for (size_t i = 0; i < slowest.size(); ++i)
        slowest[i].first /= std::max(1u, framesIn[i]);
    std::stable_sort(slowest.begin(), slowest.end(), [](auto& a, auto& b) { return a.first > b.first; });
    slowest.resize(std::min<size_t>(5, slowest.size()));

    if (o.json) {
        std::printf("{\"frames\": %zu, \"timelineFps\": %u, \"seconds\": %.3f, \"framesPerSecond\": %.1f, "
                    "\"medianFrameMs\": %.3f, \"worstFrameMs\": %.3f, \"worstFrameAtMs\": %u, "
                    "\"worstOtherFrameMs\": %.3f, \"worstOtherFrameAtMs\": %u, "
                    "\"worstCAExpFrameMs\": %.3f, \"worstCAExpFrameAtMs\": %u, "
                    "\"otherFramesOver1Ms\": %zu, \"CAExpFramesOver2_5Ms\": %zu, \"threads\": %u, "
                    "\"simd\": \"%s\", \"shares\": {",
                    frameMs.size(), o.fps, wall, fps, median, frameMs[worst], worstAt, msOf(worstOther),
                    atOf(worstOther), msOf(worstAutomaton), atOf(worstAutomaton), otherOver1ms,
                    automatonOver2_5ms, timeline.production().threads(), simdName(simdLevel()));
        for (size_t i = 0; i < shares.size(); ++i)
            std::printf("%s\"%s\": %.4f", i ? ", " : "", shares[i].first.c_str(), shares[i].second / measured);
        std::printf("}, \"slowestSeconds\": [");
        for (size_t i = 0; i < slowest.size(); ++i)
            std::printf("%s{\"fromMs\": %u, \"meanFrameMs\": %.3f}", i ? ", " : "", slowest[i].second * 1000,
                        slowest[i].first);
        std::printf("]}\n");
        return 0;
    }
    std::printf("frames:      %zu on the %u fps timeline\n", frameMs.size(), o.fps);
    std::printf("drawn with:  %u thread%s, %s vector loops\n", timeline.production().threads(),
                timeline.production().threads() == 1 ? "" : "s", simdName(simdLevel()));
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
    return 0;
}

int exportVideo(const RenderOptions& o)
{
    Timeline timeline(loadShow(""), o.dataDir, o.fps, threadsOf(o));
    VideoEncoder encoder(o.out, timeline.production().dataPath("data/fried.mp3"), o.fps, o.scale);
    Progress progress("export", frameCount(o.fps));
    while (timeline.renderNext()) {
        encoder.write(timeline.frameBuffer());
        progress.update(timeline.frameIndex() + 1);
    }
    encoder.finish();
    progress.finish();
    std::fprintf(stderr, "wrote %s\n", o.out.c_str());
    return 0;
}

int sheet(const RenderOptions& o)
{
    const Fonts fonts;
    Timeline timeline(loadShow(""), o.dataDir, o.fps, threadsOf(o));
    std::vector<SheetEntry> entries;
    uint32_t next = 0;
    std::vector<uint32_t> opaque(512 * 384);
    Progress progress("sheet", frameCount(o.fps));
    while (timeline.renderNext()) {
        progress.update(timeline.frameIndex() + 1);
        if (timeline.timeMs() < next)
            continue;
        // Frames carry whatever alpha their pictures had; the screen ignores it.
        const PixelBuffer& frame = timeline.frameBuffer();
        for (uint32_t i = 0; i < frame.pixelCount; ++i)
            opaque[i] = frame.pixels[i] | 0xff000000u;
        char label[32];
        std::snprintf(label, sizeof label, "%.3f s", timeline.timeMs() / 1000.0);
        entries.push_back({label, canvasFromPixels(opaque.data(), frame.width, frame.height)});
        next += o.every;
    }
    progress.finish();
    char title[96];
    std::snprintf(title, sizeof title, "softdemo: one frame every %.1f s", o.every / 1000.0);
    writeContactSheet(title, entries, 6, 160, 120, o.out, fonts);
    std::fprintf(stderr, "wrote %s\n", o.out.c_str());
    return 0;
}

// The data directory must hold everything the show reads before anything runs.
bool dataIsUsable(const std::string& dir)
{
    // The renderer reads neither the music nor the dialog pictures.
    const std::vector<std::string> problems = checkDataDirectory(dir).problems;
    for (const std::string& p : problems)
        std::fprintf(stderr, "softdemo-render: %s\n", p.c_str());
    if (!problems.empty())
        std::fprintf(stderr, "softdemo-render: the data directory %s is not usable; generate it with "
                             "\"softdemo-assets --out %s\" (or any build, for the default data/)\n",
                     dir.c_str(), dir.c_str());
    return problems.empty();
}

} // namespace

int main(int argc, char** argv)
{
    RenderOptions options;
    try {
        options = parseRenderOptions(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "softdemo-render: %s\n", e.what());
        return 2;
    }
    if (options.help || options.command.empty()) {
        std::fputs(renderUsage(options.command), options.help ? stdout : stderr);
        return options.help ? 0 : 2;
    }
    try {
        if (!dataIsUsable(options.dataDir))
            return 1;
        if (options.command == "frames")
            return frames(options);
        if (options.command == "bench")
            return bench(options);
        if (options.command == "export")
            return exportVideo(options);
        return sheet(options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "softdemo-render: %s\n", e.what());
        return 1;
    }
}
