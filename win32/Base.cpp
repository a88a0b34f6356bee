#include "win32/Base.h"

Point cursorPoint()
{
    POINT p{};
    GetCursorPos(&p);
    return {p.x, p.y};
}

WindowMessages* windowObject(HWND window)
{
    // GetWindowLongA would cut a 64-bit pointer to its low half.
    return reinterpret_cast<WindowMessages*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

// The parameters came through the window's own procedure, in its character
// set: DefWindowProcW would answer an ANSI window's WM_GETTEXT with UTF-16,
// twice the bytes its buffer holds.
intptr_t defWindowProc(WindowHandle handle, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    HWND window = static_cast<HWND>(handle);
    return IsWindowUnicode(window) ? DefWindowProcW(window, message, wParam, lParam)
                                   : DefWindowProcA(window, message, wParam, lParam);
}

intptr_t sendMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    return SendMessageW(static_cast<HWND>(window), message, wParam, lParam);
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const Point point = cursorPoint();
    if (message == WM_NCCREATE) {
        const auto* creation = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
        return DefWindowProcA(window, message, wParam, lParam);
    }
    // The object read for this message only: a window made inside another's
    // handler cannot leave its object behind for the next message.
    if (WindowMessages* object = windowObject(window))
        return object->dispatchWindow({window, message, wParam, lParam, 0, point});
    return DefWindowProcA(window, message, wParam, lParam);
}

WNDCLASSA registerMainClass(HINSTANCE instance)
{
    WNDCLASSA c{};
    c.style = 0x23; // CS_OWNDC | CS_HREDRAW | CS_VREDRAW
    c.lpfnWndProc = windowProc;
    c.hInstance = instance;
    c.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    c.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    c.lpszClassName = "mainclass";
    RegisterClassA(&c);
    return c;
}

Base::Base(const WNDCLASSA& windowClass) : instance(windowClass.hInstance)
{
    // The pointer the procedure gets back is a WindowMessages*: say so before
    // it becomes a number, whatever else a derived class inherits from.
    WindowMessages* self = this;
    window = CreateWindowExA(0, windowClass.lpszClassName, "Setups", WS_MAXIMIZE, 0, 0, 512, 384, nullptr, nullptr,
                             instance, self);
}

Base::~Base()
{
    if (!window)
        return;
    // Unbound first: the messages of the destruction find no half-gone object.
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    DestroyWindow(window);
}

DefaultWindow::DefaultWindow(const WNDCLASSA& windowClass) : Base(windowClass)
{
    if (window)
        ShowWindow(window, SW_HIDE);
}

int32_t DefaultWindow::onClose(MessageRecord)
{
    PostQuitMessage(0);
    return 0;
}
