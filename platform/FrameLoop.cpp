#include "platform/FrameLoop.h"

#include "scene/Keyboard.h"
#include "show/Timeline.h"

LoopEnd runFrames(Production& production, Keyboard& keyboard, const std::function<void(const PixelBuffer&)>& present,
                  uint32_t& frames)
{
    const PixelBuffer& frame = *production.frameBuffer();
    for (bool first = true;; first = false) {
        keyboard.pump();
        if (keyboard.isDown(kKeyEscape))
            return LoopEnd::EscapeBeforeFrame;
        if (first)
            production.prepare();
        production.update();
        production.draw();
        if (production.clock->timeMs >= float(kShowEndMs))
            return LoopEnd::ShowOver;
        present(frame);
        ++frames;
        keyboard.pump();
        if (keyboard.isDown(kKeyEscape))
            return LoopEnd::EscapeAfterFrame;
        if (keyboard.closeRequested())
            return LoopEnd::CloseRequested;
    }
}
