// The player's sequence and its end rules, on a front end whose clock moves
// only when the player waits or presents.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "TestData.h"
#include "app/Player.h"

namespace {

// Pixel 0 of each frame is its show time: the colour climbs 1 a millisecond.
constexpr const char* kShow = "images {\n}\n"
                              "effect 0 Clear {\n"
                              "    flag := 1\n"
                              "    color 0 -> 131072 L 0-131072\n"
                              "}\n";

class FakeAudio : public AudioDevice {
public:
    explicit FakeAudio(std::string& log) : log(log) {}
    bool open(int) override { return true; }
    uint32_t loadModule(const char*) override { return 0; }
    uint32_t loadStream(const char*) override { return 1; }
    void play(uint32_t) override { log += " music-on"; }
    void stop(uint32_t) override { log += " music-off"; }
    void playFrom(uint32_t, double) override { log += " music-on"; }
    int errorCode() override { return 0; }

private:
    std::string& log;
};

// Each call it takes is noted in `log`; escapes and closes answer the
// questions in turn ('E', 'C': yes; anything else or past the end: no).
struct FakeFrontEnd : PlayerPlatform {
    uint32_t now = 0;
    uint32_t pauseSlice = 0;    // what one pause() waits at most; 0: all it is asked
    std::vector<uint32_t> gaps; // ms after each frame presented; the last repeats
    std::string escapes, closes;
    bool askFails = false, screenFails = false;
    std::string log;
    const PixelBuffer* frame = nullptr;
    FakeAudio sound{log};
    size_t escapeQuestions = 0, closeQuestions = 0, presented = 0;

    uint32_t tick() override { return now; }
    bool escapePressed() override
    {
        const bool yes = escapeQuestions < escapes.size() && escapes[escapeQuestions] == 'E';
        ++escapeQuestions;
        if (yes)
            log += " escape";
        return yes;
    }
    bool closeRequested() override
    {
        const bool yes = closeQuestions < closes.size() && closes[closeQuestions] == 'C';
        ++closeQuestions;
        if (yes)
            log += " close";
        return yes;
    }
    AudioDevice* audio() override { return &sound; }
    void ask(const std::string&) override
    {
        log += " ask";
        if (askFails)
            throw std::runtime_error("cannot open the dialog");
    }
    bool openScreen(int w, int h, bool vsync) override
    {
        log += " screen " + std::to_string(w) + "x" + std::to_string(h);
        if (screenFails)
            throw std::runtime_error("cannot open the screen");
        return vsync;
    }
    void pause(uint32_t ms) override
    {
        log += " pause " + std::to_string(ms);
        now += pauseSlice ? std::min(ms, pauseSlice) : ms;
    }
    void present(const PixelBuffer& f) override
    {
        frame = &f;
        log += " frame " + std::to_string(f.pixels[0]);
        now += gaps.empty() ? 40 : gaps[std::min(presented, gaps.size() - 1)];
        ++presented;
    }
    void showError(const std::string& title, const std::string& text) override
    {
        log += " box " + title + " " + text;
    }
    void leaveAtOnce() override { log += " leave"; }
};

TEST(PlayerSequence, EndsAtTheEndTimeOnEscapeOrOnAClose)
{
    TempDir dir;
    writeMaps(dir);
    const uint32_t nearWrap = 0xFFFFFFFFu - 2050; // the tick wraps between the 2nd and 3rd frames
    struct Case {
        const char* name;
        uint32_t start, pauseSlice;
        std::vector<uint32_t> gaps;
        std::string escapes, closes;
        bool askFails, screenFails;
        PlayerSettings settings;
        std::string log;  // after " ask screen 512x384"
        uint32_t drawn;   // the show time of the last frame rendered
        std::string said; // on standard error
        int code = 0;
    } cases[] = {
        {"to the end, whose frame is drawn and not shown", 5000, 0, {59000, 59376, 1}, "", "", false, false,
         {.vsync = true, .report = true},
         " pause 2000 music-on frame 0 frame 59000 frame 118376 music-off", 118377,
         "softdemo: 3 frames in 118.4 s (0.0 frames per second), vsync on, last frame at 118376 ms, longest gap "
         "59376 ms\n"},
        {"the end time exactly", 0, 0, {118377}, "", "", false, false, {}, " pause 2000 music-on frame 0 music-off",
         118377, ""},
        {"a pause in slices, and a show across the tick's wrap", nearWrap, 700, {40, 60}, ".....E", "", false, false,
         {}, " pause 2000 pause 1300 pause 600 music-on frame 0 frame 40 frame 100 escape music-off", 100, ""},
        {"Escape during the pause: gone before any frame", 0, 0, {}, "E", "", false, false,
         {.vsync = false, .report = true}, " pause 2000 music-on escape leave", 0,
         "softdemo: 0 frames in 0.0 s (0.0 frames per second), vsync off\n"},
        {"Escape above a later frame: gone, nothing stopped", 0, 0, {}, "..E", "", false, false, {},
         " pause 2000 music-on frame 0 escape leave", 0, ""},
        {"Escape below a frame: stopped after it", 0, 0, {}, ".E", "", false, false, {},
         " pause 2000 music-on frame 0 escape music-off", 0, ""},
        {"a close request: stopped after the frame", 0, 0, {}, "", ".C", false, false, {},
         " pause 2000 music-on frame 0 frame 40 close music-off", 40, ""},
        {"no question: no screen", 0, 0, {}, "", "", true, false, {}, " box Error! cannot open the dialog", 0,
         "softdemo: cannot open the dialog\n", 1},
        {"no screen: no pause", 0, 0, {}, "", "", false, true, {}, " box Error! cannot open the screen", 0,
         "softdemo: cannot open the screen\n", 1},
    };
    for (const Case& c : cases) {
        FakeFrontEnd fake;
        fake.now = c.start;
        fake.pauseSlice = c.pauseSlice;
        fake.gaps = c.gaps;
        fake.escapes = c.escapes;
        fake.closes = c.closes;
        fake.askFails = c.askFails;
        fake.screenFails = c.screenFails;
        Player player(fake, c.settings);
        ASSERT_TRUE(player.build(dir.str(), {}, kShow, "test.show")) << c.name;
        testing::internal::CaptureStderr();
        const int code = player.play();
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(code, c.code) << c.name;
        const std::string asked = c.askFails ? " ask" : " ask screen 512x384";
        EXPECT_EQ(fake.log, asked + c.log) << c.name;
        EXPECT_EQ(said, c.said) << c.name;
        if (fake.frame)
            EXPECT_EQ(fake.frame->pixels[0], c.drawn) << c.name;
        // Whatever ended it, nothing more happens.
        const std::string before = fake.log;
        EXPECT_FALSE(player.pass()) << c.name;
        EXPECT_EQ(fake.log, before) << c.name;
    }
}

// The steps a page takes: each pass during the pause shows nothing, and the
// pass that finds the pause over starts the music and shows the first frame.
// Before each, the page can ask which show time the pass would draw.
TEST(PlayerSequence, StepsWaitForThePauseWithoutBlocking)
{
    TempDir dir;
    writeMaps(dir);
    FakeFrontEnd fake;
    fake.pauseSlice = 1; // the page returns at once; its time moves on its own
    Player player(fake, {});
    EXPECT_FALSE(player.pass()) << "nothing to pass before the show is built";
    EXPECT_EQ(player.showTimeAt(0), -1);
    ASSERT_TRUE(player.build(dir.str(), {}, kShow, "test.show"));
    EXPECT_EQ(player.showTimeAt(5000), -1) << "built, not begun";
    ASSERT_TRUE(player.begin());
    for (uint32_t t : {0u, 16u, 1999u}) {
        fake.now = t;
        EXPECT_EQ(player.showTimeAt(t), -1);
        EXPECT_TRUE(player.pass());
        EXPECT_EQ(fake.presented, 0u) << "a frame at " << t << " ms of the pause";
    }
    fake.now = 2016;
    EXPECT_EQ(player.showTimeAt(fake.now), 0);
    EXPECT_TRUE(player.pass());
    EXPECT_EQ(fake.log, " screen 512x384 pause 2000 pause 1984 pause 1 music-on frame 0");
    EXPECT_EQ(player.showTimeAt(fake.now), 40);
    EXPECT_TRUE(player.pass());
    EXPECT_EQ(fake.log.substr(fake.log.rfind(' ')), " 40") << "the time asked for is the time drawn";
    EXPECT_EQ(player.framesShown(), 2u);
    fake.now = 2016 + 118377;
    EXPECT_EQ(player.showTimeAt(fake.now), 118377);
    EXPECT_FALSE(player.pass());
    EXPECT_EQ(player.showTimeAt(fake.now), -1) << "over";
}

TEST(PlayerSequence, BadShowOrDataIsSaidOnce)
{
    TempDir dir;
    writeMaps(dir);
    FakeFrontEnd fake;
    Player player(fake, {});
    testing::internal::CaptureStderr();
    EXPECT_FALSE(player.build(dir.str(), {}, "effect 0 Nothing {\n}\n", "bad.show"));
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said.rfind("softdemo: bad.show:1:", 0), 0u) << said;
    EXPECT_EQ(fake.log.rfind(" box Error! bad.show:1:", 0), 0u) << fake.log;
    EXPECT_FALSE(player.begin());
    EXPECT_EQ(player.play(), 1);

