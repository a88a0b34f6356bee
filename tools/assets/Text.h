#pragma once
#include "Raster.h"

#include <stb_truetype.h>

#include <string>
#include <vector>

// A TrueType font file, rendered with stb_truetype into coverage masks.
class Font {
public:
    // Throws std::runtime_error naming the path and `remedy`, what makes it usable.
    Font(const std::string& path, const std::string& remedy);
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    // One line of ASCII text, `pixelHeight` from ascender to descender, with
    // `tracking` extra pixels between letters and `pad` empty pixels around.
    Mask render(const std::string& text, float pixelHeight, float tracking = 0.0f, int pad = 0) const;
    float advance(const std::string& text, float pixelHeight, float tracking = 0.0f) const;

private:
    std::vector<unsigned char> data;
    stbtt_fontinfo info{};
};

// The typefaces of the pack.
struct Fonts {
    Font sans;   // DejaVu Sans Bold: titles and captions
    Font mono;   // DejaVu Sans Mono Bold: labels, technical lettering
    Font serif;  // DejaVu Serif Bold: the end title
    Font narrow; // Liberation Sans Narrow Bold: tall condensed lettering

    Fonts();
};
