#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

#include "scene/Matrix4.h"
#include "scene/Mesh.h"

static void expectNear(const Vector4& v, float x, float y, float z, float eps = 1e-5f)
{
    EXPECT_NEAR(v.x, x, eps);
    EXPECT_NEAR(v.y, y, eps);
    EXPECT_NEAR(v.z, z, eps);
}

TEST(Mesh, SolidsAndTheirWinding)
{
    const Mesh tetra = buildMesh(Tetrahedron, 5.0f);
    const float r = 5.0f * 0.70710677f;
    const float corners[4][3] = {{-5, 0, -r}, {5, 0, -r}, {0, -5, r}, {0, 5, r}};
    ASSERT_EQ(tetra.faceCount, 4);
    for (int i = 0; i < 4; ++i)
        expectNear(tetra.vertices[i], corners[i][0], corners[i][1], corners[i][2], 0.0f);
    EXPECT_EQ(buildMesh(Tetrahedron, 1.0f).vertices[0].z, -0.70710677f);
    EXPECT_THROW(buildMesh(2, 5.0f), std::invalid_argument);

    const Mesh cube = buildMesh(Cube, 5.0f);
    ASSERT_EQ(cube.faceCount, 12);
    for (int i = 0; i < 8; ++i) // bottom ring, then top ring, from (-, -)
        expectNear(cube.vertices[i], (i + 1) % 4 < 2 ? -5 : 5, i % 4 < 2 ? -5 : 5, i < 4 ? -5 : 5, 0.0f);

    // (b - a) x (c - a) points out of the solid; the cube's triangles pair into
    // the sides -z, +x, -x, -y, +y, +z; every face is white.
    const float sides[6][3] = {{0, 0, -1}, {1, 0, 0}, {-1, 0, 0}, {0, -1, 0}, {0, 1, 0}, {0, 0, 1}};
    for (const Mesh* mesh : {&tetra, &cube})
        for (int i = 0; i < mesh->faceCount; ++i) {
            const MeshFace& f = mesh->faces[i];
            const MeshVertex &a = mesh->vertices[f.a], &b = mesh->vertices[f.b], &c = mesh->vertices[f.c];
            const Vector4 e1{b.x - a.x, b.y - a.y, b.z - a.z}, e2{c.x - a.x, c.y - a.y, c.z - a.z};
            const Vector4 n{e1.y * e2.z - e1.z * e2.y, e1.z * e2.x - e1.x * e2.z, e1.x * e2.y - e1.y * e2.x};
            EXPECT_GT(n.x * (a.x + b.x + c.x) + n.y * (a.y + b.y + c.y) + n.z * (a.z + b.z + c.z), 0.0f) << i;
            if (mesh == &cube)
                expectNear({n.x / 100, n.y / 100, n.z / 100}, sides[i / 2][0], sides[i / 2][1], sides[i / 2][2]);
            EXPECT_EQ(f.colour, 0xFFFFFFu);
        }
}

TEST(Matrix4, RotationMultiplicationInversion)
{
    const float q = std::numbers::pi_v<float> / 2;
    Matrix4 m;
    m.setRotation(0.0f, 0.0f, q);
    expectNear(m.transform({1, 0, 0}), 0, 1, 0);
    m.setRotation(q, 0.0f, 0.0f);
    expectNear(m.transform({0, 1, 0}), 0, 0, 1);
    m.setRotation(0.0f, q, 0.0f);
    expectNear(m.transform({0, 0, 1}), 1, 0, 0);
    m.setRotation(q, q, 0.0f); // x turns first: (0, 1, 0) -> (0, 0, 1) -> (1, 0, 0)
    expectNear(m.transform({0, 1, 0}), 1, 0, 0);

    Matrix4 t, r;
    t.setTranslation(4.0f, -7.0f, 20.0f);
    r.setRotation(0.3f, -1.1f, 2.0f);
    Matrix4 mv = r;
    mv.preMultiply(t); // T * R: turn, then move
    expectNear(mv.transform({0, 0, 0}), 4, -7, 20);
    Matrix4 squared = t; // in place
    squared.preMultiply(squared);
    expectNear(squared.transform({0, 0, 0}), 8, -14, 40);

    // The inverse of T * R is R^T * T^-1; inverting a transposed one (full bottom row) works too.
    Matrix4 inverse = mv, expected, rt = r;
    inverse.invert();
    expected.setTranslation(-4.0f, 7.0f, -20.0f);
    rt.transpose();
    expected.preMultiply(rt);
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(inverse.m[i], expected.m[i], 1e-5f) << i;
    Matrix4 transposed = mv;
    transposed.transpose();
    Matrix4 normal = transposed;
    normal.invert();
    normal.preMultiply(transposed);
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(normal.m[i], (i % 5 == 0) ? 1.0f : 0.0f, 1e-5f) << i;

    const float rows[16] = {1, 2, 3, 4, 2, 4, 6, 8, 0, 1, 0, 1, 3, 0, 0, 1};
    std::copy(rows, rows + 16, m.m);
    m.invert(); // singular: unchanged
    EXPECT_TRUE(std::equal(rows, rows + 16, m.m));
}

TEST(Projection, WorkedPointsAndBackFaces)
{
    ScreenPoint p;
    auto project = [&](float x, float y, float z) {
        EXPECT_TRUE(projectToScreen({x, y, z}, p)) << x << "," << y << "," << z;
        return p;
    };
    EXPECT_EQ(project(0, 0, 20).x, 256);
    EXPECT_EQ(p.y, 192);
    EXPECT_EQ(project(5, 0, 20).x, 319);
    EXPECT_EQ(project(0, -5, 20).y, 129);
    EXPECT_EQ(project(0, 5, 20).y, 255);
    EXPECT_EQ(project(-1.5f * (20.0f + 0.0038910506f), 0, 20).x, 65408); // -128, wrapped
    EXPECT_EQ(project(1e30f, 0, 1).x, 256); // past 32 bits: the lowest integer, as on x86
    p = {7, 9};
    EXPECT_FALSE(projectToScreen({1, 1, -0.0038910506f}, p)); // depth exactly 0
    EXPECT_FALSE(projectToScreen({NAN, 0, 20}, p));
    EXPECT_FALSE(projectToScreen({0, 0, INFINITY}, p));
    EXPECT_FALSE(projectToScreen({1e38f, 0, 1e-30f}, p)); // the quotient overflows
    EXPECT_TRUE(p.x == 7 && p.y == 9);

    EXPECT_TRUE(isFrontFacing({179, 192}, {333, 192}, {256, 138})); // the tetrahedron's face (0, 1, 2)
    EXPECT_FALSE(isFrontFacing({179, 192}, {256, 138}, {333, 192}));
    EXPECT_FALSE(isFrontFacing({10, 10}, {20, 20}, {30, 30})); // zero area
    // Past the left edge the wrapped coordinate reads as negative: the facing holds.
    EXPECT_TRUE(isFrontFacing({uint16_t(-100), 192}, {333, 192}, {256, 138}));
    EXPECT_FALSE(isFrontFacing({uint16_t(-100), 192}, {256, 138}, {333, 192}));
    EXPECT_TRUE(isFrontFacing({uint16_t(-32768), 0}, {32767, 0}, {0, uint16_t(-32768)})); // no overflow
}
