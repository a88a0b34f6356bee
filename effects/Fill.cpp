#include "effects/Fill.h"

#include <algorithm>

#include "effects/PixelOps.h"

Clear::Clear()
{
    setClassName(typeid(*this));
    addVariable(&flag, "flag", "fills only when not 0");
    addVariable(&color, "color", "the pixel word 0xAARRGGBB written everywhere");
    addVariable(&pixelRef, "pixelRef", "the buffer it fills");
}

namespace {

// Pixel indices of rows first ... end - 1, clipped to the buffer.
struct Span {
    uint32_t begin, end;
};

Span rowSpan(const PixelBuffer& b, uint32_t first, uint32_t end)
{
    const uint32_t last = std::min<uint32_t>(end, b.height);
    return first < last ? Span{first * b.width, last * b.width} : Span{0, 0};
}

} // namespace

void Clear::draw()
{
    drawInOneBand();
}

DrawPlan Clear::beginDraw(Workers&)
{
    return {flag == 0 || !pixelRef ? DrawPlan::Nothing : DrawPlan::Rows};
}

void Clear::drawRows(uint32_t first, uint32_t end)
{
    const Span rows = rowSpan(*pixelRef, first, end);
    fillPixels(pixelRef->pixels + rows.begin, rows.end - rows.begin, color);
}

Box::Box()
{
    setClassName(typeid(*this));
    addVariable(&flag, "flag", "draws only when exactly 1");
    addVariable(&posX, "posX", "left edge of the 32 x 32 block, in pixels");
    addVariable(&posY, "posY", "top edge of the block, in pixels");
    addVariable(&color, "color", "the pixel word of the block");
    addVariable(&pixelRef, "pixelRef", "the buffer it draws into");
}

void Box::draw()
{
    drawInOneBand();
}

DrawPlan Box::beginDraw(Workers&)
{
    return {flag != 1 || !pixelRef ? DrawPlan::Nothing : DrawPlan::Rows};
}

// A block past the right edge wraps onto the next row, so the band is a range
// of pixel indices rather than of block rows.
void Box::drawRows(uint32_t first, uint32_t end)
{
    const Span rows = rowSpan(*pixelRef, first, end);
    const uint32_t width = pixelRef->width;
    for (uint32_t i = 0; i < 32; ++i)
        for (uint32_t j = 0; j < 32; ++j) {
            const uint32_t index = (posY + i) * width + posX + j;
            if (index >= rows.begin && index < rows.end)
                pixelRef->pixels[index] = color;
        }
}

Circle::Circle()
{
    setClassName(typeid(*this));
    addVariable(&flag, "flag", "draws only when exactly 1");
    addVariable(&posX, "posX", "left edge of the 32 x 32 block of bytes");
    addVariable(&posY, "posY", "top edge of the block, in rows");
    addVariable(&color, "color", "the byte written");
    addVariable(&pixelRef, "pixelRef", "the buffer it draws into, one byte per pixel");
}

void Circle::draw()
{
    drawInOneBand();
}

DrawPlan Circle::beginDraw(Workers&)
{
    return {flag != 1 || !pixelRef ? DrawPlan::Nothing : DrawPlan::Rows};
}

// The band is the bytes of its rows of pixels.
void Circle::drawRows(uint32_t first, uint32_t end)
{
    auto* bytes = reinterpret_cast<uint8_t*>(pixelRef->pixels);
    const Span rows = rowSpan(*pixelRef, first, end);
    const int64_t begin = int64_t(rows.begin) * 4, stop = int64_t(rows.end) * 4;
    const int64_t width = pixelRef->width;
    for (int64_t i = 0; i < 32; ++i)
        for (int64_t j = 0; j < 32; ++j) {
            const int64_t offset = (posY + i) * width + posX + j;
            if (offset >= begin && offset < stop)
                bytes[offset] = color;
        }
}
