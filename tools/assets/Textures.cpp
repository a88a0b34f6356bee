#include "Textures.h"

#include "Noise.h"
#include "Pictures.h"
#include "Rng.h"

namespace {

constexpr int kTex = 256;

// Distance to the edge of the cell of size `cell` that (x, y) lies in.
float cellEdge(float x, float y, float cell, float& u, float& v)
{
    u = x / cell - std::floor(x / cell);
    v = y / cell - std::floor(y / cell);
    return std::min(std::min(u, 1.0f - u), std::min(v, 1.0f - v)) * cell;
}

// A small grey tile of one kind: 0 checks, 1 rings, 2 Truchet arcs, 3 bricks,
// 4 cloudy noise, 5 diagonal stripes, 6 cells, 7 waves.
Canvas greyTile(int kind, int size)
{
    Canvas c(size, size);
    const float s = float(size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float fx = float(x) + 0.5f, fy = float(y) + 0.5f;
            float v = 0.0f;
            switch (kind) {
            case 0: v = ((x / 8 + y / 8) & 1) ? 0.85f : 0.15f; break;
            case 1: v = 0.5f + 0.5f * std::cos(std::sqrt((fx - s / 2) * (fx - s / 2) + (fy - s / 2) * (fy - s / 2)) * 0.6f); break;
            case 2: {
                const int cx = x / 16, cy = y / 16;
                const float u = (fx - float(cx * 16)) / 16.0f, w = (fy - float(cy * 16)) / 16.0f;
                const bool flip = hash32(uint32_t(cx), uint32_t(cy), 3) & 1;
                const float a = flip ? std::sqrt(u * u + w * w) : std::sqrt((1 - u) * (1 - u) + w * w);
                const float b = flip ? std::sqrt((1 - u) * (1 - u) + (1 - w) * (1 - w)) : std::sqrt(u * u + (1 - w) * (1 - w));
                v = 0.15f + 0.8f * std::max(coverage((std::fabs(a - 0.5f) - 0.12f) * 16.0f),
                                            coverage((std::fabs(b - 0.5f) - 0.12f) * 16.0f));
                break;
            }
            case 3: {
                const int row = y / 8;
                const float bx = fx + (row & 1 ? 8.0f : 0.0f);
                const float mortar = std::min(std::fabs(std::fmod(bx, 16.0f)), std::fabs(std::fmod(fy, 8.0f)));
                v = mortar < 1.0f ? 0.2f : 0.55f + 0.3f * hashUnit(uint32_t(int(bx) / 16), uint32_t(row), 5);
                break;
            }
            case 4: v = periodicFbm(fx / 16.0f, fy / 16.0f, size / 16, 4, 0.5f, 404); break;
            case 5: v = 0.5f + 0.5f * std::sin((fx + fy) / s * 6.2831853f * 4.0f); break;
            case 6: v = clamp01(periodicCells(fx / 16.0f, fy / 16.0f, size / 16, 66, nullptr) * 1.3f); break;
            default: v = 0.5f + 0.5f * std::sin(fx / s * 6.2831853f * 2.0f + 2.0f * std::sin(fy / s * 6.2831853f)); break;
            }
            c.set(x, y, {v, v, v});
        }
    return c;
}

} // namespace

Canvas orangeTunnelTexture()
{
    // Riveted hull plates on an 8 × 8 grid with glowing seams, hazard bands
    // every other row of plates and grime; every feature repeats within 256.
    Canvas c(kTex, kTex);
    const Rgb dark = hexColor(0x2a0c02), plate = hexColor(0xb8480e), light = hexColor(0xffa040);
    const Rgb seam = hexColor(0xffe08a), black = hexColor(0x120602);
    for (int y = 0; y < kTex; ++y)
        for (int x = 0; x < kTex; ++x) {
            const float fx = float(x) + 0.5f, fy = float(y) + 0.5f;
            float u, v;
            const float edge = cellEdge(fx, fy, 32.0f, u, v);
            const int px = x / 32, py = y / 32;
            const float grime = periodicFbm(fx / 32.0f, fy / 32.0f, 8, 4, 0.55f, 2024);
            const float tone = 0.6f + 0.4f * hashUnit(uint32_t(px), uint32_t(py), 17);
            // Bevel: lit on the top and left edges of a plate, shaded on the others.
            const float bevel = clamp01((4.0f - edge) / 4.0f);
            const float side = (u < v ? (u < 1.0f - v ? 1.0f : -1.0f) : (v < 1.0f - u ? 1.0f : -1.0f));
            Rgb col = mix(dark, plate, tone * (0.55f + 0.45f * grime));
            col = mix(col, side > 0.0f ? light : black, bevel * 0.6f);
            if ((py & 1) == 0 && ((px + py / 2) % 3) == 0) {
                const float s = (fx + fy) / 16.0f;
                const float stripe = coverage((std::fabs(s - std::floor(s) - 0.5f) - 0.25f) * 16.0f);
                col = mix(col, mix(black, hexColor(0xffb020), stripe), clamp01((edge - 5.0f) * 0.5f));
            }
            // Rivets near each plate corner.
            for (float cu : {0.16f, 0.84f})
                for (float cv : {0.16f, 0.84f}) {
                    const float d = std::sqrt((u - cu) * (u - cu) + (v - cv) * (v - cv)) * 32.0f;
                    col = mix(col, mix(light, dark, clamp01((u - cu + v - cv) * 10.0f + 0.5f)), coverage(d - 2.0f));
                }
            // The seams between plates glow.
            col = col + seam * (0.9f * std::exp(-edge * edge * 0.6f));
            c.set(x, y, col);
        }
    return c;
}

