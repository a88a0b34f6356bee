#include "effects/Noise.h"

#include "effects/PixelOps.h"
#include "effects/Random.h"
#include "params/Truncate.h"

Noise::Noise()
{
    setClassName(typeid(*this));
    addVariable(&flag, "flag", "draws only when not 0");
    addVariable(&color, "color", "0x00RRGGBB tint of the random grey levels");
    addVariable(&pixelRef, "pixelRef", "the buffer it fills");
}

void Noise::draw()
{
    if (flag == 0 || !pixelRef)
        return;
    const uint8_t bpp = pixelRef->bytesPerPixel;
    if (bpp == 2 || bpp == 3)
        return;
    const float kR = float((color >> 16) & 0xff) * 0.00390625f;
    const float kG = float((color >> 8) & 0xff) * 0.00390625f;
    const float kB = float(color & 0xff) * 0.00390625f;
    const uint32_t count = pixelRef->pixelCount;
    if (bpp == 4) {
        uint32_t* pixels = pixelRef->pixels;
        for (uint32_t i = 0; i < count; ++i) {
            const float v = float(nextRandom() & 0xff);
            pixels[i] = uint32_t(int32_t(v * kR)) << 16 | uint32_t(int32_t(v * kG)) << 8 | uint32_t(int32_t(v * kB));
        }
    } else {
        // Any other pixel size: one byte per pixel.
        auto* bytes = reinterpret_cast<uint8_t*>(pixelRef->pixels);
        for (uint32_t i = 0; i < count; ++i)
            bytes[i] = uint8_t(nextRandom());
    }
}

GradientReflected::GradientReflected()
{
    setClassName(typeid(*this));
    addVariable(&flag, "flag", "draws only when not 0");
    addVariable(&color, "color", "0x00RRGGBB of the brightest, middle row");
    addVariable(&pixelRef, "pixelRef", "the buffer it fills");
}

void GradientReflected::draw()
{
    if (flag == 0 || !pixelRef)
        return;
    const uint8_t bpp = pixelRef->bytesPerPixel;
    if (bpp == 2 || bpp == 3)
        return;
    const uint32_t H = pixelRef->height;
    const uint32_t W = pixelRef->width;
    if (H == 0)
        return;
    const float k = 2.0f / (float(H) - 1.5f);
    const float kR = float((color >> 16) & 0xff) * k;
    const float kG = float((color >> 8) & 0xff) * k;
    const float kB = float(color & 0xff) * k;
    uint32_t* pixels = pixelRef->pixels;
    // Every row is written twice; the later pass (the smaller distance to an edge) wins.
    for (uint32_t p = 0; p < H; ++p) {
        const float v = float(H - 1 - p);
        const uint32_t c = (uint32_t(truncToInt32(v * kR)) & 0xff) << 16 |
                           (uint32_t(truncToInt32(v * kG)) & 0xff) << 8 | (uint32_t(truncToInt32(v * kB)) & 0xff);
        fillPixels(pixels + size_t(p) * W, W, c);
        fillPixels(pixels + size_t(H - 1 - p) * W, W, c);
    }
}
