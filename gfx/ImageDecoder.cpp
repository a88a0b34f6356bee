#include "gfx/ImageDecoder.h"

#include <stb_image.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace {

constexpr int64_t kMaxPixels = int64_t(1) << 26;

std::string failureReason()
{
    const char* reason = stbi_failure_reason();
    return reason ? reason : "unknown error";
}

} // namespace

DecodedImage decodeImageFile(const std::string& path)
{
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!file)
        throw std::runtime_error(path + ": " + std::strerror(errno));

    // An empty file is the commonest damage; say so rather than "unknown image type".
    if (std::fgetc(file.get()) == EOF) {
        if (std::ferror(file.get())) // a directory, for one
            throw std::runtime_error(path + ": " + std::strerror(errno));
        throw std::runtime_error(path + ": empty, not a picture");
    }
    std::rewind(file.get());

    // Check the header before decoding, so a hostile size never gets allocated.
    int w = 0, h = 0, channels = 0;
    if (!stbi_info_from_file(file.get(), &w, &h, &channels))
        throw std::runtime_error(path + ": cannot decode image: not a PNG, BMP, JPEG, TGA or GIF picture, or its "
                                        "header is damaged (" + failureReason() + ")");
    if (w > 65535 || h > 65535 || int64_t(w) * h > kMaxPixels)
        throw std::runtime_error(path + ": image of " + std::to_string(w) + " x " + std::to_string(h) +
                                 " pixels is too large (at most 65535 on a side and 2^26 pixels)");

    std::unique_ptr<stbi_uc, void (*)(void*)> rgba(stbi_load_from_file(file.get(), &w, &h, &channels, 4),
                                                   stbi_image_free);
    if (!rgba) // the header was sound, so the data after it is cut short or damaged
        throw std::runtime_error(path + ": cannot decode image: truncated or corrupt picture data (" +
                                 failureReason() + ")");

    DecodedImage image;
    image.width = uint16_t(w);
    image.height = uint16_t(h);
    image.pixels.resize(size_t(w) * size_t(h));
    const stbi_uc* p = rgba.get();
    for (uint32_t& pixel : image.pixels) {
        pixel = uint32_t(p[3]) << 24 | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
        p += 4;
    }
    return image;
}
