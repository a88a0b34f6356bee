#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

#include "SdlTest.h"
#include "TestData.h"
#include "window/Base.h"
#include "window/DemoDialog.h"

namespace {

// The dialog, with input pushed once its controls exist and every command
// and its result noted, along with where the window was then.
struct ScriptedDialog : DemoDialog {
    std::function<void(SDL_Window*)> script;
    std::vector<std::pair<uint16_t, int32_t>> commands;
    SDL_Rect placed{};

    using DemoDialog::DemoDialog;

    int32_t onInitDialog(MessageRecord m) override
    {
        const int32_t result = DemoDialog::onInitDialog(m);
        script(m.window);
        return result;
    }
    int32_t onCommand(MessageRecord m) override
    {
        SDL_GetWindowPosition(m.window, &placed.x, &placed.y);
        SDL_GetWindowSize(m.window, &placed.w, &placed.h);
        const int32_t result = DemoDialog::onCommand(m);
        commands.emplace_back(uint16_t(m.wParam), result);
        return result;
    }
};

struct DialogTest : ::testing::Test {
    TempDir dir;
    DefaultWindow owner;

    void SetUp() override
    {
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        for (const char* name : {"ass1.bmp", "ass2.bmp"}) {
            SdlPtr<SDL_Surface> picture(SDL_CreateRGBSurfaceWithFormat(0, 128, 128, 24, SDL_PIXELFORMAT_BGR24));
            SDL_FillRect(picture.get(), nullptr, SDL_MapRGB(picture->format, 200, 40, 90));
            ASSERT_EQ(SDL_SaveBMP(picture.get(), dir.file(name).c_str()), 0);
        }
    }

    void click(SDL_Window* w, int x, int y)
    {
        pushEvent(mouseEvent(w, x, y, true));
        pushEvent(mouseEvent(w, x, y, false));
    }
};

TEST_F(DialogTest, EachButtonRecordsItsChoiceAndEndsWithZero)
{
    ScriptedDialog first(dir.str());
    first.script = [&](SDL_Window* w) { click(w, 70, 100); };
    EXPECT_EQ(first.run(owner.window), 0);
    EXPECT_EQ(first.choice, 10002);
    EXPECT_EQ(first.commands, (std::vector<std::pair<uint16_t, int32_t>>{{10002, 10002}}));

    ScriptedDialog second(dir.str());
    second.script = [&](SDL_Window* w) { click(w, 204, 100); };
    EXPECT_EQ(second.run(owner.window), 0);
    EXPECT_EQ(second.choice, 10003);
}

TEST_F(DialogTest, KeyboardPressesTheFocusedButton)
{
    // The first button starts with the focus.
    for (SDL_Scancode key : {SDL_SCANCODE_RETURN, SDL_SCANCODE_SPACE, SDL_SCANCODE_KP_ENTER}) {
        ScriptedDialog dialog(dir.str());
        dialog.script = [&](SDL_Window* w) { pushEvent(keyEvent(w, key)); };
        EXPECT_EQ(dialog.run(owner.window), 0);
        EXPECT_EQ(dialog.choice, 10002) << SDL_GetScancodeName(key);
    }
    // Tab moves on and wraps round; Shift+Tab moves back.
    const std::pair<std::vector<std::pair<SDL_Scancode, uint16_t>>, int32_t> runs[] = {
        {{{SDL_SCANCODE_TAB, 0}}, 10003},
        {{{SDL_SCANCODE_TAB, 0}, {SDL_SCANCODE_TAB, 0}}, 10002},
        {{{SDL_SCANCODE_TAB, KMOD_LSHIFT}}, 10003},
    };
    for (const auto& [keys, expected] : runs) {
        ScriptedDialog dialog(dir.str());
        dialog.script = [&](SDL_Window* w) {
            for (auto [key, mod] : keys)
                pushEvent(keyEvent(w, key, true, mod));
            pushEvent(keyEvent(w, SDL_SCANCODE_SPACE));
        };
        EXPECT_EQ(dialog.run(owner.window), 0);
        EXPECT_EQ(dialog.choice, expected);
    }
}

TEST_F(DialogTest, ClosingEndsWithOneAndNoChoice)
{
    ScriptedDialog dialog(dir.str());
    dialog.script = [&](SDL_Window* w) { pushEvent(closeEvent(w)); };
    EXPECT_EQ(dialog.run(owner.window), 1);
    EXPECT_EQ(dialog.choice, 0);
    EXPECT_TRUE(dialog.commands.empty());
}

TEST_F(DialogTest, EscapeAndStrayClicksLeaveItOpen)
{
    ScriptedDialog dialog(dir.str());
    dialog.script = [&](SDL_Window* w) {
        pushEvent(keyEvent(w, SDL_SCANCODE_ESCAPE)); // the cancel command, not handled
        click(w, 3, 3);                              // the dialog's face
        click(w, 137, 100);                          // between the buttons
        pushEvent(mouseEvent(w, 70, 100, true));     // pressed on Ass1, let go outside it
        pushEvent(mouseEvent(w, 204, 100, false));
        pushEvent(closeEvent(w));
    };
    EXPECT_EQ(dialog.run(owner.window), 1);
    EXPECT_EQ(dialog.choice, 0);
    EXPECT_EQ(dialog.commands, (std::vector<std::pair<uint16_t, int32_t>>{{2, 0}}));
}

TEST_F(DialogTest, WindowHoldsAllControlsWhereTheOwnerPlacesIt)
{
    ScriptedDialog dialog(dir.str());
    dialog.script = [&](SDL_Window* w) {
        EXPECT_STREQ(SDL_GetWindowTitle(w), "DemoDialog");
        click(w, 267, 163); // the last pixel of Ass2
    };
    EXPECT_EQ(dialog.run(owner.window), 0);
    EXPECT_EQ(dialog.choice, 10003);
    // 60 x 34 dialog units from a 512 x 384 owner at the origin.
    EXPECT_EQ(dialog.placed.x, 90);
    EXPECT_EQ(dialog.placed.y, 55);
    EXPECT_GE(dialog.placed.w, 268);
    EXPECT_GE(dialog.placed.h, 164);
}

TEST_F(DialogTest, MissingPicturesLeaveWorkingButtons)
{
    TempDir empty;
    ScriptedDialog dialog(empty.str());
    dialog.script = [&](SDL_Window* w) { click(w, 70, 100); };
    EXPECT_EQ(dialog.run(owner.window), 0);
    EXPECT_EQ(dialog.choice, 10002);
}

} // namespace
