#pragma once
#include "gfx/PixelBuffer.h"
#include "params/VarContainer.h"

class Workers;

// What is left of an effect's draw for this frame once beginDraw has run.
struct DrawPlan {
    enum Kind : uint8_t {
        Nothing, // draws nothing this frame
        Whole,   // draw(workers) does all of it; beginDraw changed nothing
        Rows,    // drawRows does the rest, band by band
    };
    Kind kind = Whole;
    const PixelBuffer* reads = nullptr; // read by drawRows besides the target's own rows
};

// Something that draws into a pixel buffer once per frame. Its parameters are
// named variables bound to plain members; `update` brings them to a show time
// (milliseconds) and `draw` reads only members. Effects paint in list order.
//
// An effect whose pixels each depend only on the same pixel of the target
// (and on what it reads) can also draw in bands of rows, so that the frame
// stays in cache through several effects and bands spread over threads:
// beginDraw does, in drawing order, what must happen once per frame (the
// random draws, values worked out for the whole frame) and drawRows(first,
// end) then draws rows first ... end - 1 of the target, for bands in any order
// and on any thread; both together draw what draw() does.
class Effect : public VarContainer {
public:
    PixelBuffer* pixelRef = nullptr; // the target, bound to "pixelRef"

    virtual void update(float time) { evaluate(time); }
    // Draws the frame on the calling thread.
    virtual void draw() = 0;
    // draw(), with `workers` free to share the work: what a production calls
    // after a Whole plan. Unless overridden, draw() on the calling thread.
    virtual void draw(Workers& workers);

    // `workers` may share the frame's part of the work.
    virtual DrawPlan beginDraw(Workers& workers);
    // `end` may lie past the target's last row.
    virtual void drawRows(uint32_t first, uint32_t end);

protected:
    // draw() for an effect that draws in bands: beginDraw, then every row.
    void drawInOneBand();
};
