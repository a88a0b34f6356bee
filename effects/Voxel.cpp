#include "effects/Voxel.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "effects/MapFile.h"
#include "params/Truncate.h"

Voxel::Voxel(const std::string& dataDir)
{
    setClassName(typeid(*this));
    addVariable(&flag, "flag", "draws only when not 0");
    addVariable(&goForward, "goForward", "distance flown, in steps of goForwardAmount cells");
    addVariable(&goForwardAmount, "goForwardAmount", "map cells per unit of goForward");
    addVariable(&xAxisOffset, "xAxisOffset", "sideways shift of the map, scaled by a gain that stays 0");
    addVariable(&yAxisOffset, "yAxisOffset", "forward shift of the map, scaled by a gain that stays 0");
    addVariable(&offsetX, "offsetX", "map cells to the side, wrapping at 256");
    addVariable(&offsetY, "offsetY", "map cells forward, wrapping at 256");
    addVariable(&pixelRef, "pixelRef", "the buffer it fills (512 x 384)");

    heightMap = std::make_unique<uint8_t[]>(kMapSize);
    colorMap = std::make_unique<uint32_t[]>(kMapSize);
    readMap(dataDir + "/tarnolm/heightmap.raw", heightMap.get(), kMapSize);
    std::vector<uint8_t> rgb(3 * kMapSize);
    readMap(dataDir + "/tarnolm/heightmapcol.raw", rgb.data(), rgb.size());
    for (int i = 0; i < kMapSize; ++i)
        colorMap[i] = uint32_t(rgb[3 * i]) << 16 | uint32_t(rgb[3 * i + 1]) << 8 | rgb[3 * i + 2];

    // A sample's pixel depends only on its cell, and its screen row only on
    // its height and step, so both are worked out once here.
    shaded = std::make_unique<uint32_t[]>(kMapSize);
    for (int i = 0; i < kMapSize; ++i) {
        const float Y = float(heightMap[i]) / 256.0f;
        const uint32_t c = colorMap[i];
        shaded[i] = uint32_t(float(c >> 16 & 0xff) * Y) << 16 | uint32_t(float(c >> 8 & 0xff) * Y) << 8 |
                    uint32_t(float(c & 0xff) * Y);
    }
    projected = std::make_unique<uint16_t[]>(kSteps * 256);
    for (int K = 0; K < kSteps; ++K)
        for (int h = 0; h < 256; ++h)
            projected[K * 256 + h] = uint16_t((271 - h) * 32 / (K + 1));
}

void Voxel::draw()
{
    if (flag == 0 || !pixelRef || pixelRef->width != kWidth || pixelRef->height != kHeight)
        return;
    // Only the low 8 bits of u, v and -F matter: the map wraps every 256 cells.
    const uint8_t u = uint8_t(truncToInt32((xAxisBase * xAxisScale + xAxisOffset) * xAxisGain));
    const uint8_t v = uint8_t(truncToInt32((yAxisBase * yAxisScale + yAxisOffset) * yAxisGain));
    const int32_t F = truncToInt32(float(goForwardAmount) * goForward);
    const uint8_t E = uint8_t(0u - uint32_t(F));
    const uint8_t mapX = uint8_t(offsetX + u);
    const uint8_t mapY = uint8_t(E + offsetY + v);

    // Steps outer, columns inner: every column samples the same map row at a
    // given step, so the rows in use stay in cache and neighbouring columns
    // fill neighbouring pixels. Columns are independent, so the picture is the
    // same as marching one column at a time. Spans are drawn into `canvas`,
    // whose rows are a little longer than the target's: in rows of 512 words
    // the pixels of a column fall into few cache sets and evict each other
    // (measured: a fifth faster).
    uint32_t* const picture = canvas.get();
    uint16_t yTop[kWidth];
    std::fill_n(yTop, kWidth, uint16_t(kHeight - 1));
    for (int K = 0; K < kSteps; ++K) {
        const int row = uint8_t(mapY - K) * 256;
        const uint8_t* heights = heightMap.get() + row;
        const uint32_t* colours = shaded.get() + row;
        const uint16_t* rows = projected.get() + K * 256;
        int ox = -256 * K; // (n - 256) * K
        for (int n = 0; n < kWidth; ++n, ox += K) {
            const uint8_t mx = uint8_t((ox >> 8) + mapX); // arithmetic shift: rounds down
            const uint32_t s = rows[heights[mx]];
            if (s < yTop[n]) {
                const uint32_t p = colours[mx];
                for (uint32_t y = yTop[n]; y > s; --y)
                    picture[y * kCanvasWidth + n] = p;
                yTop[n] = uint16_t(s);
            }
        }
    }
    // Every pixel below a column's top was written exactly once; the rest
    // keeps the clear's black.
    for (int n = 0; n < kWidth; ++n)
        for (int y = 0; y <= yTop[n]; ++y)
            picture[y * kCanvasWidth + n] = 0;
    for (int y = 0; y < kHeight; ++y)
        std::memcpy(pixelRef->pixels + y * kWidth, picture + y * kCanvasWidth, kWidth * sizeof(uint32_t));
}
