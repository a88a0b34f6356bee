#include "scene/Mesh.h"

#include <cmath>
#include <stdexcept>
#include <string>

namespace {

struct Corner {
    float x, y, z;
};

struct Triangle {
    uint16_t a, b, c;
};

const float kR = float(1.0 / std::sqrt(2.0));

const Corner kTetrahedronVertices[4] = {
    {-1.0f, 0.0f, -kR}, {1.0f, 0.0f, -kR}, {0.0f, -1.0f, kR}, {0.0f, 1.0f, kR},
};
const Triangle kTetrahedronFaces[4] = {{0, 1, 2}, {0, 3, 1}, {1, 3, 2}, {0, 2, 3}};

const Corner kCubeVertices[8] = {
    {-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1},
    {-1, -1, 1},  {1, -1, 1},  {1, 1, 1},  {-1, 1, 1},
};
// Two triangles per side: -z, +x, -x, -y, +y, +z.
const Triangle kCubeFaces[12] = {
    {0, 3, 1}, {2, 1, 3}, {6, 1, 2}, {5, 1, 6}, {3, 0, 4}, {7, 3, 4},
    {5, 4, 0}, {0, 1, 5}, {7, 6, 3}, {6, 2, 3}, {4, 6, 7}, {4, 5, 6},
};

} // namespace

Mesh buildMesh(uint8_t kind, float scale)
{
    if (kind != Tetrahedron && kind != Cube)
        throw std::invalid_argument("buildMesh: no solid of kind " + std::to_string(kind));
    const bool cube = kind == Cube;
    const Corner* corners = cube ? kCubeVertices : kTetrahedronVertices;
    const Triangle* triangles = cube ? kCubeFaces : kTetrahedronFaces;

    Mesh mesh;
    mesh.kind = kind;
    mesh.scale = scale;
    mesh.vertexCount = cube ? 8 : 4;
    mesh.faceCount = cube ? 12 : 4;
    mesh.faceColours = std::make_unique<uint32_t[]>(mesh.faceCount);
    mesh.sideColours = std::make_unique<uint32_t[]>(mesh.faceCount);
    for (uint16_t i = 0; i < mesh.faceCount; ++i)
        mesh.faceColours[i] = mesh.sideColours[i] = 0xFFFFFF;

    mesh.vertices = std::make_unique<MeshVertex[]>(mesh.vertexCount);
    for (uint16_t i = 0; i < mesh.vertexCount; ++i)
        mesh.vertices[i] = {corners[i].x * scale, corners[i].y * scale, corners[i].z * scale, 1.0f};

    mesh.faces = std::make_unique<MeshFace[]>(mesh.faceCount);
    for (uint16_t i = 0; i < mesh.faceCount; ++i) {
        MeshFace& face = mesh.faces[i];
        face.a = triangles[i].a;
        face.b = triangles[i].b;
        face.c = triangles[i].c;
        face.normal = {0.0f, 0.0f, 0.0f, 1.0f};
        face.colour = cube ? mesh.sideColours[i / 2] : mesh.faceColours[i];
        face.shadedColour = 0;
    }
    return mesh;
}
