#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

// A decoded picture: width × height words 0xAARRGGBB, rows top first.
struct DecodedImage {
    uint16_t width = 0;
    uint16_t height = 0;
    std::vector<uint32_t> pixels;
};

// Pictures decoded ahead of loading, by the name the show loads them by.
using DecodedPictures = std::map<std::string, DecodedImage, std::less<>>;

// Decodes a PNG or BMP held in memory. Throws std::runtime_error naming
// `name` and the reason when it is of another format, corrupt, or larger than
// 65535 pixels on a side or 2^26 pixels in all.
DecodedImage decodeImage(const uint8_t* data, size_t size, const std::string& name);

// The same for a file; also throws when it is missing or unreadable.
DecodedImage decodeImageFile(const std::string& path);
