#include "effects/Tunnel.h"

#include <cmath>

#include "effects/PixelOps.h"
#include "engine/ParallelFor.h"
#include "params/Maths.h"
#include "params/Truncate.h"

Tunnel::Tunnel()
{
    setClassName(typeid(*this));
    addVariable(&flag, "flag", "draws only when not 0");
    addVariable(&time, "time", "travel along the tube: 1 moves the texture by its whole width");
    addVariable(&pixelRef, "pixelRef", "the buffer it fills (512 wide, at most 384 high)");
    addVariable(&fromBuffer, "fromBuffer", "the texture on the tube's wall");

    distance = std::make_unique<int32_t[]>(kWidth * kHeight);
    angle = std::make_unique<int32_t[]>(kWidth * kHeight);
    packed = std::make_unique<uint16_t[]>(kWidth * kHeight);
    // Rows over every core: the arc tangents are most of the show's start-up after the pictures.
    parallelFor(kHeight, [this](size_t y) {
        for (int x = 0; x < kWidth; ++x) {
            const double dx = x - 256.0, dy = double(y) - 192.0;
            const double d = std::sqrt(dx * dx + dy * dy);
            const size_t k = y * kWidth + size_t(x);
            distance[k] = d == 0.0 ? 0 : truncToInt32(8192.0 / d) % 256;
            angle[k] = truncToInt32(maths::atan2(dy, dx) * 128 / 3.141592654);
            packed[k] = uint16_t(uint8_t(angle[k]) << 8 | uint8_t(distance[k]));
        }
    });
}

void Tunnel::draw()
{
    if (flag == 0 || !pixelRef || !fromBuffer)
        return;
    PixelBuffer& T = *pixelRef;
    const PixelBuffer& S = *fromBuffer;
    const uint32_t w = S.width, h = S.height;
    if (w == 0 || h == 0 || T.width != kWidth || T.height > kHeight)
        return;

    // Sums are taken as unsigned 32-bit numbers before the remainder.
    const uint32_t u = uint32_t(truncToInt32(double(w) * double(time)));
    const uint32_t v = uint32_t(truncToInt32(double(h) * 0.25 * double(time)));
    const uint32_t count = uint32_t(T.height) * kWidth;
    const uint32_t* src = S.pixels;
    uint32_t* dst = T.pixels;
    const int32_t* dist = distance.get();
    const int32_t* ang = angle.get();
    const auto powerOfTwo = [](uint32_t n) { return (n & (n - 1)) == 0; };
    if (powerOfTwo(w) && powerOfTwo(h) && w <= 256 && h <= 256) {
        // The show's textures: a power of two up to 256 divides 2^32 and 256,
        // so only the low bytes of the sums decide the remainders.
        int shift = 8;
        while ((1u << (8 - shift)) < w)
            --shift;
        lookupPacked(dst, packed.get(), count, src, uint16_t((v & 0xff) << 8 | (u & 0xff)),
                     uint16_t((h - 1) << 8 | (w - 1)), shift);
    } else if (powerOfTwo(w) && powerOfTwo(h)) {
        // Larger powers of two: remainders become masks.
        const uint32_t wMask = w - 1, hMask = h - 1;
        for (uint32_t k = 0; k < count; ++k)
            dst[k] = src[((uint32_t(ang[k]) + v) & hMask) * w + ((uint32_t(dist[k]) + u) & wMask)];
    } else {
        for (uint32_t k = 0; k < count; ++k)
            dst[k] = src[((uint32_t(ang[k]) + v) % h) * w + (uint32_t(dist[k]) + u) % w];
    }
}
