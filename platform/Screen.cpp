#include "platform/Screen.h"

#include <stdexcept>
#include <string>

Screen::Screen(int frameWidth, int frameHeight)
{
    SDL_DisplayMode desktop;
    if (SDL_GetDesktopDisplayMode(0, &desktop) != 0)
        throw std::runtime_error(std::string("cannot read the screen size: ") + SDL_GetError());
    // Hidden until the renderer is made: some renderers make the window anew.
    window.reset(SDL_CreateWindow("softdemo", 0, 0, desktop.w, desktop.h,
                                  SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_BORDERLESS | SDL_WINDOW_ALWAYS_ON_TOP |
                                      SDL_WINDOW_HIDDEN));
    if (!window)
        throw std::runtime_error(std::string("cannot open the full-screen window: ") + SDL_GetError());
    SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    renderer.reset(SDL_CreateRenderer(window.get(), -1, 0));
    if (!renderer)
        throw std::runtime_error(std::string("cannot create a renderer: ") + SDL_GetError());
    texture.reset(SDL_CreateTexture(renderer.get(), SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                                    frameWidth, frameHeight));
    if (!texture)
        throw std::runtime_error(std::string("cannot create the frame texture: ") + SDL_GetError());
    // The frame's top byte is not an opacity: copy the words as they are.
    SDL_SetTextureBlendMode(texture.get(), SDL_BLENDMODE_NONE);
    SDL_ShowWindow(window.get());
    SDL_RaiseWindow(window.get());
    SDL_ShowCursor(SDL_DISABLE);
}

Screen::~Screen()
{
    SDL_ShowCursor(SDL_ENABLE);
}

void Screen::blank()
{
    SDL_SetRenderDrawColor(renderer.get(), 0, 0, 0, 255);
    SDL_RenderClear(renderer.get());
    SDL_RenderPresent(renderer.get());
}

void Screen::present(const PixelBuffer& frame)
{
    SDL_UpdateTexture(texture.get(), nullptr, frame.pixels, frame.width * 4);
    SDL_RenderCopy(renderer.get(), texture.get(), nullptr, nullptr);
    SDL_RenderPresent(renderer.get());
}
