#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "scene/Mesh.h"
#include "scene/SceneRenderer.h"

constexpr int W = 512;
constexpr int H = 384;

// A 512 x 384 frame between guard rows, so writes outside it show up even
// without AddressSanitizer.
struct GuardedFrame {
    static constexpr int kGuardRows = 4;
    std::vector<uint32_t> storage = std::vector<uint32_t>(size_t(W) * (H + 2 * kGuardRows), 0);

    uint32_t* pixels() { return storage.data() + kGuardRows * W; }
    uint32_t at(int x, int y) { return pixels()[y * W + x]; }

    bool guardsClean() const
    {
        for (int i = 0; i < kGuardRows * W; ++i)
            if (storage[i] != 0 || storage[storage.size() - 1 - i] != 0)
                return false;
        return true;
    }
    // Row 383 and column 511 are never painted.
    bool lastRowAndColumnClean()
    {
        for (int x = 0; x < W; ++x)
            if (at(x, H - 1) != 0)
                return false;
        for (int y = 0; y < H; ++y)
            if (at(W - 1, y) != 0)
                return false;
        return true;
    }
};

TEST(SceneRenderer, TetrahedronFrontFaceUnderTheDefaultView)
{
    Mesh mesh = buildMesh(Tetrahedron, 5.0f);
    SceneRenderer renderer; // model-view starts as translation (0, 0, 20)
    renderer.loadMesh(mesh.vertices.get(), mesh.vertexCount, mesh.faces.get(), mesh.faceCount);
    GuardedFrame frame;
    renderer.render(frame.pixels());

    // Face (0, 1, 2) spans rows 139..191; row 138 holds only its apex, an empty span.
    for (int x = 0; x < W; ++x)
        EXPECT_EQ(frame.at(x, 138), 0u) << x;
    for (int y = 139; y <= 191; ++y) {
        int painted = 0;
        for (int x = 0; x < W; ++x)
            if (frame.at(x, y) != 0) {
                EXPECT_EQ(frame.at(x, y), 0x00939393u) << x << "," << y;
                ++painted;
            }
        EXPECT_GT(painted, 0) << y;
    }
    EXPECT_EQ(frame.at(179, 191), 0u);
    for (int x = 180; x <= 330; ++x)
        ASSERT_EQ(frame.at(x, 191), 0x00939393u) << x;
    EXPECT_EQ(frame.at(331, 191), 0u);

    // Face (0, 3, 1) continues below the centre line; the two back faces add nothing.
    EXPECT_EQ(frame.at(256, 192), 0x00939393u);
    EXPECT_EQ(frame.at(256, 244), 0x00939393u);
    EXPECT_EQ(frame.at(256, 246), 0u);
    EXPECT_TRUE(frame.guardsClean());

    // The face array now holds the drawing order: the two nearer faces first.
    EXPECT_EQ(mesh.faces[0].b, 1);
    EXPECT_EQ(mesh.faces[1].b, 3);
    EXPECT_NEAR(mesh.faces[0].normal.y, -0.8164966f, 1e-6f);
    EXPECT_NEAR(mesh.faces[0].normal.z, -0.5773503f, 1e-6f);
}

TEST(SceneRenderer, Shading)
{
    EXPECT_EQ(shadeColour(0xFFFFFF, {0.0f, -0.8164966f, -0.5773503f, 1.0f}), 0x00939393u);
    EXPECT_EQ(shadeColour(0xFFFFFF, {0.0f, 0.0f, 0.1f, 1.0f}), 0u); // turned from the light
    EXPECT_EQ(shadeColour(0xFFFF8001, {0.0f, 0.0f, -0.5f, 1.0f}), 0x007F4000u);
    EXPECT_EQ(shadeColour(0x00FF4020, {0.0f, 0.0f, -1.5f, 1.0f}), 0x00FF6030u); // clamped at 255
    EXPECT_EQ(shadeColour(0xFFFFFF, {0.0f, 0.0f, std::nanf(""), 1.0f}), 0u);
}

TEST(SceneRenderer, EqualDepthsKeepTheFaceCopyOrder)
{
    // Three flat faces facing the camera at depths 12, 12 and 11.
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
        const uint16_t firstTwelve = faces[0].a, secondTwelve = faces[1].a;

        SceneRenderer renderer;
        renderer.modelView.setIdentity();
        renderer.loadMesh(vertices, 9, faces, 3);
        GuardedFrame frame;
        renderer.render(frame.pixels());
        EXPECT_EQ(faces[0].a, 6); // depth 11
        EXPECT_EQ(faces[1].a, firstTwelve);
        EXPECT_EQ(faces[2].a, secondTwelve);
        EXPECT_EQ(frame.at(240, 190), 0x00FFFFFFu); // the middle face, lit head-on
    }
}

