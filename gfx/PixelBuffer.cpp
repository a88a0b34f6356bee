#include "gfx/PixelBuffer.h"

#include <cstring>
#include <stdexcept>
#include <string>

PixelBuffer::PixelBuffer(std::string_view bufferName, uint16_t w, uint16_t h)
    : width(w), height(h), pixelCount(uint32_t(w) * h)
{
    if (bufferName.size() > kMaxNameLength)
        throw std::length_error("buffer name \"" + std::string(bufferName.substr(0, 40)) + "...\" is " +
                                std::to_string(bufferName.size()) + " characters long; the limit is 127");
    storage = std::make_unique<uint32_t[]>(pixelCount ? pixelCount : 1);
    pixels = storage.get();
    std::memcpy(name, bufferName.data(), bufferName.size());
}
