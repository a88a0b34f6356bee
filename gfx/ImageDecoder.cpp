#include "gfx/ImageDecoder.h"

#include <stb_image.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "base/Files.h"

namespace {

constexpr int64_t kMaxPixels = int64_t(1) << 26;
// The largest picture allowed is 2^28 bytes of pixels even uncompressed; a
// file far beyond that is not a picture of ours, and stb takes an int length.
constexpr long kMaxFileBytes = long(1) << 30;

std::string failureReason()
{
    const char* reason = stbi_failure_reason();
    return reason ? reason : "unknown error";
}

uint32_t littleEndian(const uint8_t* b, int count)
{
    uint32_t v = 0;
    for (int i = count - 1; i >= 0; --i)
        v = v << 8 | b[i];
    return v;
}

// The decoder reads past the end of a BMP as zeros, so a cut file would
// decode as a picture with black rows, and a few bytes could claim 2^26
// pixels. Rows are padded to 4 bytes; this decoder reads no compressed BMP.
// A header cut short reads as zeros here too.
void checkBmpLength(const uint8_t* data, size_t size, int width, int height, const std::string& name)
{
    uint8_t header[30] = {};
    std::copy_n(data, std::min(size, sizeof header), header);
    const bool core = littleEndian(header + 14, 4) == 12;
    const uint64_t bits = littleEndian(header + (core ? 24 : 28), 2);
    const uint64_t need = littleEndian(header + 10, 4) + (uint64_t(width) * bits + 31) / 32 * 4 * uint64_t(height);
    if (size < need)
        throw std::runtime_error(name + ": truncated BMP, " + std::to_string(size) + " bytes where its " +
                                 std::to_string(width) + " x " + std::to_string(height) + " pixels need " +
                                 std::to_string(need));
}

uint32_t bigEndian(const uint8_t* b)
{
    return uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3];
}

// The decoder grows its buffer to a chunk's stated length before it reads the
// chunk, so 136 bytes could have it allocate 2 GB. Chunks are walked here up
// to IEND, as the decoder walks them, and must lie within the file.
void checkPngChunks(const uint8_t* data, size_t size, const std::string& name)
{
    for (size_t at = 8; at + 8 <= size;) {
        const uint64_t length = bigEndian(data + at);
        const uint64_t end = at + 12 + length; // length, type, data, CRC
        if (end > size)
            throw std::runtime_error(name + ": truncated PNG, a chunk of " + std::to_string(length) +
                                     " bytes at byte " + std::to_string(at) + " runs past its end");
        if (std::equal(data + at + 4, data + at + 8, "IEND"))
            return;
        at = size_t(end);
    }
}

} // namespace

DecodedImage decodeImage(const uint8_t* data, size_t size, const std::string& name)
{
    if (size > size_t(kMaxFileBytes))
        throw std::runtime_error(name + ": " + std::to_string(size) + " bytes is too large for a picture");
    const int length = int(size);
    // An empty file is the commonest damage; say so rather than "unknown image type".
    if (size == 0)
        throw std::runtime_error(name + ": empty, not a picture");
    // The show's pictures are PNG and the dialog's BMP. The decoder's other
    // formats are refused unread: its JPEG reader writes past its Huffman
    // tables on a crafted file, and nothing of ours needs them.
    static constexpr uint8_t kPng[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    const bool png = size >= sizeof kPng && std::equal(kPng, kPng + sizeof kPng, data);
    const bool bmp = size >= 2 && data[0] == 'B' && data[1] == 'M';
    if (!png && !bmp)
        throw std::runtime_error(name + ": cannot decode image: not a PNG or BMP picture");

    // Check the header before decoding, so a hostile size never gets allocated.
    // The header's size as a top-down BMP gives it is negative, but decodes
    // to its magnitude: check that, and that the decoder kept to it.
    int infoW = 0, infoH = 0, channels = 0;
    if (!stbi_info_from_memory(data, length, &infoW, &infoH, &channels))
        throw std::runtime_error(name + ": cannot decode image: its header is damaged (" + failureReason() + ")");
    const int64_t width = std::abs(int64_t(infoW)), height = std::abs(int64_t(infoH));
    if (width > 65535 || height > 65535 || width * height > kMaxPixels)
        throw std::runtime_error(name + ": image of " + std::to_string(width) + " x " + std::to_string(height) +
                                 " pixels is too large (at most 65535 on a side and 2^26 pixels)");
    if (bmp)
        checkBmpLength(data, size, int(width), int(height), name);
    else
        checkPngChunks(data, size, name);

    int w = 0, h = 0;
    std::unique_ptr<stbi_uc, void (*)(void*)> rgba(stbi_load_from_memory(data, length, &w, &h, &channels, 4),
                                                   stbi_image_free);
    if (!rgba) // the header was sound, so the data after it is cut short or damaged
        throw std::runtime_error(name + ": cannot decode image: truncated or corrupt picture data (" +
                                 failureReason() + ")");
    if (w != width || h != height)
        throw std::runtime_error(name + ": cannot decode image: decoded as " + std::to_string(w) + " x " +
                                 std::to_string(h) + " pixels, its header says " + std::to_string(width) + " x " +
                                 std::to_string(height));

    DecodedImage image;
    image.width = uint16_t(w);
    image.height = uint16_t(h);
    image.pixels.resize(size_t(w) * size_t(h));
    // The bytes R, G, B, A read as one little-endian word are 0xAABBGGRR:
    // red and blue trade places, a word at a time.
    static_assert(std::endian::native == std::endian::little);
    const stbi_uc* p = rgba.get();
    for (uint32_t& pixel : image.pixels) {
        uint32_t v;
        std::memcpy(&v, p, 4);
        pixel = (v & 0xff00ff00u) | (v >> 16 & 0xffu) | (v & 0xffu) << 16;
        p += 4;
    }
    return image;
}

DecodedImage decodeImageFile(const std::string& path)
{
    std::unique_ptr<FILE, int (*)(FILE*)> file(openFile(path, "rb"), std::fclose);
    if (!file)
        throw std::runtime_error(path + ": " + std::strerror(errno));
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) {
        bytes.insert(bytes.end(), chunk, chunk + got);
        if (bytes.size() > size_t(kMaxFileBytes))
            throw std::runtime_error(path + ": more than " + std::to_string(kMaxFileBytes) +
                                     " bytes, too large for a picture");
    }
    if (std::ferror(file.get()))
        throw std::runtime_error(path + ": " + std::strerror(errno));
    return decodeImage(bytes.data(), bytes.size(), path);
}
