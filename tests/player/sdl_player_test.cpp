#include <gtest/gtest.h>

#include <vector>

#include "SdlTest.h"
#include "TestData.h"
#include "platform/Base.h"
#include "platform/FrameLoop.h"

namespace {

// A show of no effects on a clock that reads the next of `ticks` at each
// question (and keeps the last); the presented frames note their time.
struct FrameLoopTest : ::testing::Test {
    TempDir dir;
    std::vector<uint32_t> ticks;
    size_t nextTick = 0;
    std::unique_ptr<Production> production;
    Keyboard keyboard;
    Base window;
    std::vector<float> shown;
    std::function<void()> onPresent = [] {};

    void SetUp() override
    {
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        writeMaps(dir);
        production = std::make_unique<Production>(dir.str(), [this] {
            const uint32_t t = ticks[std::min(nextTick, ticks.size() - 1)];
            ++nextTick;
            return t;
        });
        production->addBuffer("FrameBuffer");
    }

    LoopEnd run(std::vector<uint32_t> times, uint32_t& frames)
    {
        ticks = std::move(times);
        production->clock->start();
        return runFrames(
            *production, keyboard,
            [this](const PixelBuffer&) {
                shown.push_back(production->clock->timeMs);
                onPresent();
            },
            frames);
    }
};

TEST_F(FrameLoopTest, TheFrameAtTheEndTimeIsNeverShown)
{
    uint32_t frames = 0;
    EXPECT_EQ(run({1000, 1000, 1040, 60000, 119376, 119377, 119400}, frames), LoopEnd::ShowOver);
    EXPECT_EQ(shown, (std::vector<float>{0, 40, 59000, 118376}));
    EXPECT_EQ(frames, 4u);
}

TEST_F(FrameLoopTest, EscapeBeforeTheFirstFrameDrawsNothing)
{
    // Pressed and let go during the pause: still seen at the first question.
    pushEvent(keyEvent(window.window, SDL_SCANCODE_ESCAPE));
    pushEvent(keyEvent(window.window, SDL_SCANCODE_ESCAPE, false));
    uint32_t frames = 0;
    EXPECT_EQ(run({0, 500}, frames), LoopEnd::EscapeBeforeFrame);
    EXPECT_EQ(frames, 0u);
    EXPECT_EQ(nextTick, 1u); // the clock was never asked for a frame's time
}

TEST_F(FrameLoopTest, EscapeOrACloseRequestEndsItAfterTheFrame)
{
    onPresent = [&] {
        if (shown.size() == 2)
            pushEvent(keyEvent(window.window, SDL_SCANCODE_ESCAPE));
    };
    uint32_t frames = 0;
    EXPECT_EQ(run({0, 10, 20, 30, 40}, frames), LoopEnd::EscapeAfterFrame);
    EXPECT_EQ(frames, 2u);

    shown.clear();
    onPresent = [&] { pushEvent(closeEvent(window.window)); };
    frames = 0;
    nextTick = 0;
    EXPECT_EQ(run({0, 10, 20}, frames), LoopEnd::CloseRequested);
    EXPECT_EQ(frames, 1u);
}

TEST_F(FrameLoopTest, AltEnterSwitchesTheScreenAndIsNoEnter)
{
    const auto key = [&](SDL_Scancode k, uint16_t mod, bool repeat = false) {
        SDL_Event e = keyEvent(window.window, k, true, mod);
        e.key.repeat = repeat;
        return e;
    };
    struct Case {
        const char* name;
        std::vector<SDL_Event> events;
        bool switched, enter;
    } cases[] = {
        {"Alt+keypad Enter", {key(SDL_SCANCODE_KP_ENTER, KMOD_RALT)}, true, false},
        {"Enter", {key(SDL_SCANCODE_RETURN, 0)}, false, true},
        {"held", {key(SDL_SCANCODE_RETURN, KMOD_LALT), key(SDL_SCANCODE_RETURN, KMOD_LALT, true)}, true, false},
        {"twice", {key(SDL_SCANCODE_RETURN, KMOD_LALT), key(SDL_SCANCODE_RETURN, KMOD_LALT)}, false, false},
    };
    for (const Case& c : cases) {
        for (const SDL_Event& e : c.events)
            pushEvent(e);
        keyboard.pump();
        EXPECT_EQ(keyboard.takeFullScreenSwitch(), c.switched) << c.name;
        EXPECT_FALSE(keyboard.takeFullScreenSwitch()) << c.name << ": asked once, answered once";
        EXPECT_EQ(keyboard.isDown(0x0D), c.enter) << c.name;
        pushEvent(keyEvent(window.window, SDL_SCANCODE_RETURN, false));
        keyboard.pump();
    }
}

} // namespace
