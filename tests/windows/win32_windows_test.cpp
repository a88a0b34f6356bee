// window/'s message tables bound to real Win32 windows, and the start-up
// dialog run modally, under wine in an X server of its own.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "TestData.h"
#include "base/Files.h"
#include "win32/DemoDialog.h"

namespace {

// An object placed above 4 GB, where a window's data cut to 32 bits would
// name another address: the pointer must go through GWLP_USERDATA whole.
template <class T>
struct AboveFourGigabytes {
    void* memory = nullptr;
    T* object = nullptr;

    template <class... Args>
    explicit AboveFourGigabytes(Args&&... args)
    {
        for (uintptr_t at = uintptr_t(1) << 40; !memory && at < uintptr_t(1) << 46; at += uintptr_t(1) << 38)
            memory = VirtualAlloc(reinterpret_cast<void*>(at), sizeof(T), MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
        if (memory)
            object = new (memory) T(std::forward<Args>(args)...);
    }
    ~AboveFourGigabytes()
    {
        if (object)
            object->~T();
        if (memory)
            VirtualFree(memory, 0, MEM_RELEASE);
    }
    T* operator->() const { return object; }
};

HINSTANCE module()
{
    return GetModuleHandleA(nullptr);
}

std::string text(HWND window)
{
    char buffer[256] = {};
    GetWindowTextA(window, buffer, sizeof buffer);
    return buffer;
}

std::string className(HWND window)
{
    char buffer[256] = {};
    GetClassNameA(window, buffer, sizeof buffer);
    return buffer;
}

struct Noting : Base {
    int closes = 0;
    Point point;

    using Base::Base;
    int32_t onClose(MessageRecord) override { return ++closes, 0; }
    int32_t onTimer(MessageRecord m) override { return point = m.point, 77; }
};

// A message for WM_QUIT, taken off the queue.
bool quitPosted(WPARAM& code)
{
    MSG m;
    if (!PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
        return false;
    code = m.wParam;
    return true;
}

} // namespace

TEST(Win32Windows, TheMainClassAsRegistered)
{
    const WNDCLASSA registered = registerMainClass(module());
    EXPECT_STREQ(registered.lpszClassName, "mainclass");
    WNDCLASSA c{};
    ASSERT_TRUE(GetClassInfoA(module(), "mainclass", &c));
    EXPECT_EQ(c.style, 0x23u);
    EXPECT_EQ(c.lpfnWndProc, windowProc);
    EXPECT_EQ(c.hCursor, LoadCursorA(nullptr, IDC_ARROW));
    EXPECT_EQ(c.hbrBackground, GetSysColorBrush(COLOR_BTNFACE));
    EXPECT_EQ(c.cbWndExtra, 0);
}

TEST(Win32Windows, AWindowReachesItsObjectAboveFourGigabytes)
{
    AboveFourGigabytes<Noting> noting(registerMainClass(module()));
    ASSERT_NE(noting.object, nullptr) << "no memory above 4 GB";
    ASSERT_GT(uintptr_t(noting.object), uintptr_t(0xFFFFFFFF));
    const HWND w = noting->window;
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(windowObject(w), static_cast<WindowMessages*>(noting.object));

    // WM_NCCREATE went to the default procedure, which keeps the title.
    EXPECT_EQ(text(w), "Setups");
    EXPECT_EQ(className(w), "mainclass");
    EXPECT_FALSE(IsWindowVisible(w));
    EXPECT_TRUE(GetWindowLongA(w, GWL_STYLE) & WS_MAXIMIZE);
    // A number the table lacks goes to the default procedure.
    EXPECT_EQ(SendMessageW(w, WM_GETTEXTLENGTH, 0, 0), 6);

    SetCursorPos(123, 45);
    EXPECT_EQ(SendMessageW(w, WM_TIMER, 1, 0), 77);
    EXPECT_EQ(noting->point.x, 123);
    EXPECT_EQ(noting->point.y, 45);

    // The close command makes it send itself WM_CLOSE; other commands do nothing.
    for (WPARAM command : {WPARAM(0x1000), WPARAM(0x00011000), WPARAM(0x1001), WPARAM(2)})
        EXPECT_EQ(SendMessageW(w, WM_COMMAND, command, 0), 0);
    EXPECT_EQ(noting->closes, 2);
    EXPECT_TRUE(IsWindow(w)); // the default onClose keeps it
}

TEST(Win32Windows, TheMainWindowIsHiddenAndPostsQuitOnClose)
{
    WPARAM code = 99;
    while (quitPosted(code)) {
    }
    DefaultWindow main(registerMainClass(module()));
    ASSERT_NE(main.window, nullptr);
    EXPECT_FALSE(IsWindowVisible(main.window));
    EXPECT_EQ(SendMessageW(main.window, WM_COMMAND, 0x1000, 0), 0);
    EXPECT_FALSE(quitPosted(code)) << "its command handler does nothing";
    EXPECT_EQ(SendMessageW(main.window, WM_CLOSE, 0, 0), 0);
    ASSERT_TRUE(quitPosted(code));
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(IsWindow(main.window));
}

TEST(Win32Dialog, TheTemplateInMemory)
{
    const std::vector<WORD> t = dialogTemplate("DemoDialog", {60, -42}, 137, 85);
    std::vector<WORD> expected = {0x00C4, 0x90C8, 0, 0, 0, 60, WORD(-42), 137, 85, 0, 0};
    for (char c : std::string("DemoDialog"))
        expected.push_back(WORD(c));
    expected.insert(expected.end(), {0, 8});
    for (char c : std::string("MS Sans Serif"))
        expected.push_back(WORD(c));
    expected.push_back(0);
    EXPECT_EQ(t, expected);
}

namespace {

constexpr int kGaveUp = 99;

// The dialog with a script run once its controls are made, and every command
// noted. Still open after 5 s, it ends with kGaveUp.
struct ScriptedDialog : DemoDialog {
    std::function<void(HWND)> script;
    std::function<void(HWND)> atFirstCommand = [](HWND) {};
    std::vector<uint16_t> commands;

