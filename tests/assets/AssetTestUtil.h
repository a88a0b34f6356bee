#pragma once
#include "FileFormats.h"
#include "Pack.h"

#include <stb_image.h>

#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

// A generated PNG decoded to 8-bit RGBA.
struct Rgba8 {
    int width = 0, height = 0;
    std::vector<uint8_t> px;
    const uint8_t* at(int x, int y) const { return &px[(size_t(y) * width + x) * 4]; }
};

inline Rgba8 decodePng(const std::vector<uint8_t>& bytes)
{
    Rgba8 image;
    int channels = 0;
    std::unique_ptr<stbi_uc, void (*)(void*)> data(
        stbi_load_from_memory(bytes.data(), int(bytes.size()), &image.width, &image.height, &channels, 4),
        stbi_image_free);
    if (!data)
        throw std::runtime_error("generated PNG does not decode");
    image.px.assign(data.get(), data.get() + size_t(image.width) * image.height * 4);
    return image;
}

// Mean absolute difference of the colour channels of two equal-sized pictures.
inline double meanDifference(const Rgba8& a, const Rgba8& b)
{
    double sum = 0.0;
    for (size_t i = 0; i < a.px.size(); ++i)
        if (i % 4 != 3)
            sum += std::abs(int(a.px[i]) - int(b.px[i]));
    return sum / double(a.px.size() / 4 * 3);
}

// The files of every job whose label is `label`.
inline std::vector<PackFile> runJobs(const std::string& label, const Fonts& fonts)
{
    std::vector<PackFile> files;
    for (const PackJob& job : packJobs())
        if (job.label == label)
            for (PackFile& f : job.make(fonts))
                files.push_back(std::move(f));
    return files;
}

inline const Fonts& testFonts()
{
    static const Fonts fonts;
    return fonts;
}
