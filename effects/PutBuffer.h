#pragma once
#include "effects/Effect.h"
#include "effects/PixelOps.h"

// Target pixels in columns left ... right - 1 of rows top ... bottom - 1.
struct PixelRect {
    uint32_t left, right, top, bottom;
};

// Puts `fromBuffer` into the target: 0 clipped copy, 1 saturating add,
// 2 saturating subtract, 3 clipped blend by source alpha × `alpha`; other
// modes draw nothing. Mode 3 can jitter (randFlag) and wobble (sinewave);
// `random2` picks a random row, which it leaves in `posY`.
class PutBuffer : public Effect {
public:
    int8_t flag = 0;
    int8_t randFlag = 0;
    int8_t randAmount = 0;  // jitter offsets are 0 ... |randAmount| - 1
    uint16_t posX = 0;
    int32_t posY = 0;
    uint8_t alpha = 0;
    uint8_t blendmode = 0;
    PixelBuffer* fromBuffer = nullptr;
    uint8_t sinewave = 0;   // wobble on when exactly 1
    uint16_t amplitude = 0; // wobble height in rows
    float time = 0.0f;      // wobble phase in radians
    uint8_t random2 = 0;

    PutBuffer();
    void draw() override;
    DrawPlan beginDraw(Workers& workers) override;
    void drawRows(uint32_t first, uint32_t end) override;

    // After beginDraw planned rows: when this frame's draw is an add or a
    // subtract over the whole target, that pass (source pixel k for target
    // pixel k), reading the source's grey copy if it has one.
    bool wholeTargetPass(SaturatingPass& pass) const;
    // After beginDraw planned rows: when this frame's draw is a blend at
    // alpha 0 or 1, which darkens every pixel it covers by one without
    // reading the source (see darkenPixels), the rectangle it covers.
    bool darkenedRect(PixelRect& rect) const;

private:
    // The frame's random draws and where the source lands, for drawRows.
    void beginFrame();
    void drawRange(uint32_t first, uint32_t end, bool inPlace);
    bool changesPixels() const; // modes 1 and 2

    // Worked out by beginFrame for this frame only.
    int64_t frameX = 0, frameY = 0; // the source's top-left corner in the target (modes 0 and 3)
    size_t frameOffset = 0;         // the source pixel added to target pixel 0 (modes 1 and 2)
};

// Rows first ... end - 1 of `target` as `n` blends whose darkenedRect are
// `rects` leave them, in one pass over each row.
void darkenTogether(PixelBuffer& target, const PixelRect* rects, size_t n, uint32_t first, uint32_t end);
