#include "effects/Voxel.h"

#include <algorithm>
#include <vector>

#include "effects/MapFile.h"
#include "effects/PixelOps.h"
#include "effects/Simd.h"
#include "engine/Workers.h"
#include "params/Truncate.h"

#ifdef SOFTDEMO_AVX2_FORMS
#include <immintrin.h>
#endif

Voxel::Voxel(const std::string& dataDir)
{
    setClassName(typeid(*this));
    addVariable(&flag, "flag");
    addVariable(&goForward, "goForward");
    addVariable(&goForwardAmount, "goForwardAmount");
    addVariable(&xAxisOffset, "xAxisOffset");
    addVariable(&yAxisOffset, "yAxisOffset");
    addVariable(&offsetX, "offsetX");
    addVariable(&offsetY, "offsetY");
    addVariable(&pixelRef, "pixelRef");

    // Three bytes and one entry more than the maps need: the vector march
    // reads four bytes at a time from the last cells.
    heightMap = std::make_unique<uint8_t[]>(kMapSize + 3);
    colorMap = std::make_unique<uint32_t[]>(kMapSize);
    readMap(dataDir + "/tarnolm/heightmap.raw", heightMap.get(), kMapSize);
    std::vector<uint8_t> rgb(3 * kMapSize);
    readMap(dataDir + "/tarnolm/heightmapcol.raw", rgb.data(), rgb.size());
    for (int i = 0; i < kMapSize; ++i)
        colorMap[i] = uint32_t(rgb[3 * i]) << 16 | uint32_t(rgb[3 * i + 1]) << 8 | rgb[3 * i + 2];

    // A sample's pixel depends only on its cell, and its screen row only on
    // its height and step, so both are worked out once here.
    shaded = std::make_unique<uint32_t[]>(kMapSize);
    for (int i = 0; i < kMapSize; ++i) {
        const float Y = float(heightMap[i]) / 256.0f;
        const uint32_t c = colorMap[i];
        shaded[i] = uint32_t(float(c >> 16 & 0xff) * Y) << 16 | uint32_t(float(c >> 8 & 0xff) * Y) << 8 |
                    uint32_t(float(c & 0xff) * Y);
    }
    projected = std::make_unique<uint16_t[]>(kSteps * 256 + 1);
    for (int K = 0; K < kSteps; ++K)
        for (int h = 0; h < 256; ++h)
            projected[K * 256 + h] = uint16_t((271 - h) * 32 / (K + 1));
}

void Voxel::draw()
{
    drawInOneBand();
}

DrawPlan Voxel::beginDraw(Workers& workers)
{
    if (flag == 0 || !pixelRef || pixelRef->width != kWidth || pixelRef->height != kHeight)
        return {DrawPlan::Nothing};
    // Only the low 8 bits of u, v and -F matter: the map wraps every 256 cells.
    const uint8_t u = uint8_t(truncToInt32((xAxisBase * xAxisScale + xAxisOffset) * xAxisGain));
    const uint8_t v = uint8_t(truncToInt32((yAxisBase * yAxisScale + yAxisOffset) * yAxisGain));
    const int32_t F = truncToInt32(float(goForwardAmount) * goForward);
    const uint8_t E = uint8_t(0u - uint32_t(F));
    const uint8_t mapX = uint8_t(offsetX + u);
    const uint8_t mapY = uint8_t(E + offsetY + v);
    // Columns are independent; groups of 16 keep the map cells that
    // neighbouring columns share in cache.
    constexpr uint32_t kGroup = 16;
    auto group = [&](uint32_t i) { drawColumns(i * kGroup, (i + 1) * kGroup, mapX, mapY); };
    workers.run(kWidth / kGroup, group);
    return {DrawPlan::Rows};
}

