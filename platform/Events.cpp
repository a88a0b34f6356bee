#include "platform/Events.h"

#include <array>

namespace {

struct KeyTables {
    std::array<uint8_t, SDL_NUM_SCANCODES> virtualKey{};
    std::array<SDL_Scancode, 256> scancode{};

    KeyTables()
    {
        scancode.fill(SDL_SCANCODE_UNKNOWN);
        // The first scancode named for a virtual key is the one it maps back to.
        auto add = [this](SDL_Scancode s, int vk) {
            virtualKey[s] = uint8_t(vk);
            if (scancode[vk] == SDL_SCANCODE_UNKNOWN)
                scancode[vk] = s;
        };
        add(SDL_SCANCODE_BACKSPACE, 0x08);
        add(SDL_SCANCODE_TAB, 0x09);
        add(SDL_SCANCODE_RETURN, 0x0D);
        add(SDL_SCANCODE_KP_ENTER, 0x0D);
        add(SDL_SCANCODE_PAUSE, 0x13);
        add(SDL_SCANCODE_ESCAPE, 0x1B);
        add(SDL_SCANCODE_SPACE, 0x20);
        add(SDL_SCANCODE_PAGEUP, 0x21);
        add(SDL_SCANCODE_PAGEDOWN, 0x22);
        add(SDL_SCANCODE_END, 0x23);
        add(SDL_SCANCODE_HOME, 0x24);
        add(SDL_SCANCODE_LEFT, 0x25);
        add(SDL_SCANCODE_UP, 0x26);
        add(SDL_SCANCODE_RIGHT, 0x27);
        add(SDL_SCANCODE_DOWN, 0x28);
        add(SDL_SCANCODE_INSERT, 0x2D);
        add(SDL_SCANCODE_DELETE, 0x2E);
        add(SDL_SCANCODE_0, 0x30);
        for (int i = 0; i < 9; ++i)
            add(SDL_Scancode(SDL_SCANCODE_1 + i), 0x31 + i);
        for (int i = 0; i < 26; ++i)
            add(SDL_Scancode(SDL_SCANCODE_A + i), 0x41 + i);
        for (int i = 0; i < 12; ++i)
            add(SDL_Scancode(SDL_SCANCODE_F1 + i), 0x70 + i);
    }
};

const KeyTables& keyTables()
{
    static const KeyTables tables;
    return tables;
}

} // namespace

uint8_t virtualKeyOf(SDL_Scancode scancode)
{
    return scancode >= 0 && scancode < SDL_NUM_SCANCODES ? keyTables().virtualKey[scancode] : 0;
}

SDL_Scancode scancodeOf(uint8_t virtualKey)
{
    return keyTables().scancode[virtualKey];
}

bool isFullScreenSwitch(const SDL_Event& event)
{
    if (event.type != SDL_KEYDOWN)
        return false;
    const SDL_Scancode key = event.key.keysym.scancode;
    return (key == SDL_SCANCODE_RETURN || key == SDL_SCANCODE_KP_ENTER) && (event.key.keysym.mod & KMOD_ALT);
}

bool translateEvent(const SDL_Event& event, MessageRecord& out)
{
    uint32_t windowId = 0;
    out = {};
    switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        windowId = event.key.windowID;
        out.message = event.type == SDL_KEYDOWN ? WM_KEYDOWN : WM_KEYUP;
        out.wParam = virtualKeyOf(event.key.keysym.scancode);
        // Repeat count 1; bit 30: the key was down before; bit 31: it is going up.
        out.lParam = 1 | (event.key.repeat || event.type == SDL_KEYUP ? intptr_t(1) << 30 : 0) |
                     (event.type == SDL_KEYUP ? intptr_t(1) << 31 : 0);
        if (!out.wParam)
            return false;
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        if (event.button.button != SDL_BUTTON_LEFT)
            return false;
        windowId = event.button.windowID;
        out.message = event.type == SDL_MOUSEBUTTONDOWN ? WM_LBUTTONDOWN : WM_LBUTTONUP;
        out.wParam = event.type == SDL_MOUSEBUTTONDOWN ? 1 : 0; // MK_LBUTTON
        out.lParam = packPoint(event.button.x, event.button.y);
        break;
    case SDL_MOUSEMOTION:
        windowId = event.motion.windowID;
        out.message = WM_MOUSEMOVE;
        out.wParam = event.motion.state & SDL_BUTTON_LMASK ? 1 : 0;
        out.lParam = packPoint(event.motion.x, event.motion.y);
        break;
    case SDL_WINDOWEVENT:
        windowId = event.window.windowID;
        switch (event.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            out.message = WM_CLOSE;
            break;
        case SDL_WINDOWEVENT_MOVED:
            out.message = WM_MOVE;
            out.lParam = packPoint(event.window.data1, event.window.data2);
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            out.message = WM_SIZE;
            out.lParam = packPoint(event.window.data1, event.window.data2);
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            out.message = WM_SETFOCUS;
            break;
        case SDL_WINDOWEVENT_EXPOSED:
            out.message = WM_PAINT;
            break;
        default:
            return false;
        }
        break;
    default:
        return false;
    }
    out.window = SDL_GetWindowFromID(windowId);
    SDL_GetGlobalMouseState(&out.point.x, &out.point.y);
    return true;
}
