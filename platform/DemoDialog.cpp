#include "platform/DemoDialog.h"

#include <utility>

DemoDialog::DemoDialog(std::string dataDir, DialogFonts fonts) : BaseDialog(std::move(fonts)), dataDir(std::move(dataDir))
{
}

int DemoDialog::run(SDL_Window* owner)
{
    return runModal(kDemoDialogTitle, kDemoDialogWidth, kDemoDialogHeight, owner);
}

int32_t DemoDialog::onInitDialog(MessageRecord)
{
    return initDemoDialog(*this, dataDir, choice);
}

int32_t DemoDialog::onCommand(MessageRecord m)
{
    return demoDialogCommand(*this, m.wParam, choice);
}

int32_t DemoDialog::onClose(MessageRecord)
{
    return closeDemoDialog(*this);
}
