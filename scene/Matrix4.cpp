#include "scene/Matrix4.h"

#include <bit>
#include <cmath>
#include <cstring>

#include "params/Maths.h"
#include "params/Truncate.h"

void Matrix4::setIdentity()
{
    for (int i = 0; i < 16; ++i)
        m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
}

void Matrix4::setTranslation(float x, float y, float z)
{
    setIdentity();
    m[3] = x;
    m[7] = y;
    m[11] = z;
}

void Matrix4::setRotation(float ax, float ay, float az)
{
    const float sa = float(maths::sin(double(ax))), ca = float(maths::cos(double(ax)));
    const float sb = float(maths::sin(double(ay))), cb = float(maths::cos(double(ay)));
    const float sc = float(maths::sin(double(az))), cc = float(maths::cos(double(az)));
    const float r[16] = {
        cc * cb, cc * sb * sa - sc * ca, cc * sb * ca + sc * sa, 0.0f,
        sc * cb, sc * sb * sa + cc * ca, sc * sb * ca - cc * sa, 0.0f,
        -sb,     cb * sa,                cb * ca,                0.0f,
        0.0f,    0.0f,                   0.0f,                   1.0f,
    };
    std::memcpy(m, r, sizeof m);
}

void Matrix4::preMultiply(const Matrix4& p)
{
    // Into a scratch first: p may be this matrix.
    float out[16];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            float s = 0.0f;
            for (int k = 0; k < 4; ++k)
                s += p.m[4 * r + k] * m[4 * k + c];
            out[4 * r + c] = s;
        }
    std::memcpy(m, out, sizeof m);
}

void Matrix4::transpose()
{
    for (int r = 0; r < 4; ++r)
        for (int c = r + 1; c < 4; ++c) {
            const float t = m[4 * r + c];
            m[4 * r + c] = m[4 * c + r];
            m[4 * c + r] = t;
        }
}

void Matrix4::cofactor()
{
    float out[16];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            // The minor's 3 x 3 elements, rows and columns in ascending order.
            float k[9];
            int n = 0;
            for (int i = 0; i < 4; ++i)
                for (int j = 0; j < 4; ++j)
                    if (i != r && j != c)
                        k[n++] = m[4 * i + j];
            const float det = k[0] * (k[4] * k[8] - k[5] * k[7])
                            - k[1] * (k[3] * k[8] - k[5] * k[6])
                            + k[2] * (k[3] * k[7] - k[4] * k[6]);
            out[4 * r + c] = ((r + c) & 1) ? -det : det;
        }
    std::memcpy(m, out, sizeof m);
}

void Matrix4::invert()
{
    Matrix4 c = *this;
    c.cofactor();
    const float det = m[0] * c.m[0] + m[1] * c.m[1] + m[2] * c.m[2] + m[3] * c.m[3];
    if (det == 0.0f)
        return;
    *this = c;
    transpose();
    const float scale = 1.0f / det;
    for (float& e : m)
        e *= scale;
}

Vector4 Matrix4::transform(const Vector4& p) const
{
    float out[4];
    for (int r = 0; r < 4; ++r) {
        float s = 0.0f;
        s += m[4 * r] * p.x;
        s += m[4 * r + 1] * p.y;
        s += m[4 * r + 2] * p.z;
        s += m[4 * r + 3] * 1.0f;
        out[r] = s;
    }
    return {out[0], out[1], out[2], out[3]};
}

bool projectToScreen(const Vector4& view, ScreenPoint& out)
{
    const float d = view.z + std::bit_cast<float>(0x3B7F00FFu); // 1/257
    if (d == 0.0f || !std::isfinite(d))
        return false;
    const float X = view.x / d;
    const float Y = view.y / d;
    if (!std::isfinite(X) || !std::isfinite(Y))
        return false;
    // A product past the 32-bit range truncates to the lowest integer, as on x86.
    const int32_t tx = truncToInt32(X * -256.0f);
    const int32_t ty = truncToInt32((Y * -192.0f) * std::bit_cast<float>(0x3FAAAAABu)); // 4/3
    out.x = uint16_t(256u - uint32_t(tx));
    out.y = uint16_t(192u - uint32_t(ty));
    return true;
}

bool isFrontFacing(ScreenPoint a, ScreenPoint b, ScreenPoint c)
{
    // Signed, so a face reaching past the left or top edge keeps its facing;
    // 64 bits, as the products of 16-bit differences overflow 32.
    const int64_t ax = int16_t(a.x), ay = int16_t(a.y);
    const int64_t cross = (int16_t(c.y) - ay) * (int16_t(b.x) - ax) - (int16_t(b.y) - ay) * (int16_t(c.x) - ax);
    return cross < 0;
}
