#include "Corpus.h"

#include "Rng.h"
#include "pack/DataManifest.h"
#include "show/ShowScript.h"

#include <algorithm>
#include <string>

namespace {

using Bytes = std::vector<uint8_t>;

void put(Bytes& b, uint32_t v, int count)
{
    for (int i = 0; i < count; ++i)
        b.push_back(uint8_t(v >> (8 * i)));
}

Bytes text(std::string_view s)
{
    return Bytes(s.begin(), s.end());
}

Bytes concat(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Diagonal stripes with a little noise, so the compressors have something to do.
Canvas picture(int w, int h, uint64_t seed, bool translucent = false)
{
    Rng rng(seed);
    Canvas c(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const float t = float((x + y) % 7) / 6.0f;
            c.set(x, y, {t, rng.uniform(), 1.0f - t});
            if (translucent)
                for (int i = 0; i < 4; ++i)
                    c.at(x, y)[i] *= float((x * 3 + y) % 5) / 4.0f;
        }
    return c;
}

// The BMP variants the decoders meet: palettes of 1, 4 and 8 bits,
// run-length coding, 16- and 32-bit masks, the old core header and top-down rows.
struct BmpSpec {
    int width;
    int height; // negative: top row first
    int bits;
    uint32_t compression = 0; // 1: RLE8, 2: RLE4, 3: bit fields
    bool coreHeader = false;
};

Bytes bmpPixels(const BmpSpec& s, Rng& rng)
{
    const int rows = std::abs(s.height);
    Bytes p;
    if (s.compression == 1 || s.compression == 2) {
        for (int y = 0; y < rows; ++y) {
            for (int x = 0; x < s.width;) {
                const int run = std::min(s.width - x, 1 + int(rng.below(6)));
                p.push_back(uint8_t(run));
                p.push_back(uint8_t(s.compression == 1 ? rng.below(256) : rng.below(16) * 17));
                x += run;
            }
            p.insert(p.end(), {0, 0}); // end of line
        }
        p.insert(p.end(), {0, 1}); // end of picture
        return p;
    }
    const size_t stride = (size_t(s.width) * size_t(s.bits) + 31) / 32 * 4;
    for (size_t i = 0; i < stride * size_t(rows); ++i)
        p.push_back(uint8_t(rng.next()));
    return p;
}

Bytes bmp(const BmpSpec& s, uint64_t seed)
{
    Rng rng(seed);
    const uint32_t colours = s.bits <= 8 ? 1u << s.bits : 0;
    const uint32_t header = s.coreHeader ? 12 : 40;
    const uint32_t masks = s.compression == 3 ? 12 : 0;
    const uint32_t offset = 14 + header + masks + colours * (s.coreHeader ? 3 : 4);
    const Bytes pixels = bmpPixels(s, rng);

    Bytes b = text("BM");
    put(b, offset + uint32_t(pixels.size()), 4);
    put(b, 0, 4);
    put(b, offset, 4);
    put(b, header, 4);
    if (s.coreHeader) {
        put(b, uint32_t(s.width), 2);
        put(b, uint32_t(s.height), 2);
        put(b, 1, 2);
        put(b, uint32_t(s.bits), 2);
    } else {
        put(b, uint32_t(s.width), 4);
        put(b, uint32_t(s.height), 4);
        put(b, 1, 2);
        put(b, uint32_t(s.bits), 2);
        put(b, s.compression, 4);
        put(b, uint32_t(pixels.size()), 4);
        put(b, 2835, 4);
        put(b, 2835, 4);
        put(b, colours, 4);
        put(b, 0, 4);
    }
    if (masks) {
        const bool rgb565 = s.bits == 16;
        put(b, rgb565 ? 0xf800 : 0x00ff0000, 4);
        put(b, rgb565 ? 0x07e0 : 0x0000ff00, 4);
        put(b, rgb565 ? 0x001f : 0x000000ff, 4);
    }
    for (uint32_t i = 0; i < colours; ++i) {
        put(b, rng.next() & 0xffffff, 3);
        if (!s.coreHeader)
            b.push_back(0);
    }
    return concat(b, pixels);
}

// Cut-down shows: every kind of block and call, a run with passes, and the
// notation's corners (negative values, a hold, a segment without a mode).
constexpr std::string_view kSmallShows[] = {
    R"(images {
    "data/white.png"
    "data/mouth1.png" .. "data/mouth3.png"
}

effect 0 Clear {
    color 0 -> 0 L 1000-2000
    flag 1 -> 1 L 0-100
}

effect 1 PutBuffer {
    flag := 0
    fromBuffer "data/white.png" 0-200
    fromBuffer "data/mouth1.png" .. "data/mouth3.png" (3 x 55 ms) 2 passes every 140 from 100 to 405
    posY -20 -> -20 L 79220-79320
    flag 1 -> 1 300-400
}
)",
    R"(images {
    "data/tun_orange.png"
}

effect 0 Tunnel {
    flag := 0
    fromBuffer := "data/tun_orange.png"
    time 0 -> 18 L 29700-44100
}

generator Sine {
    amplitude := 50
    equilibrium := 192
    phaseOffset 100 -> 0 H 79220-90000
}

