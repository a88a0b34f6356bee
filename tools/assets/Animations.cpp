#include "Animations.h"

#include "Noise.h"
#include "Pictures.h"
#include "Rng.h"

#include <cstdio>

namespace {

constexpr float kPi = 3.14159265f;

std::string framePath(const char* dir, const char* stem, int index)
{
    char name[96];
    std::snprintf(name, sizeof name, "data/%s/%s_frame_%04d.png", dir, stem, index + 1);
    return name;
}

struct Vec3 {
    float x, y, z;
};

// A sphere that opens into a rippled torus: the figure at morph m (0 ... 1).
Vec3 figurePoint(float u, float v, float m)
{
    const float sphereR = 1.0f;
    const Vec3 s = {std::cos(v) * std::cos(u) * sphereR, std::sin(v) * sphereR, std::cos(v) * std::sin(u) * sphereR};
    const float w = 2.0f * v;
    const float ring = 0.95f + 0.38f * std::cos(w);
    const Vec3 t = {ring * std::cos(u), 0.38f * std::sin(w), ring * std::sin(u)};
    const float ripple = 1.0f + 0.5f * m * (1.0f - m) * std::sin(5.0f * u + 3.0f * v);
    return {(s.x + (t.x - s.x) * m) * ripple, (s.y + (t.y - s.y) * m) * ripple, (s.z + (t.z - s.z) * m) * ripple};
}

} // namespace

PackFile makeFigureFrame(int index)
{
    const float t = float(index) / float(kFigureFrames - 1);
    const float m = smoothstep(0.0f, 1.0f, t);
    const float yaw = 0.6f * t * kPi, pitch = 0.45f + 0.35f * std::sin(t * kPi);
    Canvas c(kFrameW, kFrameH);
    c.fill({0, 0, 0});
    constexpr int kU = 28, kV = 14;
    const auto project = [&](float u, float v, float& sx, float& sy, float& depth) {
        Vec3 p = figurePoint(u, v, m);
        const float x1 = p.x * std::cos(yaw) + p.z * std::sin(yaw);
        const float z1 = -p.x * std::sin(yaw) + p.z * std::cos(yaw);
        const float y2 = p.y * std::cos(pitch) - z1 * std::sin(pitch);
        const float z2 = p.y * std::sin(pitch) + z1 * std::cos(pitch);
        const float persp = 3.4f / (z2 + 3.6f);
        sx = float(kFrameW) * 0.5f + x1 * persp * 150.0f;
        sy = float(kFrameH) * 0.5f + y2 * persp * 150.0f;
        depth = clamp01((1.4f - z2) / 2.8f);
    };
    const Rgb nearCol = hexColor(0x7ff0ff), farCol = hexColor(0x5a1cff), hot = hexColor(0xff4fd0);
    for (int i = 0; i < kU; ++i)
        for (int j = 0; j <= kV; ++j) {
            const float u0 = 2.0f * kPi * float(i) / kU, u1 = 2.0f * kPi * float(i + 1) / kU;
            const float v0 = -0.5f * kPi + kPi * float(j) / kV;
            float ax, ay, ad, bx, by, bd;
            project(u0, v0, ax, ay, ad);
            project(u1, v0, bx, by, bd);
            const float depth = 0.5f * (ad + bd);
            const Rgb col = mix(mix(farCol, nearCol, depth), hot, m * (1.0f - m) * 2.0f * (1.0f - depth));
            const float bright = 0.25f + 0.75f * depth;
            c.addLine(ax, ay, bx, by, col * bright, 1.1f, 2.6f, 0.35f);
            if (j < kV) {
                const float v1 = -0.5f * kPi + kPi * float(j + 1) / kV;
                project(u0, v1, bx, by, bd);
                const float d2 = 0.5f * (ad + bd);
                c.addLine(ax, ay, bx, by, mix(farCol, nearCol, d2) * (0.25f + 0.75f * d2), 1.1f, 2.6f, 0.35f);
            }
        }
    // A soft core light so the figure glows from inside.
    for (int y = 0; y < kFrameH; ++y)
        for (int x = 0; x < kFrameW; ++x) {
            const float dx = (float(x) - 256.0f) / 150.0f, dy = (float(y) - 192.0f) / 150.0f;
            c.add(x, y, hexColor(0x3a18a0), 0.35f * std::exp(-(dx * dx + dy * dy) * 3.0f));
        }
    return pngFile(framePath("bU2OI2T_2", "bU2OI2T_2", index), c, 3);
}

