#include "gfx/PixelBuffer.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>

PixelBuffer::PixelBuffer(std::string_view bufferName, uint16_t w, uint16_t h)
    : PixelBuffer(bufferName, w, h, std::vector<uint32_t>(size_t(w) * h))
{
}

PixelBuffer::PixelBuffer(std::string_view bufferName, uint16_t w, uint16_t h, std::vector<uint32_t> content)
    : width(w), height(h), pixelCount(uint32_t(w) * h), storage(std::move(content))
{
    if (bufferName.size() > kMaxNameLength)
        throw std::length_error("buffer name \"" + std::string(bufferName.substr(0, 40)) + "...\" is " +
                                std::to_string(bufferName.size()) + " characters long; the limit is 127");
    if (storage.size() != pixelCount)
        throw std::invalid_argument("buffer \"" + std::string(bufferName) + "\" of " + std::to_string(w) + " x " +
                                    std::to_string(h) + " pixels given " + std::to_string(storage.size()));
    // An empty buffer still has a pixel to point at.
    if (storage.empty())
        storage.push_back(0);
    pixels = storage.data();
    std::memcpy(name, bufferName.data(), bufferName.size());
}

void PixelBuffer::replace(uint16_t w, uint16_t h, std::vector<uint32_t> content)
{
    if (content.size() != size_t(w) * h)
        throw std::invalid_argument("buffer \"" + std::string(name) + "\" of " + std::to_string(w) + " x " +
                                    std::to_string(h) + " pixels given " + std::to_string(content.size()));
    width = w;
    height = h;
    pixelCount = uint32_t(w) * h;
    storage = std::move(content);
    if (storage.empty())
        storage.push_back(0);
    pixels = storage.data();
    greyCopy = {};
    drawnInto = false;
}

void PixelBuffer::keepGreyCopy()
{
    const bool isGrey = std::all_of(pixels, pixels + pixelCount, [](uint32_t p) {
        return (p & 0xff) == (p >> 8 & 0xff) && (p & 0xff) == (p >> 16 & 0xff);
    });
    if (!isGrey)
        return;
    greyCopy.resize(pixelCount);
    std::transform(pixels, pixels + pixelCount, greyCopy.begin(), [](uint32_t p) { return uint8_t(p); });
}