effect 1 Voxel {
    flag 1 -> 1 H 79220-79320
    goForward 210 -> 0 L 79220-104000
}
)",
    R"(# only comments and an empty list
images {
}

effect 0 Scene {
    pixelRef := "FrameBuffer"
    platonic 2 -> 2 H 43700-43800
    z 200 -> 20 L 29700-30400
}

effect 1 CAExp {
    flag := 0
}
)",
};

int pictureIndex(const char* path)
{
    for (size_t i = 0; i < kShowPictures.size(); ++i)
        if (std::string_view(kShowPictures[i].path) == path)
            return int(i);
    return 0;
}

} // namespace

std::vector<PackFile> fuzzCorpus()
{
    std::vector<PackFile> files;
    const auto add = [&](const std::string& path, Bytes bytes) { files.push_back({path, std::move(bytes)}); };
    // Rows under every filter, so the decoder's paths for each are seeded.
    const auto png = [](const Canvas& c, int channels) { return encodePng(c, channels, false, PngEncoding::Tight); };

    add("image/grey-8x6.png", png(picture(8, 6, 1), 1));
    add("image/rgb-16x9.png", png(picture(16, 9, 2), 3));
    add("image/rgba-7x5.png", png(picture(7, 5, 3, true), 4));
    add("image/rgb-12x8.bmp", encodeBmp24(picture(12, 8, 4)));
    add("image/palette-8x8.bmp", bmp({8, 8, 8}, 5));
    add("image/palette4-9x7.bmp", bmp({9, 7, 4}, 6));
    add("image/argb-5x5.bmp", bmp({5, 5, 32, 3}, 7));

    add("show/demo.show", text(embeddedShowText()));
    for (size_t i = 0; i < std::size(kSmallShows); ++i)
        add("show/small-" + std::to_string(i + 1) + ".show", text(kSmallShows[i]));

    // Data check: a byte for the kind and one for the picture or dialog file, then the file.
    const uint8_t micro = uint8_t(pictureIndex("data/micro.png"));
    const uint8_t text7 = uint8_t(pictureIndex("data/text_7.png"));
    add("datacheck/picture-exact.png", concat({0, micro}, png(picture(64, 64, 8), 1)));
    add("datacheck/picture-wrong-size.png", concat({0, text7}, png(picture(73, 72, 9), 3)));
    add("datacheck/picture-bmp.bmp", concat({0, micro}, encodeBmp24(picture(64, 64, 10))));
    Rng mapRng(11);
    Bytes heights(700), colours(900);
    for (uint8_t& b : heights)
        b = uint8_t(mapRng.next());
    for (uint8_t& b : colours)
        b = uint8_t(mapRng.next());
    add("datacheck/heightmap-short.raw", concat({1, 0}, heights));
    add("datacheck/colormap-short.raw", concat({2, 0}, colours));
    add("datacheck/dialog-exact.bmp", concat({3, 0}, encodeBmp24(picture(kDialogImageSize, kDialogImageSize, 12))));
    add("datacheck/dialog-palette.bmp", concat({3, 1}, bmp({16, 16, 8}, 13)));
    // An ID3 tag, then a silent 128 kbit/s MPEG-1 layer III frame.
    Bytes mp3 = text("ID3");
    mp3.insert(mp3.end(), {4, 0, 0, 0, 0, 0, 4, 'x', 'y', 'z', 'w', 0xff, 0xfb, 0x90, 0x64});
    mp3.resize(mp3.size() + 413, 0);
    add("datacheck/music.mp3", concat({4, 0}, mp3));

    add("map/empty.raw", {});
    add("map/short.raw", heights);
    add("map/colours.raw", colours);

    add("dialog/rgb-16x16.bmp", encodeBmp24(picture(16, 16, 14)));
    add("dialog/rgb-128x128.bmp", encodeBmp24(picture(kDialogImageSize, kDialogImageSize, 15)));
    add("dialog/palette8-16x16.bmp", bmp({16, 16, 8}, 16));
    add("dialog/palette4-15x9.bmp", bmp({15, 9, 4}, 17));
    add("dialog/palette1-17x5.bmp", bmp({17, 5, 1}, 18));
    add("dialog/rle8-16x12.bmp", bmp({16, 12, 8, 1}, 19));
    add("dialog/rle4-13x7.bmp", bmp({13, 7, 4, 2}, 20));
    add("dialog/rgb565-10x6.bmp", bmp({10, 6, 16, 3}, 21));
    add("dialog/argb-9x9.bmp", bmp({9, 9, 32, 3}, 22));
    add("dialog/core-rgb-11x3.bmp", bmp({11, 3, 24, 0, true}, 23));
    add("dialog/top-down-8x-8.bmp", bmp({8, -8, 24}, 24));

    // Effects: a byte for the class (in the harness's order), a switched-on
    // flag byte, then the rest of the members.
    Rng effectRng(25);
    for (uint8_t effect = 0; effect < 10; ++effect) {
        Bytes b{effect, 1};
        for (int i = 0; i < 46; ++i)
            b.push_back(uint8_t(effectRng.next()));
        add("effects/effect-" + std::to_string(effect) + ".bin", b);
    }
    return files;
}
