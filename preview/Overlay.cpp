#include "preview/Overlay.h"

#include <algorithm>
#include <stdexcept>

#include "platform/FontLookup.h"

namespace {

constexpr int kFontPixels = 15;
constexpr int kMargin = 6;

// The overlay's one font: a monospaced one keeps the figures still as they change.
TTF_Font* openOverlayFont()
{
    const std::string file = findFontFile("DejaVu Sans Mono", FontKind::Sans);
    if (file.empty())
        throw std::runtime_error("no font found");
    TTF_Font* font = TTF_OpenFont(file.c_str(), kFontPixels);
    if (!font)
        throw std::runtime_error("cannot read the font " + file + ": " + TTF_GetError());
    return font;
}

} // namespace

TextOverlay::TextOverlay()
{
    if (TTF_Init() != 0)
        throw std::runtime_error(std::string("cannot start the font renderer: ") + TTF_GetError());
    try {
        font.reset(openOverlayFont());
    } catch (...) {
        TTF_Quit();
        throw;
    }
}

TextOverlay::~TextOverlay()
{
    font.reset();
    TTF_Quit();
}

int TextOverlay::band(SDL_Renderer* renderer, const std::string& text, int x, int y, int width, SDL_Color colour,
                      bool fromBottom)
{
    SdlPtr<SDL_Surface> words(TTF_RenderUTF8_Blended_Wrapped(font.get(), text.c_str(), colour, Uint32(width)));
    if (!words)
        return 0;
    SdlPtr<SDL_Texture> texture(SDL_CreateTextureFromSurface(renderer, words.get()));
    if (!texture)
        return 0;
    const int height = words->h + 2 * kMargin;
    const SDL_Rect back{x, fromBottom ? y - height : y, words->w + 2 * kMargin, height};
    SDL_SetRenderDrawBlendMode(renderer, SDL_BLENDMODE_BLEND);
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 176);
    SDL_RenderFillRect(renderer, &back);
    const SDL_Rect at{back.x + kMargin, back.y + kMargin, words->w, words->h};
    SDL_RenderCopy(renderer, texture.get(), nullptr, &at);
    return height;
}

void TextOverlay::draw(SDL_Renderer* renderer, const SDL_Rect& picture, const std::vector<std::string>& lines,
                       const std::string& alert)
{
    const int width = std::max(picture.w - 2 * kMargin, 64);
    std::string text;
    for (const std::string& line : lines)
        text += (text.empty() ? "" : "\n") + line;
    if (!text.empty())
        band(renderer, text, picture.x, picture.y, width, SDL_Color{255, 255, 255, 255}, false);
    if (!alert.empty())
        band(renderer, alert, picture.x, picture.y + picture.h, width, SDL_Color{255, 96, 96, 255}, true);
}
