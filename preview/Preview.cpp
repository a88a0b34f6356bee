#include "preview/Preview.h"

#include <charconv>
#include <cinttypes>
#include <cstdio>
#include <vector>

#include "app/ShowIO.h"
#include "base/Cores.h"
#include "base/Workers.h"
#include "pack/DataManifest.h"
#include "pack/DataPath.h"
#include "show/ShowDiff.h"

namespace {

std::vector<std::string_view> words(std::string_view line)
{
    std::vector<std::string_view> out;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r'))
            ++i;
        const size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r')
            ++i;
        if (i > start)
            out.push_back(line.substr(start, i - start));
    }
    return out;
}

std::optional<int64_t> integer(std::string_view text)
{
    int64_t v = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return v;
}

} // namespace

Preview::Preview(const PreviewOptions& options, WallClock wallClock)
    : options(options),
      showFile(options.showFile.empty() ? kEmbeddedShowName : options.showFile),
      wall(std::move(wallClock)),
      watch(options.showFile),
      script(loadShow(options.showFile)),
      stamps(stampData(script)),
      // Replays draw on every core.
      show(std::make_unique<SeekableTimeline>(script, options.dataDir, options.fps,
                                              SeekableTimeline::kMaxSnapshotBytes, machineCores()))
{
    if (options.at)
        seekMs(*options.at);
    else
        play();
}

Preview::DataStamps Preview::stampData(const ShowScript& s) const
{
    DataStamps out;
    for (const ShowImage& image : s.images)
        out.try_emplace(image.name, fileStamp(dataFilePath(options.dataDir, image.name)));
    for (const char* map : {kHeightMapFile, kColorMapFile})
        out.try_emplace(map, fileStamp(dataFilePath(options.dataDir, map)));
    return out;
}

uint32_t Preview::playedMs() const
{
    return uint32_t(std::min<uint64_t>(anchorShow + (wall() - anchorWall), kShowEndMs));
}

void Preview::anchor()
{
    anchorWall = wall();
    anchorShow = timeline().timeMs();
}

void Preview::tell() const
{
    if (follower)
        follower(isPlaying, timeline().timeMs());
}

bool Preview::update(double budgetMs)
{
    keysLive = false;
    if (!isPlaying)
        return false;
    SeekableTimeline& t = timeline();
    const uint32_t now = playedMs();
    if (isLooping && now >= loopEnd) {
        seekFrame(int64_t(t.frameAt(loopStart)));
        return true;
    }
    const uint64_t target = t.frameAt(now);
    const uint64_t before = t.frameIndex();
    double spent = 0.0;
    keysLive = true; // the solid's keys go to the first frame rendered
    while (t.frameIndex() < target && spent < budgetMs && t.advance()) {
        spent += t.lastFrameMs();
        keysLive = false;
        keys.reset();
    }
    keysLive = false;
    if (now >= kShowEndMs && t.frameIndex() == target) {
        isPlaying = false; // the end: the music has nothing to follow
        tell();
    }
    return t.frameIndex() != before;
}

void Preview::play()
{
    if (timeline().frameIndex() + 1 >= timeline().frameCount())
        timeline().seek(0); // from the end, play starts over
    isPlaying = true;
    keys.reset();
    anchor();
    tell();
}

void Preview::pause()
{
    isPlaying = false;
    keys.reset();
    tell();
}

void Preview::seekFrame(int64_t frame)
{
    timeline().seek(uint64_t(std::max<int64_t>(frame, 0)));
    keys.reset();
    anchor();
    tell();
}

bool Preview::setLooping(bool on)
{
    if (on && loopStart >= loopEnd)
        return false;
    isLooping = on;
    return true;
}

