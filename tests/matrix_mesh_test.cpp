#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <stdexcept>

#include "scene/Matrix4.h"
#include "scene/Mesh.h"

static void expectVector(const Vector4& v, float x, float y, float z, float eps = 1e-6f)
{
    EXPECT_NEAR(v.x, x, eps);
    EXPECT_NEAR(v.y, y, eps);
    EXPECT_NEAR(v.z, z, eps);
}

TEST(Mesh, TetrahedronAtScaleFive)
{
    const Mesh mesh = buildMesh(Tetrahedron, 5.0f);
    ASSERT_EQ(mesh.vertexCount, 4);
    ASSERT_EQ(mesh.faceCount, 4);
    const float r = 5.0f * float(1.0 / std::sqrt(2.0));
    const float expected[4][3] = {{-5, 0, -r}, {5, 0, -r}, {0, -5, r}, {0, 5, r}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(mesh.vertices[i].x, expected[i][0]);
        EXPECT_EQ(mesh.vertices[i].y, expected[i][1]);
        EXPECT_EQ(mesh.vertices[i].z, expected[i][2]);
        EXPECT_EQ(mesh.vertices[i].w, 1.0f);
    }
    EXPECT_NEAR(mesh.vertices[2].z, 3.5355339f, 1e-6f);
    const uint16_t faces[4][3] = {{0, 1, 2}, {0, 3, 1}, {1, 3, 2}, {0, 2, 3}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(mesh.faces[i].a, faces[i][0]);
        EXPECT_EQ(mesh.faces[i].b, faces[i][1]);
        EXPECT_EQ(mesh.faces[i].c, faces[i][2]);
        EXPECT_EQ(mesh.faces[i].colour, 0xFFFFFFu);
        EXPECT_EQ(mesh.faces[i].shadedColour, 0u);
        EXPECT_EQ(mesh.faces[i].normal.w, 1.0f);
    }
}

TEST(Mesh, CubeAtScaleFive)
{
    const Mesh mesh = buildMesh(Cube, 5.0f);
    ASSERT_EQ(mesh.vertexCount, 8);
    ASSERT_EQ(mesh.faceCount, 12);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(std::fabs(mesh.vertices[i].x), 5.0f);
        EXPECT_EQ(std::fabs(mesh.vertices[i].y), 5.0f);
        EXPECT_EQ(std::fabs(mesh.vertices[i].z), 5.0f);
    }
    // Bottom ring then top ring, each counter-clockwise from (-,-).
    EXPECT_EQ(mesh.vertices[2].x, 5.0f);
    EXPECT_EQ(mesh.vertices[2].y, 5.0f);
    EXPECT_EQ(mesh.vertices[2].z, -5.0f);
    EXPECT_EQ(mesh.vertices[7].x, -5.0f);
    EXPECT_EQ(mesh.vertices[7].y, 5.0f);
    EXPECT_EQ(mesh.vertices[7].z, 5.0f);
    const uint16_t faces[12][3] = {{0, 3, 1}, {2, 1, 3}, {6, 1, 2}, {5, 1, 6}, {3, 0, 4}, {7, 3, 4},
                                   {5, 4, 0}, {0, 1, 5}, {7, 6, 3}, {6, 2, 3}, {4, 6, 7}, {4, 5, 6}};
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(mesh.faces[i].a, faces[i][0]);
        EXPECT_EQ(mesh.faces[i].b, faces[i][1]);
        EXPECT_EQ(mesh.faces[i].c, faces[i][2]);
        EXPECT_EQ(mesh.faces[i].colour, 0xFFFFFFu);
    }
}

TEST(Mesh, EveryFaceWindsOutwards)
{
    for (uint8_t kind : {Tetrahedron, Cube}) {
        const Mesh mesh = buildMesh(kind, 5.0f);
        for (int i = 0; i < mesh.faceCount; ++i) {
            const MeshFace& f = mesh.faces[i];
            const MeshVertex &a = mesh.vertices[f.a], &b = mesh.vertices[f.b], &c = mesh.vertices[f.c];
            const float e1[3] = {b.x - a.x, b.y - a.y, b.z - a.z};
            const float e2[3] = {c.x - a.x, c.y - a.y, c.z - a.z};
            const float n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                                e1[0] * e2[1] - e1[1] * e2[0]};
            const float centroid[3] = {a.x + b.x + c.x, a.y + b.y + c.y, a.z + b.z + c.z};
            EXPECT_GT(n[0] * centroid[0] + n[1] * centroid[1] + n[2] * centroid[2], 0.0f)
                << "kind " << int(kind) << " face " << i;
        }
    }
}

