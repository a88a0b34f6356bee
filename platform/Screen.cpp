#include "platform/Screen.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace {

constexpr Uint32 kFullScreenFlags = SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_BORDERLESS | SDL_WINDOW_ALWAYS_ON_TOP;

} // namespace

Screen::Screen(int frameWidth, int frameHeight, const ScreenOptions& options)
    : frameWidth(frameWidth), frameHeight(frameHeight), windowWidth(options.windowWidth),
      windowHeight(options.windowHeight), isFullScreen(options.fullScreen)
{
    int x = SDL_WINDOWPOS_CENTERED, y = SDL_WINDOWPOS_CENTERED, w = windowWidth, h = windowHeight;
    Uint32 flags = SDL_WINDOW_RESIZABLE;
    if (isFullScreen) {
        SDL_DisplayMode desktop;
        if (SDL_GetDesktopDisplayMode(0, &desktop) != 0)
            throw std::runtime_error(std::string("cannot read the screen size: ") + SDL_GetError());
        x = y = 0;
        w = desktop.w;
        h = desktop.h;
        flags = kFullScreenFlags;
    }
    // Hidden until the renderer is made: some renderers make the window anew.
    window.reset(SDL_CreateWindow(options.title, x, y, w, h, flags | SDL_WINDOW_HIDDEN));
    if (!window)
        throw std::runtime_error(std::string("cannot open the ") + (isFullScreen ? "full-screen " : "") +
                                 "window: " + SDL_GetError());
    SDL_SetHint(SDL_HINT_RENDER_VSYNC, options.vsync ? "1" : "0");
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    renderer.reset(SDL_CreateRenderer(window.get(), -1, options.vsync ? SDL_RENDERER_PRESENTVSYNC : 0));
    if (!renderer)
        throw std::runtime_error(std::string("cannot create a renderer: ") + SDL_GetError());
    SDL_RendererInfo info;
    hasVsync = SDL_GetRendererInfo(renderer.get(), &info) == 0 && (info.flags & SDL_RENDERER_PRESENTVSYNC);
    texture.reset(SDL_CreateTexture(renderer.get(), SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                                    frameWidth, frameHeight));
    if (!texture)
        throw std::runtime_error(std::string("cannot create the frame texture: ") + SDL_GetError());
    // The frame's top byte is not an opacity: copy the words as they are.
    SDL_SetTextureBlendMode(texture.get(), SDL_BLENDMODE_NONE);
    SDL_ShowWindow(window.get());
    SDL_RaiseWindow(window.get());
    SDL_ShowCursor(isFullScreen ? SDL_DISABLE : SDL_ENABLE);
}

Screen::~Screen()
{
    SDL_ShowCursor(SDL_ENABLE);
}

SDL_Rect Screen::pictureRect(int outputWidth, int outputHeight, int frameWidth, int frameHeight, bool stretch)
{
    if (stretch || outputWidth <= 0 || outputHeight <= 0)
        return {0, 0, outputWidth, outputHeight};
    // The largest rectangle of the frame's aspect that fits, centred.
    int w = outputWidth, h = int(int64_t(outputWidth) * frameHeight / frameWidth);
    if (h > outputHeight) {
        h = outputHeight;
        w = int(int64_t(outputHeight) * frameWidth / frameHeight);
    }
    return {(outputWidth - w) / 2, (outputHeight - h) / 2, w, h};
}

void Screen::blank()
{
    SDL_SetRenderDrawColor(renderer.get(), 0, 0, 0, 255);
    SDL_RenderClear(renderer.get());
    SDL_RenderPresent(renderer.get());
}

void Screen::present(const PixelBuffer& frame, const Overlay& overlay)
{
    int w = 0, h = 0;
    SDL_GetRendererOutputSize(renderer.get(), &w, &h);
    const SDL_Rect picture = pictureRect(w, h, frameWidth, frameHeight, isFullScreen);
    SDL_UpdateTexture(texture.get(), nullptr, frame.pixels, frame.width * 4);
    if (!isFullScreen) {
        SDL_SetRenderDrawColor(renderer.get(), 0, 0, 0, 255);
        SDL_RenderClear(renderer.get());
    }
    SDL_RenderCopy(renderer.get(), texture.get(), nullptr, &picture);
    if (overlay)
        overlay(renderer.get(), picture);
    SDL_RenderPresent(renderer.get());
}

void Screen::setFullScreen(bool on)
{
    if (on == isFullScreen)
        return;
    if (on) {
        SDL_GetWindowSize(window.get(), &windowWidth, &windowHeight);
        // Cover the display first: with no window manager to take the
        // full-screen request, the window would keep its size.
        SDL_Rect display;
        if (SDL_GetDisplayBounds(std::max(0, SDL_GetWindowDisplayIndex(window.get())), &display) == 0) {
            SDL_SetWindowPosition(window.get(), display.x, display.y);
            SDL_SetWindowSize(window.get(), display.w, display.h);
        }
        SDL_SetWindowBordered(window.get(), SDL_FALSE);
        SDL_SetWindowAlwaysOnTop(window.get(), SDL_TRUE);
        SDL_SetWindowFullscreen(window.get(), SDL_WINDOW_FULLSCREEN_DESKTOP);
    } else {
        SDL_SetWindowFullscreen(window.get(), 0);
        SDL_SetWindowAlwaysOnTop(window.get(), SDL_FALSE);
        SDL_SetWindowBordered(window.get(), SDL_TRUE);
        SDL_SetWindowResizable(window.get(), SDL_TRUE);
        SDL_SetWindowSize(window.get(), windowWidth, windowHeight);
        SDL_SetWindowPosition(window.get(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    }
    isFullScreen = on;
    SDL_ShowCursor(on ? SDL_DISABLE : SDL_ENABLE);
}
