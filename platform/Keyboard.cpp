#include "platform/Keyboard.h"

#include <SDL.h>

#include "platform/Events.h"

void Keyboard::pump()
{
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (isFullScreenSwitch(event)) {
            if (!event.key.repeat)
                switchScreen = !switchScreen; // two presses between questions cancel out
        } else if (event.type == SDL_KEYDOWN) {
            if (const uint8_t key = virtualKeyOf(event.key.keysym.scancode))
                pressedSince.set(key);
        } else if (event.type == SDL_QUIT ||
                   (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE)) {
            closing = true;
        }
    }
}

bool Keyboard::isDown(uint8_t virtualKey)
{
    const SDL_Scancode scancode = scancodeOf(virtualKey);
    const bool now = scancode != SDL_SCANCODE_UNKNOWN && SDL_GetKeyboardState(nullptr)[scancode];
    const bool pressed = pressedSince.test(virtualKey);
    pressedSince.reset(virtualKey);
    return now || pressed;
}
