#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "effects/Effect.h"
#include "effects/Simd.h"

// A flight over a 256 x 256 height map that wraps at its edges, drawn by
// marching each screen column outwards and filling it upwards from the last
// filled row, so nearer terrain hides farther terrain. Colours come from a
// colour map darkened by the sample's height. Draws only into 512 x 384.
class Voxel : public Effect {
public:
    static constexpr int kWidth = 512;
    static constexpr int kHeight = 384;
    static constexpr int kMapSize = 256 * 256;
    static constexpr int kSteps = 255; // samples per column, nearest first

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
    // The form of the column march; every form gives the same picture.
    SimdLevel form = simdLevel();

    // Reads dataDir/tarnolm/heightmap.raw (one byte per cell) and
    // heightmapcol.raw (red, green, blue per cell). Bytes missing from a short
    // file read as 255. Throws std::runtime_error naming a file that cannot
    // be read.
    explicit Voxel(const std::string& dataDir = "data");
    void draw() override;
    DrawPlan beginDraw(Workers& workers) override;
    void drawRows(uint32_t first, uint32_t end) override;

    // floor(x / d) is x * multiplier >> shift for 0 <= x < 2^14 and
    // 1 <= d <= 255, with every product below 2^30: a division vector lanes
    // can do. (The error of the rounded-up multiplier, times x, stays below
    // 2^shift, which is all exactness needs.)
    struct Divisor {
        uint32_t multiplier, shift;
    };
    static constexpr Divisor divisor(uint32_t d)
    {
        uint32_t bits = 0; // ceil(log2 d)
        while ((1u << bits) < d)
            ++bits;
        return {((1u << (14 + bits)) + d - 1) / d, 14 + bits};
    }

private:
    // What a frame's march reads and writes.
    struct March {
        // height << 24 | shaded colour, per map cell, in rows of kCellRow
        // whose last kGroup cells repeat the first: a group's cells are one
        // load even where the map wraps.
        const uint32_t* cells;
        const uint8_t* reach; // the highest of a cell and the kGroup - 1 after it in its map row, wrapping
        uint32_t* canvas;
        uint8_t mapX, mapY;
    };

    // Marches columns first ... end - 1 (multiples of kGroup) into the
    // canvas and leaves the row each has filled up to in top[n]; the rows
    // above it are left as they are. A group of kGroup neighbouring columns
    // skips a step where even the highest cell it can sample cannot reach
    // above its highest top: at a step K < 256 its columns sample at most
    // kGroup neighbouring cells of a map row.
    static constexpr uint32_t kGroup = 8, kCellRow = 256 + kGroup;
    static void marchPortable(const March& m, uint32_t first, uint32_t end, int32_t* top);
    static void marchSse2(const March& m, uint32_t first, uint32_t end, int32_t* top);
    static void marchAvx2(const March& m, uint32_t first, uint32_t end, int32_t* top); // in VoxelAvx2.cpp
    void drawColumns(uint32_t first, uint32_t end, uint8_t mapX, uint8_t mapY);
    // The screen row of height h at the step whose distance divides by d.
    static int32_t projectedRow(uint32_t h, Divisor d) { return int32_t((271 - h) * 32 * d.multiplier >> d.shift); }
    // The first map cell that columns g ... g + kGroup - 1 sample at step K.
    static uint8_t firstCell(uint32_t g, int K, uint8_t mapX) { return uint8_t(((int(g) - 256) * K >> 8) + mapX); }

    std::unique_ptr<uint32_t[]> cells;
    std::unique_ptr<uint8_t[]> reach;
    // The picture as beginDraw builds it, one column after the other, so
    // that the rows a sample fills are neighbouring words; drawRows turns it
    // into rows band by band. Each column has kColumnPad words in front of
    // row 0, which the march may write.
    static constexpr int kColumnPad = 16;
    static constexpr int kColumnStride = kColumnPad + kHeight;
    std::unique_ptr<uint32_t[]> canvas = std::make_unique<uint32_t[]>(kColumnStride * kWidth);
};
