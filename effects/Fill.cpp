#include "effects/Fill.h"

#include "effects/PixelOps.h"

Clear::Clear()
{
    setClassName(typeid(*this));
    addVariable(&flag, "flag", "fills only when not 0");
    addVariable(&color, "color", "the pixel word 0xAARRGGBB written everywhere");
    addVariable(&pixelRef, "pixelRef", "the buffer it fills");
}

void Clear::draw()
{
    if (flag == 0 || !pixelRef)
        return;
    fillPixels(pixelRef->pixels, pixelRef->pixelCount, color);
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
    if (flag != 1 || !pixelRef)
        return;
    const uint32_t width = pixelRef->width;
    for (uint32_t i = 0; i < 32; ++i)
        for (uint32_t j = 0; j < 32; ++j) {
            const uint32_t index = (posY + i) * width + posX + j;
            if (index < pixelRef->pixelCount)
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
    if (flag != 1 || !pixelRef)
        return;
    auto* bytes = reinterpret_cast<uint8_t*>(pixelRef->pixels);
    const int64_t size = int64_t(pixelRef->pixelCount) * 4;
    const int64_t width = pixelRef->width;
    for (int64_t i = 0; i < 32; ++i)
        for (int64_t j = 0; j < 32; ++j) {
            const int64_t offset = (posY + i) * width + posX + j;
            if (offset >= 0 && offset < size)
                bytes[offset] = color;
        }
}