PackFile makeBurstFrame(int index)
{
    const float t = float(index) / float(kBurstFrames - 1);
    Canvas c(kFrameW, kFrameH);
    c.fill({0, 0, 0});
    const float cx = 256.0f, cy = 192.0f;
    const Rgb ember = hexColor(0xff6a10), gold = hexColor(0xffc040), white = hexColor(0xfff4e0);
    // Sparks flying out of the centre, faster as the burst goes on: warp streaks.
    Rng rng(0xb0257);
    for (int i = 0; i < 420; ++i) {
        const float angle = rng.range(0.0f, 2.0f * kPi);
        const float speed = rng.range(0.35f, 1.0f);
        const float start = rng.range(-0.6f, 0.5f);
        const float hue = rng.uniform();
        const float life = t - start;
        if (life <= 0.0f)
            continue;
        const float r1 = 16.0f + 620.0f * speed * life * life;
        const float r0 = r1 * (0.55f + 0.3f * (1.0f - speed * life));
        const float ca = std::cos(angle), sa = std::sin(angle);
        const Rgb col = mix(ember, gold, hue);
        const float fade = clamp01(1.2f - life * 0.6f);
        c.addLine(cx + ca * r0, cy + sa * r0 * 0.8f, cx + ca * r1, cy + sa * r1 * 0.8f, col * fade, 1.0f + 1.4f * life,
                  2.0f, 0.3f);
    }
    // A shock ring and a growing core; the last frames flood toward the tunnel's orange.
    const float ring = 30.0f + 420.0f * t * t;
    for (int y = 0; y < kFrameH; ++y)
        for (int x = 0; x < kFrameW; ++x) {
            const float dx = float(x) + 0.5f - cx, dy = (float(y) + 0.5f - cy) * 1.25f;
            const float d = std::sqrt(dx * dx + dy * dy);
            const float band = (d - ring) / (6.0f + 30.0f * t);
            c.add(x, y, gold, 0.8f * (1.0f - t * 0.5f) * std::exp(-band * band));
            const float core = d / (20.0f + 140.0f * t * t);
            c.add(x, y, white, (0.5f + 0.8f * t) * std::exp(-core * core));
            c.add(x, y, ember, smoothstep(0.7f, 1.0f, t) * 0.75f * clamp01(1.1f - d / 420.0f));
        }
    return pngFile(framePath("nice-ass", "gass", index), c, 3);
}

