#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "SdlTest.h"
#include "TestData.h"
#include "platform/SdlPlayer.h"

namespace {

// The player with the system's parts but for the question (answered at once),
// a clock fifty times too fast, and the failure box noted instead of shown.
struct PlayerTest : ::testing::Test {
    const std::string pack = std::string(SOFTDEMO_SOURCE_DIR) + "/data";
    PlayerSetup setup;
    std::vector<std::pair<std::string, std::string>> boxes;
    std::string err;

    void SetUp() override
    {
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        boxes.clear();
        setup = playerSetupFromSystem();
        setup.dataPlaces = {{pack, "the test"}};
        setup.settings.report = true;
        setup.showError = [this](const std::string& title, const std::string& text) { boxes.emplace_back(title, text); };
        setup.ask = [](SDL_Window*, const std::string&, const DialogFonts&) {};
        setup.tick = [start = SDL_GetTicks()] { return (SDL_GetTicks() - start) * 50; };
        setup.leaveAtOnce = [] { ADD_FAILURE() << "left at once"; };
    }

    bool packIsThere() const { return std::filesystem::exists(pack + "/fried.mp3"); }

    int run()
    {
        testing::internal::CaptureStderr();
        const int code = runPlayer(setup);
        err = testing::internal::GetCapturedStderr();
        return code;
    }
};

TEST_F(PlayerTest, EachStartUpFailureIsOneLineAndTheSameInABox)
{
    if (!packIsThere())
        GTEST_SKIP() << "no generated data pack in " << pack;
    TempDir nothing, broken;
    writeBytes(broken.file("data/white.png"), {1, 2, 3});
    struct Case {
        const char* name;
        std::function<void(PlayerSetup&)> arrange;
        std::string says;   // the start of the line
        std::string detail; // in the box after the line, or empty
        bool withoutDriver = false;
    } cases[] = {
        {"no pack anywhere",
         [&](PlayerSetup& s) {
             s.dataPlaces = {{nothing.file("a"), "SOFTDEMO_DATA"}, {nothing.file("b"), "the current folder"}};
         },
         "no data pack in " + nothing.file("a") + " (SOFTDEMO_DATA) and " + nothing.file("b") + " (the current folder)",
         ""},
        {"a refused pack", [&](PlayerSetup& s) { s.dataPlaces = {{broken.file("data"), "SOFTDEMO_DATA"}}; },
         "the data pack in " + broken.file("data") + " is not usable", broken.file("data") + "/vestmarklogo.png: missing"},
        {"no display", [](PlayerSetup&) {}, "cannot open the display", "", true},
        {"the dialog",
         [](PlayerSetup& s) {
             s.ask = [](SDL_Window*, const std::string&, const DialogFonts&) {
                 throw std::runtime_error("cannot open the dialog \"DemoDialog\": no windows");
             };
         },
         "cannot open the dialog \"DemoDialog\": no windows", ""},
        {"the screen",
         [](PlayerSetup& s) {
             s.openScreen = [](int, int, const ScreenOptions&) -> std::unique_ptr<Screen> {
                 throw std::runtime_error("cannot read the screen size: no display mode");
             };
         },
         "cannot read the screen size: no display mode", ""},
    };
    for (Case& c : cases) {
        SetUp();
        c.arrange(setup);
        // SDL is already on its offscreen driver: without being asked for it, it is no display.
        const std::string driver = std::getenv("SDL_VIDEODRIVER");
        if (c.withoutDriver)
            unsetenv("SDL_VIDEODRIVER");
        EXPECT_EQ(run(), 1) << c.name;
        setenv("SDL_VIDEODRIVER", driver.c_str(), 1);
        EXPECT_NE(err.find("softdemo: " + c.says), std::string::npos) << c.name << ":\n" << err;
        ASSERT_EQ(boxes.size(), 1u) << c.name;
        EXPECT_EQ(boxes[0].first, "Error!");
        EXPECT_EQ(boxes[0].second.rfind(c.says, 0), 0u) << boxes[0].second;
        EXPECT_NE(boxes[0].second.find(c.detail), std::string::npos) << boxes[0].second;
    }
}

TEST_F(PlayerTest, PlaysToTheEndWithVsyncOnAndOff)
{
    if (!packIsThere())
        GTEST_SKIP() << "no generated data pack in " << pack;
    for (bool vsync : {true, false}) {
        SetUp();
        setup.settings.vsync = vsync;
        EXPECT_EQ(run(), 0) << err;
        EXPECT_TRUE(boxes.empty());
        // The show's end is the only way out here; its last seconds were shown.
        const bool said = vsync ? err.find(", vsync on,") != std::string::npos ||
                                      err.find(", vsync off (the display offers none),") != std::string::npos
                                : err.find(", vsync off,") != std::string::npos;
        EXPECT_TRUE(said) << err;
        EXPECT_NE(err.find("last frame at 11"), std::string::npos) << err;
    }
}

TEST(ErrorBox, IsShownOnlyWhereSomeoneCanSeeIt)
{
    struct Case {
        const char *noBox, *display, *wayland, *driver;
        bool wanted;
    } cases[] = {
        {nullptr, ":0", nullptr, nullptr, true}, {nullptr, nullptr, "wayland-0", nullptr, true},
        {"0", ":0", nullptr, "x11", true},       {"1", ":0", nullptr, nullptr, false},
        {"", "", "", nullptr, false},            {nullptr, ":0", nullptr, "offscreen", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(messageBoxWanted(c.noBox, c.display, c.wayland, c.driver), c.wanted)
            << (c.noBox ? c.noBox : "-") << " " << (c.display ? c.display : "-") << " "
            << (c.wayland ? c.wayland : "-") << " " << (c.driver ? c.driver : "-");
}

} // namespace
