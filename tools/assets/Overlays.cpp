#include "Overlays.h"

#include "Noise.h"
#include "Pictures.h"
#include "Rng.h"

namespace {

const Rgb kInk = hexColor(0x14100c);
const Rgb kAmber = hexColor(0xffb22a);
const Rgb kWhite = hexColor(0xfff8ee);

// Diagonal warning stripes, 1 on the light stripes.
float hazard(float x, float y)
{
    const float s = (x + y) / 14.0f;
    const float f = s - std::floor(s);
    return coverage((std::fabs(f - 0.5f) - 0.25f) * 14.0f);
}

PackFile tunnelFrame(const Fonts& fonts)
{
    Canvas c(kFrameW, kFrameH);
    // Letterbox bands of smoked glass at the top and bottom.
    for (int y = 0; y < kFrameH; ++y)
        for (int x = 0; x < kFrameW; ++x) {
            const float fy = float(y) + 0.5f;
            const float band = std::max(coverage(fy - 30.0f), coverage(float(kFrameH) - 30.0f - fy));
            c.over(x, y, kInk, 0.62f * band);
        }
    // Corner brackets with warning stripes, and thin rules between them.
    const float inset = 14.0f, arm = 92.0f, thick = 12.0f;
    for (int y = 0; y < kFrameH; ++y)
        for (int x = 0; x < kFrameW; ++x) {
            const float fx = float(x) + 0.5f, fy = float(y) + 0.5f;
            const float mx = std::min(fx, float(kFrameW) - fx), my = std::min(fy, float(kFrameH) - fy);
            const float horizontal = sdRoundBox(mx, my, inset + arm * 0.5f, inset + thick * 0.5f, arm * 0.5f,
                                                thick * 0.5f, 2.0f);
            const float vertical = sdRoundBox(mx, my, inset + thick * 0.5f, inset + arm * 0.5f, thick * 0.5f,
                                              arm * 0.5f, 2.0f);
            const float d = std::min(horizontal, vertical);
            if (d < 3.0f) {
                c.over(x, y, kInk, coverage(d - 2.0f));
                const float stripe = hazard(fx, fy);
                c.over(x, y, mix(kInk, kAmber, stripe), coverage(d));
            }
            const float rule = std::min(std::fabs(my - (inset + 3.0f)), std::fabs(mx - (inset + 3.0f)));
            if (rule < 2.0f && (mx > inset + arm + 8.0f || my > inset + arm + 8.0f))
                c.over(x, y, kAmber, 0.55f * coverage(rule - 0.5f));
        }
    // Ticks down the right edge: a depth gauge.
    for (int i = 0; i < 24; ++i) {
        const float y = 120.0f + float(i) * 6.0f;
        const float len = i % 4 == 0 ? 16.0f : 8.0f;
        for (int yy = int(y); yy < int(y) + 2; ++yy)
            for (int x = int(float(kFrameW) - 20.0f - len); x < kFrameW - 20; ++x)
                c.over(x, yy, kAmber, 0.85f);
    }
    const Mask label = fonts.mono.render("VESTMARK // TRANSIT 07", 13.0f, 2.0f);
    c.overMask(label, 124, 8, kAmber);
    const Mask depth = fonts.mono.render("DEPTH  >>>  CORE", 13.0f, 2.0f);
    c.overMask(depth, kFrameW - 124 - depth.width, kFrameH - 24, kWhite, 0.9f);
    return pngFile("data/pig_tun.png", c, 4);
}

PackFile sidePanel(const Fonts& fonts)
{
    const int w = 190, h = 384;
    Canvas c(w, h);
    const Rgb glass = hexColor(0x061a33), ice = hexColor(0x8fe8ff), deep = hexColor(0x2a7dff);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const float fx = float(x) + 0.5f, fy = float(y) + 0.5f;
            const float d = sdRoundBox(fx, fy, 110.0f, 192.0f, 66.0f, 176.0f, 14.0f);
            c.over(x, y, glass, 0.55f * coverage(d));
            const float rim = std::fabs(d + 1.0f) - 1.0f;
            c.over(x, y, ice, 0.8f * coverage(rim));
        }
    // The group's name running up the panel.
    const Mask name = fonts.narrow.render(kGroupName, 56.0f, 6.0f, 4);
    const Mask up = rotated(name, -1.5707963f);
    Mask glow = up;
    glow.blur(8);
    c.overMask(glow, 78 - up.width / 2, 192 - up.height / 2, deep, 0.7f);
    c.overMask(up, 78 - up.width / 2, 192 - up.height / 2, ice);
    // A level meter of twenty segments beside it, lit from the bottom.
    for (int i = 0; i < 20; ++i) {
        const float y = 340.0f - float(i) * 15.0f;
        const float lit = i < 14 ? 1.0f : 0.25f;
        const Rgb col = mix(deep, ice, float(i) / 19.0f);
        for (int yy = int(y); yy < int(y) + 10; ++yy)
            for (int x = 134; x < 162; ++x)
                c.over(x, yy, col, 0.9f * lit);
    }
    return pngFile("data/pig_tun2.png", c, 4);
}

