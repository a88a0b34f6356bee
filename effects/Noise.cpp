#include "effects/Noise.h"

#include <algorithm>

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
    drawInOneBand();
}

// One draw per pixel, in pixel order: the frame's draws are passed over here
// and each band starts from the state its first pixel sees.
DrawPlan Noise::beginDraw(Workers&)
{
    if (flag == 0 || !pixelRef || pixelRef->bytesPerPixel == 2 || pixelRef->bytesPerPixel == 3)
        return {DrawPlan::Nothing};
    firstState = randomState();
    skipRandom(randomState(), pixelRef->pixelCount);
    return {DrawPlan::Rows};
}

void Noise::drawRows(uint32_t first, uint32_t end)
{
    const uint32_t from = first * pixelRef->width, to = std::min<uint32_t>(end, pixelRef->height) * pixelRef->width;
    uint32_t state = firstState;
    skipRandom(state, from);
    if (pixelRef->bytesPerPixel == 4) {
        const float kR = float((color >> 16) & 0xff) * 0.00390625f;
        const float kG = float((color >> 8) & 0xff) * 0.00390625f;
        const float kB = float(color & 0xff) * 0.00390625f;
        uint32_t* pixels = pixelRef->pixels;
        for (uint32_t i = from; i < to; ++i) {
            const float v = float(nextRandom(state) & 0xff);
            pixels[i] = uint32_t(int32_t(v * kR)) << 16 | uint32_t(int32_t(v * kG)) << 8 | uint32_t(int32_t(v * kB));
        }
    } else {
        // Any other pixel size: one byte per pixel.
        auto* bytes = reinterpret_cast<uint8_t*>(pixelRef->pixels);
        for (uint32_t i = from; i < to; ++i)
            bytes[i] = uint8_t(nextRandom(state));
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
    drawInOneBand();
}

DrawPlan GradientReflected::beginDraw(Workers&)
{
    if (flag == 0 || !pixelRef || pixelRef->bytesPerPixel == 2 || pixelRef->bytesPerPixel == 3 ||
        pixelRef->height == 0)
        return {DrawPlan::Nothing};
    return {DrawPlan::Rows};
}

void GradientReflected::drawRows(uint32_t first, uint32_t end)
{
    const uint32_t H = pixelRef->height;
    const uint32_t W = pixelRef->width;
    const float k = 2.0f / (float(H) - 1.5f);
    const float kR = float((color >> 16) & 0xff) * k;
    const float kG = float((color >> 8) & 0xff) * k;
    const float kB = float(color & 0xff) * k;
    // Row r is filled at step r and again at step H - 1 - r (v = H - 1 - step):
    // the later step stays.
    for (uint32_t r = first; r < std::min(end, H); ++r) {
        const float v = float(H - 1 - std::max(r, H - 1 - r));
        const uint32_t c = (uint32_t(truncToInt32(v * kR)) & 0xff) << 16 |
                           (uint32_t(truncToInt32(v * kG)) & 0xff) << 8 | (uint32_t(truncToInt32(v * kB)) & 0xff);
        fillPixels(pixelRef->pixels + size_t(r) * W, W, c);
    }
}
