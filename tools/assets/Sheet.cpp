#include "Sheet.h"

#include "FileFormats.h"
#include "base/Files.h"
#include "gfx/ImageDecoder.h"
#include "pack/DataManifest.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace {

constexpr int kTop = 30;

Canvas fromDecoded(const DecodedImage& image)
{
    return canvasFromPixels(image.pixels.data(), image.width, image.height);
}

std::vector<uint8_t> readMap(const std::string& path, size_t bytes)
{
    std::ifstream in(filePath(path), std::ios::binary);
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

Canvas canvasFromPixels(const uint32_t* pixels, int width, int height)
{
    Canvas c(width, height);
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            const uint32_t p = pixels[size_t(y) * width + x];
            const float a = float(p >> 24) / 255.0f;
            float* o = c.at(x, y);
            o[0] = float((p >> 16) & 255) / 255.0f * a;
            o[1] = float((p >> 8) & 255) / 255.0f * a;
            o[2] = float(p & 255) / 255.0f * a;
            o[3] = a;
        }
    return c;
}

void writePackSheet(const std::string& dir, const std::string& outPath, const Fonts& fonts)
{
    std::vector<SheetEntry> entries;
    for (const DataPicture& image : kShowPictures)
        entries.push_back({baseName(image.path), fromDecoded(decodeImageFile(dataFilePath(dir, image.path)))});
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
    writeContactSheet("softdemo data pack: " + std::to_string(entries.size()) + " pictures and maps", entries, 14, 76,
                      57, outPath, fonts);
}

void writeContactSheet(const std::string& title, const std::vector<SheetEntry>& entries, int columns, int thumbW,
                       int thumbH, const std::string& outPath, const Fonts& fonts)
{
    const int cellW = thumbW + 8, cellH = thumbH + 17;
    const int rows = int((entries.size() + columns - 1) / columns);
    Canvas sheet(columns * cellW + 8, kTop + rows * cellH + 4);
    sheet.fill(hexColor(0x16161a));
    sheet.overMask(fonts.sans.render(title, 16.0f, 0.5f), 10, 6, hexColor(0xe8e8f0));

    for (size_t i = 0; i < entries.size(); ++i) {
        const Canvas& pic = entries[i].picture;
        const int cx = 8 + int(i % columns) * cellW, cy = kTop + int(i / columns) * cellH;
        // Fit inside the thumbnail box, keeping the aspect ratio; small pictures are not enlarged.
        const float scale = std::min({1.0f, float(thumbW) / float(pic.width), float(thumbH) / float(pic.height)});
        const int tw = std::max(1, int(float(pic.width) * scale)), th = std::max(1, int(float(pic.height) * scale));
        const Canvas thumb = downscaled(pic, tw, th);
        const int ox = cx + (thumbW - tw) / 2, oy = cy + (thumbH - th) / 2;
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
        Mask text = fonts.narrow.render(label, 10.0f);
        // Long names lose their middle, so frame numbers stay readable.
        for (size_t cut = 1; text.width > cellW - 4 && cut + 8 < label.size(); ++cut) {
            const std::string& name = entries[i].label;
            const size_t keep = name.size() - cut;
            label = name.substr(0, keep / 2) + ".." + name.substr(name.size() - (keep - keep / 2));
            text = fonts.narrow.render(label, 10.0f);
        }
        sheet.overMask(text, cx + (thumbW - text.width) / 2, cy + thumbH + 3, hexColor(0xc8c8d4));
    }
    // Sixteen levels a channel and zlib's strongest setting: hardly
    // visible at thumbnail size, and the sheet stays small enough to commit.
    for (float& v : sheet.px)
        v = std::round(clamp01(v) * 15.0f) / 15.0f;
    const std::vector<uint8_t> png = encodePng(sheet, 3, false, PngEncoding::Tight);
    std::ofstream out(filePath(outPath), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
    out.close();
    if (!out)
        throw std::runtime_error(outPath + ": cannot be written");
}
