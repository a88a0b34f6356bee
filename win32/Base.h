#pragma once
// window/ names the messages as windows.h does: its constants come first,
// and windows.h's macros of the same values after them.
#include "window/WindowMessages.h"

#include <windows.h>

// The procedure of the "mainclass" windows. WM_NCCREATE binds the object
// given to CreateWindowEx to the window (GWLP_USERDATA, the whole 64-bit
// pointer) and still goes to the default, which makes the window; every
// later message reaches the object's table.
LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Registers "mainclass" and returns its description: style 0x23 (a device
// context of its own, redrawn on either resize), windowProc, an arrow
// cursor, the button face's brush. A second registration fails, which is
// ignored.
WNDCLASSA registerMainClass(HINSTANCE instance);

// The object bound to a window, or null.
WindowMessages* windowObject(HWND window);

// A top-level window of the class bound to this object: "Setups", 512 x 384,
// maximised style, not shown. `window` is null when it could not be made.
class Base : public WindowMessages {
public:
    HWND window = nullptr;
    HINSTANCE instance = nullptr;

    explicit Base(const WNDCLASSA& windowClass);
    ~Base() override;
};

// The program's main window: stays hidden and owns the start-up dialog.
// Closing it posts the quit message.
class DefaultWindow : public Base {
public:
    explicit DefaultWindow(const WNDCLASSA& windowClass);

    int32_t onClose(MessageRecord m) override;
    int32_t onCommand(MessageRecord) override { return 0; }
};

// The cursor in screen coordinates, for a message record.
Point cursorPoint();
