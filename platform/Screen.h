#pragma once
#include <functional>

#include "gfx/PixelBuffer.h"
#include "platform/SdlHandles.h"

struct ScreenOptions {
    bool fullScreen = true;       // else a resizable window
    bool vsync = false;           // present in step with the display where it can
    const char* title = "softdemo";
    int windowWidth = 1024;       // the window's first size
    int windowHeight = 768;
};

// The show's window. Full screen it is borderless and on top, with no cursor,
// and the frame is stretched to all of it; as a window, the frame is
// letterboxed at its own aspect. Scaling is nearest-neighbour either way.
class Screen {
public:
    // Draws over the picture in window pixels; `picture` is where the frame went.
    using Overlay = std::function<void(SDL_Renderer* renderer, const SDL_Rect& picture)>;

    // Throws std::runtime_error when the window or its renderer cannot be made.
    Screen(int frameWidth, int frameHeight, const ScreenOptions& options = {});
    ~Screen();

    void blank();
    void present(const PixelBuffer& frame, const Overlay& overlay = {});

    // Between full screen and a window, keeping the renderer and the frame texture.
    void setFullScreen(bool on);
    bool fullScreen() const { return isFullScreen; }
    bool vsync() const { return hasVsync; }
    SDL_Window* sdlWindow() const { return window.get(); }

    // Where a frame goes in an output of this size.
    static SDL_Rect pictureRect(int outputWidth, int outputHeight, int frameWidth, int frameHeight, bool stretch);

private:
    SdlPtr<SDL_Window> window;
    SdlPtr<SDL_Renderer> renderer;
    SdlPtr<SDL_Texture> texture;
    int frameWidth, frameHeight;
    int windowWidth, windowHeight;
    bool isFullScreen;
    bool hasVsync = false;
};
