#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <stdexcept>

#include "scene/Matrix4.h"
#include "scene/Mesh.h"

static void expectNear(const Vector4& v, float x, float y, float z)
{
    EXPECT_NEAR(v.x, x, 1e-5f);
    EXPECT_NEAR(v.y, y, 1e-5f);
    EXPECT_NEAR(v.z, z, 1e-5f);
}

static Vector4 faceNormal(const Mesh& mesh, int i)
{
    const MeshFace& f = mesh.faces[i];
    const MeshVertex &a = mesh.vertices[f.a], &b = mesh.vertices[f.b], &c = mesh.vertices[f.c];
    const float e1[3] = {b.x - a.x, b.y - a.y, b.z - a.z}, e2[3] = {c.x - a.x, c.y - a.y, c.z - a.z};
    return {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0], 1};
}

TEST(Mesh, SolidsAndTheirWinding)
{
    const Mesh tetra = buildMesh(Tetrahedron, 5.0f);
    const float r = 5.0f * 0.70710677f;
    const float expected[4][3] = {{-5, 0, -r}, {5, 0, -r}, {0, -5, r}, {0, 5, r}};
    ASSERT_EQ(tetra.vertexCount, 4);
    ASSERT_EQ(tetra.faceCount, 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(tetra.vertices[i].x, expected[i][0]);
        EXPECT_EQ(tetra.vertices[i].y, expected[i][1]);
        EXPECT_EQ(tetra.vertices[i].z, expected[i][2]);
        EXPECT_EQ(tetra.vertices[i].w, 1.0f);
    }
    EXPECT_EQ(buildMesh(Tetrahedron, 1.0f).vertices[0].z, -0.70710677f);
    EXPECT_THROW(buildMesh(2, 5.0f), std::invalid_argument);

    // The cube's triangles pair up into the sides -z, +x, -x, -y, +y, +z.
    const Mesh cube = buildMesh(Cube, 5.0f);
    ASSERT_EQ(cube.vertexCount, 8);
    ASSERT_EQ(cube.faceCount, 12);
    const float sides[6][3] = {{0, 0, -1}, {1, 0, 0}, {-1, 0, 0}, {0, -1, 0}, {0, 1, 0}, {0, 0, 1}};
    for (int i = 0; i < 12; ++i) {
        const Vector4 n = faceNormal(cube, i);
        expectNear({n.x / 100, n.y / 100, n.z / 100, 1}, sides[i / 2][0], sides[i / 2][1], sides[i / 2][2]);
    }
    for (int i = 0; i < 8; ++i) // bottom ring, then top ring, from (-, -)
        expectNear(cube.vertices[i], (i + 1) % 4 < 2 ? -5 : 5, i % 4 < 2 ? -5 : 5, i < 4 ? -5 : 5);

    for (const Mesh* mesh : {&tetra, &cube})
        for (int i = 0; i < mesh->faceCount; ++i) {
            const MeshFace& f = mesh->faces[i];
            const MeshVertex &a = mesh->vertices[f.a], &b = mesh->vertices[f.b], &c = mesh->vertices[f.c];
            const Vector4 n = faceNormal(*mesh, i);
            EXPECT_GT(n.x * (a.x + b.x + c.x) + n.y * (a.y + b.y + c.y) + n.z * (a.z + b.z + c.z), 0.0f)
                << int(mesh->kind) << " face " << i;
            EXPECT_EQ(f.colour, 0xFFFFFFu);
            EXPECT_EQ(f.normal.w, 1.0f);
        }
}

TEST(Matrix4, Rotation)
{
    Matrix4 m;
    m.setRotation(0.0f, 0.0f, 0.0f);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(m.m[i], (i % 5 == 0) ? 1.0f : 0.0f);
    const float q = std::numbers::pi_v<float> / 2;
    m.setRotation(0.0f, 0.0f, q);
    expectNear(m.transform({1, 0, 0, 1}), 0, 1, 0);
    m.setRotation(q, 0.0f, 0.0f);
    expectNear(m.transform({0, 1, 0, 1}), 0, 0, 1);
    m.setRotation(0.0f, q, 0.0f);
    expectNear(m.transform({0, 0, 1, 1}), 1, 0, 0);
    // x turns first: (0, 1, 0) -> (0, 0, 1) -> (1, 0, 0); the reverse order leaves (0, 0, 1).
    m.setRotation(q, q, 0.0f);
    expectNear(m.transform({0, 1, 0, 1}), 1, 0, 0);
}