// A slanted caption in bold white with a dark outline and a coloured shadow.
PackFile caption(const Fonts& fonts, const char* path, const char* text, int maxW, int maxH, Rgb shadow)
{
    const Mask plain = fittedText(fonts.sans, text, maxW - 40, float(maxH) * 0.62f, 1.0f);
    const Mask m = slanted(plain, 0.2f);
    Canvas c(std::min(maxW, m.width + 16), std::min(maxH, m.height + 16));
    overOutlinedText(c, m, 6, 6, kWhite, kInk, 4, shadow, 4);
    return pngFile(path, c, 4);
}

} // namespace

const char* const kCaptionWords[11] = {"NOTHING", "HERE", "WAS",  "DRAWN", "BY HAND", "EVERY",
                                       "PIXEL",   "IS",   "PURE", "CODE",  "ENJOY"};

std::vector<PackFile> makeTunnelOverlays(const Fonts& fonts)
{
    const Rgb hot = hexColor(0xff5a10), cold = hexColor(0x2a7dff);
    return {tunnelFrame(fonts),
            caption(fonts, "data/pig_text1.png", "FULL SPEED", 300, 100, hot),
            caption(fonts, "data/pig_text2.png", "NO BRAKES", 300, 100, hot),
            sidePanel(fonts),
            caption(fonts, "data/pig_text3.png", "COLD FLOW", 250, 100, cold),
            caption(fonts, "data/pig_text4.png", "HOLD ON", 200, 100, cold)};
}

std::vector<PackFile> makeCaptions(const Fonts& fonts)
{
    static const char* const kFiles[11] = {"data/text_shake.png", "data/text_2.png", "data/text_3.png",
                                           "data/father.png",     "data/fucker.png", "data/text_5.png",
                                           "data/text_6.png",     "data/text_7.png", "data/text_8.png",
                                           "data/text_9.png",     "data/text_10.png"};
    // One size for all eleven, the largest at which the longest word fits.
    float height = 78.0f;
    for (const char* word : kCaptionWords)
        height = std::min(height, height * 220.0f / std::max(1.0f, fonts.sans.advance(word, height, 1.0f)));
    std::vector<PackFile> files;
    const Rgb shadows[2] = {hexColor(0xff2f7a), hexColor(0x3ae8ff)};
    for (int i = 0; i < 11; ++i) {
        Mask m = fonts.sans.render(kCaptionWords[i], height, 1.0f, 2);
        if (i == 0) {
            // The first word trembles: each column nudged up or down a little.
            Mask shaken(m.width, m.height);
            for (int x = 0; x < m.width; ++x) {
                const float dy = 3.0f * std::sin(float(x) * 0.21f) * std::sin(float(x) * 0.057f + 1.0f);
                for (int y = 0; y < m.height; ++y)
                    shaken.at(x, y) = m.sample(float(x), float(y) + dy);
            }
            m = shaken;
        }
        Canvas c(std::min(256, m.width + 20), std::min(120, m.height + 20));
        overOutlinedText(c, m, 8, 8, kWhite, hexColor(0x12061f), 5, shadows[i / 5 % 2], 5);
        files.push_back(pngFile(kFiles[i], c, 4));
    }
    return files;
}

