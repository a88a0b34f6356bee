#pragma once
#include "gfx/PixelBuffer.h"
#include "window/SdlHandles.h"

// The show's window: borderless, on top, over the whole screen, no cursor.
// A frame is stretched to all of it with nearest-neighbour scaling and
// presented at once (no vsync).
class Screen {
public:
    // Throws std::runtime_error when the window or its renderer cannot be made.
    Screen(int frameWidth, int frameHeight);
    ~Screen();

    void blank();
    void present(const PixelBuffer& frame);

private:
    SdlPtr<SDL_Window> window;
    SdlPtr<SDL_Renderer> renderer;
    SdlPtr<SDL_Texture> texture;
};
