#pragma once
#include <cstdint>

#include "effects/Simd.h"

// The automaton's loops (see CAExp), each in a portable form and vector forms
// that write the same cells and draw the same random numbers (see Simd.h).
// CAExp draws with the forms of caExpOps(); tests hold every form against the
// portable one.

// The pair of cells that a random number's low 3 bits swap, with the cells of
// a neighbourhood numbered A = (x, y), B = (x + 1, y), C = (x, y + 1),
// D = (x + 1, y + 1) as 0 ... 3.
inline constexpr uint8_t kSwapPairs[8][2] = {{0, 1}, {0, 2}, {1, 2}, {1, 3}, {0, 3}, {2, 3}, {0, 1}, {2, 3}};

// 1 when a pixel holds a live cell (bit 2 set), else 0.
inline uint8_t liveCell(uint32_t pixel)
{
    return (pixel >> 2) & 1;
}

// The pair swaps of anchors end - 1 down to first of a grid W wide, one random
// number each in that order: cell i + W + 1 takes what the swap leaves in the
// anchor's bottom right cell (pixels i, i + 1, i + W, i + W + 1 are read). All
// of them must lie inside the grid.
void pairSwapsPortable(uint32_t& state, const uint32_t* pixels, uint8_t* cells, uint32_t first, uint32_t end,
                       uint32_t W);
// The block rule's table indices for the next `count` blocks of a row, one
// random number each: index[k] := 3 × (r % 12) + top[k] + bottom[k], the
// live cells (0 or 1) of block k's right column.
void blockIndicesPortable(uint32_t& state, uint16_t* index, const uint8_t* top, const uint8_t* bottom,
                          uint32_t count);

// One form of every loop.
struct CAExpOps {
    void (*pairSwaps)(uint32_t& state, const uint32_t* pixels, uint8_t* cells, uint32_t first, uint32_t end,
                      uint32_t W);
    void (*blockIndices)(uint32_t& state, uint16_t* index, const uint8_t* top, const uint8_t* bottom,
                         uint32_t count);
};

// The forms of a level; a level not built in gives the portable ones.
const CAExpOps& caExpOps(SimdLevel level);
#ifdef SOFTDEMO_AVX2_FORMS
const CAExpOps& avx2CAExpOps(); // in CAExpOpsAvx2.cpp, the one file with AVX2 code
#endif
// The forms of simdLevel(), taken once.
inline const CAExpOps& caExpOps()
{
    static const CAExpOps& chosen = caExpOps(simdLevel());
    return chosen;
}
