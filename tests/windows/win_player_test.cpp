// The player's calls on Windows, under wine in an X server of its own:
// Escape and the scene's keys from the asynchronous key state, the show's
// window over the whole screen, the frame stretched onto it top row first.
#include <gtest/gtest.h>

#include <string>

#include "scene/Keyboard.h"
#include "win32/WinPlayer.h"

namespace {

void key(WORD virtualKey, bool down)
{
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = virtualKey;
    in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &in, sizeof in);
}

void tap(WORD virtualKey)
{
    key(virtualKey, true);
    key(virtualKey, false);
}

// The show's window: the one top-level window of the "static" class.
HWND shownWindow()
{
    return FindWindowExA(nullptr, nullptr, "Static", nullptr);
}

} // namespace

TEST(WinPlayer, EscapeCountsWhenDownOrPressedSinceTheLastQuestion)
{
    WinPlayer player(GetModuleHandleA(nullptr));
    tap(VK_ESCAPE); // before the show's window, as in the dialog: not the show's
    EXPECT_FALSE(player.openScreen(512, 384, false)) << "vsync was not asked for";
    EXPECT_FALSE(player.escapePressed());

    tap(VK_ESCAPE);
    EXPECT_TRUE(player.escapePressed()) << "pressed and let go between two questions";
    EXPECT_FALSE(player.escapePressed());

    key(VK_ESCAPE, true);
    EXPECT_TRUE(player.escapePressed());
    EXPECT_TRUE(player.escapePressed()) << "held";
    key(VK_ESCAPE, false);
    EXPECT_FALSE(player.escapePressed());

    // During the pause, which reads the window's messages: kept for the next question.
    tap(VK_ESCAPE);
    player.pause(20);
    player.pause(20);
    EXPECT_TRUE(player.escapePressed());
    EXPECT_FALSE(player.closeRequested());
}

TEST(WinPlayer, TheScenesKeysAreDownWhileHeld)
{
    WinPlayer player(GetModuleHandleA(nullptr));
    resetKeyPresses();
    for (uint8_t vk : {kKeyPageUp, kKeyPageDown, kKeyLeft, kKeyRight, kKeyUp, kKeyDown}) {
        EXPECT_FALSE(keyPressed(vk)) << int(vk);
        key(vk, true);
        EXPECT_TRUE(player.isDown(vk)) << int(vk);
        EXPECT_TRUE(keyPressed(vk)) << int(vk) << " through the scene's query";
        EXPECT_FALSE(keyPressed(vk)) << int(vk) << " held: no repeat";
        key(vk, false);
        EXPECT_FALSE(player.isDown(vk)) << int(vk);
    }
}

TEST(WinPlayer, TheFrameIsStretchedOverTheWholeScreenTopRowFirst)
{
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    WinPlayer player(GetModuleHandleA(nullptr));
    player.openScreen(512, 384, true);
    player.pause(10);

    HWND shown = shownWindow();
    ASSERT_NE(shown, nullptr);
    RECT r{};
    GetWindowRect(shown, &r);
    EXPECT_EQ((std::vector<LONG>{r.left, r.top, r.right, r.bottom}), (std::vector<LONG>{0, 0, w, h}));
    EXPECT_EQ(DWORD(GetWindowLongA(shown, GWL_STYLE)), 0x96000000u);
    EXPECT_TRUE(GetWindowLongA(shown, GWL_EXSTYLE) & WS_EX_TOPMOST);

    HDC dc = GetDC(shown);
    EXPECT_EQ(GetPixel(dc, w / 2, h / 2), RGB(0, 0, 0)) << "black during the pause";

    // Top half red but its left quarter green, bottom half blue.
    PixelBuffer frame("FrameBuffer", 512, 384);
    for (int y = 0; y < 384; ++y)
        for (int x = 0; x < 512; ++x)
            frame.pixels[y * 512 + x] = y >= 192 ? 0x000000FF : x < 128 ? 0x0000FF00 : 0x00FF0000;
    player.present(frame);
    GdiFlush();
    EXPECT_EQ(GetPixel(dc, w / 2, h / 4), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, w / 8, h / 4), RGB(0, 255, 0));
    EXPECT_EQ(GetPixel(dc, w / 2, h * 3 / 4), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(dc, w - 1, h - 1), RGB(0, 0, 255));
    ReleaseDC(shown, dc);

    // Alt+F4 and the like ask it to close: the show stops in order, the window stays until then.
    SendMessageA(shown, WM_CLOSE, 0, 0);
    player.escapePressed();
    EXPECT_TRUE(player.closeRequested());
    EXPECT_TRUE(IsWindow(shown));
}
