#pragma once
// SDL for tests: a video driver that needs no display and an audio driver
// that needs no sound card, unless the caller chose others.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>

struct SdlEnvironment : ::testing::Environment {
    void SetUp() override
    {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    }
    void TearDown() override { SDL_Quit(); }
};

inline ::testing::Environment* const kSdlEnvironment = ::testing::AddGlobalTestEnvironment(new SdlEnvironment);

inline void pushEvent(SDL_Event event)
{
    ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
}

inline SDL_Event keyEvent(SDL_Window* window, SDL_Scancode key, bool down = true, uint16_t mod = 0)
{
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.windowID = window ? SDL_GetWindowID(window) : 0;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.scancode = key;
    e.key.keysym.sym = SDL_GetKeyFromScancode(key);
    e.key.keysym.mod = mod;
    return e;
}

inline SDL_Event mouseEvent(SDL_Window* window, int x, int y, bool down, uint8_t button = SDL_BUTTON_LEFT)
{
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.windowID = SDL_GetWindowID(window);
    e.button.button = button;
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.button.clicks = 1;
    e.button.x = x;
    e.button.y = y;
    return e;
}

inline SDL_Event closeEvent(SDL_Window* window)
{
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = SDL_GetWindowID(window);
    e.window.event = SDL_WINDOWEVENT_CLOSE;
    return e;
}
