#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "scene/Mesh.h"
#include "scene/SceneRenderer.h"

// A 512 x 384 frame between guard rows, so stray writes show without a sanitizer.
struct GuardedFrame {
    static constexpr int kGuard = 4 * 512;
    std::vector<uint32_t> storage = std::vector<uint32_t>(512 * 384 + 2 * kGuard, 0);

    uint32_t* pixels() { return storage.data() + kGuard; }
    uint32_t at(int x, int y) { return pixels()[y * 512 + x]; }
    // Guards, row 383 and column 511 are never painted.
    bool untouchedOutside()
    {
        bool clean = std::all_of(storage.begin(), storage.begin() + kGuard, [](uint32_t p) { return p == 0; })
                  && std::all_of(storage.end() - kGuard, storage.end(), [](uint32_t p) { return p == 0; });
        for (int i = 0; i < 512; ++i)
            clean = clean && at(i, 383) == 0 && (i >= 384 || at(511, i) == 0);
        return clean;
    }
};

TEST(SceneRenderer, TetrahedronUnderTheDefaultView)
{
    Mesh mesh = buildMesh(Tetrahedron, 5.0f);
    SceneRenderer renderer; // model-view starts as translation (0, 0, 20)
    renderer.loadMesh(mesh.vertices.get(), mesh.vertexCount, mesh.faces.get(), mesh.faceCount);
    GuardedFrame frame;
    renderer.render(frame.pixels());

    // Face (0, 1, 2) covers rows 139..191; its apex row 138 is an empty span.
    for (int y = 138; y <= 191; ++y)
        for (int x = 0; x < 512; ++x) {
            const bool inside = y == 191 ? x >= 180 && x <= 330 : y > 138 && frame.at(x, y) != 0;
            ASSERT_EQ(frame.at(x, y), inside ? 0x00939393u : 0u) << x << "," << y;
        }
    EXPECT_NE(frame.at(256, 139), 0u);
    // Face (0, 3, 1) continues below; the two faces turned away add nothing.
    EXPECT_EQ(frame.at(256, 244), 0x00939393u);
    EXPECT_EQ(frame.at(256, 246), 0u);
    EXPECT_TRUE(frame.untouchedOutside());
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

TEST(SceneRenderer, EqualDepthsKeepTheFaceCopyOrder)
{
    // Three small faces towards the camera at depths 12, 12 and 11.
    MeshVertex vertices[9];
    const float depth[3] = {12.0f, 12.0f, 11.0f};
    for (int f = 0; f < 3; ++f) {
        const float x = float(f) * 3.0f - 4.0f;
        vertices[3 * f] = {x, 0.0f, depth[f], 1.0f};
        vertices[3 * f + 1] = {x + 1.0f, 0.0f, depth[f], 1.0f};
        vertices[3 * f + 2] = {x, -1.0f, depth[f], 1.0f};
    }
    for (bool swapped : {false, true}) {
        MeshFace faces[3];
        for (uint16_t f = 0; f < 3; ++f)
            faces[f] = {uint16_t(3 * f), uint16_t(3 * f + 1), uint16_t(3 * f + 2), {}, 0xFFFFFF, 0};
        if (swapped)
            std::swap(faces[0], faces[1]);
        const uint16_t first = faces[0].a, second = faces[1].a;
        SceneRenderer renderer;
        renderer.modelView.setIdentity();
        renderer.loadMesh(vertices, 9, faces, 3);
        GuardedFrame frame;
        renderer.render(frame.pixels());
        EXPECT_EQ(faces[0].a, 6);
        EXPECT_EQ(faces[1].a, first);
        EXPECT_EQ(faces[2].a, second);
        EXPECT_EQ(frame.at(240, 190), 0x00FFFFFFu); // lit head-on
    }
}

TEST(SceneRenderer, FillStopsBeforeRow383AndColumn511)
{
    SceneRenderer renderer;
    GuardedFrame frame;
    // Right edge from (700, 100) to (100, 400), two columns a row.
    renderer.fillTriangle(frame.pixels(), {100, 100}, {700, 100}, {100, 400}, 0x123456);
    EXPECT_EQ(frame.at(99, 100), 0u);
    EXPECT_EQ(frame.at(100, 100), 0x123456u);
    EXPECT_EQ(frame.at(510, 194), 0x123456u); // crossing 512, cut
    EXPECT_EQ(frame.at(509, 195), 0x123456u); // crossing 510
    EXPECT_EQ(frame.at(510, 195), 0u);
    EXPECT_EQ(frame.at(135, 382), 0x123456u); // crossing 136
    EXPECT_EQ(frame.at(136, 382), 0u);
    EXPECT_TRUE(frame.untouchedOutside());

    // Bottom vertex at row 400: rows down to 382. The apex row is empty, left crossings are painted.
    GuardedFrame second;
    renderer.fillTriangle(second.pixels(), {200, 300}, {260, 400}, {140, 400}, 0xABCDEF);
    EXPECT_EQ(second.at(200, 382), 0xABCDEFu);
    EXPECT_EQ(second.at(200, 300), 0u);
    EXPECT_EQ(second.at(199, 301), 0xABCDEFu);
    EXPECT_TRUE(second.untouchedOutside());
}

TEST(SceneRenderer, WrappedAndHugeScreenPointsStayInsideTheFrame)
{
    SceneRenderer renderer;
    GuardedFrame frame;
    std::mt19937 random(1234);
    auto coordinate = [&](int limit) -> uint16_t {
        switch (random() % 4) {
        case 0: return uint16_t(random() % (limit + 64));       // on screen or just past it
        case 1: return uint16_t(65535 - random() % 2048);       // just left of or above it
        case 2: return uint16_t(random() % 3 == 0 ? 65535 : 0); // the extremes
        default: return uint16_t(random());
        }
    };
    for (int i = 0; i < 3000; ++i) {
        const ScreenPoint a{coordinate(512), coordinate(384)}, b{coordinate(512), coordinate(384)},
            c{coordinate(512), coordinate(384)};
        renderer.fillTriangle(frame.pixels(), a, b, c, 0xFFFFFF);
        renderer.fillTriangle(frame.pixels(), a, c, b, 0xFFFFFF);
    }
    EXPECT_TRUE(frame.untouchedOutside());
}

TEST(SceneRenderer, LoadMeshRefusesWhatTheBuffersCannotHold)
{
    SceneRenderer renderer;
    GuardedFrame before, after;
    renderer.render(before.pixels()); // nothing loaded: nothing drawn
    EXPECT_EQ(before.storage, after.storage);

    Mesh tetra = buildMesh(Tetrahedron, 5.0f);
    renderer.loadMesh(tetra.vertices.get(), tetra.vertexCount, tetra.faces.get(), tetra.faceCount);
    renderer.render(before.pixels());
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
    renderer.render(after.pixels()); // the tetrahedron is still the one drawn
    EXPECT_EQ(before.storage, after.storage);
}