TEST(Mesh, UnitScaleAndUnknownKinds)
{
    const Mesh tetra = buildMesh(Tetrahedron, 1.0f);
    EXPECT_EQ(tetra.vertices[0].z, -0.70710677f);
    EXPECT_EQ(tetra.vertices[3].z, 0.70710677f);
    EXPECT_EQ(tetra.vertices[3].y, 1.0f);
    EXPECT_EQ(buildMesh(Cube, 1.0f).vertices[6].x, 1.0f);
    EXPECT_THROW(buildMesh(2, 5.0f), std::invalid_argument);
}

TEST(Matrix4, RotationAxesAndOrder)
{
    Matrix4 m;
    m.setRotation(0.0f, 0.0f, 0.0f);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(m.m[i], (i % 5 == 0) ? 1.0f : 0.0f);

    const float quarter = std::numbers::pi_v<float> / 2;
    m.setRotation(0.0f, 0.0f, quarter);
    expectVector(m.transform({1, 0, 0, 1}), 0, 1, 0);
    m.setRotation(quarter, 0.0f, 0.0f);
    expectVector(m.transform({0, 1, 0, 1}), 0, 0, 1);
    m.setRotation(0.0f, quarter, 0.0f);
    expectVector(m.transform({0, 0, 1, 1}), 1, 0, 0);
    // x turns first: (0, 1, 0) -> (0, 0, 1) -> (1, 0, 0); the reverse order leaves (0, 0, 1).
    m.setRotation(quarter, quarter, 0.0f);
    expectVector(m.transform({0, 1, 0, 1}), 1, 0, 0);
    EXPECT_EQ(m.m[12], 0.0f);
    EXPECT_EQ(m.m[15], 1.0f);
    EXPECT_EQ(m.m[3], 0.0f);
}

TEST(Matrix4, MultiplyAndTranspose)
{
    Matrix4 t, r, m;
    t.setTranslation(1.0f, 2.0f, 3.0f);
    r.setRotation(0.0f, 0.0f, std::numbers::pi_v<float> / 2);

    m = r;
    m.preMultiply(t); // T * R: turn, then move
    expectVector(m.transform({1, 0, 0, 1}), 1, 3, 3);
    m = t;
    m.preMultiply(r); // R * T: move, then turn
    expectVector(m.transform({1, 0, 0, 1}), -2, 2, 3);

    Matrix4 identity;
    m = identity;
    m.preMultiply(t);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(m.m[i], t.m[i]);
    m.preMultiply(identity);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(m.m[i], t.m[i]);

    // Squaring in place must not read half-written results.
    m = t;
    m.preMultiply(m);
    EXPECT_EQ(m.m[3], 2.0f);
    EXPECT_EQ(m.m[7], 4.0f);
    EXPECT_EQ(m.m[11], 6.0f);

    m = t;
    m.transpose();
    EXPECT_EQ(m.m[12], 1.0f);
    EXPECT_EQ(m.m[13], 2.0f);
    EXPECT_EQ(m.m[14], 3.0f);
    EXPECT_EQ(m.m[3], 0.0f);
}

TEST(Matrix4, Inversion)
{
    Matrix4 t, r;
    t.setTranslation(4.0f, -7.0f, 20.0f);
    r.setRotation(0.3f, -1.1f, 2.0f);
    Matrix4 m = r;
    m.preMultiply(t);
    Matrix4 inverse = m;
    inverse.invert();

    Matrix4 expected = t; // R^T * T^-1
    expected.m[3] = -4.0f;
    expected.m[7] = 7.0f;
    expected.m[11] = -20.0f;
    Matrix4 rt = r;
    rt.transpose();
    expected.preMultiply(rt);
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(inverse.m[i], expected.m[i], 1e-5f) << i;

    // A matrix with a full bottom row, as the transposed model-view has.
    Matrix4 g;
    const float values[16] = {2, 1, 0, 0, 0, 3, 1, 0, 1, 0, 4, 0, 5, -2, 7, 1};
    std::copy(values, values + 16, g.m);
    Matrix4 gi = g;
    gi.invert();
    gi.preMultiply(g);
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(gi.m[i], (i % 5 == 0) ? 1.0f : 0.0f, 1e-5f) << i;

    Matrix4 singular;
    const float rows[16] = {1, 2, 3, 4, 2, 4, 6, 8, 0, 1, 0, 1, 3, 0, 0, 1};
    std::copy(rows, rows + 16, singular.m);
    singular.invert();
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(singular.m[i], rows[i]);
}

