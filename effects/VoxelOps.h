#pragma once
#include <cstdint>

#include "effects/Simd.h"

// The landscape's column march (see Voxel), in a portable form and vector
// forms that fill the same rows (see Simd.h). Voxel draws with the forms of
// voxelOps(); tests hold every form against the portable one.

// The march's layout and arithmetic, shared by Voxel and the forms.
namespace voxel {

constexpr int kWidth = 512;
constexpr int kHeight = 384;
constexpr int kSteps = 255; // samples per column, nearest first
// A group of kGroup neighbouring columns skips a step where even the highest
// cell it can sample cannot reach above its highest top: at a step K < 256
// its columns sample at most kGroup neighbouring cells of a map row.
constexpr uint32_t kGroup = 8;
// Map rows of cells hold kGroup cells more, which repeat the first: a
// group's cells are one load even where the map wraps.
constexpr uint32_t kCellRow = 256 + kGroup;
// The canvas holds the picture one column after the other, so that the rows
// a sample fills are neighbouring words. Each column has kColumnPad words in
// front of row 0, which the march may write.
constexpr int kColumnPad = 16;
constexpr int kColumnStride = kColumnPad + kHeight;

// floor(x / d) is x * multiplier >> shift for 0 <= x < 2^14 and
// 1 <= d <= 255, with every product below 2^30: a division vector lanes can
// do. (The error of the rounded-up multiplier, times x, stays below 2^shift,
// which is all exactness needs.)
struct Divisor {
    uint32_t multiplier, shift;
};
constexpr Divisor divisor(uint32_t d)
{
    uint32_t bits = 0; // ceil(log2 d)
    while ((1u << bits) < d)
        ++bits;
    return {((1u << (14 + bits)) + d - 1) / d, 14 + bits};
}

// The screen row of height h at the step whose distance divides by d.
inline int32_t projectedRow(uint32_t h, Divisor d)
{
    return int32_t((271 - h) * 32 * d.multiplier >> d.shift);
}

// The first map cell that columns g ... g + kGroup - 1 sample at step K.
inline uint8_t firstCell(uint32_t g, int K, uint8_t mapX)
{
    return uint8_t(((int(g) - 256) * K >> 8) + mapX);
}

} // namespace voxel

// What a frame's march reads and writes.
struct VoxelMarch {
    const uint32_t* cells; // height << 24 | shaded colour, per map cell, in rows of kCellRow
    const uint8_t* reach;  // the highest of a cell and the kGroup - 1 after it in its map row, wrapping
    uint32_t* canvas;      // kWidth columns of kColumnStride words
    uint8_t mapX, mapY;
};

// Marches columns first ... end - 1 (multiples of kGroup) into the canvas and
// leaves in top[n] the lowest row of column n it has not drawn: rows
// top[n] + 1 on hold the picture, while the rows above and the pad may hold
// anything.
void marchPortable(const VoxelMarch& m, uint32_t first, uint32_t end, int32_t* top);

// One form of every loop.
struct VoxelOps {
    void (*march)(const VoxelMarch& m, uint32_t first, uint32_t end, int32_t* top);
};

// The forms of a level; a level not built in gives the portable ones.
const VoxelOps& voxelOps(SimdLevel level);
#ifdef SOFTDEMO_AVX2_FORMS
const VoxelOps& avx2VoxelOps(); // in VoxelOpsAvx2.cpp, the one file with AVX2 code
#endif
// The forms of simdLevel(), taken once.
inline const VoxelOps& voxelOps()
{
    static const VoxelOps& chosen = voxelOps(simdLevel());
    return chosen;
}