namespace {

// Words y ... top of a column (y <= top) become p, eight at a time from the
// top down: the last group may reach up to 7 words below y, which are still
// to be drawn (or the column's padding), and later writes replace them.
inline void fillDown(uint32_t* column, int y, int top, uint32_t p)
{
    for (int k = top - 7;; k -= 8) {
        for (int j = 0; j < 8; ++j)
            column[k + j] = p;
        if (k <= y)
            break;
    }
}

// What a column's march reads.
struct Terrain {
    const uint8_t* heights;
    const uint32_t* shaded;
    const uint16_t* projected;
    uint8_t mapX, mapY;
};

// Marches column n outwards, filling it upwards from the last filled row, so
// nearer terrain hides farther terrain.
void marchColumn(const Terrain& t, uint32_t* column, int n)
{
    int top = Voxel::kHeight - 1;
    const int step = n - 256;
    int ox = 0; // (n - 256) * K
    for (int K = 0; K < Voxel::kSteps; ++K, ox += step) {
        const int cell = uint8_t(t.mapY - K) * 256 + uint8_t((ox >> 8) + t.mapX); // arithmetic shift: rounds down
        const int s = t.projected[K * 256 + t.heights[cell]];
        if (s < top) {
            fillDown(column, s + 1, top, t.shaded[cell]);
            top = s;
        }
    }
    // Every word below the top was written; the rest keeps the clear's black.
    fillDown(column, 0, top, 0);
}

#ifdef SOFTDEMO_AVX2_FORMS
// marchColumn for eight columns n ... n + 7 side by side, each in a lane;
// the spans, where a lane's terrain rises above its top, are filled lane by lane.
SOFTDEMO_AVX2 void marchEightColumns(const Terrain& t, uint32_t* columns, size_t stride, int n)
{
    alignas(32) int32_t tops[8], rows[8], cells[8];
    __m256i top = _mm256_set1_epi32(Voxel::kHeight - 1);
    const __m256i step = _mm256_add_epi32(_mm256_set1_epi32(n - 256), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    const __m256i mapX = _mm256_set1_epi32(t.mapX), byte = _mm256_set1_epi32(0xff), word = _mm256_set1_epi32(0xffff);
    const auto* heights = reinterpret_cast<const int*>(t.heights);
    __m256i ox = _mm256_setzero_si256();
    for (int K = 0; K < Voxel::kSteps; ++K, ox = _mm256_add_epi32(ox, step)) {
        const __m256i row = _mm256_set1_epi32(uint8_t(t.mapY - K) * 256);
        const __m256i cell =
            _mm256_or_si256(_mm256_and_si256(_mm256_add_epi32(_mm256_srai_epi32(ox, 8), mapX), byte), row);
        const __m256i h = _mm256_and_si256(_mm256_i32gather_epi32(heights, cell, 1), byte);
        const auto* projected = reinterpret_cast<const int*>(t.projected + K * 256);
        const __m256i s = _mm256_and_si256(_mm256_i32gather_epi32(projected, h, 2), word);
        int rises = _mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpgt_epi32(top, s)));
        if (!rises)
            continue;
        _mm256_store_si256(reinterpret_cast<__m256i*>(tops), top);
        _mm256_store_si256(reinterpret_cast<__m256i*>(rows), s);
        _mm256_store_si256(reinterpret_cast<__m256i*>(cells), cell);
        for (; rises; rises &= rises - 1) {
            const int lane = __builtin_ctz(unsigned(rises));
            fillDown(columns + lane * stride, rows[lane] + 1, tops[lane], t.shaded[cells[lane]]);
        }
        top = _mm256_min_epi32(top, s);
    }
    _mm256_store_si256(reinterpret_cast<__m256i*>(tops), top);
    for (int lane = 0; lane < 8; ++lane)
        fillDown(columns + lane * stride, 0, tops[lane], 0);
}
#endif

} // namespace

void Voxel::drawColumns(uint32_t first, uint32_t end, uint8_t mapX, uint8_t mapY)
{
    const Terrain terrain{heightMap.get(), shaded.get(), projected.get(), mapX, mapY};
    uint32_t n = first;
#ifdef SOFTDEMO_AVX2_FORMS
    if (simdLevel() == SimdLevel::Avx2)
        for (; n + 8 <= end; n += 8)
            marchEightColumns(terrain, canvas.get() + n * kColumnStride + kColumnPad, kColumnStride, int(n));
#endif
    for (; n < end; ++n)
        marchColumn(terrain, canvas.get() + n * kColumnStride + kColumnPad, int(n));
}

void Voxel::drawRows(uint32_t first, uint32_t end)
{
    end = std::min<uint32_t>(end, kHeight);
    if (first < end)
        columnsToRows(pixelRef->pixels + first * kWidth, kWidth, canvas.get() + kColumnPad + first, kColumnStride,
                      kWidth, end - first);
}
