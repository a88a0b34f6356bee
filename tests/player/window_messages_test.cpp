#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SdlTest.h"
#include "platform/Base.h"
#include "platform/Events.h"
#include "platform/Keyboard.h"

namespace {

// Overrides every handler and notes which one a message reached.
struct Recorder : WindowMessages {
    std::vector<std::string> calls;

    int32_t hit(const char* name)
    {
        calls.push_back(name);
        return 100 + int32_t(calls.size());
    }
    int32_t onCreate(MessageRecord) override { return hit("onCreate"); }
    int32_t onDestroy(MessageRecord) override { return hit("onDestroy"); }
    int32_t onMove(MessageRecord) override { return hit("onMove"); }
    int32_t onSize(MessageRecord) override { return hit("onSize"); }
    int32_t onSetFocus(MessageRecord) override { return hit("onSetFocus"); }
    int32_t onClose(MessageRecord) override { return hit("onClose"); }
    int32_t onNcCreate(MessageRecord) override { return hit("onNcCreate"); }
    int32_t onKeyDown(MessageRecord) override { return hit("onKeyDown"); }
    int32_t onInitDialog(MessageRecord) override { return hit("onInitDialog"); }
    int32_t onNotify(MessageRecord) override { return hit("onNotify"); }
    int32_t onContextMenu(MessageRecord) override { return hit("onContextMenu"); }
    int32_t onCommand(MessageRecord) override { return hit("onCommand"); }
    int32_t onTimer(MessageRecord) override { return hit("onTimer"); }
    int32_t onHScroll(MessageRecord) override { return hit("onHScroll"); }
    int32_t onVScroll(MessageRecord) override { return hit("onVScroll"); }
    int32_t onCtlColorEdit(MessageRecord) override { return hit("onCtlColorEdit"); }
    int32_t onCtlColorStatic(MessageRecord) override { return hit("onCtlColorStatic"); }
    int32_t onLButtonDown(MessageRecord) override { return hit("onLButtonDown"); }
    int32_t onLButtonUp(MessageRecord) override { return hit("onLButtonUp"); }
    int32_t onCaptureChanged(MessageRecord) override { return hit("onCaptureChanged"); }
};

MessageRecord message(uint32_t number)
{
    MessageRecord m;
    m.message = number;
    return m;
}

struct Entry {
    uint32_t message;
    const char* handler;
    int32_t byDefault;
};

const Entry kTable[] = {
    {0x0001, "onCreate", 0},         {0x0002, "onDestroy", 0},      {0x0003, "onMove", 0},
    {0x0005, "onSize", 0},           {0x0007, "onSetFocus", 0},     {0x0010, "onClose", 0},
    {0x0081, "onNcCreate", 1},       {0x0100, "onKeyDown", 0},      {0x0110, "onInitDialog", 1},
    {0x004E, "onNotify", 0},         {0x007B, "onContextMenu", 0},  {0x0111, "onCommand", 0},
    {0x0113, "onTimer", 0},          {0x0114, "onHScroll", 0},      {0x0115, "onVScroll", 0},
    {0x0133, "onCtlColorEdit", 0},   {0x0138, "onCtlColorStatic", 0}, {0x0201, "onLButtonDown", 0},
    {0x0202, "onLButtonUp", 0},      {0x0215, "onCaptureChanged", 0},
};

TEST(WindowMessages, EveryNumberReachesItsHandlerThroughBothDispatchers)
{
    for (const Entry& e : kTable) {
        Recorder r;
        EXPECT_EQ(r.dispatchWindow(message(e.message)), 101) << e.handler;
        EXPECT_EQ(r.dispatchDialog(message(e.message)), 102) << e.handler;
        EXPECT_EQ(r.calls, (std::vector<std::string>{e.handler, e.handler}));
    }
}

TEST(WindowMessages, DefaultsAndUnknownNumbers)
{
    WindowMessages plain;
    for (const Entry& e : kTable) {
        if (e.message == WM_COMMAND)
            continue;
        EXPECT_EQ(plain.dispatchWindow(message(e.message)), e.byDefault) << e.handler;
        EXPECT_EQ(plain.dispatchDialog(message(e.message)), e.byDefault) << e.handler;
    }
    Recorder r;
    for (uint32_t unknown : {WM_PAINT, WM_KEYUP, WM_MOUSEMOVE, 0x0000u, 0x0004u, 0xFFFFu, 0x10111u}) {
        EXPECT_EQ(r.dispatchWindow(message(unknown)), 0) << unknown;
        EXPECT_EQ(r.dispatchDialog(message(unknown)), 0) << unknown;
    }
    EXPECT_TRUE(r.calls.empty());
}

// A Base whose close handler is observed.
struct Closable : Base {
    int closes = 0;
    int32_t onClose(MessageRecord) override { return ++closes, 0; }
};

TEST(WindowMessages, CloseCommandMakesAWindowCloseItself)
{
    Closable window;
    ASSERT_NE(window.window, nullptr) << SDL_GetError();
    EXPECT_EQ(sendMessage(window.window, WM_COMMAND, 0x1000, 0), 0);
    EXPECT_EQ(window.closes, 1);
    EXPECT_EQ(sendMessage(window.window, WM_COMMAND, 0x00011000, 0), 0); // notification code in the high word
    EXPECT_EQ(window.closes, 2);
    for (uintptr_t other : {0x0FFFu, 0x1001u, 2u, 0u})
        sendMessage(window.window, WM_COMMAND, other, 0);
    EXPECT_EQ(window.closes, 2);
    EXPECT_TRUE(SDL_GetWindowFlags(window.window) & SDL_WINDOW_HIDDEN);
}

TEST(WindowMessages, MainWindowIsHiddenAndPostsQuitOnClose)
{
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    DefaultWindow main;
    ASSERT_NE(main.window, nullptr);
    EXPECT_STREQ(SDL_GetWindowTitle(main.window), "Setups");
    int w = 0, h = 0;
    SDL_GetWindowSize(main.window, &w, &h);
    EXPECT_EQ(w, 512);
    EXPECT_EQ(h, 384);
    EXPECT_TRUE(SDL_GetWindowFlags(main.window) & SDL_WINDOW_HIDDEN);

    EXPECT_EQ(sendMessage(main.window, WM_COMMAND, 0x1000, 0), 0);
    EXPECT_FALSE(SDL_HasEvent(SDL_QUIT)); // its command handler does nothing
    EXPECT_EQ(sendMessage(main.window, WM_CLOSE, 0, 0), 0);
    EXPECT_TRUE(SDL_HasEvent(SDL_QUIT));
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
}

TEST(Events, SdlEventsBecomeMessages)
{
    Base window;
    MessageRecord m;

    ASSERT_TRUE(translateEvent(closeEvent(window.window), m));
    EXPECT_EQ(m.window, window.window);
    EXPECT_EQ(m.message, WM_CLOSE);

    ASSERT_TRUE(translateEvent(keyEvent(window.window, SDL_SCANCODE_ESCAPE), m));
    EXPECT_EQ(m.message, WM_KEYDOWN);
    EXPECT_EQ(m.wParam, 0x1Bu);
    ASSERT_TRUE(translateEvent(keyEvent(window.window, SDL_SCANCODE_PAGEDOWN, false), m));
    EXPECT_EQ(m.message, WM_KEYUP);
    EXPECT_EQ(m.wParam, 0x22u);
    EXPECT_FALSE(translateEvent(keyEvent(window.window, SDL_SCANCODE_LGUI), m)); // no virtual key

    ASSERT_TRUE(translateEvent(mouseEvent(window.window, 300, 70000, true), m));
    EXPECT_EQ(m.message, WM_LBUTTONDOWN);
    EXPECT_EQ(m.lParam & 0xFFFF, 300);
    EXPECT_EQ(m.lParam >> 16 & 0xFFFF, 70000 & 0xFFFF);
    EXPECT_FALSE(translateEvent(mouseEvent(window.window, 1, 1, true, SDL_BUTTON_RIGHT), m));

    SDL_Event quit{};
    quit.type = SDL_QUIT;
    EXPECT_FALSE(translateEvent(quit, m));
}

TEST(Events, VirtualKeysOfTheShowMapBothWays)
{
    const std::pair<uint8_t, SDL_Scancode> keys[] = {
        {0x1B, SDL_SCANCODE_ESCAPE}, {0x21, SDL_SCANCODE_PAGEUP}, {0x22, SDL_SCANCODE_PAGEDOWN},
        {0x25, SDL_SCANCODE_LEFT},   {0x26, SDL_SCANCODE_UP},     {0x27, SDL_SCANCODE_RIGHT},
        {0x28, SDL_SCANCODE_DOWN},   {0x0D, SDL_SCANCODE_RETURN}, {0x41, SDL_SCANCODE_A},
        {0x5A, SDL_SCANCODE_Z},      {0x30, SDL_SCANCODE_0},      {0x39, SDL_SCANCODE_9},
        {0x7B, SDL_SCANCODE_F12},
    };
    for (auto [vk, scancode] : keys) {
        EXPECT_EQ(virtualKeyOf(scancode), vk);
        EXPECT_EQ(scancodeOf(vk), scancode);
    }
    EXPECT_EQ(virtualKeyOf(SDL_SCANCODE_KP_ENTER), 0x0D);
    EXPECT_EQ(scancodeOf(0x00), SDL_SCANCODE_UNKNOWN);
    EXPECT_EQ(scancodeOf(0xFF), SDL_SCANCODE_UNKNOWN);
}

TEST(Keyboard, APressIsSeenOnceAfterTheKeyWentUp)
{
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    Base window;
    Keyboard keyboard;
    pushEvent(keyEvent(window.window, SDL_SCANCODE_ESCAPE));
    pushEvent(keyEvent(window.window, SDL_SCANCODE_ESCAPE, false));
    pushEvent(keyEvent(window.window, SDL_SCANCODE_UP));
    keyboard.pump();
    EXPECT_TRUE(keyboard.isDown(0x1B));
    EXPECT_FALSE(keyboard.isDown(0x1B)); // the question cleared it
    EXPECT_FALSE(keyboard.isDown(0x28));
    EXPECT_TRUE(keyboard.isDown(0x26));
    EXPECT_FALSE(keyboard.closeRequested());

    pushEvent(closeEvent(window.window));
    keyboard.pump();
    EXPECT_TRUE(keyboard.closeRequested());
    EXPECT_FALSE(keyboard.isDown(0x1B));
}

} // namespace
