#pragma once
#include <string>

#include "platform/BaseDialog.h"

// The start-up question: "Choose ASS:" above two picture buttons. The answer
// is kept in `choice` and changes nothing in the show.
class DemoDialog : public BaseDialog {
public:
    int32_t choice = 0; // the button pressed; 0 when the dialog was closed

    // The pictures come from dataDir/ass1.bmp and dataDir/ass2.bmp.
    explicit DemoDialog(std::string dataDir = "data", DialogFonts fonts = {});

    // Runs the dialog over the owner window: 0 when a button ended it, 1 when it was closed.
    int run(SDL_Window* owner);

    int32_t onInitDialog(MessageRecord m) override;
    int32_t onCommand(MessageRecord m) override;
    int32_t onClose(MessageRecord m) override;

private:
    std::string dataDir;
};
