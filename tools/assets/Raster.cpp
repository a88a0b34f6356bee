#include "Raster.h"

#include "Rng.h"

Rgb ramp(const std::vector<Rgb>& stops, float t)
{
    const float pos = clamp01(t) * float(stops.size() - 1);
    const size_t i = std::min(stops.size() - 2, size_t(pos));
    return mix(stops[i], stops[i + 1], pos - float(i));
}

float sdSegment(float x, float y, float ax, float ay, float bx, float by)
{
    const float px = x - ax, py = y - ay, dx = bx - ax, dy = by - ay;
    const float len2 = dx * dx + dy * dy;
    const float t = len2 > 0.0f ? clamp01((px * dx + py * dy) / len2) : 0.0f;
    const float ex = px - dx * t, ey = py - dy * t;
    return std::sqrt(ex * ex + ey * ey);
}

float sdRoundBox(float x, float y, float cx, float cy, float halfW, float halfH, float radius)
{
    const float qx = std::fabs(x - cx) - halfW + radius;
    const float qy = std::fabs(y - cy) - halfH + radius;
    const float ox = std::max(qx, 0.0f), oy = std::max(qy, 0.0f);
    return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0f) - radius;
}

float Mask::sample(float x, float y) const
{
    const float fx = std::floor(x), fy = std::floor(y);
    const int ix = int(fx), iy = int(fy);
    const float tx = x - fx, ty = y - fy;
    const float top = get(ix, iy) + (get(ix + 1, iy) - get(ix, iy)) * tx;
    const float bottom = get(ix, iy + 1) + (get(ix + 1, iy + 1) - get(ix, iy + 1)) * tx;
    return top + (bottom - top) * ty;
}

namespace {

// One box pass along a line of `n` values `stride` apart, zero outside.
void boxPass(float* line, int n, size_t stride, int radius, std::vector<float>& tmp)
{
    tmp.assign(size_t(n), 0.0f);
    float sum = 0.0f;
    for (int i = 0; i < std::min(radius, n); ++i)
        sum += line[size_t(i) * stride];
    const float scale = 1.0f / float(2 * radius + 1);
    for (int i = 0; i < n; ++i) {
        if (i + radius < n)
            sum += line[size_t(i + radius) * stride];
        tmp[size_t(i)] = sum * scale;
        if (i - radius >= 0)
            sum -= line[size_t(i - radius) * stride];
    }
    for (int i = 0; i < n; ++i)
        line[size_t(i) * stride] = tmp[size_t(i)];
}

} // namespace

void Mask::blur(int radius)
{
    if (radius <= 0 || v.empty())
        return;
    std::vector<float> tmp;
    const int r = std::max(1, radius / 2);
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < height; ++y)
            boxPass(&v[size_t(y) * width], width, 1, r, tmp);
        for (int x = 0; x < width; ++x)
            boxPass(&v[size_t(x)], height, size_t(width), r, tmp);
    }
}

void Mask::stamp(const Mask& other, int ox, int oy)
{
    for (int y = 0; y < other.height; ++y)
        for (int x = 0; x < other.width; ++x) {
            const int tx = ox + x, ty = oy + y;
            if (tx >= 0 && ty >= 0 && tx < width && ty < height)
                at(tx, ty) = std::max(at(tx, ty), other.v[size_t(y) * other.width + x]);
        }
}

Mask grown(const Mask& m, int radius)
{
    Mask g(m.width, m.height);
    g.v = m.v;
    g.blur(radius);
    for (float& a : g.v)
        a = clamp01(a * 4.0f);
    return g;
}

void Canvas::fill(Rgb c, float alpha)
{
    for (size_t i = 0; i < px.size(); i += 4) {
        px[i] = c.r * alpha;
        px[i + 1] = c.g * alpha;
        px[i + 2] = c.b * alpha;
        px[i + 3] = alpha;
    }
}

void Canvas::overMask(const Mask& m, int ox, int oy, Rgb c, float opacity)
{
    for (int y = 0; y < m.height; ++y)
        for (int x = 0; x < m.width; ++x)
            over(ox + x, oy + y, c, m.v[size_t(y) * m.width + x] * opacity);
}

void Canvas::addMask(const Mask& m, int ox, int oy, Rgb c, float amount)
{
    for (int y = 0; y < m.height; ++y)
        for (int x = 0; x < m.width; ++x)
            add(ox + x, oy + y, c, m.v[size_t(y) * m.width + x] * amount);
}

void Canvas::addLine(float ax, float ay, float bx, float by, Rgb c, float width, float glow, float glowAmount)
{
    const float reach = width * 0.5f + glow * 3.0f + 1.0f;
    const int x0 = std::max(0, int(std::floor(std::min(ax, bx) - reach)));
    const int x1 = std::min(this->width - 1, int(std::ceil(std::max(ax, bx) + reach)));
    const int y0 = std::max(0, int(std::floor(std::min(ay, by) - reach)));
    const int y1 = std::min(height - 1, int(std::ceil(std::max(ay, by) + reach)));
    const float inv = glow > 0.0f ? 1.0f / (2.0f * glow * glow) : 0.0f;
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            const float d = sdSegment(float(x) + 0.5f, float(y) + 0.5f, ax, ay, bx, by);
            float a = coverage(d - width * 0.5f);
            if (glow > 0.0f)
                a += glowAmount * std::exp(-d * d * inv);
            add(x, y, c, a);
        }
}

std::vector<uint8_t> toBytes(const Canvas& c, int channels, bool dither)
{
    std::vector<uint8_t> out(size_t(c.width) * size_t(c.height) * size_t(channels));
    size_t o = 0;
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            const float* p = c.at(x, y);
            const float d = dither ? hashUnit(uint32_t(x), uint32_t(y), 0x5eed) - 0.5f : 0.0f;
            const float a = clamp01(p[3]);
            const float un = channels == 4 && a > 0.0f ? 1.0f / a : 1.0f;
            const auto byte = [&](float v) { return uint8_t(std::lround(std::min(255.0f, std::max(0.0f, v * 255.0f + d)))); };
            const auto plain = [&](float v) { return uint8_t(std::lround(clamp01(v) * 255.0f)); };
            if (channels == 1) {
                out[o++] = byte(p[0]);
            } else {
                out[o++] = byte(p[0] * un);
                out[o++] = byte(p[1] * un);
                out[o++] = byte(p[2] * un);
                if (channels == 4)
                    out[o++] = plain(a);
            }
        }
    return out;
}

Canvas downscaled(const Canvas& c, int w, int h)
{
    Canvas out(w, h);
    for (int y = 0; y < h; ++y) {
        const int sy0 = y * c.height / h, sy1 = std::max(sy0 + 1, (y + 1) * c.height / h);
        for (int x = 0; x < w; ++x) {
            const int sx0 = x * c.width / w, sx1 = std::max(sx0 + 1, (x + 1) * c.width / w);
            float sum[4] = {0, 0, 0, 0};
            for (int sy = sy0; sy < sy1; ++sy)
                for (int sx = sx0; sx < sx1; ++sx)
                    for (int k = 0; k < 4; ++k)
                        sum[k] += c.at(sx, sy)[k];
            const float n = 1.0f / float((sx1 - sx0) * (sy1 - sy0));
            for (int k = 0; k < 4; ++k)
                out.at(x, y)[k] = sum[k] * n;
        }
    }
    return out;
}
