#include "effects/Voxel.h"

#include <algorithm>
#include <vector>

#include "effects/MapFile.h"
#include "effects/PixelOps.h"
#include "engine/Workers.h"
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
    drawInOneBand();
}

DrawPlan Voxel::beginDraw(Workers& workers)
{
    if (flag == 0 || !pixelRef || pixelRef->width != kWidth || pixelRef->height != kHeight)
        return {DrawPlan::Nothing};
    // Only the low 8 bits of u, v and -F matter: the map wraps every 256 cells.
    const uint8_t u = uint8_t(truncToInt32((xAxisBase * xAxisScale + xAxisOffset) * xAxisGain));
    const uint8_t v = uint8_t(truncToInt32((yAxisBase * yAxisScale + yAxisOffset) * yAxisGain));
    const int32_t F = truncToInt32(float(goForwardAmount) * goForward);
    const uint8_t E = uint8_t(0u - uint32_t(F));
    const uint8_t mapX = uint8_t(offsetX + u);
    const uint8_t mapY = uint8_t(E + offsetY + v);
    // Columns are independent: each thread marches a range of them.
    const uint32_t ranges = workers.threads(), width = kWidth / 16 / ranges * 16;
    auto range = [&](uint32_t i) { drawColumns(i * width, i + 1 == ranges ? kWidth : (i + 1) * width, mapX, mapY); };
    workers.run(ranges, range);
    return {DrawPlan::Rows};
}

void Voxel::drawColumns(uint32_t first, uint32_t end, uint8_t mapX, uint8_t mapY)
{
    // Steps outer, columns inner: every column samples the same map row at a
    // given step, so the rows in use stay in cache. Columns are independent,
    // so the picture is the same as marching one column at a time.
    //
    // Rows at or above a column's top are not drawn yet: whatever they hold
    // is replaced by a later sample or by the black at the end. So each
    // sample writes its colour to the eight rows up to the top whether or not
    // it shows, and only a span longer than eight takes a loop: no branch
    // that guesses wrong half the time.
    uint16_t yTop[kWidth];
    std::fill(yTop + first, yTop + end, uint16_t(kHeight - 1));
    for (int K = 0; K < kSteps; ++K) {
        const int row = uint8_t(mapY - K) * 256;
        const uint8_t* heights = heightMap.get() + row;
        const uint32_t* colours = shaded.get() + row;
        const uint16_t* rows = projected.get() + K * 256;
        int ox = (int(first) - 256) * K; // (n - 256) * K
        for (uint32_t n = first; n < end; ++n, ox += K) {
            const uint8_t mx = uint8_t((ox >> 8) + mapX); // arithmetic shift: rounds down
            const int s = rows[heights[mx]], top = yTop[n];
            const uint32_t p = colours[mx];
            uint32_t* column = canvas.get() + n * kColumnStride + kColumnPad;
            for (int j = 0; j < 8; ++j)
                column[top - 7 + j] = p;
            for (int y = top - 8; y > s; --y)
                column[y] = p;
            yTop[n] = uint16_t(std::min(s, top));
        }
    }
    // Every row below a column's top was drawn; the rest keeps the clear's black.
    for (uint32_t n = first; n < end; ++n)
        std::fill_n(canvas.get() + n * kColumnStride + kColumnPad, yTop[n] + 1, 0u);
}

void Voxel::drawRows(uint32_t first, uint32_t end)
{
    end = std::min<uint32_t>(end, kHeight);
    if (first < end)
        columnsToRows(pixelRef->pixels + first * kWidth, kWidth, canvas.get() + kColumnPad + first, kColumnStride,
                      kWidth, end - first);
}
