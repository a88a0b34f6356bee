#pragma once
#include <cstdint>
#include <memory>

#include "effects/Effect.h"
#include "effects/Simd.h"

// A randomised two-state automaton living in the target's pixels: a pixel is
// alive when bit 2 is set. Each frame every 2 x 2 neighbourhood swaps one
// random pair of cells, then every 2 x 2 block (wrapping at the edges) takes
// a random pattern with the same number of live cells; the result is written
// back as white (alive) and black. Targets over kCells pixels are left alone.
class CAExp : public Effect {
public:
    static constexpr uint32_t kCells = 512 * 384;

    int8_t flag = 0;
    std::unique_ptr<uint8_t[]> cells; // 1 alive, 0 dead

    CAExp();
    // One generation, on the calling thread.
    void draw() override;
    // One generation, with the pair swaps and the last pass shared with the workers.
    void draw(Workers& workers) override;
    DrawPlan beginDraw(Workers& workers) override;

protected:
    // The grid, eight cells a byte.
    void captureOwn(StateBytes& out) const override;
    void restoreOwn(std::span<const uint8_t>& in) override;

private:
    void generation(Workers* workers); // workers may be null
};

// The pair swaps of anchors end - 1 down to first of a grid W wide, one random
// number each in that order: cell i + W + 1 takes what the swap leaves in the
// anchor's bottom right cell (pixels i, i + 1, i + W, i + W + 1 are read, bit
// 2 alive). All of them must lie inside the grid. Forms for each vector level.
void pairSwapsPortable(uint32_t& state, const uint32_t* pixels, uint8_t* cells, uint32_t first, uint32_t end,
                       uint32_t W);
#ifdef __SSE2__
void pairSwapsSse2(uint32_t& state, const uint32_t* pixels, uint8_t* cells, uint32_t first, uint32_t end,
                   uint32_t W);
#endif
#ifdef SOFTDEMO_AVX2_FORMS
void pairSwapsAvx2(uint32_t& state, const uint32_t* pixels, uint8_t* cells, uint32_t first, uint32_t end,
                   uint32_t W); // in CAExpAvx2.cpp
#endif

// The block rule's table indices for the next `count` blocks of a row, one
// random number each: index[k] := 3 × (r % 12) + top[k] + bottom[k], the
// live cells (0 or 1) of block k's right column.
void blockIndicesPortable(uint32_t& state, uint16_t* index, const uint8_t* top, const uint8_t* bottom,
                          uint32_t count);
#ifdef __SSE2__
void blockIndicesSse2(uint32_t& state, uint16_t* index, const uint8_t* top, const uint8_t* bottom, uint32_t count);
#endif
#ifdef SOFTDEMO_AVX2_FORMS
void blockIndicesAvx2(uint32_t& state, uint16_t* index, const uint8_t* top, const uint8_t* bottom, uint32_t count);
#endif