Canvas blueTunnelTexture()
{
    // Circuit traces: Truchet quarter arcs on a 16-pixel grid over dark ice,
    // with pads where arcs meet and a slow frost of noise.
    Canvas c(kTex, kTex);
    const Rgb deep = hexColor(0x020a1e), mid = hexColor(0x0a3a78), trace = hexColor(0x38d8ff);
    const Rgb pad = hexColor(0xe8fbff);
    for (int y = 0; y < kTex; ++y)
        for (int x = 0; x < kTex; ++x) {
            const float fx = float(x) + 0.5f, fy = float(y) + 0.5f;
            const int cx = x / 32, cy = y / 32;
            const float u = (fx - float(cx * 32)) / 32.0f, w = (fy - float(cy * 32)) / 32.0f;
            const bool flip = hash32(uint32_t(cx), uint32_t(cy), 91) & 1;
            const float a = flip ? std::hypot(u, w) : std::hypot(1 - u, w);
            const float b = flip ? std::hypot(1 - u, 1 - w) : std::hypot(u, 1 - w);
            const float d = std::min(std::fabs(a - 0.5f), std::fabs(b - 0.5f)) * 32.0f;
            const float frost = periodicFbm(fx / 32.0f, fy / 32.0f, 8, 4, 0.5f, 777);
            float gu, gv;
            const float gridEdge = cellEdge(fx, fy, 8.0f, gu, gv);
            Rgb col = mix(deep, mid, frost * 0.8f);
            col = col + mid * (0.35f * coverage(gridEdge - 0.5f));
            col = col + trace * (0.35f * std::exp(-d * d * 0.08f));
            col = mix(col, trace, coverage(d - 2.2f));
            const float padD = std::min(std::min(std::hypot(u - 0.5f, w), std::hypot(u - 0.5f, 1 - w)),
                                        std::min(std::hypot(u, w - 0.5f), std::hypot(1 - u, w - 0.5f))) * 32.0f;
            col = mix(col, pad, coverage(padD - 3.5f));
            col = mix(col, deep, coverage(padD - 1.5f));
            c.set(x, y, col);
        }
    return c;
}

std::vector<PackFile> makeTextures(const Fonts& fonts)
{
    std::vector<PackFile> files = {pngFile("data/tun_orange.png", orangeTunnelTexture(), 3),
                                   pngFile("data/tun_blue.png", blueTunnelTexture(), 3)};
    static const char* const kGrey[7] = {"data/tun_bw.png",  "data/tun_bw2.png", "data/tun_bw3.png",
                                         "data/tun_bw4.png", "data/tun_bw5.png", "data/tun_bw6.png",
                                         "data/tun_bw7.png"};
    for (int i = 0; i < 7; ++i)
        files.push_back(pngFile(kGrey[i], greyTile(i, 64), 1));
    files.push_back(pngFile("data/wave.png", greyTile(7, 64), 1));

    Canvas micro(64, 64);
    const Mask vm = fittedText(fonts.sans, "VM", 52, 40.0f);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            micro.over(x, y, hexColor(0x1a0830), coverage(sdCircle(float(x) + 0.5f, float(y) + 0.5f, 32, 32, 30)));
    micro.overMask(vm, 32 - vm.width / 2, 32 - vm.height / 2, hexColor(0x3ae8ff));
    files.push_back(pngFile("data/micro.png", micro, 4));

    // A small pig's face.
    Canvas pig(64, 64);
    const Rgb pink = hexColor(0xf8a0b8), deepPink = hexColor(0xd0607e), eye = hexColor(0x20141a);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const float fx = float(x) + 0.5f, fy = float(y) + 0.5f;
            const float ears = std::min(sdSegment(fx, fy, 14, 16, 8, 5) - 6.0f, sdSegment(fx, fy, 50, 16, 56, 5) - 6.0f);
            pig.over(x, y, deepPink, coverage(ears));
            pig.over(x, y, pink, coverage(sdCircle(fx, fy, 32, 35, 24)));
            pig.over(x, y, deepPink, coverage(sdRoundBox(fx, fy, 32, 42, 11, 7.5f, 7)));
            pig.over(x, y, eye, coverage(sdCircle(fx, fy, 28, 42, 2.2f)));
            pig.over(x, y, eye, coverage(sdCircle(fx, fy, 36, 42, 2.2f)));
            pig.over(x, y, eye, coverage(sdCircle(fx, fy, 23, 28, 2.8f)));
            pig.over(x, y, eye, coverage(sdCircle(fx, fy, 41, 28, 2.8f)));
        }
    files.push_back(pngFile("data/pig1.png", pig, 4));
    return files;
}
