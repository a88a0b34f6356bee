#include "Sprites.h"

#include "Noise.h"
#include "Pictures.h"
#include "Rng.h"

namespace {

constexpr float kPi = 3.14159265f;
constexpr int kBodyW = 390, kBodyH = 220;
const float kSpeakerX[2] = {97.0f, 293.0f};
constexpr float kSpeakerY = 128.0f, kSpeakerR = 60.0f;

const Rgb kChromeHi = hexColor(0xf4f6fa), kChromeLo = hexColor(0x59606e), kPanel = hexColor(0x1b1d24);
const Rgb kHot = hexColor(0xff3a8c), kGlow = hexColor(0x3ae8ff);

Rgb chrome(float t)
{
    // Bright sky above a dark horizon band: the classic chrome look.
    return ramp({kChromeHi, hexColor(0xc8cdd8), kChromeLo, hexColor(0x9aa2b2), kChromeHi}, t);
}

PackFile body(const Fonts& fonts)
{
    Canvas c(kBodyW, kBodyH);
    for (int y = 0; y < kBodyH; ++y)
        for (int x = 0; x < kBodyW; ++x) {
            const float fx = float(x) + 0.5f, fy = float(y) + 0.5f;
            const float outer = sdRoundBox(fx, fy, 195.0f, 123.0f, 186.0f, 90.0f, 26.0f);
            const float shadowD = sdRoundBox(fx, fy, 199.0f, 127.0f, 186.0f, 90.0f, 26.0f);
            c.over(x, y, {0, 0, 0}, 0.45f * coverage(shadowD - 2.0f));
            const float bevel = clamp01(-outer / 7.0f);
            Rgb col = chrome((fy - 33.0f) / 180.0f);
            col = mix(col * 1.1f, col, bevel);
            c.over(x, y, col, coverage(outer));
            // The dark front panel the speakers and the deck sit in.
            const float panel = sdRoundBox(fx, fy, 195.0f, 130.0f, 172.0f, 72.0f, 16.0f);
            c.over(x, y, kPanel, coverage(panel));
            c.over(x, y, kChromeLo, 0.8f * coverage(std::fabs(panel) - 1.0f));
            // Speaker grills: dotted mesh in a recessed ring.
            for (float sx : kSpeakerX) {
                const float d = sdCircle(fx, fy, sx, kSpeakerY, kSpeakerR + 4.0f);
                c.over(x, y, hexColor(0x0c0d10), coverage(d));
                c.over(x, y, mix(kChromeLo, kChromeHi, 0.5f + 0.5f * (kSpeakerY - fy) / kSpeakerR),
                       coverage(std::fabs(d) - 2.0f));
                const float gx = fx / 6.0f - std::round(fx / 6.0f), gy = fy / 6.0f - std::round(fy / 6.0f);
                const float hole = std::sqrt(gx * gx + gy * gy) * 6.0f - 1.4f;
                c.over(x, y, hexColor(0x2c2f38), coverage(hole) * coverage(d + 3.0f));
            }
            // The cassette window between them.
            const float deck = sdRoundBox(fx, fy, 195.0f, 142.0f, 30.0f, 22.0f, 5.0f);
            c.over(x, y, hexColor(0x3a1030), coverage(deck));
            c.over(x, y, kHot, coverage(std::fabs(deck) - 1.0f));
            for (float rx : {181.0f, 209.0f}) {
                const float reel = sdCircle(fx, fy, rx, 142.0f, 8.0f);
                c.over(x, y, hexColor(0xe8e0f0), coverage(std::fabs(reel) - 1.5f));
            }
            // The display above the deck and buttons along the top.
            const float lcd = sdRoundBox(fx, fy, 195.0f, 96.0f, 32.0f, 11.0f, 3.0f);
            c.over(x, y, hexColor(0x06262c), coverage(lcd));
            for (int b = 0; b < 5; ++b) {
                const float key = sdRoundBox(fx, fy, 120.0f + float(b) * 38.0f, 31.0f, 13.0f, 5.0f, 2.0f);
                c.over(x, y, b == 2 ? kHot : hexColor(0x2c2f38), coverage(key));
            }
        }
    const Mask lcdText = fonts.mono.render("VSTMRK", 13.0f, 1.0f);
    c.overMask(lcdText, 195 - lcdText.width / 2, 96 - lcdText.height / 2, kGlow);
    return pngFile("data/bacon.png", c, 4);
}

PackFile handle()
{
    // The same frame as the body, moved by (20, 40): the body shows through the middle.
    const int w = 410, h = 260;
    Canvas c(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const float fx = float(x) + 0.5f, fy = float(y) + 0.5f;
            // Aerial: a thin rod leaning right with a ball at its tip.
            const float rod = sdSegment(fx, fy, 330.0f, 52.0f, 398.0f, 8.0f) - 2.2f;
            c.over(x, y, chrome(0.3f + 0.02f * (fy - 8.0f)), coverage(rod));
            const float tip = sdCircle(fx, fy, 398.0f, 8.0f, 6.0f);
            c.over(x, y, kHot, coverage(tip));
            c.over(x, y, kChromeHi, 0.8f * coverage(sdCircle(fx, fy, 396.0f, 6.0f, 2.0f)));
            // The carrying handle: a thick chrome tube arching over the body.
            if (fy < 56.0f) {
                const float arch = std::fabs(sdRoundBox(fx, fy, 215.0f, 60.0f, 122.0f, 44.0f, 30.0f)) - 7.0f;
                const float t = clamp01((fy - 10.0f) / 50.0f);
                c.over(x, y, {0, 0, 0}, 0.4f * coverage(arch - 2.0f));
                c.over(x, y, chrome(0.15f + 0.5f * t + 0.1f * clamp01(-arch / 7.0f)), coverage(arch));
            }
            // Two brackets where the handle meets the body.
            for (float bx : {93.0f, 337.0f}) {
                const float bracket = sdRoundBox(fx, fy, bx, 50.0f, 12.0f, 9.0f, 3.0f);
                c.over(x, y, kPanel, coverage(bracket));
                c.over(x, y, kChromeHi, coverage(std::fabs(bracket) - 1.0f));
            }
        }
    return pngFile("data/bigbacon.png", c, 4);
}

PackFile speakers(int frame)
{
    // Frame 0 is the hit: the cones pushed out; then they fall back, and a
    // ring of sound leaves each speaker and fades before the next beat.
    const float push = std::exp(-float(frame) * 0.6f);
    const float wave = float(frame) / float(kSpeakerFrames);
    Canvas c(kBodyW, kBodyH);
    for (int y = 0; y < kBodyH; ++y)
        for (int x = 0; x < kBodyW; ++x) {
            const float fx = float(x) + 0.5f, fy = float(y) + 0.5f;
            for (float sx : kSpeakerX) {
                const float r = std::sqrt((fx - sx) * (fx - sx) + (fy - kSpeakerY) * (fy - kSpeakerY));
                const float ringR = kSpeakerR + 6.0f + 70.0f * wave;
                const float ring = std::fabs(r - ringR) - 2.5f * (1.0f - wave);
                const float border = std::min(std::min(fx, float(kBodyW) - fx), std::min(fy, float(kBodyH) - fy));
                c.over(x, y, mix(kGlow, kHot, wave), (1.0f - wave) * 0.75f * coverage(ring) * smoothstep(1.0f, 16.0f, border));
                const float scale = 1.0f + 0.09f * push;
                const float rr = r / scale;
                const float cone = rr - (kSpeakerR - 6.0f);
                if (cone < 1.0f) {
                    // Light from the top left; the cone bulges more the harder it is pushed.
                    const float lx = (fx - sx) / (kSpeakerR * scale), ly = (fy - kSpeakerY) / (kSpeakerR * scale);
                    const float shade = clamp01(0.55f - 0.45f * (lx + ly) * (0.6f + 0.4f * push));
                    Rgb col = mix(hexColor(0x101116), hexColor(0x4a4f5e), shade);
                    const float ridge = std::fabs(std::sin(rr * 0.55f)) * 0.12f;
                    col = col * (0.9f + ridge);
                    const float surround = std::fabs(cone + 4.0f) - 3.0f;
                    col = mix(col, hexColor(0x2a2d36), coverage(surround));
                    const float cap = sdCircle(rr, 0.0f, 0.0f, 0.0f, 17.0f + 5.0f * push);
                    col = mix(col, mix(hexColor(0x8a1048), kHot, 0.5f + 0.5f * push), coverage(cap));
                    col = col + hexColor(0xffffff) * (0.35f * coverage(sdCircle(fx, fy, sx - 6.0f, kSpeakerY - 6.0f,
                                                                               4.0f + 2.0f * push)));
                    c.over(x, y, col, coverage(cone));
                }
            }
        }
    return pngFile("data/mouth" + std::to_string(frame + 1) + ".png", c, 4);
}

// A 128 × 128 icon: a little tunnel of orange rings.
PackFile tunnelIcon()
{
    Canvas c(128, 128);
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            const float dx = float(x) + 0.5f - 64.0f, dy = float(y) + 0.5f - 64.0f;
            const float r = std::max(1.0f, std::sqrt(dx * dx + dy * dy));
            const float depth = 360.0f / r, angle = std::atan2(dy, dx) * 8.0f / kPi;
            const bool check = (int(std::floor(depth)) + int(std::floor(angle))) & 1;
            Rgb col = check ? hexColor(0xff8a1a) : hexColor(0x5a1a06);
            col = col * clamp01(r / 64.0f + 0.05f) + hexColor(0xfff0c0) * (0.8f * std::exp(-r / 6.0f));
            const float frame = sdRoundBox(float(x) + 0.5f, float(y) + 0.5f, 64.0f, 64.0f, 60.0f, 60.0f, 14.0f);
            col = mix(hexColor(0x141018), col, coverage(frame));
            c.over(x, y, mix(col, hexColor(0xffc060), coverage(std::fabs(frame) - 1.5f)), 1.0f);
        }
    return {"data/ass1.bmp", encodeBmp24(c)};
}

