#include "scene/SceneRenderer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <string>

#include "params/Truncate.h"

SceneRenderer::SceneRenderer()
    : viewVertices(std::make_unique<Vector4[]>(kCapacity)),
      screenPoints(std::make_unique<ScreenPoint[]>(kCapacity)),
      projected(std::make_unique<bool[]>(kCapacity))
{
    modelView.setTranslation(0.0f, 0.0f, 20.0f);
}

void SceneRenderer::loadMesh(const MeshVertex* meshVertices, size_t meshVertexCount, MeshFace* meshFaces,
                             size_t meshFaceCount)
{
    if (meshVertexCount > kCapacity || meshFaceCount > kCapacity)
        throw std::length_error("loadMesh: a mesh of " + std::to_string(meshVertexCount) + " vertices and "
                                + std::to_string(meshFaceCount) + " faces exceeds the renderer's "
                                + std::to_string(kCapacity) + "-entry buffers");
    for (size_t i = 0; i < meshFaceCount; ++i) {
        const MeshFace& f = meshFaces[i];
        if (f.a >= meshVertexCount || f.b >= meshVertexCount || f.c >= meshVertexCount)
            throw std::out_of_range("loadMesh: face " + std::to_string(i) + " indexes past the "
                                    + std::to_string(meshVertexCount) + " vertices");
    }
    // resize keeps the capacity, so a mesh no larger than an earlier one allocates nothing.
    faceCopy.resize(meshFaceCount);
    depthEntries.resize(meshFaceCount);
    faceNormals.resize(meshFaceCount);
    // Every face drawn over every row fits, up to a size past which a frame
    // that needs more rows than any before grows the runs.
    drawn.reserve(meshFaceCount);
    runs.reserve(std::min<size_t>(meshFaceCount * (kHeight - 1), size_t(1) << 16));

    vertices = meshVertices;
    vertexCount = uint16_t(meshVertexCount);
    faces = meshFaces;
    faceCount = uint16_t(meshFaceCount);

    for (uint16_t i = 0; i < faceCount; ++i) {
        const MeshFace& f = faces[i];
        const MeshVertex& a = vertices[f.a];
        const MeshVertex& b = vertices[f.b];
        const MeshVertex& c = vertices[f.c];
        const float e1x = b.x - a.x, e1y = b.y - a.y, e1z = b.z - a.z;
        const float e2x = c.x - a.x, e2y = c.y - a.y, e2z = c.z - a.z;
        Vector4 n{e1y * e2z - e1z * e2y, e1z * e2x - e1x * e2z, e1x * e2y - e1y * e2x, 1.0f};
        const float length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
        n.x /= length;
        n.y /= length;
        n.z /= length;
        faceNormals[i] = n;
        // The face array holds the last render's drawing order, so this order
        // decides how equal depths come out of the next sort.
        faceCopy[i] = f;
    }
}

void SceneRenderer::captureState(StateBytes& out) const
{
    saveBytes(out, &modelView, sizeof modelView);
    saveBytes(out, faceCopy.data(), faceCopy.size() * sizeof(MeshFace));
    saveBytes(out, faceNormals.data(), faceNormals.size() * sizeof(Vector4));
}

void SceneRenderer::restoreState(std::span<const uint8_t>& in)
{
    loadBytes(in, &modelView, sizeof modelView);
    loadBytes(in, faceCopy.data(), faceCopy.size() * sizeof(MeshFace));
    loadBytes(in, faceNormals.data(), faceNormals.size() * sizeof(Vector4));
}

void SceneRenderer::prepare()
{
    Matrix4 work = modelView;
    for (uint16_t i = 0; i < vertexCount; ++i)
        viewVertices[i] = work.transform(vertices[i]);

    // The inverse transpose rotates normals without translating them.
    work.transpose();
    work.invert();
    for (uint16_t i = 0; i < faceCount; ++i)
        faceCopy[i].normal = work.transform(faceNormals[i]);

    sortFaces();

    for (uint16_t i = 0; i < vertexCount; ++i)
        projected[i] = projectToScreen(viewVertices[i], screenPoints[i]);

    drawn.clear();
    runs.clear();
    for (uint16_t j = 0; j < faceCount; ++j) {
        const MeshFace& face = faces[j];
        if (!projected[face.a] || !projected[face.b] || !projected[face.c])
            continue;
        const ScreenPoint a = screenPoints[face.a];
        const ScreenPoint b = screenPoints[face.b];
        const ScreenPoint c = screenPoints[face.c];
        if (isFrontFacing(a, b, c)) {
            std::memset(spans, 0, sizeof spans);
            scanEdges(a, b, c);
            keepSpans(shadeColour(face.colour, face.normal));
        }
    }
}

void SceneRenderer::fillRows(uint32_t* pixels, uint32_t first, uint32_t end) const
{
    const int from = int(std::min<uint32_t>(first, kHeight)), to = int(std::min<uint32_t>(end, kHeight));
    for (const DrawnFace& face : drawn)
        fillFace(pixels, face, runs.data(), from, to);
}

