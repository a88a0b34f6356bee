#include "platform/Base.h"

#include <SDL.h>

namespace {

constexpr const char* kProcedureKey = "softdemo.procedure";
constexpr const char* kObjectKey = "softdemo.object";

MessageRecord record(SDL_Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    MessageRecord m{window, message, wParam, lParam, 0, {}};
    SDL_GetGlobalMouseState(&m.point.x, &m.point.y);
    return m;
}

} // namespace

void setWindowProcedure(SDL_Window* window, WindowProcedure procedure)
{
    SDL_SetWindowData(window, kProcedureKey, reinterpret_cast<void*>(procedure));
}

void setWindowObject(SDL_Window* window, WindowMessages* object)
{
    SDL_SetWindowData(window, kObjectKey, object);
}

WindowMessages* windowObject(SDL_Window* window)
{
    return window ? static_cast<WindowMessages*>(SDL_GetWindowData(window, kObjectKey)) : nullptr;
}

intptr_t defWindowProc(WindowHandle, uint32_t, uintptr_t, intptr_t)
{
    // SDL keeps no per-window defaults worth running: nothing to do, nothing handled.
    return 0;
}

intptr_t sendMessage(WindowHandle handle, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    SDL_Window* window = static_cast<SDL_Window*>(handle);
    auto procedure = window ? reinterpret_cast<WindowProcedure>(SDL_GetWindowData(window, kProcedureKey)) : nullptr;
    return procedure ? procedure(window, message, wParam, lParam) : defWindowProc(window, message, wParam, lParam);
}

int32_t windowProc(SDL_Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    if (message == WM_NCCREATE) {
        setWindowObject(window, reinterpret_cast<WindowMessages*>(lParam));
        return defWindowProc(window, message, wParam, lParam);
    }
    if (WindowMessages* object = windowObject(window))
        return object->dispatchWindow(record(window, message, wParam, lParam));
    return defWindowProc(window, message, wParam, lParam);
}

Base::Base()
{
    window = SDL_CreateWindow("Setups", 0, 0, 512, 384, SDL_WINDOW_HIDDEN);
    if (!window)
        return;
    setWindowProcedure(window, windowProc);
    windowProc(window, WM_NCCREATE, 0, reinterpret_cast<intptr_t>(this));
    windowProc(window, WM_CREATE, 0, 0);
}

Base::~Base()
{
    if (window) {
        setWindowObject(window, nullptr);
        SDL_DestroyWindow(window);
    }
}

DefaultWindow::DefaultWindow()
{
    if (window)
        SDL_HideWindow(window);
}

int32_t DefaultWindow::onClose(MessageRecord)
{
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    return 0;
}
