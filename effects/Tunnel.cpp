#include "effects/Tunnel.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "base/ParallelFor.h"
#include "effects/PixelOps.h"
#include "params/Maths.h"
#include "params/Truncate.h"

namespace {

struct Tables {
    std::unique_ptr<int32_t[]> distance = std::make_unique<int32_t[]>(Tunnel::kWidth * Tunnel::kHeight);
    std::unique_ptr<int32_t[]> angle = std::make_unique<int32_t[]>(Tunnel::kWidth * Tunnel::kHeight);
    std::unique_ptr<uint16_t[]> packed = std::make_unique<uint16_t[]>(Tunnel::kWidth * Tunnel::kHeight);

    Tables()
    {
        // Rows over every core: the arc tangents take longer than anything
        // else a production's start does but reading the pictures.
        parallelFor(Tunnel::kHeight, [this](size_t y) {
            for (int x = 0; x < Tunnel::kWidth; ++x) {
                const double dx = x - 256.0, dy = double(y) - 192.0;
                const double d = std::sqrt(dx * dx + dy * dy);
                const size_t k = y * Tunnel::kWidth + size_t(x);
                distance[k] = d == 0.0 ? 0 : truncToInt32(8192.0 / d) % 256;
                angle[k] = truncToInt32(maths::atan2(dy, dx) * 128 / 3.141592654);
                packed[k] = uint16_t(uint8_t(angle[k]) << 8 | uint8_t(distance[k]));
            }
        });
    }
};

// Every production makes its own tunnels (a preview's reload makes new ones).
const Tables& tables()
{
    static const Tables shared;
    return shared;
}

} // namespace

Tunnel::Tunnel()
{
    setClassName(typeid(*this));
    addVariable(&flag, "flag", "draws only when not 0");
    addVariable(&time, "time", "travel along the tube: 1 moves the texture by its whole width");
    addVariable(&pixelRef, "pixelRef", "the buffer it fills (512 wide, at most 384 high)");
    addVariable(&fromBuffer, "fromBuffer", "the texture on the tube's wall");

    const Tables& t = tables();
    distance = t.distance.get();
    angle = t.angle.get();
    packed = t.packed.get();
}

void Tunnel::draw()
{
    if (beginFrame())
        drawRows(0, pixelRef->height);
}

// A texture that is the target itself is read where this pass has written:
// then only one pass in pixel order draws it as defined.
DrawPlan Tunnel::beginDraw(Workers&)
{
    if (!beginFrame())
        return {DrawPlan::Nothing};
    return {fromBuffer == pixelRef ? DrawPlan::Whole : DrawPlan::Rows, fromBuffer};
}

bool Tunnel::beginFrame()
{
    if (flag == 0 || !pixelRef || !fromBuffer)
        return false;
    const uint32_t w = fromBuffer->width, h = fromBuffer->height;
    if (w == 0 || h == 0 || pixelRef->width != kWidth || pixelRef->height > kHeight)
        return false;
    // Sums are taken as unsigned 32-bit numbers before the remainder.
    frameU = uint32_t(truncToInt32(double(w) * double(time)));
    frameV = uint32_t(truncToInt32(double(h) * 0.25 * double(time)));
    return true;
}

void Tunnel::drawRows(uint32_t first, uint32_t end)
{
    const PixelBuffer& S = *fromBuffer;
    const uint32_t w = S.width, h = S.height, u = frameU, v = frameV;
    const uint32_t from = first * kWidth, to = std::min<uint32_t>(end, pixelRef->height) * kWidth;
    if (from >= to)
        return;
    const uint32_t* src = S.pixels;
    uint32_t* dst = pixelRef->pixels;
    const int32_t* dist = distance;
    const int32_t* ang = angle;
    const auto powerOfTwo = [](uint32_t n) { return (n & (n - 1)) == 0; };
    if (powerOfTwo(w) && powerOfTwo(h) && w <= 256 && h <= 256) {
        // The show's textures: a power of two up to 256 divides 2^32 and 256,
        // so only the low bytes of the sums decide the remainders.
        int shift = 8;
        while ((1u << (8 - shift)) < w)
            --shift;
        lookupPacked(dst + from, packed + from, to - from, src, uint16_t((v & 0xff) << 8 | (u & 0xff)),
                     uint16_t((h - 1) << 8 | (w - 1)), shift);
    } else if (powerOfTwo(w) && powerOfTwo(h)) {
        // Larger powers of two: remainders become masks.
        const uint32_t wMask = w - 1, hMask = h - 1;
        for (uint32_t k = from; k < to; ++k)
            dst[k] = src[((uint32_t(ang[k]) + v) & hMask) * w + ((uint32_t(dist[k]) + u) & wMask)];
    } else {
        for (uint32_t k = from; k < to; ++k)
            dst[k] = src[((uint32_t(ang[k]) + v) % h) * w + (uint32_t(dist[k]) + u) % w];
    }
}
