#include "window/DemoDialogTable.h"

#include <algorithm>
#include <limits>

namespace {

constexpr FontRequest kLabelFont{"Times New Roman", 24, 10, 1, 1}; // DEFAULT_CHARSET

constexpr uint32_t kLabelStyle = 0x52000000;  // WS_CHILD, WS_VISIBLE, WS_CLIPCHILDREN
constexpr uint32_t kButtonStyle = 0x50008380; // WS_CHILD, WS_VISIBLE, BS_FLAT, BS_CENTER, BS_BITMAP

} // namespace

const DialogControl kDemoDialogControls[3] = {
    {ControlKind::Label, "Static", "Choose ASS:", kLabelStyle, {5, 5, 200, 30}, 0, &kLabelFont, nullptr, false},
    {ControlKind::Button, "Button", "Ass1", kButtonStyle, {6, 36, 128, 128}, kAss1, nullptr, "ass1.bmp", true},
    {ControlKind::Button, "Button", "Ass2", kButtonStyle, {140, 36, 128, 128}, kAss2, nullptr, "ass2.bmp", false},
};

DialogOrigin dialogOrigin(int ownerWidth, int ownerHeight, int width, int height)
{
    return {int16_t(ownerWidth / 4 - width / 2), int16_t(ownerHeight / 5 - height / 2)};
}

ControlRect clientToHold(std::span<const ControlRect> controls, ControlRect client)
{
    if (controls.empty())
        return client;
    int32_t marginX = std::numeric_limits<int32_t>::max(), marginY = marginX;
    for (const ControlRect& c : controls) {
        marginX = std::min(marginX, c.x);
        marginY = std::min(marginY, c.y);
    }
    for (const ControlRect& c : controls) {
        client.width = std::max(client.width, c.x + c.width + marginX);
        client.height = std::max(client.height, c.y + c.height + marginY);
    }
    return client;
}

int32_t initDemoDialog(DialogControls& dialog, const std::string& dataDir, int32_t& choice)
{
    choice = 0;
    for (const DialogControl& c : kDemoDialogControls) {
        if (c.kind == ControlKind::Label)
            dialog.addLabel(c);
        else
            dialog.addButton(c, dataDir + "/" + c.bitmap);
        if (c.focus)
            dialog.setFocus(c.id);
    }
    return 0;
}

int32_t demoDialogCommand(DialogControls& dialog, uintptr_t wParam, int32_t& choice)
{
    const uint16_t id = uint16_t(wParam & 0xFFFF);
    if (id != kAss1 && id != kAss2)
        return 0;
    choice = id;
    dialog.endDialog(0);
    return id;
}

int32_t closeDemoDialog(DialogControls& dialog)
{
    dialog.endDialog(1);
    return 1;
}
