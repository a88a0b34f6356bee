// The start-up question's platform-free part, which the SDL and the Win32
// dialogs both run: what it makes, where it opens, what each answer does.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "window/DemoDialogTable.h"

namespace {

// Notes every call a window system's dialog would get.
struct NotedDialog : DialogControls {
    std::vector<std::string> calls;

    void addLabel(const DialogControl& c) override { calls.push_back(std::string("label ") + c.text); }
    void addButton(const DialogControl& c, const std::string& bitmapPath) override
    {
        calls.push_back(std::string("button ") + c.text + " " + std::to_string(c.id) + " " + bitmapPath);
    }
    void setFocus(uint16_t id) override { calls.push_back("focus " + std::to_string(id)); }
    void endDialog(int result) override { calls.push_back("end " + std::to_string(result)); }
};

} // namespace

TEST(DemoDialogTable, MakesTheLabelAndBothPictureButtonsWithTheFocusOnTheFirst)
{
    NotedDialog dialog;
    int32_t choice = 10003;
    EXPECT_EQ(initDemoDialog(dialog, "C:/Démo ショー/data", choice), 0);
    EXPECT_EQ(choice, 0);
    EXPECT_EQ(dialog.calls, (std::vector<std::string>{"label Choose ASS:",
                                                      "button Ass1 10002 C:/Démo ショー/data/ass1.bmp", "focus 10002",
                                                      "button Ass2 10003 C:/Démo ショー/data/ass2.bmp"}))
        << "the order of making, the pictures' paths";
}

TEST(DemoDialogTable, AnswersToCommandsAndClosing)
{
    struct Case {
        uintptr_t wParam;
        int32_t result;
        int32_t choice;
        std::vector<std::string> calls;
    } cases[] = {
        {10002, 10002, 10002, {"end 0"}},
        {10003, 10003, 10003, {"end 0"}},
        {0x00002712 | 0x00050000, 10002, 10002, {"end 0"}}, // a notification code in the high word
        {2, 0, 0, {}},                                      // the cancel command of Escape
        {1, 0, 0, {}},
        {0x1000, 0, 0, {}},
        {10001, 0, 0, {}},
        {10004, 0, 0, {}},
        {0x00052711, 0, 0, {}},
    };
    for (const Case& c : cases) {
        NotedDialog dialog;
        int32_t choice = 0;
        EXPECT_EQ(demoDialogCommand(dialog, c.wParam, choice), c.result) << c.wParam;
        EXPECT_EQ(choice, c.choice) << c.wParam;
        EXPECT_EQ(dialog.calls, c.calls) << c.wParam;
    }
    NotedDialog closed;
    EXPECT_EQ(closeDemoDialog(closed), 1);
    EXPECT_EQ(closed.calls, std::vector<std::string>{"end 1"});
}

TEST(DemoDialogTable, OpensAQuarterAcrossAndAFifthDownItsOwner)
{
    struct Case {
        int ownerWidth, ownerHeight, x, y;
    } cases[] = {
        {512, 384, 60, 34},    // 128 - 68, 76 - 42
        {1920, 1080, 412, 174},
        {0, 0, -68, -42},
        {3, 9, -68, -41},      // 0 - 68, 1 - 42: each part truncated on its own
        {-10, -12, -70, -44},  // truncation toward zero, not down
        {400000, 0, -31140, -42}, // 99,932 kept in 16 bits, as a template holds it
    };
    for (const Case& c : cases) {
        const DialogOrigin at = dialogOrigin(c.ownerWidth, c.ownerHeight, kDemoDialogWidth, kDemoDialogHeight);
        EXPECT_EQ(at.x, c.x) << c.ownerWidth << " x " << c.ownerHeight;
        EXPECT_EQ(at.y, c.y) << c.ownerWidth << " x " << c.ownerHeight;
    }
}

TEST(DemoDialogTable, TheClientGrowsToHoldTheControlsWithTheirMargins)
{
    std::vector<ControlRect> rects;
    for (const DialogControl& c : kDemoDialogControls)
        rects.push_back(c.rect);
    const ControlRect small = clientToHold(rects, {0, 0, 205, 138});
    EXPECT_EQ(small.width, 268 + 5);
    EXPECT_EQ(small.height, 164 + 5);
    const ControlRect large = clientToHold(rects, {0, 0, 400, 300});
    EXPECT_EQ(large.width, 400);
    EXPECT_EQ(large.height, 300);
    const ControlRect none = clientToHold({}, {0, 0, 7, 9});
    EXPECT_EQ(none.width, 7);
    EXPECT_EQ(none.height, 9);
}
