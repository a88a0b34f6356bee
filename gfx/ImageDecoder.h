#pragma once
#include <cstdint>
#include <string>
#include <vector>

// A decoded picture: width × height words 0xAARRGGBB, rows top first.
struct DecodedImage {
    uint16_t width = 0;
    uint16_t height = 0;
    std::vector<uint32_t> pixels;
};

// Decodes a PNG, BMP, JPEG, TGA or GIF file. Throws std::runtime_error naming
// the file and the reason when it is missing, unreadable, corrupt, or larger
// than 65535 pixels on a side.
DecodedImage decodeImageFile(const std::string& path);
