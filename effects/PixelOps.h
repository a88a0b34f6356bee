#pragma once
#include <cstddef>
#include <cstdint>

#include "effects/Simd.h"

// The packed-pixel loops behind the 2D effects, each in a portable form and
// vector forms that give the same words (see Simd.h). The effects call the
// unsuffixed names, which use the forms of simdLevel(); tests hold every form
// against the portable one.

// t[k] := t[k] + scale(s[k], alpha) (add) or t[k] - scale(s[k], alpha), byte by
// byte, saturating; scale multiplies each colour channel by alpha / 256 and
// truncates, and gives a top byte of 0, so t keeps its own top byte.
void addScaledPortable(uint32_t* t, const uint32_t* s, size_t count, uint8_t alpha);
void subtractScaledPortable(uint32_t* t, const uint32_t* s, size_t count, uint8_t alpha);
// t[k] := s[k] blended over t[k] by a = (s[k]'s alpha × alpha) >> 8 against
// 255 - a, over 256, per colour channel; the top byte becomes 0.
void blendByAlphaPortable(uint32_t* t, const uint32_t* s, size_t count, uint8_t alpha);
// p[k] := colour.
void fillPixelsPortable(uint32_t* p, size_t count, uint32_t colour);
// p[k] := 0xffffff where cells[k] is not 0, else 0.
void expandCellsPortable(uint32_t* p, const uint8_t* cells, size_t count);
// dst[k] := texture[row × 2^b + col], with row and col the high and low bytes
// of packed[k] + offset added byte by byte (each wrapping at 256), then
// masked by the high and low bytes of mask, and shift = 8 - b (0 <= b <= 8).
void lookupPackedPortable(uint32_t* dst, const uint16_t* packed, size_t count, const uint32_t* texture,
                          uint16_t offset, uint16_t mask, int shift);
// rows[y × rowStride + n] := columns[n × columnStride + y] for n < width, y < height.
void columnsToRowsPortable(uint32_t* rows, size_t rowStride, const uint32_t* columns, size_t columnStride,
                           size_t width, size_t height);

// One addScaled (or subtractScaled) for applyPasses. Source pixel k is
// words[k], or grey[k] repeated in the three colour bytes when grey is not
// null: the same to scale(), which ignores the top byte.
struct SaturatingPass {
    const uint32_t* words;
    const uint8_t* grey;
    uint8_t alpha;
    bool subtract;
};
// t[k] := passes[0], ..., passes[n - 1] applied in turn to t[k] (to *fill
// instead when fill is not null), each with its source pixel offset + k.
void applyPassesPortable(uint32_t* t, size_t count, size_t offset, const SaturatingPass* passes, size_t n,
                         const uint32_t* fill);
// Where amounts[k] is not 0, p[k] := each colour byte of p[k] less
// amounts[k], down to 0, and a top byte of 0: what that many blends at alpha
// 0 or 1 do, one after the other.
void darkenPixelsPortable(uint32_t* p, const uint8_t* amounts, size_t count);

// One form of every loop.
struct PixelOps {
    void (*addScaled)(uint32_t* t, const uint32_t* s, size_t count, uint8_t alpha);
    void (*subtractScaled)(uint32_t* t, const uint32_t* s, size_t count, uint8_t alpha);
    void (*blendByAlpha)(uint32_t* t, const uint32_t* s, size_t count, uint8_t alpha);
    void (*fillPixels)(uint32_t* p, size_t count, uint32_t colour);
    void (*expandCells)(uint32_t* p, const uint8_t* cells, size_t count);
    void (*lookupPacked)(uint32_t* dst, const uint16_t* packed, size_t count, const uint32_t* texture,
                         uint16_t offset, uint16_t mask, int shift);
    void (*columnsToRows)(uint32_t* rows, size_t rowStride, const uint32_t* columns, size_t columnStride,
                          size_t width, size_t height);
    void (*applyPasses)(uint32_t* t, size_t count, size_t offset, const SaturatingPass* passes, size_t n,
                        const uint32_t* fill);
    void (*darkenPixels)(uint32_t* p, const uint8_t* amounts, size_t count);
};

// The forms of a level; a level not built in gives the portable ones.
const PixelOps& pixelOps(SimdLevel level);
#ifdef SOFTDEMO_AVX2_FORMS
const PixelOps& avx2PixelOps(); // in PixelOpsAvx2.cpp, the one file with AVX2 code
#endif
// The forms of simdLevel(), taken once.
inline const PixelOps& pixelOps()
{
    static const PixelOps& chosen = pixelOps(simdLevel());
    return chosen;
}

inline void addScaled(uint32_t* t, const uint32_t* s, size_t count, uint8_t alpha)
{
    pixelOps().addScaled(t, s, count, alpha);
}
inline void subtractScaled(uint32_t* t, const uint32_t* s, size_t count, uint8_t alpha)
{
    pixelOps().subtractScaled(t, s, count, alpha);
}
inline void blendByAlpha(uint32_t* t, const uint32_t* s, size_t count, uint8_t alpha)
{
    pixelOps().blendByAlpha(t, s, count, alpha);
}
inline void fillPixels(uint32_t* p, size_t count, uint32_t colour)
{
    pixelOps().fillPixels(p, count, colour);
}
inline void expandCells(uint32_t* p, const uint8_t* cells, size_t count)
{
    pixelOps().expandCells(p, cells, count);
}
inline void lookupPacked(uint32_t* dst, const uint16_t* packed, size_t count, const uint32_t* texture, uint16_t offset,
                         uint16_t mask, int shift)
{
    pixelOps().lookupPacked(dst, packed, count, texture, offset, mask, shift);
}
inline void columnsToRows(uint32_t* rows, size_t rowStride, const uint32_t* columns, size_t columnStride,
                          size_t width, size_t height)
{
    pixelOps().columnsToRows(rows, rowStride, columns, columnStride, width, height);
}
inline void applyPasses(uint32_t* t, size_t count, size_t offset, const SaturatingPass* passes, size_t n,
                        const uint32_t* fill)
{
    pixelOps().applyPasses(t, count, offset, passes, n, fill);
}
inline void darkenPixels(uint32_t* p, const uint8_t* amounts, size_t count)
{
    pixelOps().darkenPixels(p, amounts, count);
}
