#pragma once
#include "effects/Effect.h"
#include "scene/Matrix4.h"
#include "scene/Mesh.h"
#include "scene/SceneRenderer.h"

// A spinning, flat-shaded platonic solid drawn over whatever the target holds.
// Page Up/Down and the arrow keys nudge it while its position is not animated.
class Scene : public Effect {
public:
    SceneRenderer renderer;
    Matrix4 translation;
    Matrix4 rotation; // the model-view matrix once draw has run
    float x = 0.0f;
    float y = 0.0f;
    float z = 20.0f;
    int8_t flag = 0;
    float time = 0.0f;     // rotation parameter, not the show clock
    uint8_t platonic = 1;  // 1: tetrahedron, 2: cube, else keep the last
    Mesh tetrahedron;
    Mesh cube;

    Scene();
    // Draws nothing into a target that is missing or smaller than 512 x 384.
    void draw() override;
    DrawPlan beginDraw(Workers& workers) override;
    void drawRows(uint32_t first, uint32_t end) override;

protected:
    // The solid in the renderer and both meshes' face order, which each
    // render rewrites and the next one sorts from.
    void captureOwn(StateBytes& out) const override;
    void restoreOwn(std::span<const uint8_t>& in) override;

private:
    void load(Mesh& mesh);
};
