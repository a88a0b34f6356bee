#pragma once
#include <cstdint>
#include <memory>

#include "effects/Effect.h"

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
