#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "EveryClassShow.h"
#include "effects/Random.h"
#include "engine/Snapshot.h"
#include "show/SeekableTimeline.h"

TEST(Snapshot, RestoreThenRenderEqualsTheStraightRunForEveryClass)
{
    const EveryClassShow show;
    const uint32_t fps = 100;
    const std::vector<uint64_t> straight = straightRun(show.script, show.dir.str(), fps, 300, "data/canvas.png");
    ASSERT_EQ(straight.size(), 300u);

    randomState() = 1;
    Timeline timeline(show.script, show.dir.str(), fps);
    Production& production = timeline.production();
    const PixelBuffer& canvas = *production.getBuffer("data/canvas.png");
    EXPECT_EQ(buffersDrawnInto(production).size(), 2u); // the frame buffer and the canvas, not the texture
    const auto hash = [&] { return frameHash(timeline.frameBuffer()) ^ frameHash(canvas) * 3; };
    // Snapshots in every stretch: noise, the tunnel off, the solids, random rows, the landscape, the clear.
    for (uint64_t at : {0, 12, 35, 95, 130, 150, 170, 230, 265, 290}) {
        while (timeline.frameIndex() + 1 < at)
            timeline.renderNext();
        ASSERT_EQ(timeline.frameIndex() + 1, at);
        Snapshot snapshot;
        snapshot.capture(production);
        const uint32_t random = randomState();
        for (int k = 0; k < 8; ++k) // disturb everything a snapshot must bring back
            timeline.renderNext();
        snapshot.restore(production);
        EXPECT_EQ(randomState(), random);
        timeline.resumeAt(at);
        for (uint64_t i = at; i < std::min<uint64_t>(at + 10, straight.size()); ++i) {
            ASSERT_TRUE(timeline.renderNext());
            ASSERT_EQ(hash(), straight[i]) << "restored before frame " << at << ", differs at frame " << i;
        }
    }
}

TEST(Snapshot, RefusesAnotherProduction)
{
    const EveryClassShow show;
    Timeline a(show.script, show.dir.str(), 30);
    Snapshot snapshot;
    snapshot.capture(a.production());
    const ShowScript small = parseShow("effect 0 Clear {\n}\n", "small.show");
    Timeline b(small, show.dir.str(), 30);
    EXPECT_THROW(snapshot.restore(b.production()), std::logic_error);

    // The same effects, one drawing into another picture: its pixels were never kept.
    std::string text = kEveryClass;
    const std::string canvas = "pixelRef := \"data/canvas.png\"";
    text.replace(text.rfind(canvas), canvas.size(), "pixelRef := \"data/tex.png\"");
    Timeline c(parseShow(text, "other.show"), show.dir.str(), 30);
    EXPECT_TRUE(snapshot.drawsLike(a.production()));
    EXPECT_FALSE(snapshot.drawsLike(c.production()));
    EXPECT_THROW(snapshot.restore(c.production()), std::logic_error);
}

// A snapshot restores into another production built from the same show, and
// the two go on apart: members keep buffers as their places, the clock reads
// its own timeline, and a picture drawn into is no longer read through its
// grey copy as loaded.
TEST(Snapshot, RestoresIntoAnotherProductionOfTheSameShow)
{
    const EveryClassShow every;
    TempDir greyData;
    writeMaps(greyData);
    std::vector<uint32_t> grain(512 * 384);
    for (size_t i = 0; i < grain.size(); ++i)
        grain[i] = 0xff000000u | uint32_t(i * 37 % 256) * 0x010101u;
    writePng(greyData.file("grain.png"), 512, 384, grain);
    // The grain is added whole to the frame, then cleared to dark grey from 100 ms on.
    const ShowScript grey = parseShow(R"(images {
    "data/grain.png"
}
effect 0 Clear {
}
effect 1 PutBuffer {
    fromBuffer := "data/grain.png"
    blendmode := 1
    alpha := 255
}
effect 2 Clear {
    pixelRef := "data/grain.png"
    flag := 0
    flag 1 -> 1 H 100-150
    color := 4210752
}
)", "grey.show");
    const struct Case {
        const ShowScript& script;
        std::string data;
        const char* alsoDrawn;
    } cases[] = {{every.script, every.dir.str(), "data/canvas.png"}, {grey, greyData.str(), "data/grain.png"}};

    const uint32_t fps = 100;
    for (const Case& c : cases) {
        const std::vector<uint64_t> straight = straightRun(c.script, c.data, fps, 300, c.alsoDrawn);
        for (uint64_t at : {20, 150, 280}) {
            randomState() = 1;
            Timeline from(c.script, c.data, fps);
            while (from.frameIndex() + 1 < at)
                from.renderNext();
            Snapshot snapshot;
            snapshot.capture(from.production());
            for (int k = 0; k < 10; ++k) // on elsewhere: nothing of it may show in the other
                from.renderNext();
            Timeline to(c.script, c.data, fps);
            snapshot.restore(to.production());
            to.resumeAt(at);
            const PixelBuffer& drawn = *to.production().getBuffer(c.alsoDrawn);
            for (uint64_t i = at; i < at + 10; ++i) {
                ASSERT_TRUE(to.renderNext());
                ASSERT_EQ(frameHash(to.frameBuffer()) ^ frameHash(drawn) * 3, straight[i])
                    << c.alsoDrawn << ": restored before frame " << at << ", differs at frame " << i;
            }
        }
    }
}

