#include "win32/WinPlayer.h"

#include <commctrl.h>
#include <dwmapi.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <utility>

#include "app/DataFolder.h"
#include "win32/DemoDialog.h"

namespace {

std::wstring wideText(const std::string& utf8)
{
    // Bytes that are not UTF-8 become U+FFFD.
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring wide(size_t(std::max(n, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), wide.data(), n);
    return wide;
}

std::string windowsError(const char* call)
{
    const DWORD error = GetLastError();
    return std::string(call) + ": Windows error " + std::to_string(error);
}

} // namespace

WinPlayer::WinPlayer(HINSTANCE instance) : instance(instance)
{
    timeBeginPeriod(1);
    InitCommonControls();
    setKeyQuery(this);
}

WinPlayer::~WinPlayer()
{
    setKeyQuery(nullptr);
    if (cursorHidden)
        ShowCursor(TRUE);
    if (dc)
        ReleaseDC(screen, dc);
    if (screen)
        DestroyWindow(screen);
    mainWindow.reset();
    timeEndPeriod(1);
}

void WinPlayer::pump()
{
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (m.message == WM_QUIT) {
            closing = true;
            continue;
        }
        if ((m.message == WM_KEYDOWN || m.message == WM_SYSKEYDOWN) && m.wParam == VK_ESCAPE)
            escapeSeen = true;
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
}

// Messages first, so the key state is the latest. The key message stands in
// for the state's "pressed since" bit, which any other program's question
// about the key clears.
bool WinPlayer::escapePressed()
{
    pump();
    const bool asynchronous = GetAsyncKeyState(VK_ESCAPE) != 0;
    return std::exchange(escapeSeen, false) || asynchronous;
}

bool WinPlayer::isDown(uint8_t virtualKey)
{
    return (GetAsyncKeyState(virtualKey) & 0x8000) != 0;
}

void WinPlayer::ask(const std::string& dataDir)
{
    mainWindow = std::make_unique<DefaultWindow>(registerMainClass(instance));
    if (!mainWindow->window)
        throw std::runtime_error("cannot make the main window (" + windowsError("CreateWindowEx") + ")");
    DemoDialog dialog(dataDir);
    dialog.run(mainWindow->window, instance); // the answer does not change the show
}

bool WinPlayer::openScreen(int frameWidth, int frameHeight, bool vsync)
{
    screenWidth = GetSystemMetrics(SM_CXSCREEN);
    screenHeight = GetSystemMetrics(SM_CYSCREEN);
    screen = CreateWindowExA(WS_EX_TOPMOST, "static", nullptr, 0x96000000, 0, 0, screenWidth, screenHeight, nullptr,
                             nullptr, nullptr, nullptr);
    if (!screen)
        throw std::runtime_error("cannot open the show's window (" + windowsError("CreateWindowEx") + ")");
    SetWindowLongPtrA(screen, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    staticProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(screen, GWLP_WNDPROC, LONG_PTR(screenProc)));
    dc = GetDC(screen);
    if (!dc)
        throw std::runtime_error("cannot draw into the show's window (" + windowsError("GetDC") + ")");
    ShowCursor(FALSE);
    cursorHidden = true;
    // Shrunk onto a small screen, rows are dropped rather than blended into wrong colours.
    SetStretchBltMode(dc, COLORONCOLOR);

    BITMAPINFOHEADER& h = frameInfo.bmiHeader;
    h.biSize = sizeof h;
    h.biWidth = frameWidth;
    h.biHeight = -frameHeight; // rows top first
    h.biPlanes = 1;
    h.biBitCount = 32;
    h.biCompression = BI_RGB;

    SetForegroundWindow(screen);
    blank();
    // Escape pressed in the dialog (which ignores it) is not the show's.
    pump();
    GetAsyncKeyState(VK_ESCAPE);
    escapeSeen = false;

    BOOL composed = FALSE;
    waitForCompositor = vsync && SUCCEEDED(DwmIsCompositionEnabled(&composed)) && composed;
    return waitForCompositor;
}

void WinPlayer::blank()
{
    PatBlt(dc, 0, 0, screenWidth, screenHeight, BLACKNESS);
}

// In slices, so the window answers the desktop; keys pressed meanwhile are
// kept for the first question after the pause.
void WinPlayer::pause(uint32_t ms)
{
    pump();
    blank();
    Sleep(std::min<uint32_t>(ms, 10));
}

void WinPlayer::present(const PixelBuffer& frame)
{
    framesShown = true;
    StretchDIBits(dc, 0, 0, screenWidth, screenHeight, 0, 0, frame.width, frame.height, frame.pixels, &frameInfo,
                  DIB_RGB_COLORS, SRCCOPY);
    if (waitForCompositor)
        DwmFlush();
}

void WinPlayer::showError(const std::string& title, const std::string& text)
{
    // Wide: the text may name a folder outside the ANSI code page.
    MessageBoxW(nullptr, wideText(text).c_str(), wideText(title).c_str(), MB_ICONERROR);
}

void WinPlayer::leaveAtOnce()
{
    std::fflush(nullptr);
    ExitProcess(0);
}

LRESULT CALLBACK WinPlayer::screenProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<WinPlayer*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    switch (message) {
    case WM_CLOSE: // Alt+F4, the taskbar: the show stops in order
        self->closing = true;
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        // Black until the first frame; after it, the next frame comes at once.
        PAINTSTRUCT ps;
        HDC paint = BeginPaint(window, &ps);
        if (!self->framesShown)
            PatBlt(paint, 0, 0, self->screenWidth, self->screenHeight, BLACKNESS);
        EndPaint(window, &ps);
        return 0;
    }
    }
    return CallWindowProcA(self->staticProc, window, message, wParam, lParam);
}

int runPlayer(HINSTANCE instance)
{
    WinPlayer platform(instance);
    Player player(platform, playerSettingsFromEnvironment());
    return player.run(dataPlaces());
}