std::string Preview::reload()
{
    watch.changed(); // this reload reads the file as it is now
    try {
        ShowScript edited = loadShow(options.showFile);
        DataStamps now = stampData(edited); // before anything is read
        const auto unchanged = [&](std::string_view name) {
            const auto before = stamps.find(name), after = now.find(name);
            return before != stamps.end() && after != now.end() && before->second == after->second &&
                   after->second.size >= 0;
        };
        uint32_t sameUntil = firstDifferenceMs(script, edited);
        // A picture or map redone under the same name: from the start.
        for (const auto& [name, stamp] : now)
            if (!unchanged(name))
                sameUntil = 0;
        const uint64_t frame = timeline().frameIndex();
        show = show->edited(edited, sameUntil, unchanged); // the old one is spent
        script = std::move(edited);
        stamps = std::move(now);
        show->seek(frame);
        reloadError.clear();
    } catch (const std::exception& e) {
        reloadError = e.what();
        return "error " + reloadError;
    }
    keys.reset();
    anchor();
    tell();
    return "reloaded " + showFile + " at " + std::to_string(timeline().timeMs());
}

std::optional<std::string> Preview::reloadIfChanged()
{
    if (!watch.changed())
        return std::nullopt;
    return reload();
}

std::string Preview::frameLine() const
{
    char line[96];
    std::snprintf(line, sizeof line, "at %u frame %" PRIu64 " hash %016" PRIx64, timeline().timeMs(),
                  timeline().frameIndex(), frameHash(timeline().frameBuffer()));
    return line;
}

std::string Preview::command(std::string_view line, bool& quit)
{
    const std::vector<std::string_view> w = words(line);
    const std::string_view name = w.empty() ? std::string_view() : w[0];
    const auto wrongArguments = [&](const char* usage) { return "error usage: " + std::string(usage); };
    if (name == "seek" || name == "step") {
        const std::optional<int64_t> n = w.size() == 2 ? integer(w[1]) : std::nullopt;
        if (!n || (name == "seek" && *n < 0))
            return wrongArguments(name == "seek" ? "seek MS (a time of 0 or more)" : "step N (frames, may be negative)");
        pause();
        if (name == "seek")
            seekMs(*n);
        else
            step(*n);
        return frameLine();
    }
    if ((name == "hash" || name == "pause" || name == "play" || name == "reload" || name == "quit") && w.size() != 1)
        return wrongArguments((std::string(name) + " takes nothing").c_str());
    if (name == "hash")
        return frameLine();
    if (name == "pause") {
        pause();
        return frameLine();
    }
    if (name == "play") {
        play();
        return "playing at " + std::to_string(timeline().timeMs());
    }
    if (name == "png") {
        // The rest of the line, spaces and all, names the file.
        const size_t at = line.find("png") + 3;
        const size_t start = line.find_first_not_of(" \t", at);
        if (start == std::string_view::npos)
            return wrongArguments("png FILE");
        std::string file(line.substr(start));
        while (!file.empty() && (file.back() == '\r' || file.back() == ' ' || file.back() == '\t'))
            file.pop_back();
        try {
            writeFramePng(timeline().frameBuffer(), file);
        } catch (const std::exception& e) {
            return std::string("error ") + e.what();
        }
        return "wrote " + file;
    }
    if (name == "loop") {
        if (w.size() == 2 && w[1] == "off") {
            setLooping(false);
            return "loop off";
        }
        const std::optional<int64_t> a = w.size() == 3 ? integer(w[1]) : std::nullopt;
        const std::optional<int64_t> b = w.size() == 3 ? integer(w[2]) : std::nullopt;
        if (!a || !b || *a < 0 || *b <= *a || *b > int64_t(kShowEndMs))
            return wrongArguments("loop A B (0 <= A < B <= 118377 ms) or loop off");
        loopStart = uint32_t(*a);
        loopEnd = uint32_t(*b);
        setLooping(true);
        return "loop " + std::to_string(loopStart) + " " + std::to_string(loopEnd);
    }
    if (name == "reload")
        return reload();
    if (name == "quit") {
        quit = true;
        return {};
    }
    return "error unknown command \"" + std::string(line) + "\"";
}

void Preview::pressSolidKey(uint8_t virtualKey)
{
    if (isPlaying)
        keys.set(virtualKey);
}

bool Preview::isDown(uint8_t virtualKey)
{
    if (!keysLive || !keys.test(virtualKey))
        return false;
    keys.reset(virtualKey);
    timeline().leaveTimeline(); // the solid moves as no rendered show does
    return true;
}