PackFile makeEmblem(const Fonts& fonts)
{
    // A round badge with the group's initials, ringed by a dashed circle.
    const int size = 120;
    Canvas c(size, size);
    const Rgb disc = hexColor(0x1a0830), ring = hexColor(0x3ae8ff), pink = hexColor(0xff3a8c);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float fx = float(x) + 0.5f, fy = float(y) + 0.5f;
            const float d = sdCircle(fx, fy, 60.0f, 60.0f, 56.0f);
            c.over(x, y, disc, 0.9f * coverage(d));
            c.over(x, y, pink, coverage(std::fabs(d + 3.0f) - 2.0f));
            const float a = std::atan2(fy - 60.0f, fx - 60.0f);
            const float dash = std::sin(a * 18.0f) > 0.0f ? 1.0f : 0.0f;
            c.over(x, y, ring, dash * coverage(std::fabs(d + 11.0f) - 1.5f));
        }
    const Mask vm = fittedText(fonts.sans, "VM", 70, 52.0f, -2.0f);
    overOutlinedText(c, vm, 60 - vm.width / 2, 58 - vm.height / 2, hexColor(0xfff8ee), disc, 2, pink, 0);
    return pngFile("data/minimicro.png", c, 4);
}

PackFile makeStamp(const Fonts& fonts)
{
    // Rubber-stamp ink: a double frame and two lines of text, turned, with worn patches.
    const int w = 360, h = 180;
    Mask ink(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const float fx = float(x) + 0.5f, fy = float(y) + 0.5f;
            const float outer = sdRoundBox(fx, fy, 180.0f, 90.0f, 172.0f, 82.0f, 18.0f);
            const float inner = sdRoundBox(fx, fy, 180.0f, 90.0f, 158.0f, 68.0f, 10.0f);
            ink.at(x, y) = std::max(coverage(std::fabs(outer) - 5.0f), coverage(std::fabs(inner) - 2.0f));
        }
    const Mask big = fittedText(fonts.sans, "100% CODE", 300, 74.0f, 2.0f);
    ink.stamp(big, (w - big.width) / 2, 30);
    const Mask small = fonts.sans.render("NO PIXEL DRAWN BY HAND", 19.0f, 1.5f);
    ink.stamp(small, (w - small.width) / 2, 118);
    const Mask turned = rotated(ink, -0.24f);
    const Mask edge = grown(turned, 4);
    Canvas c(kFrameW, kFrameH);
    const Rgb red = hexColor(0xd8142c);
    const int ox = (kFrameW - turned.width) / 2, oy = (kFrameH - turned.height) / 2;
    for (int y = 0; y < turned.height; ++y)
        for (int x = 0; x < turned.width; ++x) {
            const int tx = ox + x, ty = oy + y;
            const float wear = periodicFbm(float(tx) / 9.0f, float(ty) / 9.0f, 64, 3, 0.5f, 31337);
            const float grain = hashUnit(uint32_t(tx), uint32_t(ty), 808);
            const float keep = smoothstep(0.22f, 0.34f, wear) * (0.85f + 0.15f * grain);
            c.over(tx, ty, hexColor(0x2a0408), edge.get(x, y) * keep * 0.7f);
            c.over(tx, ty, red, turned.get(x, y) * keep);
        }
    return pngFile("data/stamp1.png", c, 4);
}
