#include "Sheet.h"

#include "FileFormats.h"
#include "gfx/ImageDecoder.h"
#include "show/DataManifest.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace {

constexpr int kColumns = 11;
constexpr int kThumbW = 104, kThumbH = 78;
constexpr int kCellW = 112, kCellH = 100;
constexpr int kTop = 30;

struct Entry {
    std::string label;
    Canvas picture;
};

Canvas fromDecoded(const DecodedImage& image)
{
    Canvas c(image.width, image.height);
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            const uint32_t p = image.pixels[size_t(y) * image.width + x];
            const float a = float(p >> 24) / 255.0f;
            float* o = c.at(x, y);
            o[0] = float((p >> 16) & 255) / 255.0f * a;
            o[1] = float((p >> 8) & 255) / 255.0f * a;
            o[2] = float(p & 255) / 255.0f * a;
            o[3] = a;
        }
    return c;
}

std::vector<uint8_t> readMap(const std::string& path, size_t bytes)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (data.size() != bytes)
        throw std::runtime_error(path + ": " + std::to_string(data.size()) + " bytes, needs " +
                                 std::to_string(bytes));
    return data;
}

std::string baseName(const std::string& path)
{
    return path.substr(path.find_last_of('/') + 1);
}

} // namespace

void writeContactSheet(const std::string& dir, const std::string& outPath, const Fonts& fonts)
{
    std::vector<Entry> entries;
    for (const char* file : kShowImageFiles)
        entries.push_back({baseName(file), fromDecoded(decodeImageFile(dataFilePath(dir, file)))});
    for (const char* file : kDialogImageFiles)
        entries.push_back({baseName(file), fromDecoded(decodeImageFile(dataFilePath(dir, file)))});
    const std::vector<uint8_t> heights = readMap(dataFilePath(dir, kHeightMapFile), kHeightMapBytes);
    const std::vector<uint8_t> colors = readMap(dataFilePath(dir, kColorMapFile), kColorMapBytes);
    Canvas heightPicture(256, 256), colorPicture(256, 256);
    for (int i = 0; i < 256 * 256; ++i) {
        float* h = &heightPicture.px[size_t(i) * 4];
        float* c = &colorPicture.px[size_t(i) * 4];
        h[0] = h[1] = h[2] = float(heights[size_t(i)]) / 255.0f;
        for (int k = 0; k < 3; ++k)
            c[k] = float(colors[size_t(i) * 3 + k]) / 255.0f;
        h[3] = c[3] = 1.0f;
    }
    entries.push_back({baseName(kHeightMapFile), std::move(heightPicture)});
    entries.push_back({baseName(kColorMapFile), std::move(colorPicture)});

    const int rows = int((entries.size() + kColumns - 1) / kColumns);
    Canvas sheet(kColumns * kCellW + 8, kTop + rows * kCellH + 4);
    sheet.fill(hexColor(0x16161a));
    const Mask title = fonts.sans.render("softdemo data pack: " + std::to_string(entries.size()) + " pictures and maps",
                                         16.0f, 0.5f);
    sheet.overMask(title, 10, 6, hexColor(0xe8e8f0));

    for (size_t i = 0; i < entries.size(); ++i) {
        const Canvas& pic = entries[i].picture;
        const int cx = 8 + int(i % kColumns) * kCellW, cy = kTop + int(i / kColumns) * kCellH;
        // Fit inside the thumbnail box, keeping the aspect ratio; small pictures are not enlarged.
        const float scale = std::min({1.0f, float(kThumbW) / float(pic.width), float(kThumbH) / float(pic.height)});
        const int tw = std::max(1, int(float(pic.width) * scale)), th = std::max(1, int(float(pic.height) * scale));
        const Canvas thumb = downscaled(pic, tw, th);
        const int ox = cx + (kThumbW - tw) / 2, oy = cy + (kThumbH - th) / 2;
        for (int y = 0; y < th; ++y)
            for (int x = 0; x < tw; ++x) {
                // Transparent parts over a checkerboard.
                const bool light = ((x / 6) + (y / 6)) & 1;
                const float* p = thumb.at(x, y);
                const Rgb back = light ? hexColor(0x45454c) : hexColor(0x2e2e34);
                float* o = sheet.at(ox + x, oy + y);
                o[0] = p[0] + back.r * (1.0f - p[3]);
                o[1] = p[1] + back.g * (1.0f - p[3]);
                o[2] = p[2] + back.b * (1.0f - p[3]);
            }
        std::string label = entries[i].label;
        Mask text = fonts.narrow.render(label, 11.0f);
        while (text.width > kCellW - 6 && label.size() > 4) {
            label = label.substr(0, label.size() - 4) + "..";
            text = fonts.narrow.render(label, 11.0f);
        }
        sheet.overMask(text, cx + (kThumbW - text.width) / 2, cy + kThumbH + 3, hexColor(0xc8c8d4));
    }
    const std::vector<uint8_t> png = encodePng(sheet, 3, false);
    std::ofstream out(outPath, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
    out.close();
    if (!out)
        throw std::runtime_error(outPath + ": cannot be written");
}
