#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

// The drawing toolkit every picture is made with: float colours, a
// premultiplied RGBA canvas, a coverage mask, and signed-distance shapes whose
// coverage clamp(0.5 - d) gives one-pixel antialiased edges.

struct Rgb {
    float r = 0.0f, g = 0.0f, b = 0.0f;
};

constexpr Rgb hexColor(uint32_t rgb)
{
    return {float((rgb >> 16) & 255) / 255.0f, float((rgb >> 8) & 255) / 255.0f, float(rgb & 255) / 255.0f};
}

inline Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Rgb operator*(Rgb a, float s) { return {a.r * s, a.g * s, a.b * s}; }
inline Rgb operator*(Rgb a, Rgb b) { return {a.r * b.r, a.g * b.g, a.b * b.b}; }
inline Rgb mix(Rgb a, Rgb b, float t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }

inline float clamp01(float v) { return std::min(1.0f, std::max(0.0f, v)); }
inline float smoothstep(float e0, float e1, float x)
{
    const float t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3.0f - 2.0f * t);
}
inline float coverage(float distance) { return clamp01(0.5f - distance); }

// Colour ramp through evenly spaced stops, t in 0 ... 1.
Rgb ramp(const std::vector<Rgb>& stops, float t);

// Signed distances in pixels, negative inside.
inline float sdCircle(float x, float y, float cx, float cy, float r)
{
    return std::sqrt((x - cx) * (x - cx) + (y - cy) * (y - cy)) - r;
}
float sdSegment(float x, float y, float ax, float ay, float bx, float by);
float sdRoundBox(float x, float y, float cx, float cy, float halfW, float halfH, float radius);

// A single-channel coverage picture, 0 ... 1, zero outside its bounds.
struct Mask {
    int width = 0;
    int height = 0;
    std::vector<float> v;

    Mask() = default;
    Mask(int w, int h) : width(w), height(h), v(size_t(w) * size_t(h), 0.0f) {}
    float& at(int x, int y) { return v[size_t(y) * width + x]; }
    float get(int x, int y) const
    {
        return x < 0 || y < 0 || x >= width || y >= height ? 0.0f : v[size_t(y) * width + x];
    }
    // Bilinear sample at a fractional position.
    float sample(float x, float y) const;
    // Three box passes: close to a Gaussian of the given radius.
    void blur(int radius);
    // Copies `other` into this mask at (ox, oy), keeping the larger coverage.
    void stamp(const Mask& other, int ox, int oy);
};

// A copy of m grown by `radius` pixels with soft edges: outlines and glows.
Mask grown(const Mask& m, int radius);

// Premultiplied RGBA in floats. Add-mode pictures stay opaque black where
// nothing is drawn; alpha pictures start transparent.
struct Canvas {
    int width = 0;
    int height = 0;
    std::vector<float> px; // r, g, b, a per pixel, colour premultiplied by alpha

    Canvas(int w, int h) : width(w), height(h), px(size_t(w) * size_t(h) * 4, 0.0f) {}

    float* at(int x, int y) { return &px[(size_t(y) * width + x) * 4]; }
    const float* at(int x, int y) const { return &px[(size_t(y) * width + x) * 4]; }
    bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }

    void fill(Rgb c, float alpha = 1.0f);
    // An opaque pixel.
    void set(int x, int y, Rgb c)
    {
        float* p = at(x, y);
        p[0] = c.r;
        p[1] = c.g;
        p[2] = c.b;
        p[3] = 1.0f;
    }
    // Porter-Duff over with a straight colour and an opacity (coverage included).
    void over(int x, int y, Rgb c, float opacity)
    {
        if (!inside(x, y) || opacity <= 0.0f)
            return;
        float* p = at(x, y);
        const float keep = 1.0f - opacity;
        p[0] = c.r * opacity + p[0] * keep;
        p[1] = c.g * opacity + p[1] * keep;
        p[2] = c.b * opacity + p[2] * keep;
        p[3] = opacity + p[3] * keep;
    }
    // Light added on top, as the show's add mode does.
    void add(int x, int y, Rgb c, float amount)
    {
        if (!inside(x, y) || amount <= 0.0f)
            return;
        float* p = at(x, y);
        p[0] += c.r * amount;
        p[1] += c.g * amount;
        p[2] += c.b * amount;
        p[3] = std::min(1.0f, p[3] + amount);
    }
    // Paints `m` at (ox, oy) in one colour, over or added.
    void overMask(const Mask& m, int ox, int oy, Rgb c, float opacity = 1.0f);
    void addMask(const Mask& m, int ox, int oy, Rgb c, float amount = 1.0f);
    // A glowing line: a solid core of `width` pixels and a Gaussian halo.
    void addLine(float ax, float ay, float bx, float by, Rgb c, float width, float glow, float glowAmount);
};

// 8-bit channels: 1 (grey, from red), 3 (RGB over black) or 4 (RGBA, colour
// un-premultiplied). `dither` adds a fixed sub-level pattern against banding.
std::vector<uint8_t> toBytes(const Canvas& c, int channels, bool dither);

// Box-filtered downscale by an integer-free ratio, for thumbnails.
Canvas downscaled(const Canvas& c, int w, int h);
