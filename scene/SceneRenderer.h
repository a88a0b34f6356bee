#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "params/StateBytes.h"
#include "scene/Matrix4.h"
#include "scene/Mesh.h"

struct DepthEntry {
    float key;      // mean view-space depth of the face
    uint16_t index; // into the face copy
};

struct SpanRow {
    float left;
    float right;
};

// Draws one triangle mesh per frame into rows of 512 pixels: transform, depth
// sort (nearest first, no depth buffer), projection, back-face test, flat
// shading under a light along the view axis, span fill. Faces reaching past
// the left or top edge are cut there; rows 0..382 and columns 0..510 are the
// only pixels it ever writes.
class SceneRenderer {
public:
    static constexpr size_t kCapacity = 65535; // vertices and faces
    static constexpr int kWidth = 512;
    static constexpr int kHeight = 384;

    Matrix4 modelView; // set before each render

    SceneRenderer();
    SceneRenderer(const SceneRenderer&) = delete;
    SceneRenderer& operator=(const SceneRenderer&) = delete;

    // Takes the mesh's arrays by reference (not owned): render rewrites the
    // face array in drawing order. Refuses with std::length_error a mesh larger
    // than the buffers and with std::out_of_range a face indexing past the
    // vertices; the previous mesh stays loaded then. Allocates only when the
    // face count exceeds every earlier one.
    void loadMesh(const MeshVertex* vertices, size_t vertexCount, MeshFace* faces, size_t faceCount);

    // Transforms, sorts and projects the faces and scans the ones drawn into
    // runs of pixels; fillRows paints them. Nothing else changes between the
    // two, so rows can be painted in any order and on any thread.
    void prepare();
    // The prepared faces in drawing order over rows first ... end - 1 alone.
    // `pixels` must hold at least 383 rows of 512.
    void fillRows(uint32_t* pixels, uint32_t first, uint32_t end) const;
    // prepare, then fillRows over every row.
    void render(uint32_t* pixels);

    const MeshFace* loadedFaces() const { return faces; }
    // What a render leaves for the next beside the mesh's own face array: the
    // matrix and the faces in load order with their normals. Restoring needs
    // the same mesh loaded.
    void captureState(StateBytes& out) const;
    void restoreState(std::span<const uint8_t>& in);

    // One flat triangle through the span table, as render fills each face.
    void fillTriangle(uint32_t* pixels, ScreenPoint a, ScreenPoint b, ScreenPoint c, uint32_t colour);

private:
    // A drawn face: its colour and its runs for rows top ... top + rows - 1,
    // from runs[first] on.
    struct DrawnFace {
        uint32_t colour;
        uint32_t first;
        int16_t top;
        int16_t rows;
    };
    struct Run {
        int16_t x0, x1; // pixels x0 ... x1 - 1; none where x0 >= x1
    };

    void sortFaces();
    void scanEdges(ScreenPoint a, ScreenPoint b, ScreenPoint c);
    // The scanned spans as a face's runs, cut to the frame.
    void keepSpans(uint32_t colour);
    static void fillFace(uint32_t* pixels, const DrawnFace& face, const Run* runs, int first, int end);

    const MeshVertex* vertices = nullptr;
    uint16_t vertexCount = 0;
    MeshFace* faces = nullptr;
    uint16_t faceCount = 0;

    // Per face, sized by loadMesh.
    std::vector<MeshFace> faceCopy; // load order, rotated normals
    std::vector<DepthEntry> depthEntries;
    std::vector<Vector4> faceNormals; // unit, model space

    // Per vertex, allocated once.
    std::unique_ptr<Vector4[]> viewVertices;
    std::unique_ptr<ScreenPoint[]> screenPoints;
    std::unique_ptr<bool[]> projected; // the point has a finite projection

    SpanRow spans[kHeight] = {};
    int16_t topRow = 0; // of the last face scanned
    int16_t bottomRow = 0;

    // The last prepare's faces, sized by loadMesh.
    std::vector<DrawnFace> drawn;
    std::vector<Run> runs;
};

// The face colour lit by the face's rotated normal: each channel times -n.z,
// truncated and clamped to 0..255; the top byte is 0.
uint32_t shadeColour(uint32_t colour, const Vector4& normal);
