#pragma once
#include "gfx/PixelBuffer.h"
#include "params/VarContainer.h"

// Something that draws into a pixel buffer once per frame. Its parameters are
// named variables bound to plain members; `update` brings them to a show time
// (milliseconds) and `draw` reads only members. Effects paint in list order.
class Effect : public VarContainer {
public:
    PixelBuffer* pixelRef = nullptr; // the target, bound to "pixelRef"

    virtual void update(float time) { evaluate(time); }
    virtual void draw() = 0;
};
