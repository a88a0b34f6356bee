#include "win32/DemoDialog.h"

#include <utility>

DemoDialog::DemoDialog(std::string dataDir) : dataDir(std::move(dataDir)) {}

int DemoDialog::run(HWND owner, HINSTANCE instance)
{
    return runModal(kDemoDialogTitle, kDemoDialogWidth, kDemoDialogHeight, owner, instance);
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