// The whole built-in show: seeks in random order land on the straight run's
// frames and go on from there like it, within the replay bound.
TEST(SeekableTimeline, SeeksAnywhereInTheShowMatchTheStraightRun)
{
    const std::string data = std::string(SOFTDEMO_SOURCE_DIR) + "/data";
    const ShowScript script = parseShow(embeddedShowText(), kEmbeddedShowName);
    const uint32_t fps = 30;
    const std::vector<uint64_t> straight = straightRun(script, data, fps, UINT64_MAX);

    SeekableTimeline timeline(script, data, fps);
    ASSERT_EQ(timeline.frameCount(), straight.size());
    while (timeline.prepareAhead(1000.0)) {
    }
    std::mt19937 random(13);
    // The automaton's seconds, the solid, the landscape, the end titles, and anywhere.
    std::vector<uint64_t> targets{0, 1, straight.size() - 1, 390, 391, 387, 900, 1300, 1770, 2400, 3250};
    for (int k = 0; k < 20; ++k)
        targets.push_back(random() % straight.size());
    for (const uint64_t frame : targets) {
        const uint64_t rendered = timeline.seek(frame);
        EXPECT_LE(rendered, SeekableTimeline::kMaxSnapshotFrames) << frame;
        ASSERT_EQ(timeline.frameIndex(), frame);
        ASSERT_EQ(timeline.timeMs(), frameTimeMs(frame, fps));
        ASSERT_EQ(frameHash(timeline.frameBuffer()), straight[frame]) << "frame " << frame;
        for (int k = 0; k < 3 && timeline.advance(); ++k)
            ASSERT_EQ(frameHash(timeline.frameBuffer()), straight[timeline.frameIndex()]) << "after " << frame;
    }
    EXPECT_LT(timeline.snapshotBytes(), SeekableTimeline::kMaxSnapshotBytes);
}

// Over its memory limit the index drops snapshots and keeps every seek exact.
TEST(SeekableTimeline, ThinnedSnapshotsStayWithinTheirLimit)
{
    const EveryClassShow show;
    const uint32_t fps = 1000;
    const std::vector<uint64_t> straight = straightRun(show.script, show.dir.str(), fps, 1200);
    const size_t limit = size_t(8) << 20; // about seven snapshots
    SeekableTimeline timeline(show.script, show.dir.str(), fps, limit);
    timeline.seek(1199); // takes snapshots all the way
    EXPECT_LE(timeline.snapshotBytes(), limit);
    EXPECT_GE(timeline.snapshotCount(), 4u);
    for (const uint64_t frame : {10, 900, 500, 1198, 0, 700}) {
        timeline.seek(frame);
        ASSERT_EQ(frameHash(timeline.frameBuffer()), straight[frame]) << frame;
    }
}

TEST(SeekableTimeline, FrameAtIsTheLastFrameAtOrBefore)
{
    const EveryClassShow show;
    SeekableTimeline timeline(show.script, show.dir.str(), 30);
    struct Case {
        uint32_t ms;
        uint64_t frame;
    } cases[] = {{0, 0}, {32, 0}, {33, 1}, {65, 1}, {66, 2}, {1000, 30}, {118343, 3550}, {118377, 3551},
                 {4000000, 3551}};
    for (const Case& c : cases)
        EXPECT_EQ(timeline.frameAt(c.ms), c.frame) << c.ms;
    EXPECT_EQ(timeline.frameCount(), 3552u);
}
