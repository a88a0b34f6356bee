#pragma once
#include "effects/Effect.h"

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
};
