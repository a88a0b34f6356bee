#pragma once
#include <cstdint>
#include <memory>

#include "scene/Matrix4.h"

// A model-space position; w is always 1.
using MeshVertex = Vector4;

// One triangle. (b - a) x (c - a) points out of the solid.
struct MeshFace {
    uint16_t a = 0;
    uint16_t b = 0;
    uint16_t c = 0;
    Vector4 normal;            // (0, 0, 0, 1) as built; the renderer writes the rotated normal here
    uint32_t colour = 0;       // 0x00RRGGBB
    uint32_t shadedColour = 0;
};

enum MeshKind : uint8_t { Tetrahedron = 0, Cube = 1 };

// A built solid. It owns its arrays and is move-only, so a renderer pointing
// into them stays valid however the mesh is moved and nothing is freed twice.
struct Mesh {
    std::unique_ptr<MeshVertex[]> vertices;
    uint16_t vertexCount = 0;
    std::unique_ptr<MeshFace[]> faces;
    uint16_t faceCount = 0;
    std::unique_ptr<uint32_t[]> faceColours; // the tetrahedron's face i reads slot i
    std::unique_ptr<uint32_t[]> sideColours; // the cube's triangle i reads slot i / 2
    uint8_t kind = Tetrahedron;
    float scale = 0.0f;
};

// The solid of the given kind, centred on the origin, scaled by `scale`, every
// face white. Throws std::invalid_argument for a kind other than 0 or 1.
Mesh buildMesh(uint8_t kind, float scale);
