#include "Titles.h"

#include "Pictures.h"
#include "Rng.h"

namespace {

const Rgb kIce = hexColor(0xe8fbff);
const Rgb kCyan = hexColor(0x3fc8ff);
const Rgb kViolet = hexColor(0x6a2cff);
const Rgb kMagenta = hexColor(0xff3fb4);

// A thin horizontal light streak, brightest at cx, as lenses draw around a bright point.
void addStreak(Canvas& c, float cx, float cy, float halfLength, Rgb col, float amount)
{
    for (int y = int(cy) - 3; y <= int(cy) + 3; ++y)
        for (int x = 0; x < c.width; ++x) {
            const float dx = (float(x) - cx) / halfLength, dy = float(y) + 0.5f - cy;
            const float a = amount * std::exp(-dx * dx * 4.0f) * std::exp(-dy * dy * 0.9f);
            c.add(x, y, col, a);
        }
}

// The group's name as light: cold chrome letters, a violet halo, a horizon
// line through them and a streak. Centred on row `centerY`.
Canvas logoCanvas(const Fonts& fonts, int centerY, Rgb top, Rgb bottom, Rgb halo, Rgb line)
{
    Canvas c(kFrameW, kFrameH);
    c.fill({0, 0, 0});
    Mask name = fittedText(fonts.sans, kGroupName, 400, 92.0f, 2.0f);
    Mask padded(name.width + 48, name.height + 48);
    padded.stamp(name, 24, 24);
    const Mask wide = slanted(padded, 0.12f);
    const int ox = (kFrameW - wide.width) / 2, oy = centerY - wide.height / 2;
    addGlowText(c, wide, ox, oy, top, bottom, halo, 26, 0.75f);
    // A dark cut through the letters with a bright line under it: the chrome horizon.
    const float horizon = float(oy + wide.height / 2 + 4);
    for (int y = oy; y < oy + wide.height; ++y)
        for (int x = ox; x < ox + wide.width; ++x) {
            const float cover = wide.get(x - ox, y - oy);
            if (cover <= 0.0f)
                continue;
            float* p = c.at(x, y);
            const float dy = float(y) + 0.5f - horizon;
            const float cut = dy > -2.0f && dy < 0.0f ? 0.35f : 1.0f;
            for (int k = 0; k < 3; ++k)
                p[k] *= 1.0f - (1.0f - cut) * cover;
            if (dy >= 0.0f && dy < 2.0f)
                c.add(x, y, line, 0.6f * cover);
        }
    addStreak(c, float(kFrameW) * 0.5f, horizon, 230.0f, line, 0.55f);
    return c;
}

} // namespace

PackFile makeLogo(const Fonts& fonts)
{
    Canvas c = logoCanvas(fonts, 178, kIce, kCyan * 0.9f, kViolet, kMagenta);
    const Mask tag = fonts.mono.render("procedural pixel works", 15.0f, 3.0f);
    c.addMask(tag, (kFrameW - tag.width) / 2, 236, kCyan, 0.9f);
    return pngFile("data/vestmarklogo.png", c, 3);
}

PackFile makeLogoGlitch(const Fonts& fonts)
{
    const Canvas src = logoCanvas(fonts, 178, hexColor(0xfff2c0), hexColor(0xff7a1a), hexColor(0xff2a3a),
                                  hexColor(0x30ffb0));
    Canvas c(kFrameW, kFrameH);
    c.fill({0, 0, 0});
    Rng rng(0x5407);
    // Horizontal bands torn sideways, with red and blue pulled apart.
    int y = 0;
    while (y < kFrameH) {
        const int band = 3 + int(rng.below(22));
        const int shift = rng.uniform() < 0.45f ? int(rng.below(61)) - 30 : 0;
        const int split = 3 + int(rng.below(8));
        const float drop = rng.uniform() < 0.12f ? 0.25f : 1.0f;
        for (int yy = y; yy < std::min(kFrameH, y + band); ++yy)
            for (int x = 0; x < kFrameW; ++x) {
                const auto channel = [&](int dx, int k) {
                    const int sx = x - shift + dx;
                    return sx < 0 || sx >= kFrameW ? 0.0f : src.at(sx, yy)[k];
                };
                float* p = c.at(x, yy);
                p[0] = channel(split, 0) * drop;
                p[1] = channel(0, 1) * drop;
                p[2] = channel(-split, 2) * drop;
            }
        y += band;
    }
    // Scattered blocks of corrupted light.
    for (int i = 0; i < 26; ++i) {
        const int bx = int(rng.below(kFrameW - 40)), by = 120 + int(rng.below(130));
        const int bw = 8 + int(rng.below(40)), bh = 2 + int(rng.below(6));
        const Rgb col = rng.uniform() < 0.5f ? hexColor(0x30ffb0) : hexColor(0xff3060);
        for (int yy = by; yy < by + bh; ++yy)
            for (int xx = bx; xx < bx + bw; ++xx)
                c.add(xx, yy, col, 0.55f);
    }
    return pngFile("data/vestmarkshot.png", c, 3);
}

