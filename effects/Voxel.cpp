#include "effects/Voxel.h"

#include <algorithm>
#include <vector>

#include "base/Workers.h"
#include "effects/MapFile.h"
#include "effects/PixelOps.h"
#include "pack/DataManifest.h"
#include "params/Truncate.h"

using namespace voxel;

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
    // With no folder at all (the class listing, which draws nothing) both maps stay 0.
    std::vector<uint8_t> rgb(3 * kMapSize);
    if (!dataDir.empty()) {
        readMap(dataFilePath(dataDir, kHeightMapFile), heightMap.get(), kMapSize);
        readMap(dataFilePath(dataDir, kColorMapFile), rgb.data(), rgb.size());
    }
    for (int i = 0; i < kMapSize; ++i)
        colorMap[i] = uint32_t(rgb[3 * i]) << 16 | uint32_t(rgb[3 * i + 1]) << 8 | rgb[3 * i + 2];

    // A sample's pixel depends only on its cell, so it is worked out once
    // here, next to the cell's height; and a group of columns needs the
    // highest cell of a short stretch of a map row to know whether it can
    // show at all.
    cells = std::make_unique<uint32_t[]>(kCellRow * 256);
    for (uint32_t row = 0; row < 256; ++row)
        for (uint32_t x = 0; x < kCellRow; ++x) {
            const uint32_t i = row * 256 + x % 256;
            const float Y = float(heightMap[i]) / 256.0f;
            const uint32_t c = colorMap[i];
            cells[row * kCellRow + x] = uint32_t(heightMap[i]) << 24 | uint32_t(float(c >> 16 & 0xff) * Y) << 16 |
                                        uint32_t(float(c >> 8 & 0xff) * Y) << 8 | uint32_t(float(c & 0xff) * Y);
        }
    reach = std::make_unique<uint8_t[]>(kMapSize);
    for (int i = 0; i < kMapSize; ++i)
        for (uint32_t j = 0; j < kGroup; ++j)
            reach[i] = std::max(reach[i], heightMap[(i & ~0xff) | ((i + j) & 0xff)]);
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
    // Columns are independent: each task marches a range of them. Hidden
    // columns cost little, so ranges take unequal time; a few per thread
    // keep the threads busy alike.
    constexpr uint32_t kRange = 64;
    auto range = [&](uint32_t i) { drawColumns(i * kRange, (i + 1) * kRange, mapX, mapY); };
    workers.run(kWidth / kRange, range);
    return {DrawPlan::Rows};
}

void Voxel::drawColumns(uint32_t first, uint32_t end, uint8_t mapX, uint8_t mapY)
{
    int32_t top[kWidth];
    voxelOps().march({cells.get(), reach.get(), canvas.get(), mapX, mapY}, first, end, top);
    // Every row below a column's top was drawn; the rest keeps the clear's black.
    for (uint32_t n = first; n < end; ++n)
        fillPixels(canvas.get() + n * kColumnStride + kColumnPad, size_t(top[n]) + 1, 0);
}

void Voxel::drawRows(uint32_t first, uint32_t end)
{
    end = std::min<uint32_t>(end, kHeight);
    if (first < end)
        columnsToRows(pixelRef->pixels + first * kWidth, kWidth, canvas.get() + kColumnPad + first, kColumnStride,
                      kWidth, end - first);
}