TEST(SceneRenderer, FillStopsBeforeRow383AndColumn511)
{
    SceneRenderer renderer;
    GuardedFrame frame;
    // Right edge from (700, 100) down to (100, 400), two columns a row: past both limits.
    renderer.fillTriangle(frame.pixels(), {100, 100}, {700, 100}, {100, 400}, 0x123456);
    for (int x = 100; x < W - 1; ++x)
        EXPECT_EQ(frame.at(x, 100), 0x123456u) << x;
    EXPECT_EQ(frame.at(99, 100), 0u);
    EXPECT_EQ(frame.at(510, 194), 0x123456u); // crossing 512, cut
    EXPECT_EQ(frame.at(509, 195), 0x123456u); // crossing 510
    EXPECT_EQ(frame.at(510, 195), 0u);
    EXPECT_EQ(frame.at(100, 382), 0x123456u);
    EXPECT_EQ(frame.at(135, 382), 0x123456u); // crossing 136
    EXPECT_EQ(frame.at(136, 382), 0u);
    EXPECT_EQ(frame.at(100, 99), 0u);
    EXPECT_TRUE(frame.lastRowAndColumnClean());
    EXPECT_TRUE(frame.guardsClean());

    // A bottom vertex at row 400 with the span inside the frame: rows down to 382.
    GuardedFrame second;
    renderer.fillTriangle(second.pixels(), {200, 300}, {260, 400}, {140, 400}, 0xABCDEF);
    EXPECT_EQ(second.at(200, 382), 0xABCDEFu);
    EXPECT_EQ(second.at(200, 383), 0u);
    // Spans are half-open: the top vertex's own row is empty, the left crossing is painted.
    EXPECT_EQ(second.at(200, 300), 0u);
    EXPECT_EQ(second.at(199, 301), 0xABCDEFu);
}

TEST(SceneRenderer, WrappedAndHugeScreenPointsStayInsideTheFrame)
{
    SceneRenderer renderer;
    GuardedFrame frame;
    std::mt19937 random(1234);
    auto coordinate = [&](int limit) -> uint16_t {
        switch (random() % 4) {
        case 0: return uint16_t(random() % (limit + 64));       // on screen or just past it
        case 1: return uint16_t(65536 - 1 - random() % 2048);   // just left of or above the frame
        case 2: return uint16_t(random() % 3 == 0 ? 65535 : 0); // the extremes
        default: return uint16_t(random());
        }
    };
    for (int i = 0; i < 3000; ++i) {
        const ScreenPoint a{coordinate(W), coordinate(H)}, b{coordinate(W), coordinate(H)},
            c{coordinate(W), coordinate(H)};
        renderer.fillTriangle(frame.pixels(), a, b, c, 0xFFFFFF);
        renderer.fillTriangle(frame.pixels(), a, c, b, 0xFFFFFF);
    }
    EXPECT_TRUE(frame.lastRowAndColumnClean());
    EXPECT_TRUE(frame.guardsClean());
}

TEST(SceneRenderer, LoadMeshRefusesWhatTheBuffersCannotHold)
{
    SceneRenderer renderer;
    GuardedFrame empty;
    renderer.render(empty.pixels()); // nothing loaded: nothing drawn
    EXPECT_TRUE(std::all_of(empty.storage.begin(), empty.storage.end(), [](uint32_t p) { return p == 0; }));

    Mesh tetra = buildMesh(Tetrahedron, 5.0f);
    renderer.loadMesh(tetra.vertices.get(), tetra.vertexCount, tetra.faces.get(), tetra.faceCount);
    GuardedFrame before;
    renderer.render(before.pixels());

    std::vector<MeshVertex> many(70000);
    std::vector<MeshFace> one(1);
    try {
        renderer.loadMesh(many.data(), many.size(), one.data(), one.size());
        FAIL() << "a 70000-vertex mesh was accepted";
    } catch (const std::length_error& e) {
        EXPECT_NE(std::string(e.what()).find("70000"), std::string::npos) << e.what();
    }
    std::vector<MeshFace> tooManyFaces(65536);
    EXPECT_THROW(renderer.loadMesh(many.data(), 3, tooManyFaces.data(), tooManyFaces.size()), std::length_error);
    MeshFace outside{0, 1, 4, {}, 0xFFFFFF, 0};
    EXPECT_THROW(renderer.loadMesh(tetra.vertices.get(), 4, &outside, 1), std::out_of_range);

    // The tetrahedron is still the one drawn.
    GuardedFrame after;
    renderer.render(after.pixels());
    EXPECT_EQ(before.storage, after.storage);
}
