#include <gtest/gtest.h>

#include <vector>

#include "SdlTest.h"
#include "platform/Base.h"
#include "platform/SdlPlayer.h"

namespace {

// The SDL front end's answers to the player, after the events a person made.
TEST(SdlPlayer, AnswersEscapeAndCloseFromThePendingEvents)
{
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    Base window;
    const auto key = [&](SDL_Scancode k, bool down = true) { return keyEvent(window.window, k, down); };
    struct Case {
        const char* name;
        std::vector<SDL_Event> events;
        bool inPause; // the events come while the pause is waiting
        bool escape, close;
    } cases[] = {
        {"nothing", {}, false, false, false},
        {"Escape pressed and let go in the pause", {key(SDL_SCANCODE_ESCAPE), key(SDL_SCANCODE_ESCAPE, false)}, true,
         true, false},
        {"Escape pressed and let go between questions", {key(SDL_SCANCODE_ESCAPE), key(SDL_SCANCODE_ESCAPE, false)},
         false, true, false},
        {"another key", {key(SDL_SCANCODE_SPACE)}, false, false, false},
        {"the window closed", {closeEvent(window.window)}, false, false, true},
    };
    for (const Case& c : cases) {
        PlayerSetup setup = playerSetupFromSystem();
        SdlPlayer sdl(setup);
        sdl.openScreen(512, 384, false);
        for (const SDL_Event& e : c.events)
            pushEvent(e);
        if (c.inPause)
            sdl.pause(1);
        EXPECT_EQ(sdl.escapePressed(), c.escape) << c.name;
        EXPECT_EQ(sdl.closeRequested(), c.close) << c.name;
        EXPECT_FALSE(sdl.escapePressed()) << c.name << ": asked again, after no press";
    }
}

struct KeyboardTest : ::testing::Test {
    Keyboard keyboard;
    Base window;

    void SetUp() override { SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT); }
};

TEST_F(KeyboardTest, AltEnterSwitchesTheScreenAndIsNoEnter)
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