PackFile makeCredit(const Fonts& fonts, int which)
{
    static const char* const kFiles[] = {"data/zelk.png", "data/response.png", "data/kvp.png"};
    static const char* const kRoles[] = {"code", "graphics", "music"};
    static const char* const kHandles[] = {"KETTIL", "MIRABO", "OSTRAND"};
    Canvas c(kFrameW, kFrameH);
    c.fill({0, 0, 0});
    const Mask role = fonts.mono.render(kRoles[which], 16.0f, 4.0f, 2);
    const Mask handle = fonts.sans.render(kHandles[which], 36.0f, 3.0f, 10);
    // Top left, bottom left, bottom right: clear of the logo band in the middle.
    const int x = which == 2 ? kFrameW - 36 - handle.width : 28;
    const int y = which == 0 ? 26 : 290;
    const int roleX = which == 2 ? x + handle.width - 10 - role.width : x + 12;
    c.addMask(role, roleX, y, kMagenta, 0.95f);
    addGlowText(c, handle, x, y + 18, kIce, kCyan, kViolet, 10, 0.55f);
    // A short rule under the name.
    const int ruleY = y + 18 + handle.height - 6;
    for (int xx = x + 10; xx < x + handle.width - 10; ++xx) {
        const float t = float(xx - x - 10) / float(handle.width - 20);
        c.add(xx, ruleY, which == 2 ? kCyan : kMagenta, which == 2 ? t : 1.0f - t);
    }
    return pngFile(kFiles[which], c, 3);
}

PackFile makeWhite()
{
    Canvas c(kFrameW, kFrameH);
    c.fill({1, 1, 1});
    return {"data/white.png", encodePng(c, 3, false)};
}

PackFile makeYearsTitle(const Fonts& fonts)
{
    Canvas c(kFrameW, kFrameH);
    c.fill({0, 0, 0});
    const Mask big = fonts.serif.render("20 YEARS", 84.0f, 4.0f, 24);
    addGlowText(c, big, (kFrameW - big.width) / 2, 96, hexColor(0xfff4d6), hexColor(0xffa22a), hexColor(0xff5a1a),
                24, 0.7f);
    const Mask sub = fonts.mono.render("of pixels made by code alone", 17.0f, 2.0f, 4);
    c.addMask(sub, (kFrameW - sub.width) / 2, 222, hexColor(0xffd9a0), 0.95f);
    const Mask thanks = fonts.sans.render("thank you for watching", 15.0f, 2.0f, 4);
    c.addMask(thanks, (kFrameW - thanks.width) / 2, 256, hexColor(0xff8a3a), 0.85f);
    return pngFile("data/20yrs.png", c, 3);
}

PackFile makeLastTitle(const Fonts& fonts)
{
    Canvas c = logoCanvas(fonts, 170, hexColor(0xfff8e8), hexColor(0xffb04a), hexColor(0xff4a2a),
                          hexColor(0xffe0a0));
    const Mask wish = fonts.mono.render("see you next year", 18.0f, 4.0f, 4);
    c.addMask(wish, (kFrameW - wish.width) / 2, 232, hexColor(0xffc880), 0.95f);
    return pngFile("data/vestmarkny.png", c, 3);
}
