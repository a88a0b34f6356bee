#pragma once
#include "effects/Effect.h"

// A textured tube seen end-on: each target pixel looks up its inverse
// distance and its angle around the centre in tables built once, and uses
// them, moved by `time`, as texture column and row. The target must be 512
// wide and at most 384 high; anything else is left untouched.
class Tunnel : public Effect {
public:
    static constexpr int kWidth = 512;
    static constexpr int kHeight = 384;

    int8_t flag = 0;
    float time = 0.0f; // 1.0 moves the texture by its whole width along the tube
    PixelBuffer* fromBuffer = nullptr;
    // The same for every tunnel: built by the first, for all of them.
    const int32_t* distance = nullptr; // 8192 / distance from the centre, mod 256
    const int32_t* angle = nullptr;    // -127 ... 127 around the centre

    Tunnel();
    void draw() override;
    DrawPlan beginDraw(Workers& workers) override;
    void drawRows(uint32_t first, uint32_t end) override;

private:
    // False when nothing is drawn; else works out the frame's shift.
    bool beginFrame();

    uint32_t frameU = 0, frameV = 0; // the texture's shift for this frame

    // The low bytes of angle and distance side by side, all the lookup needs
    // for textures whose sides are powers of two up to 256.
    const uint16_t* packed = nullptr;
};
