#include "effects/Voxel.h"

#include <algorithm>
#include <vector>

#include "base/Workers.h"
#include "effects/MapFile.h"
#include "effects/PixelOps.h"
#include "pack/DataManifest.h"
#include "params/Truncate.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

Voxel::Voxel(const std::string& dataDir)
{
    setClassName(typeid(*this));
    addVariable(&flag, "flag", "draws only when not 0");
    addVariable(&goForward, "goForward", "distance flown, in steps of goForwardAmount cells");
    addVariable(&goForwardAmount, "goForwardAmount", "map cells per unit of goForward");
    addVariable(&xAxisOffset, "xAxisOffset", "sideways shift of the map, scaled by a gain that stays 0");
    addVariable(&yAxisOffset, "yAxisOffset", "forward shift of the map, scaled by a gain that stays 0");
    addVariable(&offsetX, "offsetX", "map cells to the side, wrapping at 256");
    addVariable(&offsetY, "offsetY", "map cells forward, wrapping at 256");
    addVariable(&pixelRef, "pixelRef", "the buffer it fills (512 x 384)");

    heightMap = std::make_unique<uint8_t[]>(kMapSize);
    colorMap = std::make_unique<uint32_t[]>(kMapSize);
    // With no folder at all (the class listing, which draws nothing) both maps stay 0.
    std::vector<uint8_t> rgb(3 * kMapSize);
    if (!dataDir.empty()) {
        readMap(dataFilePath(dataDir, kHeightMapFile), heightMap.get(), kMapSize);
        readMap(dataFilePath(dataDir, kColorMapFile), rgb.data(), rgb.size());
    }
    for (int i = 0; i < kMapSize; ++i)
        colorMap[i] = uint32_t(rgb[3 * i]) << 16 | uint32_t(rgb[3 * i + 1]) << 8 | rgb[3 * i + 2];

    // A sample's pixel depends only on its cell, so it is worked out once
    // here, next to the cell's height; and a group of columns needs the
    // highest cell of a short stretch of a map row to know whether it can
    // show at all.
    cells = std::make_unique<uint32_t[]>(kCellRow * 256);
    for (uint32_t row = 0; row < 256; ++row)
        for (uint32_t x = 0; x < kCellRow; ++x) {
            const uint32_t i = row * 256 + x % 256;
            const float Y = float(heightMap[i]) / 256.0f;
            const uint32_t c = colorMap[i];
            cells[row * kCellRow + x] = uint32_t(heightMap[i]) << 24 | uint32_t(float(c >> 16 & 0xff) * Y) << 16 |
                                        uint32_t(float(c >> 8 & 0xff) * Y) << 8 | uint32_t(float(c & 0xff) * Y);
        }
    reach = std::make_unique<uint8_t[]>(kMapSize);
    for (int i = 0; i < kMapSize; ++i)
        for (uint32_t j = 0; j < kGroup; ++j)
            reach[i] = std::max(reach[i], heightMap[(i & ~0xff) | ((i + j) & 0xff)]);
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
    // Columns are independent: each task marches a range of them. Hidden
    // columns cost little, so ranges take unequal time; a few per thread
    // keep the threads busy alike.
    constexpr uint32_t kRange = 64;
    auto range = [&](uint32_t i) { drawColumns(i * kRange, (i + 1) * kRange, mapX, mapY); };
    workers.run(kWidth / kRange, range);
    return {DrawPlan::Rows};
}

void Voxel::drawColumns(uint32_t first, uint32_t end, uint8_t mapX, uint8_t mapY)
{
    const March m{cells.get(), reach.get(), canvas.get(), mapX, mapY};
    int32_t top[kWidth];
    switch (form) {
#ifdef SOFTDEMO_AVX2_FORMS
    case SimdLevel::Avx2: marchAvx2(m, first, end, top); break;
#endif
#ifdef __SSE2__
    case SimdLevel::Sse2: marchSse2(m, first, end, top); break;
#endif
    default: marchPortable(m, first, end, top);
    }
    // Every row below a column's top was drawn; the rest keeps the clear's black.
    for (uint32_t n = first; n < end; ++n)
        fillPixels(canvas.get() + n * kColumnStride + kColumnPad, size_t(top[n]) + 1, 0);
}

void Voxel::marchPortable(const March& m, uint32_t first, uint32_t end, int32_t* top)
{
    // Steps outer, columns inner: every column samples the same map row at a
    // given step, so the rows in use stay in cache. Columns are independent,
    // so the picture is the same as marching one column at a time.
    //
    // Rows at or above a column's top are not drawn yet: whatever they hold
    // is replaced by a later sample or by the black at the end. So each
    // sample writes its colour to the eight rows up to the top whether or not
    // it shows, and only a span longer than eight takes a loop: no branch
    // that guesses wrong half the time.
    int32_t groupTop[kWidth / kGroup];
    std::fill(top + first, top + end, kHeight - 1);
    std::fill(groupTop + first / kGroup, groupTop + end / kGroup, kHeight - 1);
    for (int K = 0; K < kSteps; ++K) {
        const Divisor d = divisor(uint32_t(K) + 1);
        const uint8_t* reach = m.reach + uint8_t(m.mapY - K) * 256;
        const uint32_t* cells = m.cells + uint8_t(m.mapY - K) * kCellRow;
        for (uint32_t g = first; g < end; g += kGroup) {
            if (projectedRow(reach[firstCell(g, K, m.mapX)], d) >= groupTop[g / kGroup])
                continue;
            int32_t highest = 0;
            int ox = (int(g) - 256) * K; // (n - 256) * K
            for (uint32_t n = g; n < g + kGroup; ++n, ox += K) {
                const uint32_t cell = cells[uint8_t((ox >> 8) + m.mapX)]; // arithmetic shift: rounds down
                const int32_t s = projectedRow(cell >> 24, d), t = top[n];
                const uint32_t p = cell & 0xffffff;
                uint32_t* column = m.canvas + n * kColumnStride + kColumnPad;
                for (int j = 0; j < 8; ++j)
                    column[t - 7 + j] = p;
                for (int y = t - 8; y > s; --y)
                    column[y] = p;
                top[n] = std::min(s, t);
                highest = std::max(highest, top[n]);
            }
            groupTop[g / kGroup] = highest;
        }
    }
}

