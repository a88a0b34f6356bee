#include "Film.h"

#include "Pictures.h"
#include "Rng.h"

std::vector<PackFile> makeFilmLayers()
{
    // Grain: each pixel the mean of two draws, squared toward dark, with a
    // little of its neighbour's so the specks are a touch larger than a pixel.
    Canvas grain(kGrainW, kGrainH);
    Rng rng(0x6a41);
    std::vector<float> raw(size_t(kGrainW) * kGrainH);
    for (float& v : raw) {
        const float m = 0.5f * (rng.uniform() + rng.uniform());
        v = m * m * 1.6f;
    }
    for (int y = 0; y < kGrainH; ++y)
        for (int x = 0; x < kGrainW; ++x) {
            const float own = raw[size_t(y) * kGrainW + x];
            const float right = raw[size_t(y) * kGrainW + (x + 1) % kGrainW];
            const float v = std::min(1.0f, 0.75f * own + 0.25f * right);
            const float level = std::round(v * float(kGrainMax)) / 255.0f;
            grain.set(x, y, {level, level, level});
        }

    // Vignette for the subtract mode: 0 in the middle, darker toward the
    // edges and corners, and faint scanlines that grow with it.
    Canvas vignette(kFrameW, kFrameH);
    for (int y = 0; y < kFrameH; ++y)
        for (int x = 0; x < kFrameW; ++x) {
            const float dx = (float(x) + 0.5f - 256.0f) / 256.0f, dy = (float(y) + 0.5f - 192.0f) / 192.0f;
            const float d = std::sqrt(dx * dx * 0.8f + dy * dy * 0.7f);
            const float edge = smoothstep(0.42f, 1.25f, d);
            const float scan = (y & 1) ? 10.0f * smoothstep(0.2f, 0.7f, d) : 0.0f;
            const float level = std::round(std::min(255.0f, 190.0f * edge * edge + scan)) / 255.0f;
            vignette.set(x, y, {level, level, level});
        }
    return {{"data/noise.png", encodePng(grain, 1, false)}, {"data/overlay.png", encodePng(vignette, 1, false)}};
}
