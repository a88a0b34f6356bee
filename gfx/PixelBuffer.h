#pragma once
#include <cstdint>
#include <string_view>
#include <vector>

// A named picture of 32-bit pixels 0xAARRGGBB (bytes B, G, R, A in memory),
// rows top first and unpadded: pixel (x, y) is pixels[y * width + x].
struct PixelBuffer {
    static constexpr size_t kMaxNameLength = 127;

    uint16_t width = 0;
    uint16_t height = 0;
    uint8_t bytesPerPixel = 4;
    uint32_t pixelCount = 0;
    uint32_t* pixels = nullptr;
    char name[128] = {};

    // Cleared to zero. Throws std::length_error for a name of 128 characters or more.
    PixelBuffer(std::string_view bufferName, uint16_t w, uint16_t h);
    // Takes over w × h pixels; std::invalid_argument when there are not exactly that many.
    PixelBuffer(std::string_view bufferName, uint16_t w, uint16_t h, std::vector<uint32_t> content);
    PixelBuffer(const PixelBuffer&) = delete;
    PixelBuffer& operator=(const PixelBuffer&) = delete;

    // Takes over w × h new pixels in place of the old, so that whatever
    // points at the buffer draws them from now on; the grey copy and the
    // mark of a draw go with the old. std::invalid_argument as the constructor.
    void replace(uint16_t w, uint16_t h, std::vector<uint32_t> content);

    // Keeps a copy of one byte per pixel when every pixel is grey (its three
    // colour bytes equal), for loops that read only those: a quarter of the
    // memory to stream. For pictures as loaded.
    void keepGreyCopy();
    // That copy, until markDrawnInto; else null.
    const uint8_t* grey() const { return drawnInto || greyCopy.empty() ? nullptr : greyCopy.data(); }
    // Called before anything draws into the buffer (Production::draw does for
    // every effect's target). The copy stays allocated, as loops set up
    // earlier read it until the first of those draws.
    void markDrawnInto() { drawnInto = true; }
    bool wasDrawnInto() const { return drawnInto; }

private:
    std::vector<uint32_t> storage;
    std::vector<uint8_t> greyCopy;
    bool drawnInto = false;
};