PackFile makeLoopFrame(int index)
{
    // A horizon of an endless neon grid under a striped sun. Everything that
    // moves moves by exactly one period per loop, so frame 10 leads into frame 1.
    const float phase = float(index) / float(kLoopFrames);
    Canvas c(kFrameW, kFrameH);
    const float horizon = 236.0f;
    const Rgb skyTop = hexColor(0x12061f), skyLow = hexColor(0x5a0f5e), glowCol = hexColor(0xff3a8c);
    const Rgb sunTop = hexColor(0xffe45a), sunLow = hexColor(0xff2f7a), grid = hexColor(0x3ae8ff);
    const Rgb floorCol = hexColor(0x0b0418);
    for (int y = 0; y < kFrameH; ++y)
        for (int x = 0; x < kFrameW; ++x) {
            const float fx = float(x) + 0.5f, fy = float(y) + 0.5f;
            Rgb col;
            if (fy < horizon) {
                const float h = fy / horizon;
                col = mix(skyTop, skyLow, h * h);
                col = col + glowCol * (0.35f * std::exp((fy - horizon) / 30.0f));
                // The sun: a disc with bands that slide down one period per loop.
                const float d = sdCircle(fx, fy, 256.0f, 150.0f, 92.0f);
                const float sunCover = coverage(d);
                if (sunCover > 0.0f) {
                    const float sv = (fy - 58.0f) / 184.0f;
                    Rgb sun = mix(sunTop, sunLow, clamp01(sv));
                    const float band = (fy - 150.0f) / 12.0f - phase;
                    const float gap = clamp01((sv - 0.45f) * 2.2f) * 0.5f;
                    const float frac = band - std::floor(band);
                    const float cut = gap > 0.0f ? coverage((frac - gap) * 12.0f) : 0.0f;
                    col = mix(col, sun, sunCover * (1.0f - cut));
                }
                col = col + sunLow * (0.25f * std::exp(-std::max(0.0f, d) / 40.0f));
                // Mountains in silhouette, fixed.
                const float ridge = horizon - 22.0f - 18.0f * periodicFbm(fx / 64.0f, 0.5f, 8, 4, 0.5f, 77) -
                                    26.0f * std::max(0.0f, std::sin(fx / 512.0f * 6.2831853f * 2.0f + 0.7f));
                const float hill = coverage(ridge - fy);
                col = mix(col, hexColor(0x1a0830), hill);
                col = col + grid * (0.5f * hill * std::exp(-std::fabs(fy - ridge) * 0.9f));
            } else {
                // Perspective floor: depth z = k / (y - horizon); lines every unit of z and of x / z.
                const float dy = fy - horizon;
                const float z = 90.0f / dy;
                const float wx = (fx - 256.0f) * z / 90.0f;
                const float zLine = z + phase * 0.5f;
                const float lz = std::fabs(zLine * 2.0f - std::round(zLine * 2.0f)) / 2.0f;
                const float lx = std::fabs(wx * 2.0f - std::round(wx * 2.0f)) / 2.0f;
                const float pixZ = 0.5f * z * z / 90.0f * 2.0f; // one pixel in z units
                const float pixX = z / 90.0f * 2.0f;
                const float lineZ = coverage((lz - pixZ * 0.7f) / pixZ);
                const float lineX = coverage((lx - pixX * 0.6f) / pixX);
                const float fade = std::exp(-z * 0.12f) * smoothstep(2.0f, 22.0f, dy);
                col = floorCol + glowCol * (0.25f * std::exp(-dy / 18.0f));
                col = col + grid * (std::max(lineZ, lineX) * fade) + grid * (0.3f * std::exp(-dy / 6.0f));
            }
            c.set(x, y, col);
        }
    return pngFile(framePath("comewithme_2", "comewithme_2", index), c, 3);
}

PackFile makeFinaleFrame(int index)
{
    // A six-fold kaleidoscope falling inwards, turning faster, with a flash
    // where the stamp lands (frame 15, 73.0 s).
    const float t = float(index) / float(kFinaleFrames - 1);
    const float zoom = std::exp(-1.6f * t);
    const float turn = 0.9f * t * t;
    const float flash = index >= 14 ? std::exp(-float(index - 14) * 0.45f) : 0.0f;
    Canvas c(kFrameW, kFrameH);
    const std::vector<Rgb> palette = {hexColor(0x14021c), hexColor(0x6a0a5a), hexColor(0xe0206a),
                                      hexColor(0xff8a3a), hexColor(0xfff0b0)};
    for (int y = 0; y < kFrameH; ++y)
        for (int x = 0; x < kFrameW; ++x) {
            const float dx = (float(x) + 0.5f - 256.0f) / 192.0f, dy = (float(y) + 0.5f - 192.0f) / 192.0f;
            const float r = std::sqrt(dx * dx + dy * dy);
            float a = std::atan2(dy, dx) + turn;
            const float sector = kPi / 3.0f;
            a = a - sector * std::floor(a / sector);
            a = std::min(a, sector - a);
            const float px = r * std::cos(a) * zoom * 6.0f + 0.3f, py = r * std::sin(a) * zoom * 6.0f;
            const float n = periodicFbm(px * 2.0f, py * 2.0f, 64, 4, 0.55f, 4242);
            uint32_t id = 0;
            const float cell = periodicCells(px * 1.5f + 4.0f * t, py * 1.5f, 64, 99, &id);
            float v = n * 0.75f + (1.0f - clamp01(cell * 1.6f)) * 0.45f;
            v = v * (0.45f + 0.75f * t) + 0.12f * std::sin(r * 18.0f - t * 20.0f);
            Rgb col = ramp(palette, clamp01(v));
            col = col * (0.35f + 0.65f * clamp01(r * 1.4f));
            const float ringD = (r - 1.8f * (float(index - 14) / 15.0f)) * 8.0f;
            if (index >= 14)
                col = col + hexColor(0xfff0d0) * (0.6f * std::exp(-ringD * ringD));
            col = col + hexColor(0xffe0c0) * (flash * 0.6f * std::exp(-r * 2.0f));
            c.set(x, y, col);
        }
    return pngFile(framePath("bigass", "bigass", index), c, 3);
}
