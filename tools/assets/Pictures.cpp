#include "Pictures.h"

void addGlowText(Canvas& c, const Mask& text, int ox, int oy, Rgb top, Rgb bottom, Rgb glow, int glowRadius,
                 float glowAmount)
{
    Mask halo = text;
    halo.blur(glowRadius);
    c.addMask(halo, ox, oy, glow, glowAmount);
    int y0 = text.height, y1 = 0;
    for (int y = 0; y < text.height; ++y)
        for (int x = 0; x < text.width; ++x)
            if (text.v[size_t(y) * text.width + x] > 0.0f) {
                y0 = std::min(y0, y);
                y1 = std::max(y1, y);
            }
    for (int y = 0; y < text.height; ++y) {
        const Rgb col = mix(top, bottom, clamp01(float(y - y0) / float(std::max(1, y1 - y0))));
        for (int x = 0; x < text.width; ++x)
            c.add(ox + x, oy + y, col, text.v[size_t(y) * text.width + x]);
    }
}

void overOutlinedText(Canvas& c, const Mask& text, int ox, int oy, Rgb fill, Rgb outline, int outlineRadius,
                      Rgb shadow, int shadowOffset)
{
    const Mask edge = grown(text, outlineRadius);
    if (shadowOffset)
        c.overMask(edge, ox + shadowOffset, oy + shadowOffset, shadow, 0.85f);
    c.overMask(edge, ox, oy, outline);
    c.overMask(text, ox, oy, fill);
}

Mask slanted(const Mask& m, float slant)
{
    const int extra = int(std::ceil(std::fabs(slant) * float(m.height)));
    Mask out(m.width + extra, m.height);
    for (int y = 0; y < m.height; ++y) {
        const float shift = slant * float(m.height - 1 - y);
        for (int x = 0; x < out.width; ++x)
            out.at(x, y) = m.sample(float(x) - shift, float(y));
    }
    return out;
}

Mask rotated(const Mask& m, float radians)
{
    const int side = int(std::ceil(std::sqrt(float(m.width * m.width + m.height * m.height)))) + 2;
    Mask out(side, side);
    const float cs = std::cos(radians), sn = std::sin(radians);
    const float cx = float(side) * 0.5f, cy = float(side) * 0.5f;
    const float mx = float(m.width) * 0.5f, my = float(m.height) * 0.5f;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const float dx = float(x) + 0.5f - cx, dy = float(y) + 0.5f - cy;
            out.at(x, y) = m.sample(cs * dx + sn * dy + mx - 0.5f, -sn * dx + cs * dy + my - 0.5f);
        }
    return out;
}

Mask fittedText(const Font& font, const std::string& text, int maxW, float maxHeight, float tracking)
{
    float height = maxHeight;
    const float w = font.advance(text, height, tracking);
    if (w > float(maxW))
        height *= float(maxW) / w;
    return font.render(text, height, tracking * height / maxHeight);
}

PackFile pngFile(const std::string& path, const Canvas& c, int channels)
{
    return {path, encodePng(c, channels)};
}