TEST(Matrix4, CofactorSigns)
{
    Matrix4 m;
    const float values[16] = {2, 1, 0, 3, 0, 3, 1, 0, 1, 0, 4, 2, 5, -2, 7, 1};
    std::copy(values, values + 16, m.m);
    m.cofactor();
    // Minor of (0, 1): rows 1-3, columns 0, 2, 3 = |0 1 0; 1 4 2; 5 7 1| = -(1 - 10) = 9, sign -.
    EXPECT_EQ(m.m[1], -9.0f);
    // Minor of (3, 3): |2 1 0; 0 3 1; 1 0 4| = 2*12 - 1*(-1) = 25, sign +.
    EXPECT_EQ(m.m[15], 25.0f);
}

TEST(Projection, WorkedPoints)
{
    ScreenPoint p;
    ASSERT_TRUE(projectToScreen({0, 0, 20, 1}, p));
    EXPECT_EQ(p.x, 256);
    EXPECT_EQ(p.y, 192);
    ASSERT_TRUE(projectToScreen({5, 0, 20, 1}, p));
    EXPECT_EQ(p.x, 319);
    ASSERT_TRUE(projectToScreen({0, -5, 20, 1}, p));
    EXPECT_EQ(p.y, 129);
    // X = -1.5 lands at -128, wrapped.
    const float d = 20.0f + 0.0038910506f;
    ASSERT_TRUE(projectToScreen({-1.5f * d, 0, 20, 1}, p));
    EXPECT_EQ(p.x, 65408);
    // Below the centre line goes down the screen: y grows.
    ASSERT_TRUE(projectToScreen({0, 5, 20, 1}, p));
    EXPECT_EQ(p.y, 255);
}

TEST(Projection, PointsWithoutAFiniteProjection)
{
    ScreenPoint p{7, 9};
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_FALSE(projectToScreen({1, 1, -0.0038910506f, 1}, p)); // depth exactly 0
    EXPECT_FALSE(projectToScreen({nan, 0, 20, 1}, p));
    EXPECT_FALSE(projectToScreen({0, inf, 20, 1}, p));
    EXPECT_FALSE(projectToScreen({0, 0, inf, 1}, p));
    EXPECT_FALSE(projectToScreen({1e38f, 0, 1e-30f, 1}, p)); // the quotient overflows
    EXPECT_EQ(p.x, 7);
    EXPECT_EQ(p.y, 9);
    // Huge but finite quotients still land somewhere, truncated the x86 way.
    EXPECT_TRUE(projectToScreen({1e30f, 0, 1, 1}, p));
    EXPECT_EQ(p.x, 256);
}

TEST(BackFace, SignOfTheScreenCross)
{
    // The tetrahedron's face (0, 1, 2) seen from the front.
    const ScreenPoint a{179, 192}, b{333, 192}, c{256, 138};
    EXPECT_TRUE(isFrontFacing(a, b, c));
    EXPECT_FALSE(isFrontFacing(a, c, b));
    EXPECT_FALSE(isFrontFacing({10, 10}, {20, 20}, {30, 30})); // zero area
    // Products past 2^31 wrap in 32 bits: this face turned away reads as facing the camera.
    EXPECT_TRUE(isFrontFacing({0, 0}, {65535, 0}, {0, 65535}));
    EXPECT_FALSE(isFrontFacing({0, 0}, {65535, 0}, {0, 32767}));
}

TEST(Projection, TetrahedronFaceUnderTheDefaultView)
{
    const Mesh mesh = buildMesh(Tetrahedron, 5.0f);
    Matrix4 mv;
    mv.setTranslation(0.0f, 0.0f, 20.0f);
    ScreenPoint s[3];
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(projectToScreen(mv.transform(mesh.vertices[i]), s[i]));
    EXPECT_EQ(s[0].x, 179);
    EXPECT_EQ(s[0].y, 192);
    EXPECT_EQ(s[1].x, 333);
    EXPECT_EQ(s[1].y, 192);
    EXPECT_EQ(s[2].x, 256);
    EXPECT_EQ(s[2].y, 138);
}
