#include "effects/Voxel.h"

#include <algorithm>
#include <vector>

#include "effects/MapFile.h"
#include "engine/Workers.h"
#include "params/Truncate.h"

Voxel::Voxel(const std::string& dataDir)
{
    setClassName(typeid(*this));
    addVariable(&flag, "flag");
    addVariable(&goForward, "goForward");
    addVariable(&goForwardAmount, "goForwardAmount");
    addVariable(&xAxisOffset, "xAxisOffset");
    addVariable(&yAxisOffset, "yAxisOffset");
    addVariable(&offsetX, "offsetX");
    addVariable(&offsetY, "offsetY");
    addVariable(&pixelRef, "pixelRef");

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
    // Columns are independent; groups of 16 keep the map cells that
    // neighbouring columns share in cache.
    constexpr uint32_t kGroup = 16;
    auto group = [&](uint32_t i) { drawColumns(i * kGroup, (i + 1) * kGroup, mapX, mapY); };
    workers.run(kWidth / kGroup, group);
    return {DrawPlan::Rows};
}

namespace {

// Words y ... top of a column (y <= top) become p, eight at a time from the
// top down: the last group may reach up to 7 words below y, which are still
// to be drawn (or the column's padding), and later writes replace them.
inline void fillDown(uint32_t* column, int y, int top, uint32_t p)
{
    for (int k = top - 7;; k -= 8) {
        for (int j = 0; j < 8; ++j)
            column[k + j] = p;
        if (k <= y)
            break;
    }
}

} // namespace

void Voxel::drawColumns(uint32_t first, uint32_t end, uint8_t mapX, uint8_t mapY)
{
    // Each column is marched outwards, and filled upwards from the last
    // filled row, so nearer terrain hides farther terrain.
    for (uint32_t n = first; n < end; ++n) {
        uint32_t* column = canvas.get() + n * kColumnStride + kColumnPad;
        int top = kHeight - 1;
        const int step = int(n) - 256;
        int ox = 0; // (n - 256) * K
        for (int K = 0; K < kSteps; ++K, ox += step) {
            const int row = uint8_t(mapY - K) * 256;
            const uint8_t mx = uint8_t((ox >> 8) + mapX); // arithmetic shift: rounds down
            const int s = projected[K * 256 + heightMap[row + mx]];
            if (s < top) {
                fillDown(column, s + 1, top, shaded[row + mx]);
                top = s;
            }
        }
        // Every word below the top was written; the rest keeps the clear's black.
        fillDown(column, 0, top, 0);
    }
}

// The canvas' columns turned into rows, sixteen words of a column at a time.
void Voxel::drawRows(uint32_t first, uint32_t end)
{
    end = std::min<uint32_t>(end, kHeight);
    const uint32_t* columns = canvas.get() + kColumnPad;
    uint32_t* rows = pixelRef->pixels;
    for (uint32_t y0 = first; y0 < end; y0 += 16) {
        const uint32_t y1 = std::min(end, y0 + 16);
        for (uint32_t n = 0; n < kWidth; ++n) {
            const uint32_t* from = columns + n * kColumnStride;
            for (uint32_t y = y0; y < y1; ++y)
                rows[y * kWidth + n] = from[y];
        }
    }
}
