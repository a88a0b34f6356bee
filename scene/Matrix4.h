#pragma once
#include <cstdint>

// Four floats: a point (w = 1) or a direction.
struct Vector4 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 1.0f;
};

// A pixel position in the 512 x 384 frame. Coordinates wrap modulo 65536;
// read as int16_t, those within 32767 pixels of the frame are exact, points
// left of or above it negative. The rasterizer reads them so.
struct ScreenPoint {
    uint16_t x = 0;
    uint16_t y = 0;
};

// A 4 x 4 float matrix, row-major: element (r, c) is m[4 * r + c]. Points are
// column vectors, so the translation lives in column 3. Every operation is in
// single precision and sums in a fixed order, so results are bit-exact.
class Matrix4 {
public:
    float m[16];

    Matrix4() { setIdentity(); }

    void setIdentity();
    void setTranslation(float x, float y, float z);
    // Rz(az) * Ry(ay) * Rx(ax), sines and cosines taken in double.
    void setRotation(float ax, float ay, float az);
    // M := p * M.
    void preMultiply(const Matrix4& p);
    void transpose();
    // Element (r, c) := (-1)^(r+c) * the determinant of the minor without row r and column c.
    void cofactor();
    // Leaves the matrix as it is when the determinant is exactly 0.
    void invert();

    // M * (x, y, z, 1); the input's own w is never read.
    Vector4 transform(const Vector4& p) const;
};

// Perspective onto the 512 x 384 frame, camera at the origin looking down +z.
// Returns false, leaving `out` alone, for a point without a finite projection
// (depth 0, or a non-finite input or quotient).
bool projectToScreen(const Vector4& view, ScreenPoint& out);

// True when the screen triangle a, b, c of an outward-wound face turns towards
// the camera. Collinear points give false. Coordinates are read as signed.
bool isFrontFacing(ScreenPoint a, ScreenPoint b, ScreenPoint c);
