#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <regex>
#include <sstream>

#include "EveryClassShow.h"
#include "base/Cores.h"
#include "preview/Preview.h"
#include "show/SeekableTimeline.h"
#include "show/ShowDiff.h"

namespace {

std::string replaced(std::string text, const std::string& from, const std::string& to)
{
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

// Frames of a fresh render of the show, hashed where asked.
std::map<uint64_t, uint64_t> freshFrames(const ShowScript& script, const std::string& data, uint32_t fps,
                                         const std::vector<uint64_t>& frames, DecodedPictures pictures = {},
                                         unsigned threads = 1)
{
    std::map<uint64_t, uint64_t> hashes; // only where asked: a hash costs more than a frame
    for (const uint64_t frame : frames)
        hashes[frame] = 0;
    randomState() = 1;
    Timeline timeline(script, data, fps, std::move(pictures), threads);
    for (auto& [frame, hash] : hashes) {
        while (timeline.frameIndex() + 1 <= frame)
            timeline.renderNext();
        hash = frameHash(timeline.frameBuffer());
    }
    return hashes;
}

} // namespace

// An edited show on the timeline of the old one: the frames of a fresh render
// of the new show, replayed from the last snapshot the old show took before
// the first difference, with the pictures nothing draws into taken over.
TEST(Reload, AnEditedTimelineReplaysOnlyFromTheFirstDifference)
{
    const EveryClassShow show;
    const uint32_t fps = 100;
    const uint64_t onScreen = 250; // 2.5 s
    const struct Case {
        const char* what;
        std::string from, to;
        uint32_t firstDifference;
    } cases[] = {
        {"a segment added", "    color := 16711935", "    color := 16711935\n    color 255 -> 255 H 2000-2300",
         2000},
        {"a segment's value", "platonic 3 -> 3 H 1600-2200", "platonic 2 -> 2 H 1600-2200", 1600},
        {"after the frame on screen", "flag 0 -> 0 H 2750-2800", "flag 0 -> 0 H 2760-2800", 2750},
        {"a base value", "alpha := 200", "alpha := 201", 0},
        {"no change", "# nothing", "# nothing", kShowsAlike},
        // Snapshots that lack the newly drawn picture cannot be taken over.
        {"a picture drawn into from then on", "    color := 16711935",
         "    color := 16711935\n    pixelRef \"data/tex.png\" 2000-2100", 2000},
    };
    for (const Case& c : cases) {
        const std::string text = std::string(kEveryClass) + (c.from == "# nothing" ? "# nothing\n" : "");
        const ShowScript edited = parseShow(replaced(text, c.from, c.to), "edited.show");
        ASSERT_EQ(firstDifferenceMs(show.script, edited), c.firstDifference) << c.what;
        const std::map<uint64_t, uint64_t> fresh = freshFrames(edited, show.dir.str(), fps, {120, 250, 251, 252});

        auto old = std::make_unique<SeekableTimeline>(show.script, show.dir.str(), fps);
        old->seek(onScreen);
        // The old show's last snapshot that holds for the new one: at or
        // before the first frame at or after the first difference.
        const uint64_t firstDifferent = c.firstDifference == kShowsAlike ? onScreen
                                        : c.firstDifference == 0         ? 0
                                                                         : old->frameAt(c.firstDifference - 1) + 1;
        const bool refused = c.to.find("pixelRef") != std::string::npos;
        const uint64_t target = refused ? 0 : std::min(firstDifferent, onScreen);
        // Snapshots come as rendering takes time, so which exist is read here, just before the edit.
        const uint64_t kept = std::max<uint64_t>(old->snapshotBefore(target), 1); // from 1 on, no restore

        const PixelBuffer* tex = old->production().getBuffer("data/tex.png");
        const PixelBuffer* canvas = old->production().getBuffer("data/canvas.png");
        auto timeline = old->edited(edited, c.firstDifference, [](std::string_view) { return true; });
        old.reset();
        EXPECT_EQ(timeline->production().getBuffer("data/tex.png"), tex) << c.what << ": only read, so lent";
        EXPECT_NE(timeline->production().getBuffer("data/canvas.png"), canvas) << c.what << ": drawn into";

        EXPECT_EQ(timeline->seek(onScreen), onScreen + 1 - kept) << c.what << ": replayed from frame " << kept;
        for (uint64_t frame = onScreen; frame < onScreen + 3; ++frame) {
            if (frame > onScreen) {
                ASSERT_TRUE(timeline->advance());
            }
            ASSERT_EQ(frameHash(timeline->frameBuffer()), fresh.at(frame)) << c.what << ", frame " << frame;
        }
        // Back before the first difference, through a snapshot taken over.
        timeline->seek(120);
        ASSERT_EQ(frameHash(timeline->frameBuffer()), fresh.at(120)) << c.what;
    }
}

// A picture rewritten under the same name is read again, and everything it
// may have changed is rendered again.
TEST(Reload, APictureChangedOnDiskIsReadAgain)
{
    const EveryClassShow show;
    const std::string file = show.dir.file("every.show");
    std::ofstream(file) << kEveryClass;
    PreviewOptions options;
    options.showFile = file;
    options.dataDir = show.dir.str();
    options.fps = 30;
    options.at = 2000;
    Preview preview(options, [] { return uint64_t(0); });

    std::vector<uint32_t> tex(64 * 64);
    for (size_t i = 0; i < tex.size(); ++i)
        tex[i] = 0xff000000u | uint32_t(i * 40503u);
    const std::string png = show.dir.file("tex.png");
    const auto stamp = std::filesystem::last_write_time(png);
    writePng(png, 64, 64, tex);
    std::filesystem::last_write_time(png, stamp + std::chrono::seconds(1)); // as a later save would
    ASSERT_EQ(preview.reload(), "reloaded " + file + " at 2000");
    EXPECT_EQ(frameHash(preview.timeline().frameBuffer()), straightRun(show.script, show.dir.str(), 30, 61)[60]);
}

// Random edits of the built-in show, one of each kind after another, each
// reloaded a little after the time it changes (anywhere, for a base value):
// every frame shown after it is the one a fresh render of the edited show gives. At 30 frames a
// second the old show's snapshots lie close enough together that keeping one
// too many shows.
TEST(Reload, RandomEditsOfTheShowGiveAFreshRendersFrames)
{
    const std::string data = std::string(SOFTDEMO_SOURCE_DIR) + "/data";
    if (!std::filesystem::exists(data + "/noise.png"))
        GTEST_SKIP() << "no data pack in " << data;
    const uint32_t fps = 30;
    TempDir dir;
    const std::string file = dir.file("edit.show");
    std::string text(embeddedShowText());
    std::ofstream(file) << text;

    // Fresh renders decode no picture twice.
    DecodedPictures pictures;
    const ShowScript original = parseShow(text, file);
    for (const ShowImage& image : original.images)
        pictures.try_emplace(image.name, decodeImageFile(dataFilePath(data, image.name)));

    PreviewOptions options;
    options.showFile = file;
    options.dataDir = data;
    options.fps = fps;
    options.at = 0;
    Preview preview(options, [] { return uint64_t(0); });

    std::mt19937 random(7);
    const auto pick = [&](size_t n) { return uint32_t(random() % n); };
    // A segment of a number or a picture, and a base number.
    const std::regex segment(R"re(^(\s+\w+ )(-?\d+ -> -?\d+|"[^"]+")( [LH])? (\d+)-(\d+)$)re");
    const std::regex base(R"(^(\s+\w+ := )(-?\d+)$)");
    bool quit = false;
    // Each kind in turn: a number, a picture, the times, one more, one fewer, a base value.
    for (int kind = 0; kind < 6; ++kind) {
        std::vector<std::string> lines;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        std::vector<size_t> candidates;
        for (size_t i = 0; i < lines.size(); ++i)
            if (kind == 5 ? std::regex_match(lines[i], base)
                          : std::regex_match(lines[i], segment) &&
                                (kind > 1 || (lines[i].find('"') == std::string::npos) == (kind == 0)))
                candidates.push_back(i);
        const size_t at = candidates[pick(candidates.size())];
        std::smatch m;
        std::string line = lines[at];
        uint32_t editedAt = 0; // the earliest time the edit touches
        if (kind == 5) {
            std::regex_match(line, m, base);
            line = m.str(1) + std::to_string(std::stoi(m.str(2)) + 1);
        } else {
            std::regex_match(line, m, segment);
            std::string value = m.str(2), from = m.str(4), to = m.str(5);
            const unsigned long before = std::stoul(from); // m points into the line rewritten below
            if (kind == 0)
                value = value.substr(0, value.find("->") + 3) + std::to_string(pick(256));
            else if (kind == 1)
                value = "\"" + original.images[pick(original.images.size())].name + "\"";
            else if (kind < 4)
                from = std::to_string(pick(118000)), to = std::to_string(std::stoul(from) + pick(3000));
            line = m.str(1) + value + m.str(3) + " " + from + "-" + to;
            editedAt = uint32_t(kind == 3 ? std::stoul(from) : std::min(std::stoul(from), before));
        }
        const std::string what = (kind == 4 ? "removed: " : kind == 3 ? "added: " : "now: ") + line;
        if (kind == 3)
            lines.insert(lines.begin() + ptrdiff_t(at) + 1, line);
        else if (kind == 4)
            lines.erase(lines.begin() + ptrdiff_t(at));
        else
            lines[at] = line;
        std::ostringstream out;
        for (const std::string& l : lines)
            out << l << "\n";
        text = out.str();
        const ShowScript script = parseShow(text, file);

        // Reloaded a little after the edit, where snapshots the old show took
        // may be kept or not; then a few frames on, back between the two, on
        // and anywhere.
        const uint32_t reloadAt =
            std::min<uint32_t>(kind == 5 ? pick(kShowEndMs) : editedAt + pick(6000), kShowEndMs);
        preview.seekMs(reloadAt);
        std::ofstream(file) << text;
        const std::string answer = preview.reload();
        ASSERT_TRUE(answer.starts_with("reloaded ")) << answer << "\nafter " << what;
        std::vector<uint64_t> shown{preview.timeline().frameIndex()};
        std::vector<uint64_t> hashes{frameHash(preview.timeline().frameBuffer())};
        for (const std::string& command :
             {std::string("step 3"), "seek " + std::to_string(editedAt + pick(reloadAt - editedAt + 1)),
              "seek " + std::to_string(reloadAt + pick(20000)), "seek " + std::to_string(pick(kShowEndMs))}) {
            preview.command(command, quit);
            shown.push_back(preview.timeline().frameIndex());
            hashes.push_back(frameHash(preview.timeline().frameBuffer()));
        }

        const std::map<uint64_t, uint64_t> fresh = freshFrames(script, data, fps, shown, pictures, machineCores());
        for (size_t k = 0; k < shown.size(); ++k)
            ASSERT_EQ(hashes[k], fresh.at(shown[k]))
                << what << ", reloaded at " << reloadAt << ": frame " << shown[k];
    }
}
