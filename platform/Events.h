#pragma once
#include <SDL.h>

#include "window/WindowMessages.h"

// Virtual-key numbers (Escape 0x1B, Page Up 0x21, Left 0x25, 'A' 0x41, F1 0x70, ...)
// of the keys that have one; 0 and SDL_SCANCODE_UNKNOWN for the others.
uint8_t virtualKeyOf(SDL_Scancode scancode);
SDL_Scancode scancodeOf(uint8_t virtualKey);

// The message an SDL event carries to the window it belongs to: close -> WM_CLOSE,
// key down -> WM_KEYDOWN with the virtual key, left button -> WM_LBUTTONDOWN/UP
// with the client point, and so on. False for events that mean no message.
bool translateEvent(const SDL_Event& event, MessageRecord& out);

// Alt+Enter (either Enter key, either Alt) going down: the players' switch
// between full screen and a window.
bool isFullScreenSwitch(const SDL_Event& event);
