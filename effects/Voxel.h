#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "effects/Effect.h"
#include "effects/VoxelOps.h"

// A flight over a 256 x 256 height map that wraps at its edges, drawn by
// marching each screen column outwards and filling it upwards from the last
// filled row, so nearer terrain hides farther terrain. Colours come from a
// colour map darkened by the sample's height. Draws only into 512 x 384.
class Voxel : public Effect {
public:
    static constexpr int kMapSize = 256 * 256;

    uint8_t flag = 0;
    std::unique_ptr<uint8_t[]> heightMap;  // 0 ... 255
    std::unique_ptr<uint32_t[]> colorMap;  // 0x00RRGGBB
    float goForward = 0.0f;                // flight distance, in goForwardAmount cells
    uint16_t goForwardAmount = 0;
    // u and v shift the map; nothing animates the base and gain terms, which
    // stay 0, so only offsetX and offsetY move it sideways.
    float xAxisBase = 0.0f, yAxisBase = 0.0f;
    float xAxisScale = 2.0f, yAxisScale = 2.0f;
    float xAxisGain = 0.0f, yAxisGain = 0.0f;
    float xAxisOffset = 0.0f, yAxisOffset = 0.0f;
    uint8_t offsetX = 0, offsetY = 0; // map cells, wrapping

    // Reads dataDir/tarnolm/heightmap.raw (one byte per cell) and
    // heightmapcol.raw (red, green, blue per cell). Bytes missing from a short
    // file read as 255. Throws std::runtime_error naming a file that cannot
    // be read.
    explicit Voxel(const std::string& dataDir = "data");
    void draw() override;
    DrawPlan beginDraw(Workers& workers) override;
    void drawRows(uint32_t first, uint32_t end) override;

private:
    // Marches columns first ... end - 1 into the canvas and clears the rows
    // above what they drew.
    void drawColumns(uint32_t first, uint32_t end, uint8_t mapX, uint8_t mapY);

    std::unique_ptr<uint32_t[]> cells; // see VoxelMarch
    std::unique_ptr<uint8_t[]> reach;
    // The picture as beginDraw builds it, column after column (see
    // VoxelOps.h); drawRows turns it into rows band by band.
    std::unique_ptr<uint32_t[]> canvas = std::make_unique<uint32_t[]>(voxel::kColumnStride * voxel::kWidth);
};
