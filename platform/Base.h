#pragma once
#include "window/WindowMessages.h"

struct SDL_Window;

// A window procedure: how messages for one kind of window reach its object.
using WindowProcedure = int32_t (*)(SDL_Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam);

// A window keeps its procedure and its object in its own data, so a message
// for it finds both from the window alone.
void setWindowProcedure(SDL_Window* window, WindowProcedure procedure);
void setWindowObject(SDL_Window* window, WindowMessages* object);
WindowMessages* windowObject(SDL_Window* window);

// The procedure of plain windows. WM_NCCREATE carries the object (lParam) and
// binds it; it still goes to the default, as the window has no object yet.
int32_t windowProc(SDL_Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam);

// A top-level window bound to this object: "Setups", 512 x 384, not shown.
class Base : public WindowMessages {
public:
    SDL_Window* window = nullptr; // null when the window could not be made

    Base();
    ~Base() override;
};

// The program's main window: stays hidden and owns the start-up dialog.
// Closing it ends the program's message loop (an SDL_QUIT event).
class DefaultWindow : public Base {
public:
    DefaultWindow();

    int32_t onClose(MessageRecord m) override;
    int32_t onCommand(MessageRecord) override { return 0; }
};
