#include "platform/DemoDialog.h"

#include <utility>

DemoDialog::DemoDialog(std::string dataDir, DialogFonts fonts) : BaseDialog(std::move(fonts)), dataDir(std::move(dataDir))
{
}

int DemoDialog::run(SDL_Window* owner)
{
    return runModal("DemoDialog", 137, 85, owner);
}

int32_t DemoDialog::onInitDialog(MessageRecord)
{
    choice = 0;
    // A 24-pixel character cell of the serif face is a 22-pixel em.
    addLabel({5, 5, 200, 30}, "Choose ASS:", createFont("Liberation Serif", FontKind::Serif, 22));
    addButton({6, 36, 128, 128}, "Ass1", kAss1, dataDir + "/ass1.bmp");
    setFocus(kAss1);
    addButton({140, 36, 128, 128}, "Ass2", kAss2, dataDir + "/ass2.bmp");
    return 0;
}

int32_t DemoDialog::onCommand(MessageRecord m)
{
    const uint16_t id = uint16_t(m.wParam & 0xFFFF);
    if (id != kAss1 && id != kAss2)
        return 0;
    choice = id;
    endDialog(0);
    return id;
}

int32_t DemoDialog::onClose(MessageRecord)
{
    endDialog(1);
    return 1;
}
