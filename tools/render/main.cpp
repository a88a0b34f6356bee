// softdemo-render: the show with no window and no sound, on an exact timeline.

#include <cstdio>
#include <filesystem>
#include <optional>
#include <set>

#include "Sheet.h"
#include "app/BenchReport.h"
#include "app/DataFolder.h"
#include "app/Progress.h"
#include "app/ShowIO.h"
#include "base/Cores.h"
#include "base/Files.h"
#include "base/Workers.h"
#include "pack/DataManifest.h"
#include "show/ClassListing.h"
#include "show/Timeline.h"
#include "tools/render/Export.h"
#include "tools/render/Memory.h"
#include "tools/render/Options.h"
#include "tools/render/Site.h"

namespace {

unsigned threadsOf(const RenderOptions& o)
{
    return o.threads ? o.threads : machineCores();
}

int frames(const RenderOptions& o, DecodedPictures pictures)
{
    // Every requested time must be the time of some frame before the end.
    std::set<uint32_t> wanted;
    for (uint32_t t : o.at) {
        const uint64_t i = (uint64_t(t) * o.fps + 999) / 1000;
        if (!showIsOver(t) && frameTimeMs(i, o.fps) == t) {
            wanted.insert(t);
            continue;
        }
        std::string nearest;
        if (i > 0 && !showIsOver(frameTimeMs(i - 1, o.fps)))
            nearest = std::to_string(frameTimeMs(i - 1, o.fps));
        if (!showIsOver(frameTimeMs(i, o.fps)))
            nearest += (nearest.empty() ? "" : " and ") + std::to_string(frameTimeMs(i, o.fps));
        std::fprintf(stderr, "softdemo-render: %u ms is not a frame time of the %u fps timeline; the nearest %s %s\n",
                     t, o.fps, nearest.find(" and ") != std::string::npos ? "are" : "is", nearest.c_str());
        return 2;
    }
    if (!o.pngDir.empty())
        std::filesystem::create_directories(filePath(o.pngDir));

    Timeline timeline(loadShow(o.showFile), o.dataDir, o.fps, std::move(pictures), threadsOf(o));
    const uint32_t last = o.all ? kShowEndMs : *wanted.rbegin();
    while (timeline.renderNext()) {
        const uint32_t t = timeline.timeMs();
        if (o.memory && timeline.frameIndex() == 0)
            std::fprintf(stderr, "%s\n", memoryLine("after the first frame", residentMemory()).c_str());
        if (o.all || wanted.count(t)) {
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

int bench(const RenderOptions& o, DecodedPictures pictures)
{
    Timeline timeline(loadShow(""), o.dataDir, o.fps, std::move(pictures), threadsOf(o));
    BenchRun run(timeline);
    Progress progress("bench", run.passes());
    while (run.renderNext())
        progress.update(run.frames());
    progress.finish();
    run.print(o.json);
    return 0;
}

int exportVideo(const RenderOptions& o, DecodedPictures pictures)
{
    Timeline timeline(loadShow(""), o.dataDir, o.fps, std::move(pictures), threadsOf(o));
    VideoEncoder encoder(o.out, timeline.production().dataPath(kMusicFile), o.fps, o.scale);
    if (!encoder.warning.empty())
        std::fprintf(stderr, "softdemo-render: %s\n", encoder.warning.c_str());
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

int sheet(const RenderOptions& o, DecodedPictures pictures)
{
    const Fonts fonts;
    Timeline timeline(loadShow(""), o.dataDir, o.fps, std::move(pictures), threadsOf(o));
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

int site(const RenderOptions& o)
{
    const std::vector<PackNeed> needs = packNeeds(loadShow(""));
    writeWebPack(needs, o.dataDir, o.out);
    std::fprintf(stderr, "wrote %s/pack.json and the %zu files of the pack in %s/pack/\n", o.out.c_str(), needs.size(),
                 o.out.c_str());
    return 0;
}

// The data directory must hold everything the show reads before anything runs;
// the pictures the check decoded go on to the show.
std::optional<DecodedPictures> checkedPictures(const std::string& dir)
{
    // The renderer reads neither the music nor the dialog pictures.
    DataCheck check = checkDataDirectory(dir);
    const std::vector<std::string>& problems = check.problems;
    for (const std::string& p : problems)
        std::fprintf(stderr, "softdemo-render: %s\n", p.c_str());
    if (!problems.empty())
        std::fprintf(stderr, "softdemo-render: the data directory %s is not usable; generate it with "
                             "\"softdemo-assets --out %s\" (or any build, for the default data/)\n",
                     dir.c_str(), dir.c_str());
    if (!problems.empty())
        return std::nullopt;
    return std::move(check.pictures);
}

int run(int argc, char** argv)
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
        if (options.command == "classes") { // needs no data pack
            std::fputs(classListing(Production("")).c_str(), stdout);
            return 0;
        }
        options.dataDir = dataDirectoryFor(options.dataDir, "softdemo-render");
        if (options.dataDir.empty())
            return 1;
        std::optional<DecodedPictures> pictures = checkedPictures(options.dataDir);
        if (!pictures)
            return 1;
        if (options.command == "frames")
            return frames(options, std::move(*pictures));
        if (options.command == "bench")
            return bench(options, std::move(*pictures));
        if (options.command == "export")
            return exportVideo(options, std::move(*pictures));
        if (options.command == "site")
            return site(options);
        return sheet(options, std::move(*pictures));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "softdemo-render: %s\n", e.what());
        return 1;
    }
}

} // namespace

#ifdef _WIN32
// The command line in UTF-16, so that any path passes whatever the code page.
int wmain(int argc, wchar_t** argv)
{
    std::vector<std::string> arguments = utf8Arguments(argc, argv);
    std::vector<char*> pointers;
    for (std::string& a : arguments)
        pointers.push_back(a.data());
    pointers.push_back(nullptr);
    return run(argc, pointers.data());
}
#else
int main(int argc, char** argv)
{
    return run(argc, argv);
}
#endif
