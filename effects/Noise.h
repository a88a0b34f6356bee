#pragma once
#include "effects/Effect.h"

// Random grey levels tinted by `color`, new every frame.
class Noise : public Effect {
public:
    int8_t flag = 0;
    uint32_t color = 0;

    Noise();
    void draw() override;
    DrawPlan beginDraw(Workers& workers) override;
    void drawRows(uint32_t first, uint32_t end) override;

private:
    uint32_t firstState = 0; // the shared generator's state before this frame's draws
};

// A vertical gradient mirrored about the horizontal centre line: black at the
// top and bottom rows, brightest in the middle.
class GradientReflected : public Effect {
public:
    int8_t flag = 0;
    int32_t color = 0;

    GradientReflected();
    void draw() override;
    DrawPlan beginDraw(Workers& workers) override;
    void drawRows(uint32_t first, uint32_t end) override;
};
