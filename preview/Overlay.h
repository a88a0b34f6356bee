#pragma once
#include <string>
#include <vector>

#include "platform/SdlHandles.h"

// Text drawn over the picture in window pixels, never into the frame: status
// lines at the top left, an alert at the bottom in red.
class TextOverlay {
public:
    // Throws std::runtime_error when no font can be opened.
    TextOverlay();
    ~TextOverlay();
    TextOverlay(const TextOverlay&) = delete;
    TextOverlay& operator=(const TextOverlay&) = delete;

    void draw(SDL_Renderer* renderer, const SDL_Rect& picture, const std::vector<std::string>& lines,
              const std::string& alert);

private:
    // One band of wrapped text at (x, y) or, with `fromBottom`, ending at y; returns its height.
    int band(SDL_Renderer* renderer, const std::string& text, int x, int y, int width, SDL_Color colour,
             bool fromBottom);

    SdlPtr<TTF_Font> font;
};
