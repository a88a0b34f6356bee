#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "EveryClassShow.h"
#include "gfx/ImageDecoder.h"
#include "preview/Preview.h"

namespace {

constexpr uint32_t kFps = 30;

std::string expectedLine(const std::vector<uint64_t>& straight, uint64_t frame)
{
    char line[96];
    std::snprintf(line, sizeof line, "at %u frame %" PRIu64 " hash %016" PRIx64, frameTimeMs(frame, kFps), frame,
                  straight[frame]);
    return line;
}

struct PreviewFixture : ::testing::Test {
    EveryClassShow show;
    std::string file = show.dir.file("every.show");
    uint64_t wallMs = 5000;
    std::vector<uint64_t> straight = straightRun(show.script, show.dir.str(), kFps, 120);
    std::unique_ptr<Preview> preview;

    void SetUp() override
    {
        std::ofstream(file) << kEveryClass;
        PreviewOptions options;
        options.showFile = file;
        options.dataDir = show.dir.str();
        options.fps = kFps;
        options.at = 1000;
        preview = std::make_unique<Preview>(options, [this] { return wallMs; });
    }

    std::string run(const std::string& line)
    {
        bool quit = false;
        std::string answer = preview->command(line, quit);
        EXPECT_FALSE(quit) << line;
        return answer;
    }
};

} // namespace

TEST_F(PreviewFixture, CommandsAnswerWithTheRenderersFrames)
{
    EXPECT_FALSE(preview->playing()); // --at starts paused
    struct Case {
        const char* command;
        std::string answer;
    } cases[] = {
        {"hash", expectedLine(straight, 30)},
        {"seek 1010", expectedLine(straight, 30)}, // the frame at or before
        {"seek 0", expectedLine(straight, 0)},
        {"step 5", expectedLine(straight, 5)},
        {"seek 2000", expectedLine(straight, 60)},
        {"step -3", expectedLine(straight, 57)},
        {"step -100", expectedLine(straight, 0)},
        {"step -9223372036854775807", expectedLine(straight, 0)},
        {"seek 100", expectedLine(straight, 3)},
        {"loop 200 100", "error usage: loop A B (0 <= A < B <= 118377 ms) or loop off"},
        {"loop 100 200", "loop 100 200"},
        {"loop off", "loop off"},
        {"seek -5", "error usage: seek MS (a time of 0 or more)"},
        {"seek 12abc", "error usage: seek MS (a time of 0 or more)"},
        {"step", "error usage: step N (frames, may be negative)"},
        {"hash now", "error usage: hash takes nothing"},
        {"frobnicate 3", "error unknown command \"frobnicate 3\""},
        {"", "error unknown command \"\""},
        {"pause", expectedLine(straight, 3)}, // nothing above moved the picture
        {"play", "playing at 100"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(run(c.command), c.answer) << c.command;
    bool quit = false;
    EXPECT_EQ(preview->command("quit", quit), "");
    EXPECT_TRUE(quit);
}

// With no limit on the time an update may take, so that a slow machine renders the same frames.
TEST_F(PreviewFixture, PlaysOnTheWallClockAndLoops)
{
    run("seek 100");
    EXPECT_EQ(run("loop 300 700"), "loop 300 700");
    run("play");
    wallMs += 500; // show time 600: frames 4 ... 18 rendered in order
    EXPECT_TRUE(preview->update(1e9));
    EXPECT_EQ(run("hash"), expectedLine(straight, 18));
    run("play");
    wallMs += 100; // 700 reaches the loop's end: back to 300
    preview->update(1e9);
    EXPECT_EQ(preview->timeline().timeMs(), 300u);
    wallMs += 1000;
    preview->update(1e9);
    EXPECT_EQ(preview->timeline().timeMs(), 300u); // looped again at once
    run("loop off");
    preview->update(1e9);
    wallMs += 200;
    preview->update(1e9);
    EXPECT_EQ(run("pause"), expectedLine(straight, 15)); // 300 + 200 ms
}

TEST_F(PreviewFixture, PngWritesTheFrame)
{
    run("seek 2000");
    const std::string png = show.dir.file("frame.png");
    EXPECT_EQ(run("png " + png), "wrote " + png);
    // An RGB PNG (colour type 2) of the frame on screen, pixel for pixel.
    std::ifstream in(png, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 26u);
    EXPECT_EQ(bytes[25], 2) << "colour type";
    const DecodedImage written = decodeImage(bytes.data(), bytes.size(), png);
    const PixelBuffer& frame = preview->timeline().frameBuffer();
    ASSERT_EQ(written.width, 512);
    ASSERT_EQ(written.height, 384);
    size_t differing = 0, lit = 0;
    for (uint32_t i = 0; i < frame.pixelCount; ++i) {
        differing += (written.pixels[i] & 0xffffff) != (frame.pixels[i] & 0xffffff);
        lit += (frame.pixels[i] & 0xffffff) != 0;
    }
    EXPECT_EQ(differing, 0u);
    EXPECT_GT(lit, 1000u); // a frame with something in it, so that a blank file could not pass
    EXPECT_EQ(run("png " + show.dir.file("no/such/dir/x.png")),
              "error " + show.dir.file("no/such/dir/x.png") + ": cannot write the picture");
    EXPECT_EQ(run("png"), "error usage: png FILE");
}

// Every kind of broken show keeps the old one on screen, with the error, until
// the file is fixed.
TEST_F(PreviewFixture, ReloadKeepsTheOldShowOnEveryError)
{
    run("seek 2000");
    const std::string before = run("hash");
    const std::string text = kEveryClass;
    const auto replace = [&](const std::string& from, const std::string& to) {
        std::string s = text;
        return s.replace(s.find(from), from.size(), to);
    };
    struct Case {
        std::string show;
        std::string error; // after "FILE:"
    } cases[] = {
        {replace("effect 3 CAExp {", "effect 3 CAExp"), "18:16: expected \"{\" at the end of the line"},
        {replace("CAExp", "Automaton"), "18:10: unknown effect class \"Automaton\""},
        {replace("random2 1", "randomly 1"), "25:5: no variable \"randomly\" in PutBuffer"},
        {replace("\"data/canvas.png\"\n}", "\"data/canvas.png\"\n    \"data/missing.png\"\n}"),
         "4:5: " + show.dir.file("missing.png")},
        {replace("alpha := 200", "alpha := \"data/tex.png\""), "24:14: \"alpha\" takes a number"},
    };
    for (const Case& c : cases) {
        std::ofstream(file) << c.show;
        const std::string answer = run("reload");
        EXPECT_TRUE(answer.starts_with("error " + file + ":" + c.error)) << answer << "\n" << c.error;
        EXPECT_EQ(preview->error(), answer.substr(6));
        EXPECT_EQ(run("hash"), before);
    }
    std::filesystem::remove(file);
    EXPECT_EQ(run("reload"), "error " + file + ": No such file or directory");
    EXPECT_EQ(run("hash"), before);

    // Fixed, and changed: the new show at the same time, from the watcher.
    std::ofstream(file) << replace("color := 16711935", "color := 255");
    const std::optional<std::string> reloaded = preview->reloadIfChanged();
    ASSERT_TRUE(reloaded);
    EXPECT_EQ(*reloaded, "reloaded " + file + " at 2000");
    EXPECT_EQ(preview->error(), "");
    EXPECT_FALSE(preview->reloadIfChanged());
    const ShowScript changed = parseShow(replace("color := 16711935", "color := 255"), file);
    EXPECT_EQ(run("hash"), expectedLine(straightRun(changed, show.dir.str(), kFps, 61), 60));
    EXPECT_NE(run("hash"), before);
}
