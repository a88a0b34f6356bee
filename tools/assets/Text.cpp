#include "Text.h"

#include <cmath>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "app/DataFolder.h"
#include "base/Files.h"

Font::Font(const std::string& path, const std::string& remedy)
{
    std::ifstream in(filePath(path), std::ios::binary);
    data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof())
        data.clear();
    if (data.empty())
        throw std::runtime_error(path + ": font missing or unreadable (" + remedy + ")");
    if (!stbtt_InitFont(&info, data.data(), stbtt_GetFontOffsetForIndex(data.data(), 0)))
        throw std::runtime_error(path + ": not a usable TrueType font (" + remedy + ")");
}

float Font::advance(const std::string& text, float pixelHeight, float tracking) const
{
    const float scale = stbtt_ScaleForPixelHeight(&info, pixelHeight);
    float x = 0.0f;
    for (size_t i = 0; i < text.size(); ++i) {
        int adv = 0, lsb = 0;
        stbtt_GetCodepointHMetrics(&info, text[i], &adv, &lsb);
        x += float(adv) * scale + tracking;
        if (i + 1 < text.size())
            x += float(stbtt_GetCodepointKernAdvance(&info, text[i], text[i + 1])) * scale;
    }
    return text.empty() ? 0.0f : x - tracking;
}

Mask Font::render(const std::string& text, float pixelHeight, float tracking, int pad) const
{
    const float scale = stbtt_ScaleForPixelHeight(&info, pixelHeight);
    int ascent = 0, descent = 0, gap = 0;
    stbtt_GetFontVMetrics(&info, &ascent, &descent, &gap);
    const int baseline = int(std::ceil(float(ascent) * scale));
    const int lineHeight = baseline + int(std::ceil(float(-descent) * scale));
    Mask mask(int(std::ceil(advance(text, pixelHeight, tracking))) + 2 * pad + 2, lineHeight + 2 * pad);

    float x = float(pad);
    std::vector<unsigned char> glyph;
    for (size_t i = 0; i < text.size(); ++i) {
        const int cp = static_cast<unsigned char>(text[i]);
        const float shift = x - std::floor(x);
        int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        stbtt_GetCodepointBitmapBoxSubpixel(&info, cp, scale, scale, shift, 0.0f, &x0, &y0, &x1, &y1);
        const int gw = x1 - x0, gh = y1 - y0;
        if (gw > 0 && gh > 0) {
            glyph.assign(size_t(gw) * size_t(gh), 0);
            stbtt_MakeCodepointBitmapSubpixel(&info, glyph.data(), gw, gh, gw, scale, scale, shift, 0.0f, cp);
            for (int gy = 0; gy < gh; ++gy)
                for (int gx = 0; gx < gw; ++gx) {
                    const int mx = int(std::floor(x)) + x0 + gx, my = pad + baseline + y0 + gy;
                    if (mx >= 0 && my >= 0 && mx < mask.width && my < mask.height)
                        mask.at(mx, my) = std::max(mask.at(mx, my), float(glyph[size_t(gy) * gw + gx]) / 255.0f);
                }
        }
        int adv = 0, lsb = 0;
        stbtt_GetCodepointHMetrics(&info, cp, &adv, &lsb);
        x += float(adv) * scale + tracking;
        if (i + 1 < text.size())
            x += float(stbtt_GetCodepointKernAdvance(&info, cp, static_cast<unsigned char>(text[i + 1]))) * scale;
    }
    return mask;
}

namespace {

// Debian's packages install them; on Windows they come in fonts\ beside the
// programs, where the zip puts them.
std::string fontFile(const char* debianFolder, const char* name)
{
#ifdef _WIN32
    (void)debianFolder;
    return pathText(filePath(programFolder()) / "fonts" / name);
#else
    return std::string("/usr/share/fonts/truetype/") + debianFolder + "/" + name;
#endif
}

std::string remedy(const char* package)
{
#ifdef _WIN32
    (void)package;
    return "it belongs in the fonts folder beside the program";
#else
    return std::string("install the Debian package ") + package;
#endif
}

} // namespace

Fonts::Fonts()
    : sans(fontFile("dejavu", "DejaVuSans-Bold.ttf"), remedy("fonts-dejavu-core")),
      mono(fontFile("dejavu", "DejaVuSansMono-Bold.ttf"), remedy("fonts-dejavu-core")),
      serif(fontFile("dejavu", "DejaVuSerif-Bold.ttf"), remedy("fonts-dejavu-core")),
      narrow(fontFile("liberation", "LiberationSansNarrow-Bold.ttf"), remedy("fonts-liberation"))
{
}