#ifdef __SSE2__
void Voxel::marchSse2(const March& m, uint32_t first, uint32_t end, int32_t* top)
{
    // As the AVX2 form, four columns a vector, with the cells read one by
    // one and the eight rows up to each top written by two stores.
    int32_t groupTop[kWidth / kGroup];
    std::fill(top + first, top + end, kHeight - 1);
    std::fill(groupTop + first / kGroup, groupTop + end / kGroup, kHeight - 1);
    const __m128i far = _mm_set1_epi32(271), colour = _mm_set1_epi32(0xffffff), eight = _mm_set1_epi32(8);
    for (int K = 0; K < kSteps; ++K) {
        const Divisor d = divisor(uint32_t(K) + 1);
        const __m128i multiplier = _mm_set1_epi32(int32_t(32 * d.multiplier)), shift = _mm_cvtsi32_si128(int(d.shift));
        const uint8_t* reach = m.reach + uint8_t(m.mapY - K) * 256;
        const uint32_t* cells = m.cells + uint8_t(m.mapY - K) * kCellRow;
        for (uint32_t g = first; g < end; g += kGroup) {
            if (projectedRow(reach[firstCell(g, K, m.mapX)], d) >= groupTop[g / kGroup])
                continue;
            __m128i highest = _mm_setzero_si128();
            int ox = (int(g) - 256) * K;
            for (uint32_t n = g; n < g + kGroup; n += 4, ox += 4 * K) {
                const auto cell = [&](int j) { return int32_t(cells[uint8_t(((ox + j * K) >> 8) + m.mapX)]); };
                const __m128i c = _mm_setr_epi32(cell(0), cell(1), cell(2), cell(3));
                // (271 - h) * 32 * multiplier >> shift, two lanes a multiply;
                // the products fit in 32 bits.
                const __m128i x = _mm_sub_epi32(far, _mm_srli_epi32(c, 24));
                const __m128i even = _mm_srl_epi32(_mm_mul_epu32(x, multiplier), shift);
                const __m128i odd = _mm_srl_epi32(_mm_mul_epu32(_mm_srli_epi64(x, 32), multiplier), shift);
                const __m128i s = _mm_or_si128(even, _mm_slli_epi64(odd, 32));
                const __m128i t = _mm_loadu_si128(reinterpret_cast<const __m128i*>(top + n));
                const __m128i shows = _mm_cmpgt_epi32(t, s);
                const __m128i newTop = _mm_or_si128(_mm_and_si128(shows, s), _mm_andnot_si128(shows, t));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(top + n), newTop);
                highest = _mm_max_epi16(highest, newTop); // tops are below 2^15
                alignas(16) int32_t rows[4], oldTops[4];
                alignas(16) uint32_t colours[4];
                _mm_store_si128(reinterpret_cast<__m128i*>(rows), s);
                _mm_store_si128(reinterpret_cast<__m128i*>(oldTops), t);
                _mm_store_si128(reinterpret_cast<__m128i*>(colours), _mm_and_si128(c, colour));
                uint32_t* column = m.canvas + n * kColumnStride + kColumnPad;
                for (int j = 0; j < 4; ++j) {
                    const __m128i p = _mm_set1_epi32(int32_t(colours[j]));
                    _mm_storeu_si128(reinterpret_cast<__m128i*>(column + j * kColumnStride + oldTops[j] - 7), p);
                    _mm_storeu_si128(reinterpret_cast<__m128i*>(column + j * kColumnStride + oldTops[j] - 3), p);
                }
                const __m128i longer = _mm_cmpgt_epi32(_mm_sub_epi32(t, s), eight);
                for (int left = _mm_movemask_ps(_mm_castsi128_ps(longer)); left; left &= left - 1) {
                    // The last store may reach up to three rows above the span.
                    const int j = __builtin_ctz(unsigned(left));
                    const __m128i p = _mm_set1_epi32(int32_t(colours[j]));
                    for (int y = oldTops[j] - 11; y > rows[j] - 3; y -= 4)
                        _mm_storeu_si128(reinterpret_cast<__m128i*>(column + j * kColumnStride + y), p);
                }
            }
            highest = _mm_max_epi16(highest, _mm_shuffle_epi32(highest, 0x4e));
            highest = _mm_max_epi16(highest, _mm_shuffle_epi32(highest, 0xb1));
            groupTop[g / kGroup] = _mm_cvtsi128_si32(highest);
        }
    }
}
#endif

void Voxel::drawRows(uint32_t first, uint32_t end)
{
    end = std::min<uint32_t>(end, kHeight);
    if (first < end)
        columnsToRows(pixelRef->pixels + first * kWidth, kWidth, canvas.get() + kColumnPad + first, kColumnStride,
                      kWidth, end - first);
}
