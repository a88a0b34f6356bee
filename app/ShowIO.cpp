#include "app/ShowIO.h"

#include <stb_image_write.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

ShowScript loadShow(const std::string& file)
{
    if (file.empty())
        return parseShow(embeddedShowText(), kEmbeddedShowName);
    std::ifstream in(file, std::ios::binary);
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
    if (!stbi_write_png(path.c_str(), frame.width, frame.height, 3, rgb.data(), frame.width * 3))
        throw std::runtime_error(path + ": cannot write the picture");
}
