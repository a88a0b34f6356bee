#pragma once
#include <cstddef>
#include <cstdint>

// The packed-pixel loops behind the 2D effects, each in a portable version and,
// where the compiler targets SSE2, a vector version that gives the same words.
// The effects call the unsuffixed names; the SOFTDEMO_SIMD build option picks
// which version those are, and tests hold the two against each other.

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

#ifdef __SSE2__
void addScaledSse2(uint32_t* t, const uint32_t* s, size_t count, uint8_t alpha);
void subtractScaledSse2(uint32_t* t, const uint32_t* s, size_t count, uint8_t alpha);
void blendByAlphaSse2(uint32_t* t, const uint32_t* s, size_t count, uint8_t alpha);
void fillPixelsSse2(uint32_t* p, size_t count, uint32_t colour);
void expandCellsSse2(uint32_t* p, const uint8_t* cells, size_t count);
void lookupPackedSse2(uint32_t* dst, const uint16_t* packed, size_t count, const uint32_t* texture,
                      uint16_t offset, uint16_t mask, int shift);
#endif

#if defined(__SSE2__) && SOFTDEMO_SIMD
inline void addScaled(uint32_t* t, const uint32_t* s, size_t count, uint8_t alpha)
{
    addScaledSse2(t, s, count, alpha);
}
inline void subtractScaled(uint32_t* t, const uint32_t* s, size_t count, uint8_t alpha)
{
    subtractScaledSse2(t, s, count, alpha);
}
inline void blendByAlpha(uint32_t* t, const uint32_t* s, size_t count, uint8_t alpha)
{
    blendByAlphaSse2(t, s, count, alpha);
}
inline void fillPixels(uint32_t* p, size_t count, uint32_t colour)
{
    fillPixelsSse2(p, count, colour);
}
inline void expandCells(uint32_t* p, const uint8_t* cells, size_t count)
{
    expandCellsSse2(p, cells, count);
}
inline void lookupPacked(uint32_t* dst, const uint16_t* packed, size_t count, const uint32_t* texture, uint16_t offset,
                         uint16_t mask, int shift)
{
    lookupPackedSse2(dst, packed, count, texture, offset, mask, shift);
}
#else
inline void addScaled(uint32_t* t, const uint32_t* s, size_t count, uint8_t alpha)
{
    addScaledPortable(t, s, count, alpha);
}
inline void subtractScaled(uint32_t* t, const uint32_t* s, size_t count, uint8_t alpha)
{
    subtractScaledPortable(t, s, count, alpha);
}
inline void blendByAlpha(uint32_t* t, const uint32_t* s, size_t count, uint8_t alpha)
{
    blendByAlphaPortable(t, s, count, alpha);
}
inline void fillPixels(uint32_t* p, size_t count, uint32_t colour)
{
    fillPixelsPortable(p, count, colour);
}
inline void expandCells(uint32_t* p, const uint8_t* cells, size_t count)
{
    expandCellsPortable(p, cells, count);
}
inline void lookupPacked(uint32_t* dst, const uint16_t* packed, size_t count, const uint32_t* texture, uint16_t offset,
                         uint16_t mask, int shift)
{
    lookupPackedPortable(dst, packed, count, texture, offset, mask, shift);
}
#endif
