#pragma once
#include <cstdint>
#include <map>

// A window of the platform's (an SDL window, a Win32 window handle), which
// only the platform's layer looks into.
using WindowHandle = void*;

// Message numbers, with the values the window objects were written against.
constexpr uint32_t WM_CREATE = 0x0001;
constexpr uint32_t WM_DESTROY = 0x0002;
constexpr uint32_t WM_MOVE = 0x0003;
constexpr uint32_t WM_SIZE = 0x0005;
constexpr uint32_t WM_SETFOCUS = 0x0007;
constexpr uint32_t WM_PAINT = 0x000F;
constexpr uint32_t WM_CLOSE = 0x0010;
constexpr uint32_t WM_NOTIFY = 0x004E;
constexpr uint32_t WM_CONTEXTMENU = 0x007B;
constexpr uint32_t WM_NCCREATE = 0x0081;
constexpr uint32_t WM_KEYDOWN = 0x0100;
constexpr uint32_t WM_KEYUP = 0x0101;
constexpr uint32_t WM_INITDIALOG = 0x0110;
constexpr uint32_t WM_COMMAND = 0x0111;
constexpr uint32_t WM_TIMER = 0x0113;
constexpr uint32_t WM_HSCROLL = 0x0114;
constexpr uint32_t WM_VSCROLL = 0x0115;
constexpr uint32_t WM_CTLCOLOREDIT = 0x0133;
constexpr uint32_t WM_CTLCOLORSTATIC = 0x0138;
constexpr uint32_t WM_MOUSEMOVE = 0x0200;
constexpr uint32_t WM_LBUTTONDOWN = 0x0201;
constexpr uint32_t WM_LBUTTONUP = 0x0202;
constexpr uint32_t WM_CAPTURECHANGED = 0x0215;

// Command identifiers the dialog manager sends on its own.
constexpr uint16_t IDCANCEL = 2;
constexpr uint16_t kCloseCommand = 0x1000;

struct Point {
    int32_t x = 0;
    int32_t y = 0;
};

// One message as a handler sees it: target window, number, the two
// parameters, time (always 0) and the cursor in screen coordinates.
struct MessageRecord {
    WindowHandle window = nullptr;
    uint32_t message = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
    uint32_t time = 0;
    Point point;
};

constexpr intptr_t packPoint(int32_t x, int32_t y)
{
    return intptr_t(uint32_t(uint16_t(x)) | uint32_t(uint16_t(y)) << 16);
}

// Base of every window and dialog object: routes a message to the virtual
// handler its number names, so derived classes override only what they serve.
class WindowMessages {
public:
    using Handler = int32_t (WindowMessages::*)(MessageRecord);

    WindowMessages();
    virtual ~WindowMessages() = default;
    WindowMessages(const WindowMessages&) = delete;
    WindowMessages& operator=(const WindowMessages&) = delete;

    // Unknown numbers: the default window procedure, or 0 (not handled) for a
    // dialog. The default's result passes whole: on 64-bit Windows some are
    // handles and pointers.
    virtual intptr_t dispatchWindow(MessageRecord m);
    virtual int32_t dispatchDialog(MessageRecord m);

    virtual int32_t onCreate(MessageRecord) { return 0; }
    virtual int32_t onDestroy(MessageRecord) { return 0; }
    virtual int32_t onMove(MessageRecord) { return 0; }
    virtual int32_t onSize(MessageRecord) { return 0; }
    virtual int32_t onSetFocus(MessageRecord) { return 0; }
    virtual int32_t onClose(MessageRecord) { return 0; }
    virtual int32_t onNcCreate(MessageRecord) { return 1; }
    virtual int32_t onKeyDown(MessageRecord) { return 0; }
    virtual int32_t onInitDialog(MessageRecord) { return 1; }
    virtual int32_t onNotify(MessageRecord) { return 0; }
    virtual int32_t onContextMenu(MessageRecord) { return 0; }
    virtual int32_t onCommand(MessageRecord m); // kCloseCommand closes the window
    virtual int32_t onTimer(MessageRecord) { return 0; }
    virtual int32_t onHScroll(MessageRecord) { return 0; }
    virtual int32_t onVScroll(MessageRecord) { return 0; }
    virtual int32_t onCtlColorEdit(MessageRecord) { return 0; }
    virtual int32_t onCtlColorStatic(MessageRecord) { return 0; }
    virtual int32_t onLButtonDown(MessageRecord) { return 0; }
    virtual int32_t onLButtonUp(MessageRecord) { return 0; }
    virtual int32_t onCaptureChanged(MessageRecord) { return 0; }

private:
    std::map<uint32_t, Handler> handlers;
};

// The window system's side of message handling, supplied by each platform's layer.
intptr_t defWindowProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);
// Delivers at once to the object bound to `window`, as its window procedure would.
intptr_t sendMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);
