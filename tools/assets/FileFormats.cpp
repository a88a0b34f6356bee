#include "FileFormats.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

namespace {

void put16(std::vector<uint8_t>& o, uint32_t v)
{
    o.push_back(uint8_t(v));
    o.push_back(uint8_t(v >> 8));
}
void put32(std::vector<uint8_t>& o, uint32_t v)
{
    put16(o, v & 0xffff);
    put16(o, v >> 16);
}

void putBig32(std::vector<uint8_t>& o, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        o.push_back(uint8_t(v >> shift));
}

void putChunk(std::vector<uint8_t>& o, const char* type, const std::vector<uint8_t>& data)
{
    putBig32(o, uint32_t(data.size()));
    const size_t start = o.size();
    o.insert(o.end(), type, type + 4);
    o.insert(o.end(), data.begin(), data.end());
    putBig32(o, uint32_t(crc32(0, &o[start], uInt(o.size() - start))));
}

// One row under one of the five PNG filters; `up` is the row above (zeros for the first).
void filterRow(const uint8_t* row, const uint8_t* up, size_t stride, size_t pixelBytes, uint8_t filter, uint8_t* out)
{
    for (size_t i = 0; i < stride; ++i) {
        const int a = i >= pixelBytes ? row[i - pixelBytes] : 0, b = up[i], c = i >= pixelBytes ? up[i - pixelBytes] : 0;
        int predicted = 0;
        switch (filter) {
        case 1: predicted = a; break;
        case 2: predicted = b; break;
        case 3: predicted = (a + b) / 2; break;
        case 4: {
            const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
            predicted = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
            break;
        }
        default: break;
        }
        out[i] = uint8_t(row[i] - predicted);
    }
}

} // namespace

std::vector<uint8_t> encodePng(const Canvas& c, int channels, bool dither, PngEncoding encoding)
{
    const std::vector<uint8_t> bytes = toBytes(c, channels, dither);
    const size_t pixelBytes = size_t(channels), stride = size_t(c.width) * pixelBytes;
    std::vector<uint8_t> raw, best(stride), trial(stride);
    raw.reserve((stride + 1) * size_t(c.height));
    const std::vector<uint8_t> zero(stride, 0);
    for (int y = 0; y < c.height; ++y) {
        const uint8_t* row = &bytes[size_t(y) * stride];
        const uint8_t* up = y > 0 ? row - stride : zero.data();
        uint8_t chosen = 2;
        if (encoding == PngEncoding::Quick) {
            filterRow(row, up, stride, pixelBytes, chosen, best.data());
        } else {
            long bestScore = -1;
            for (uint8_t f = 0; f < 5; ++f) {
                filterRow(row, up, stride, pixelBytes, f, trial.data());
                long score = 0;
                for (uint8_t v : trial)
                    score += std::abs(int(int8_t(v)));
                if (bestScore < 0 || score < bestScore) {
                    bestScore = score;
                    chosen = f;
                    best.swap(trial);
                }
            }
        }
        raw.push_back(chosen);
        raw.insert(raw.end(), best.begin(), best.end());
    }
    uLongf packedSize = compressBound(uLong(raw.size()));
    std::vector<uint8_t> packed(packedSize);
    const int level = encoding == PngEncoding::Quick ? 6 : 9;
    if (compress2(packed.data(), &packedSize, raw.data(), uLong(raw.size()), level) != Z_OK)
        throw std::runtime_error("zlib failed to compress a picture");
    packed.resize(packedSize);

    const uint8_t colorType = channels == 1 ? 0 : channels == 3 ? 2 : 6; // grey, RGB, RGBA
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    std::vector<uint8_t> header;
    putBig32(header, uint32_t(c.width));
    putBig32(header, uint32_t(c.height));
    header.insert(header.end(), {8, colorType, 0, 0, 0});
    putChunk(png, "IHDR", header);
    putChunk(png, "IDAT", packed);
    putChunk(png, "IEND", {});
    return png;
}

std::vector<uint8_t> encodeBmp24(const Canvas& c)
{
    const uint32_t stride = (uint32_t(c.width) * 3 + 3) & ~3u;
    const uint32_t imageBytes = stride * uint32_t(c.height);
    std::vector<uint8_t> o;
    o.reserve(54 + imageBytes);
    o.push_back('B');
    o.push_back('M');
    put32(o, 54 + imageBytes);
    put32(o, 0);
    put32(o, 54);
    put32(o, 40); // BITMAPINFOHEADER
    put32(o, uint32_t(c.width));
    put32(o, uint32_t(c.height)); // positive: bottom row first
    put16(o, 1);
    put16(o, 24);
    put32(o, 0); // uncompressed
    put32(o, imageBytes);
    put32(o, 2835); // 72 dpi
    put32(o, 2835);
    put32(o, 0);
    put32(o, 0);
    const std::vector<uint8_t> rgb = toBytes(c, 3, false);
    for (int y = c.height - 1; y >= 0; --y) {
        const uint8_t* row = &rgb[size_t(y) * c.width * 3];
        for (int x = 0; x < c.width; ++x) {
            o.push_back(row[x * 3 + 2]);
            o.push_back(row[x * 3 + 1]);
            o.push_back(row[x * 3]);
        }
        for (uint32_t pad = uint32_t(c.width) * 3; pad < stride; ++pad)
            o.push_back(0);
    }
    return o;
}
