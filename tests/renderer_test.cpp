#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include "scene/Mesh.h"
#include "scene/SceneRenderer.h"

using Frame = std::vector<uint32_t>;

static uint32_t at(const Frame& frame, int x, int y)
{
    return frame[y * 512 + x];
}

TEST(SceneRenderer, TetrahedronUnderTheDefaultView)
{
    Mesh mesh = buildMesh(Tetrahedron, 5.0f);
    SceneRenderer renderer; // model-view starts as translation (0, 0, 20)
    renderer.loadMesh(mesh.vertices.get(), mesh.vertexCount, mesh.faces.get(), mesh.faceCount);
    Frame frame(512 * 384, 0);
    renderer.render(frame.data());

    // Face (0, 1, 2) covers rows 139..191; its apex row 138 is an empty span.
    for (int y = 138; y <= 191; ++y)
        for (int x = 0; x < 512; ++x) {
            const bool inside = y == 191 ? x >= 180 && x <= 330 : y > 138 && at(frame, x, y) != 0;
            ASSERT_EQ(at(frame, x, y), inside ? 0x00939393u : 0u) << x << "," << y;
        }
    EXPECT_NE(at(frame, 256, 139), 0u);
    // Face (0, 3, 1) continues below; the two faces turned away add nothing.
    EXPECT_EQ(at(frame, 256, 244), 0x00939393u);
    EXPECT_EQ(at(frame, 256, 246), 0u);
    // The face array is left in drawing order, nearest first, with rotated normals.
    EXPECT_EQ(mesh.faces[0].b, 1);
    EXPECT_EQ(mesh.faces[1].b, 3);
    EXPECT_NEAR(mesh.faces[0].normal.z, -0.5773503f, 1e-6f);
}

TEST(SceneRenderer, Shading)
{
    EXPECT_EQ(shadeColour(0xFFFFFF, {0.0f, -0.8164966f, -0.5773503f, 1.0f}), 0x00939393u);
    EXPECT_EQ(shadeColour(0xFFFFFF, {0.0f, 0.0f, 0.1f, 1.0f}), 0u); // turned from the light
    EXPECT_EQ(shadeColour(0xFFFF8001, {0.0f, 0.0f, -0.5f, 1.0f}), 0x007F4000u);
    EXPECT_EQ(shadeColour(0x00FF4020, {0.0f, 0.0f, -1.5f, 1.0f}), 0x00FF6030u); // clamped
    EXPECT_EQ(shadeColour(0xFFFFFF, {0.0f, 0.0f, std::nanf(""), 1.0f}), 0u);
}

TEST(SceneRenderer, FillStopsBeforeRow383AndColumn511)
{
    SceneRenderer renderer;
    Frame frame(512 * 384, 0);
    // Right edge from (700, 100) to (100, 400), two columns a row.
    renderer.fillTriangle(frame.data(), {100, 100}, {700, 100}, {100, 400}, 0x123456);
    EXPECT_EQ(at(frame, 99, 100), 0u);
    EXPECT_EQ(at(frame, 100, 100), 0x123456u);
    EXPECT_EQ(at(frame, 510, 194), 0x123456u); // crossing 512, cut
    EXPECT_EQ(at(frame, 509, 195), 0x123456u); // crossing 510
    EXPECT_EQ(at(frame, 510, 195), 0u);
    EXPECT_EQ(at(frame, 135, 382), 0x123456u); // crossing 136
    EXPECT_EQ(at(frame, 136, 382), 0u);
    for (int i = 0; i < 512; ++i)
        ASSERT_TRUE(at(frame, i, 383) == 0 && at(frame, 511, i % 384) == 0) << i;

    // Bottom vertex at row 400: rows down to 382. The apex row is empty, left crossings are painted.
    Frame second(512 * 384, 0);
    renderer.fillTriangle(second.data(), {200, 300}, {260, 400}, {140, 400}, 0xABCDEF);
    EXPECT_EQ(at(second, 200, 382), 0xABCDEFu);
    EXPECT_EQ(at(second, 200, 383), 0u);
    EXPECT_EQ(at(second, 200, 300), 0u);
    EXPECT_EQ(at(second, 199, 301), 0xABCDEFu);

    // Past the left and top edges: the part inside is drawn, cut at column 0 and row 0.
    Frame third(512 * 384, 0);
    renderer.fillTriangle(third.data(), {uint16_t(-100), uint16_t(-100)}, {300, uint16_t(-100)}, {uint16_t(-100), 300}, 1);
    EXPECT_EQ(at(third, 0, 0), 1u);
    EXPECT_EQ(at(third, 199, 0), 1u); // crossing 200
    EXPECT_EQ(at(third, 200, 0), 0u);
    EXPECT_EQ(at(third, 0, 199), 1u);
    EXPECT_EQ(at(third, 0, 200), 0u);
}

TEST(SceneRenderer, LoadMeshRefusesWhatTheBuffersCannotHold)
{
    SceneRenderer renderer;
    Frame before(512 * 384, 0), after(512 * 384, 0);
    renderer.render(before.data()); // nothing loaded: nothing drawn
    EXPECT_EQ(before, after);

    Mesh tetra = buildMesh(Tetrahedron, 5.0f);
    renderer.loadMesh(tetra.vertices.get(), tetra.vertexCount, tetra.faces.get(), tetra.faceCount);
    renderer.render(before.data());
    std::vector<MeshVertex> many(70000);
    std::vector<MeshFace> faces(65536);
    try {
        renderer.loadMesh(many.data(), many.size(), faces.data(), 1);
        FAIL() << "a 70000-vertex mesh was accepted";
    } catch (const std::length_error& e) {
        EXPECT_NE(std::string(e.what()).find("70000"), std::string::npos) << e.what();
    }
    EXPECT_THROW(renderer.loadMesh(many.data(), 3, faces.data(), faces.size()), std::length_error);
    MeshFace outside{0, 1, 4, {}, 0xFFFFFF, 0};
    EXPECT_THROW(renderer.loadMesh(tetra.vertices.get(), 4, &outside, 1), std::out_of_range);
    renderer.render(after.data()); // the tetrahedron is still the one drawn
    EXPECT_EQ(before, after);
}
