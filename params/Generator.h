#pragma once
#include <cstdint>

#include "params/VarContainer.h"

// Computes a value from the show time each frame. Its parameters only ever
// take their base values: refresh reloads them every frame.
class Generator : public VarContainer {
public:
    virtual void refresh() = 0;
    virtual void step(float time) = 0;
};

// equilibrium + amplitude * sin(time * 0.1 + phaseOffset), truncated.
class Sine : public Generator {
public:
    int32_t output = 0;
    int32_t amplitude = 0;   // "long *"
    float phaseOffset = 0.0f;
    int32_t equilibrium = 0; // "long *"

    Sine();
    void refresh() override;
    void step(float time) override;

protected:
    void captureOwn(StateBytes& out) const override { saveBytes(out, &output, sizeof output); }
    void restoreOwn(std::span<const uint8_t>& in) override { loadBytes(in, &output, sizeof output); }
};
