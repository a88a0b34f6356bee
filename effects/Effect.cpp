#include "effects/Effect.h"

#include "base/Workers.h"

DrawPlan Effect::beginDraw(Workers&)
{
    return {};
}

void Effect::draw(Workers&)
{
    draw();
}

void Effect::drawRows(uint32_t, uint32_t) {}

void Effect::drawInOneBand()
{
    Workers oneThread;
    if (beginDraw(oneThread).kind == DrawPlan::Rows)
        drawRows(0, pixelRef->height);
}