// A 128 × 128 icon: blue mountains under a night sky.
PackFile landscapeIcon()
{
    Canvas c(128, 128);
    Rng rng(0xa552);
    std::vector<std::pair<int, int>> stars;
    for (int i = 0; i < 40; ++i)
        stars.emplace_back(int(rng.below(128)), int(rng.below(70)));
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            const float fx = float(x) + 0.5f, fy = float(y) + 0.5f;
            Rgb col = mix(hexColor(0x040818), hexColor(0x1a3a7a), fy / 128.0f);
            col = col + hexColor(0xdff4ff) * coverage(sdCircle(fx, fy, 92.0f, 34.0f, 12.0f));
            for (int layer = 0; layer < 3; ++layer) {
                const float base = 70.0f + float(layer) * 18.0f;
                const float ridge = base - 26.0f * periodicFbm(fx / 24.0f, float(layer), 8, 3, 0.5f, 11 + layer);
                const Rgb land = mix(hexColor(0x3a7ad8), hexColor(0x08142e), float(layer) / 2.0f);
                col = mix(col, land, coverage(ridge - fy));
            }
            const float frame = sdRoundBox(fx, fy, 64.0f, 64.0f, 60.0f, 60.0f, 14.0f);
            col = mix(hexColor(0x101420), col, coverage(frame));
            c.over(x, y, mix(col, hexColor(0x8fe8ff), coverage(std::fabs(frame) - 1.5f)), 1.0f);
        }
    for (const auto& [sx, sy] : stars)
        if (sy > 8 && sx > 8 && sx < 120)
            c.add(sx, sy, hexColor(0xffffff), 0.7f);
    return {"data/ass2.bmp", encodeBmp24(c)};
}

} // namespace

std::vector<PackFile> makeSprites(const Fonts& fonts)
{
    std::vector<PackFile> files = {body(fonts), handle()};
    for (int i = 0; i < kSpeakerFrames; ++i)
        files.push_back(speakers(i));
    files.push_back(tunnelIcon());
    files.push_back(landscapeIcon());
    return files;
}
