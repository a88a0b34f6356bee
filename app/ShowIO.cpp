#include "app/ShowIO.h"

#include <stb_image_write.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "base/Files.h"

ShowScript loadShow(const std::string& file)
{
    if (file.empty())
        return parseShow(embeddedShowText(), kEmbeddedShowName);
    std::ifstream in(filePath(file), std::ios::binary);
    if (!in)
        throw std::runtime_error(file + ": " + std::strerror(errno));
    std::stringstream text;
    text << in.rdbuf();
    return parseShow(text.str(), file);
}

void writeFramePng(const PixelBuffer& frame, const std::string& path)
{
    std::vector<uint8_t> rgb;
    rgb.reserve(size_t(frame.pixelCount) * 3);
    for (uint32_t i = 0; i < frame.pixelCount; ++i) {
        const uint32_t p = frame.pixels[i];
        rgb.insert(rgb.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p)});
    }
    // Encoded in memory: the file is opened here, by its UTF-8 name.
    std::vector<uint8_t> png;
    const auto append = [](void* to, void* data, int size) {
        auto& bytes = *static_cast<std::vector<uint8_t>*>(to);
        bytes.insert(bytes.end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
    };
    std::ofstream out(filePath(path), std::ios::binary | std::ios::trunc);
    if (!stbi_write_png_to_func(append, &png, frame.width, frame.height, 3, rgb.data(), frame.width * 3) || !out ||
        !out.write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size())))
        throw std::runtime_error(path + ": cannot write the picture");
}