TEST(Matrix4, MultiplyAndInvert)
{
    Matrix4 t, r;
    t.setTranslation(4.0f, -7.0f, 20.0f);
    r.setRotation(0.3f, -1.1f, 2.0f);
    Matrix4 mv = r;
    mv.preMultiply(t); // T * R: turn, then move
    expectNear(mv.transform({0, 0, 0, 1}), 4, -7, 20);
    Matrix4 tr = t;
    tr.preMultiply(r); // R * T: move, then turn
    const Vector4 moved = r.transform({4, -7, 20, 1});
    expectNear(tr.transform({0, 0, 0, 1}), moved.x, moved.y, moved.z);
    Matrix4 squared = t; // in place: p is the matrix itself
    squared.preMultiply(squared);
    expectNear(squared.transform({0, 0, 0, 1}), 8, -14, 40);

    // The inverse of T * R is R^T * T^-1.
    Matrix4 inverse = mv;
    inverse.invert();
    Matrix4 expected;
    expected.setTranslation(-4.0f, 7.0f, -20.0f);
    Matrix4 rt = r;
    rt.transpose();
    expected.preMultiply(rt);
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(inverse.m[i], expected.m[i], 1e-5f) << i;

    // A full bottom row, as in the transposed model-view.
    Matrix4 g;
    const float values[16] = {2, 1, 0, 3, 0, 3, 1, 0, 1, 0, 4, 2, 5, -2, 7, 1};
    std::copy(values, values + 16, g.m);
    Matrix4 product = g;
    product.invert();
    product.preMultiply(g);
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(product.m[i], (i % 5 == 0) ? 1.0f : 0.0f, 1e-5f) << i;

    const float rows[16] = {1, 2, 3, 4, 2, 4, 6, 8, 0, 1, 0, 1, 3, 0, 0, 1};
    std::copy(rows, rows + 16, g.m);
    g.invert(); // singular: unchanged
    EXPECT_TRUE(std::equal(rows, rows + 16, g.m));
}

TEST(Projection, WorkedPointsAndPointsWithoutOne)
{
    ScreenPoint p;
    auto project = [&](float x, float y, float z) {
        EXPECT_TRUE(projectToScreen({x, y, z, 1}, p)) << x << "," << y << "," << z;
        return p;
    };
    EXPECT_EQ(project(0, 0, 20).x, 256);
    EXPECT_EQ(p.y, 192);
    EXPECT_EQ(project(5, 0, 20).x, 319);
    EXPECT_EQ(project(0, -5, 20).y, 129);
    EXPECT_EQ(project(0, 5, 20).y, 255);
    EXPECT_EQ(project(-1.5f * (20.0f + 0.0038910506f), 0, 20).x, 65408); // -128, wrapped
    EXPECT_EQ(project(1e30f, 0, 1).x, 256); // past 32 bits: the lowest integer, as on x86

    const float inf = std::numeric_limits<float>::infinity();
    p = {7, 9};
    EXPECT_FALSE(projectToScreen({1, 1, -0.0038910506f, 1}, p)); // depth exactly 0
    EXPECT_FALSE(projectToScreen({std::nanf(""), 0, 20, 1}, p));
    EXPECT_FALSE(projectToScreen({0, inf, 20, 1}, p));
    EXPECT_FALSE(projectToScreen({0, 0, inf, 1}, p));
    EXPECT_FALSE(projectToScreen({1e38f, 0, 1e-30f, 1}, p)); // the quotient overflows
    EXPECT_EQ(p.x, 7);
    EXPECT_EQ(p.y, 9);
}

TEST(Projection, BackFaceSign)
{
    // The tetrahedron's face (0, 1, 2) seen from the front.
    EXPECT_TRUE(isFrontFacing({179, 192}, {333, 192}, {256, 138}));
    EXPECT_FALSE(isFrontFacing({179, 192}, {256, 138}, {333, 192}));
    EXPECT_FALSE(isFrontFacing({10, 10}, {20, 20}, {30, 30})); // zero area
    // Products past 2^31 wrap in 32 bits: this face turned away reads as facing the camera.
    EXPECT_TRUE(isFrontFacing({0, 0}, {65535, 0}, {0, 65535}));
    EXPECT_FALSE(isFrontFacing({0, 0}, {65535, 0}, {0, 32767}));
}