void SceneRenderer::render(uint32_t* pixels)
{
    prepare();
    fillRows(pixels, 0, kHeight);
}

void SceneRenderer::sortFaces()
{
    for (uint16_t i = 0; i < faceCount; ++i) {
        const MeshFace& f = faceCopy[i];
        depthEntries[i] = {(viewVertices[f.b].z + viewVertices[f.a].z + viewVertices[f.c].z) / 3.0f, i};
    }
    // Insertion sort: stable, so equal depths keep the face-copy order, and
    // allocation-free. The solids have 4 and 12 faces.
    for (uint16_t i = 1; i < faceCount; ++i) {
        const DepthEntry e = depthEntries[i];
        uint16_t j = i;
        for (; j > 0 && e.key < depthEntries[j - 1].key; --j)
            depthEntries[j] = depthEntries[j - 1];
        depthEntries[j] = e;
    }
    // The model faces take the new order; their shaded colours stay.
    for (uint16_t j = 0; j < faceCount; ++j) {
        const MeshFace& from = faceCopy[depthEntries[j].index];
        MeshFace& to = faces[j];
        to.a = from.a;
        to.b = from.b;
        to.c = from.c;
        to.colour = from.colour;
        to.normal = from.normal;
    }
}

uint32_t shadeColour(uint32_t colour, const Vector4& normal)
{
    // Light from the camera: the direction towards it is (0, 0, -1).
    const float intensity = normal.x * 0.0f + normal.y * 0.0f + normal.z * -1.0f;
    uint32_t shaded = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const float channel = float((colour >> shift) & 0xff);
        const int16_t v = int16_t(truncToInt32(channel * intensity));
        shaded |= uint32_t(std::clamp<int16_t>(v, 0, 255)) << shift;
    }
    return shaded;
}

void SceneRenderer::fillTriangle(uint32_t* pixels, ScreenPoint a, ScreenPoint b, ScreenPoint c, uint32_t colour)
{
    std::memset(spans, 0, sizeof spans);
    scanEdges(a, b, c);
    drawn.clear();
    runs.clear();
    keepSpans(colour);
    fillRows(pixels, 0, kHeight);
}

void SceneRenderer::scanEdges(ScreenPoint a, ScreenPoint b, ScreenPoint c)
{
    const ScreenPoint edges[3][2] = {{a, b}, {b, c}, {c, a}};
    for (const auto& edge : edges) {
        int px = int16_t(edge[0].x), py = int16_t(edge[0].y);
        int qx = int16_t(edge[1].x), qy = int16_t(edge[1].y);
        if (py > qy) {
            std::swap(px, qx);
            std::swap(py, qy);
        }
        if (py == qy)
            continue; // covers no row
        float x = float(px);
        const float dx = (float(qx) - float(px)) / float(qy - py);
        int y = py;
        if (y < 0) { // starts above the frame
            x += dx * float(-y);
            y = 0;
        }
        const int end = std::min(qy, kHeight);
        for (; y < end; ++y) {
            SpanRow& row = spans[y];
            const float right = row.right;
            row.left = x;
            if (x > right) {
                row.left = right;
                row.right = x;
            }
            x += dx;
        }
    }
    topRow = std::min({int16_t(a.y), int16_t(b.y), int16_t(c.y)});
    bottomRow = std::max({int16_t(a.y), int16_t(b.y), int16_t(c.y)});
}

// Sixteen pixels a group, which the compiler turns into vector stores; a plain
// loop of unknown length stays scalar at -O2.
static void fillRun(uint32_t* p, uint32_t* end, uint32_t colour)
{
    for (; end - p >= 16; p += 16)
        for (int i = 0; i < 16; ++i)
            p[i] = colour;
    for (; p < end; ++p)
        *p = colour;
}

void SceneRenderer::keepSpans(uint32_t colour)
{
    // Row 383 and column 511 are never painted; rows above the frame and
    // columns left of it are cut.
    const int top = std::max<int>(topRow, 0);
    const int bottom = bottomRow >= kHeight ? kHeight - 1 : bottomRow;
    if (top >= bottom)
        return;
    drawn.push_back({colour, uint32_t(runs.size()), int16_t(top), int16_t(bottom - top)});
    for (int y = top; y < bottom; ++y) {
        const int x0 = std::max(truncToInt32(spans[y].left), 0);
        int x1 = truncToInt32(spans[y].right);
        if (x1 >= kWidth)
            x1 = kWidth - 1;
        runs.push_back({int16_t(std::min(x0, kWidth)), int16_t(std::max(x1, 0))});
    }
}

void SceneRenderer::fillFace(uint32_t* pixels, const DrawnFace& face, const Run* runs, int first, int end)
{
    const int from = std::max<int>(first, face.top), to = std::min<int>(end, face.top + face.rows);
    for (int y = from; y < to; ++y) {
        const Run run = runs[face.first + uint32_t(y - face.top)];
        if (run.x0 < run.x1)
            fillRun(pixels + y * kWidth + run.x0, pixels + y * kWidth + run.x1, face.colour);
    }
}