    using DemoDialog::DemoDialog;
    int32_t onInitDialog(MessageRecord m) override
    {
        const int32_t result = DemoDialog::onInitDialog(m);
        SetTimer(static_cast<HWND>(m.window), 1, 5000, nullptr);
        script(static_cast<HWND>(m.window));
        return result;
    }
    int32_t onTimer(MessageRecord) override
    {
        endDialog(kGaveUp);
        return 0;
    }
    int32_t onCommand(MessageRecord m) override
    {
        if (commands.empty())
            atFirstCommand(static_cast<HWND>(m.window));
        commands.push_back(uint16_t(m.wParam));
        return DemoDialog::onCommand(m);
    }
};

// The pack's pictures, copied under a folder named outside any code page.
struct Win32DialogRun : ::testing::Test {
    TempDir dir;
    std::string pictures = dir.file("J\xC3\xBCrgen/D\xC3\xA9mo \xE3\x82\xB7\xE3\x83\xA7\xE3\x83\xBC/data");
    DefaultWindow owner{registerMainClass(module())};

    void SetUp() override
    {
        std::filesystem::create_directories(filePath(pictures));
        for (const char* name : {"/ass1.bmp", "/ass2.bmp"})
            std::filesystem::copy_file(std::string(SOFTDEMO_SOURCE_DIR) + "/data" + name, filePath(pictures + name));
    }
};

void click(HWND dialog, uint16_t id)
{
    PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void key(WPARAM virtualKey)
{
    PostMessageA(GetFocus(), WM_KEYDOWN, virtualKey, 0);
}

} // namespace

TEST_F(Win32DialogRun, EachAnswerEndsItWithItsResultAndChoice)
{
    struct Case {
        const char* name;
        std::function<void(HWND)> script;
        int result;
        int32_t choice;
        std::vector<uint16_t> commands;
    } cases[] = {
        {"Ass1 clicked", [](HWND d) { click(d, 10002); }, 0, 10002, {10002}},
        {"Ass2 clicked", [](HWND d) { click(d, 10003); }, 0, 10003, {10003}},
        {"Enter on the first button, which has the focus", [](HWND) { key(VK_RETURN); }, 0, 10002, {10002}},
        {"closed", [](HWND d) { PostMessageA(d, WM_CLOSE, 0, 0); }, 1, 0, {}},
        {"Escape's cancel command, which leaves it open, then closed",
         [](HWND d) {
             key(VK_ESCAPE);
             PostMessageA(d, WM_CLOSE, 0, 0);
         },
         1, 0, {IDCANCEL}},
    };
    for (const Case& c : cases) {
        AboveFourGigabytes<ScriptedDialog> dialog(pictures);
        ASSERT_NE(dialog.object, nullptr);
        dialog->script = c.script;
        EXPECT_EQ(dialog->run(owner.window, module()), c.result) << c.name;
        EXPECT_EQ(dialog->choice, c.choice) << c.name;
        EXPECT_EQ(dialog->commands, c.commands) << c.name;
    }
}

TEST_F(Win32DialogRun, ShowsTheLabelAndBothPicturesFromAFolderOfAnyName)
{
    ScriptedDialog dialog(pictures);
    bool focusOnFirst = false;
    dialog.script = [&](HWND d) {
        focusOnFirst = GetFocus() == GetDlgItem(d, 10002);
        click(d, 10002);
    };
    std::vector<std::string> problems;
    dialog.atFirstCommand = [&](HWND d) {
        auto expect = [&](bool ok, const std::string& what) {
            if (!ok)
                problems.push_back(what);
        };
        HWND label = GetWindow(d, GW_CHILD);
        expect(className(label) == "Static" && text(label) == "Choose ASS:", "the label");
        expect(DWORD(GetWindowLongA(label, GWL_STYLE)) == 0x52000000, "the label's style");
        LOGFONTA font{};
        GetObjectA(reinterpret_cast<HFONT>(SendMessageA(label, WM_GETFONT, 0, 0)), sizeof font, &font);
        expect(std::string(font.lfFaceName) == "Times New Roman" && font.lfHeight == 24 && font.lfWidth == 10,
               std::string("the label's font: ") + font.lfFaceName);

        RECT client{};
        GetClientRect(d, &client);
        expect(client.right >= 268 + 5 && client.bottom >= 164 + 5, "a client area holding both buttons");
        for (auto [id, caption] : {std::pair{10002, "Ass1"}, {10003, "Ass2"}}) {
            HWND button = GetDlgItem(d, id);
            const std::string name = caption;
            expect(className(button) == "Button" && text(button) == name, name);
            // The dialog manager marks the focused one as its default button.
            expect((DWORD(GetWindowLongA(button, GWL_STYLE)) & ~DWORD(BS_DEFPUSHBUTTON)) == 0x50008380,
                   name + "'s style");
            expect(SendMessageA(button, BM_GETIMAGE, IMAGE_BITMAP, 0) != 0, name + "'s picture");
        }
    };
    EXPECT_EQ(dialog.run(owner.window, module()), 0);
    EXPECT_TRUE(focusOnFirst);
    EXPECT_EQ(problems, std::vector<std::string>{});
}

TEST_F(Win32DialogRun, MissingPicturesLeaveWorkingButtons)
{
    TempDir empty;
    ScriptedDialog dialog(empty.str());
    bool bare = false;
    dialog.script = [&](HWND d) {
        bare = SendMessageA(GetDlgItem(d, 10002), BM_GETIMAGE, IMAGE_BITMAP, 0) == 0 &&
               SendMessageA(GetDlgItem(d, 10003), BM_GETIMAGE, IMAGE_BITMAP, 0) == 0;
        click(d, 10002);
    };
    EXPECT_EQ(dialog.run(owner.window, module()), 0);
    EXPECT_TRUE(bare);
    EXPECT_EQ(dialog.choice, 10002);
}
