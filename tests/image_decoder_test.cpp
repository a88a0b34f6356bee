#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "TestData.h"
#include "gfx/ImageDecoder.h"

namespace {

std::string refusal(const std::vector<uint8_t>& bytes, const std::string& name)
{
    try {
        decodeImage(bytes.data(), bytes.size(), name);
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "decoded";
}

// A JPEG whose Huffman table counts 17 codes of every length, 272 in all: the
// fuzzer found that the decoder's JPEG reader then writes past its 257-entry tables.
std::vector<uint8_t> overlongHuffmanJpeg()
{
    std::vector<uint8_t> b = {0xff, 0xd8, 0xff, 0xc4, 0x01, 0x23, 0x00};
    b.insert(b.end(), 16, 17);
    for (int i = 0; i < 272; ++i)
        b.push_back(uint8_t(i));
    b.insert(b.end(), {0xff, 0xd9});
    return b;
}

} // namespace

TEST(ImageDecoder, MemoryAndFileDecodeAlike)
{
    TempDir dir;
    writePng(dir.file("p.png"), 3, 2, {0xff102030, 0x80405060, 0x00708090, 1, 2, 3});
    const DecodedImage fromFile = decodeImageFile(dir.file("p.png"));
    std::ifstream in(dir.file("p.png"), std::ios::binary);
    const std::vector<uint8_t> bytes(std::istreambuf_iterator<char>(in), {});
    const DecodedImage fromMemory = decodeImage(bytes.data(), bytes.size(), "p.png");
    EXPECT_EQ(fromMemory.width, 3);
    EXPECT_EQ(fromMemory.height, 2);
    EXPECT_EQ(fromMemory.pixels, fromFile.pixels);
    EXPECT_EQ(fromMemory.pixels[1], 0x80405060u);

    EXPECT_EQ(refusal({}, "data/x.png"), "data/x.png: empty, not a picture");
    std::filesystem::create_directory(dir.file("d.png"));
    EXPECT_THROW(decodeImageFile(dir.file("d.png")), std::runtime_error) << "a directory is no picture";
}

TEST(ImageDecoder, ACutBitmapIsRefusedNotPaddedWithBlack)
{
    // 3 x 2, 24-bit: rows of 9 bytes padded to 12, after a 54-byte header.
    std::vector<uint8_t> b = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0};
    b.resize(54, 0);
    b.resize(54 + 24, 0x7f);
    EXPECT_EQ(decodeImage(b.data(), b.size(), "x.bmp").pixels[0], 0xff7f7f7fu);
    b[22] = 0xfe; // -2: the same rows, top row first
    b[23] = b[24] = b[25] = 0xff;
    b[54 + 12] = 0x10;
    EXPECT_EQ(decodeImage(b.data(), b.size(), "x.bmp").pixels[3], 0xff7f7f10u);
    b.pop_back();
    EXPECT_EQ(refusal(b, "data/x.png"), "data/x.png: truncated BMP, 77 bytes where its 3 x 2 pixels need 78");

    // Found by the fuzzer: a top-down BMP of 16 x 65537 pixels passed the size
    // check as -65537 rows, and decoded to more pixels than its 16-bit height
    // holds: the production's copy into its buffer would overrun it.
    const std::vector<uint8_t> tall = {0x42, 0x4d, 0xa6, 0, 0, 1, 0x76, 0, 0x51, 0, 0, 0, 0, 0, 0x28,
                                       0,    0,    0,    0x10, 0, 0, 0, 0xff, 0xff, 0xfe, 0xff, 1, 0, 1};
    EXPECT_EQ(refusal(tall, "t"), "t: image of 16 x 65537 pixels is too large (at most 65535 on a side and 2^26 pixels)");
    // Files like this slowed the fuzzer to 67 runs a second: a bare 54-byte
    // header claiming 8000 x 8000 pixels decoded, in seconds, into 256 MB of black.
    b[18] = b[22] = 0x40;
    b[19] = b[23] = 0x1f;
    b[24] = b[25] = 0;
    b.resize(54);
    EXPECT_NE(refusal(b, "y").find("y: truncated BMP, 54 bytes where its 8000 x 8000 pixels need 192000054"),
              std::string::npos);
    // Found by the fuzzer: 29 bytes, cut inside the bit depth, still decoded
    // as 23817 x 1541 pixels of black, for over 10 s under the sanitizers.
    const std::vector<uint8_t> cut = {0x42, 0x4d, 0xae, 0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0,    0,    0, 0x28,
                                      0,    0,    0,    0x09, 0x5d, 0,    0,    0x05, 0x06, 0,    0,    0x01, 0, 0x01};
    EXPECT_EQ(refusal(cut, "z"), "z: truncated BMP, 29 bytes where its 23817 x 1541 pixels need 4592190");
}

TEST(ImageDecoder, OnlyPngAndBmpAreDecoded)
{
    // Formats the show never uses are refused before the decoder sees them.
    const std::vector<uint8_t> gif = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 0xff, 0xff, 0xff, 0, 0, 0,
                                      0x2c, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 0x01, 0, 0x3b};
    EXPECT_EQ(refusal(overlongHuffmanJpeg(), "data/x.png"), "data/x.png: cannot decode image: not a PNG or BMP picture");
    EXPECT_EQ(refusal(gif, "data/y.png"), "data/y.png: cannot decode image: not a PNG or BMP picture");
    EXPECT_EQ(refusal({'P', '6', '\n', '1', ' ', '1', '\n', '2', '5', '5', '\n', 1, 2, 3}, "z"),
              "z: cannot decode image: not a PNG or BMP picture");
    // Found by the fuzzer: an empty first IDAT chunk, which the decoder copies
    // from a null buffer, is refused as a PNG without image data.
    std::vector<uint8_t> emptyIdat = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R',
                                      0, 0, 0, 1, 0, 0, 0, 1, 8, 0, 0, 0, 0, 0x3a, 0x7e, 0x9b, 0x55};
    for (const char* chunk : {"IDAT", "IEND"}) {
        emptyIdat.insert(emptyIdat.end(), {0, 0, 0, 0});
        emptyIdat.insert(emptyIdat.end(), chunk, chunk + 4);
        emptyIdat.insert(emptyIdat.end(), {0, 0, 0, 0});
    }
    EXPECT_EQ(refusal(emptyIdat, "data/e.png").rfind("data/e.png: cannot decode image: ", 0), 0u);
    // Found by the fuzzer: a chunk claiming 2^30 bytes in a 136-byte file had
    // the decoder allocate 2 GB before it found the data missing.
    std::vector<uint8_t> big(emptyIdat.begin(), emptyIdat.begin() + 33);
    big.insert(big.end(), {0x40, 0, 0, 0, 'I', 'D', 'A', 'T', 1, 2, 3});
    EXPECT_EQ(refusal(big, "b"), "b: truncated PNG, a chunk of 1073741824 bytes at byte 33 runs past its end");
    // A PNG signature alone is a PNG that fails to decode, not another format.
    EXPECT_NE(refusal({0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'}, "w").find("w: cannot decode image: "),
              std::string::npos);
}