    // A refused pack, every picture missing: the first eight problems in the
    // box, then how many more; no question asked.
    TempDir pack;
    writeMaps(pack);
    FakeFrontEnd fake2;
    Player refused(fake2, {});
    testing::internal::CaptureStderr();
    EXPECT_EQ(refused.run({{pack.str(), "the test"}}), 1);
    const std::string listed = testing::internal::GetCapturedStderr();
    const std::string box = fake2.log.substr(std::min(fake2.log.size(), fake2.log.find(" box ")));
    EXPECT_EQ(box.rfind(" box Error! the data pack in " + pack.str() + " is not usable", 0), 0u) << fake2.log;
    EXPECT_EQ(std::count(box.begin(), box.end(), '\n'), 10) << box;
    size_t problems = 0;
    for (size_t at = 0; (at = listed.find(": missing\n", at)) != std::string::npos; ++at)
        ++problems;
    ASSERT_GT(problems, 8u) << listed;
    EXPECT_NE(box.find("\n(and " + std::to_string(problems - 8) + " more)"), std::string::npos) << box;
}

TEST(PlayerSequence, SettingsFromTheEnvironment)
{
    struct Case {
        const char *vsync, *report;
        bool vsyncOn, reportOn;
    } cases[] = {
        {nullptr, nullptr, true, false}, {"0", "1", false, true}, {"1", "0", true, false},
        {"", "", true, false},           {"no", "yes", true, true},
    };
    for (const Case& c : cases) {
        const PlayerSettings s = playerSettings(c.vsync, c.report);
        EXPECT_EQ(s.vsync, c.vsyncOn) << (c.vsync ? c.vsync : "unset");
        EXPECT_EQ(s.report, c.reportOn) << (c.report ? c.report : "unset");
    }
}

} // namespace
