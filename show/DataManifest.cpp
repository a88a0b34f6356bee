#include "show/DataManifest.h"

#include "gfx/ImageDecoder.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

const std::array<const char*, kShowImageCount> kShowImageFiles = {
    "data/vestmarklogo.png",
    "data/vestmarkshot.png",
    "data/bU2OI2T_2/bU2OI2T_2_frame_0001.png",
    "data/bU2OI2T_2/bU2OI2T_2_frame_0002.png",
    "data/bU2OI2T_2/bU2OI2T_2_frame_0003.png",
    "data/bU2OI2T_2/bU2OI2T_2_frame_0004.png",
    "data/bU2OI2T_2/bU2OI2T_2_frame_0005.png",
    "data/bU2OI2T_2/bU2OI2T_2_frame_0006.png",
    "data/bU2OI2T_2/bU2OI2T_2_frame_0007.png",
    "data/bU2OI2T_2/bU2OI2T_2_frame_0008.png",
    "data/bU2OI2T_2/bU2OI2T_2_frame_0009.png",
    "data/bU2OI2T_2/bU2OI2T_2_frame_0010.png",
    "data/bU2OI2T_2/bU2OI2T_2_frame_0011.png",
    "data/bU2OI2T_2/bU2OI2T_2_frame_0012.png",
    "data/bU2OI2T_2/bU2OI2T_2_frame_0013.png",
    "data/bU2OI2T_2/bU2OI2T_2_frame_0014.png",
    "data/bU2OI2T_2/bU2OI2T_2_frame_0015.png",
    "data/bU2OI2T_2/bU2OI2T_2_frame_0016.png",
    "data/bU2OI2T_2/bU2OI2T_2_frame_0017.png",
    "data/bU2OI2T_2/bU2OI2T_2_frame_0018.png",
    "data/bU2OI2T_2/bU2OI2T_2_frame_0019.png",
    "data/pig_tun.png",
    "data/pig_text1.png",
    "data/pig_text2.png",
    "data/pig_tun2.png",
    "data/pig_text3.png",
    "data/pig_text4.png",
    "data/nice-ass/gass_frame_0001.png",
    "data/nice-ass/gass_frame_0002.png",
    "data/nice-ass/gass_frame_0003.png",
    "data/nice-ass/gass_frame_0004.png",
    "data/nice-ass/gass_frame_0005.png",
    "data/nice-ass/gass_frame_0006.png",
    "data/nice-ass/gass_frame_0007.png",
    "data/nice-ass/gass_frame_0008.png",
    "data/nice-ass/gass_frame_0009.png",
    "data/nice-ass/gass_frame_0010.png",
    "data/nice-ass/gass_frame_0011.png",
    "data/nice-ass/gass_frame_0012.png",
    "data/nice-ass/gass_frame_0013.png",
    "data/nice-ass/gass_frame_0014.png",
    "data/nice-ass/gass_frame_0015.png",
    "data/nice-ass/gass_frame_0016.png",
    "data/nice-ass/gass_frame_0017.png",
    "data/nice-ass/gass_frame_0018.png",
    "data/nice-ass/gass_frame_0019.png",
    "data/nice-ass/gass_frame_0020.png",
    "data/nice-ass/gass_frame_0021.png",
    "data/nice-ass/gass_frame_0022.png",
    "data/nice-ass/gass_frame_0023.png",
    "data/minimicro.png",
    "data/text_shake.png",
    "data/text_2.png",
    "data/text_3.png",
    "data/micro.png",
    "data/wave.png",
    "data/father.png",
    "data/fucker.png",
    "data/text_5.png",
    "data/text_6.png",
    "data/text_7.png",
    "data/text_8.png",
    "data/text_9.png",
    "data/text_10.png",
    "data/tun_orange.png",
    "data/tun_blue.png",
    "data/tun_bw.png",
    "data/tun_bw2.png",
    "data/tun_bw3.png",
    "data/tun_bw4.png",
    "data/tun_bw5.png",
    "data/tun_bw6.png",
    "data/tun_bw7.png",
    "data/white.png",
    "data/bacon.png",
    "data/response.png",
    "data/kvp.png",
    "data/zelk.png",
    "data/comewithme_2/comewithme_2_frame_0001.png",
    "data/comewithme_2/comewithme_2_frame_0002.png",
    "data/comewithme_2/comewithme_2_frame_0003.png",
    "data/comewithme_2/comewithme_2_frame_0004.png",
    "data/comewithme_2/comewithme_2_frame_0005.png",
    "data/comewithme_2/comewithme_2_frame_0006.png",
    "data/comewithme_2/comewithme_2_frame_0007.png",
    "data/comewithme_2/comewithme_2_frame_0008.png",
    "data/comewithme_2/comewithme_2_frame_0009.png",
    "data/comewithme_2/comewithme_2_frame_0010.png",
    "data/bigass/bigass_frame_0001.png",
    "data/bigass/bigass_frame_0002.png",
    "data/bigass/bigass_frame_0003.png",
    "data/bigass/bigass_frame_0004.png",
    "data/bigass/bigass_frame_0005.png",
    "data/bigass/bigass_frame_0006.png",
    "data/bigass/bigass_frame_0007.png",
    "data/bigass/bigass_frame_0008.png",
    "data/bigass/bigass_frame_0009.png",
    "data/bigass/bigass_frame_0010.png",
    "data/bigass/bigass_frame_0011.png",
    "data/bigass/bigass_frame_0012.png",
    "data/bigass/bigass_frame_0013.png",
    "data/bigass/bigass_frame_0014.png",
    "data/bigass/bigass_frame_0015.png",
    "data/bigass/bigass_frame_0016.png",
    "data/bigass/bigass_frame_0017.png",
    "data/bigass/bigass_frame_0018.png",
    "data/bigass/bigass_frame_0019.png",
    "data/bigass/bigass_frame_0020.png",
    "data/bigass/bigass_frame_0021.png",
    "data/bigass/bigass_frame_0022.png",
    "data/bigass/bigass_frame_0023.png",
    "data/bigass/bigass_frame_0024.png",
    "data/bigass/bigass_frame_0025.png",
    "data/bigass/bigass_frame_0026.png",
    "data/bigass/bigass_frame_0027.png",
    "data/bigass/bigass_frame_0028.png",
    "data/bigass/bigass_frame_0029.png",
    "data/bigass/bigass_frame_0030.png",
    "data/vestmarkny.png",
    "data/stamp1.png",
    "data/noise.png",
    "data/pig1.png",
    "data/mouth1.png",
    "data/mouth2.png",
    "data/mouth3.png",
    "data/mouth4.png",
    "data/mouth5.png",
    "data/mouth6.png",
    "data/mouth7.png",
    "data/mouth8.png",
    "data/bigbacon.png",
    "data/20yrs.png",
    "data/overlay.png",
};

namespace {

struct NamedRequirement {
    const char* path;
    ImageRequirement requirement;
};

constexpr uint32_t kNoisePixels = 512 * 894 + 512 * 384;

// Everything not listed here is blended or copied over the whole 512 × 384 frame.
const NamedRequirement kExceptions[] = {
    {"data/pig_text1.png", {ImageRequirement::AtMost, 300, 100, 0}},
    {"data/pig_text2.png", {ImageRequirement::AtMost, 300, 100, 0}},
    {"data/pig_tun2.png", {ImageRequirement::AtMost, 190, 384, 0}},
    {"data/pig_text3.png", {ImageRequirement::AtMost, 250, 100, 0}},
    {"data/pig_text4.png", {ImageRequirement::AtMost, 200, 100, 0}},
    {"data/minimicro.png", {ImageRequirement::AtMost, 160, 120, 0}},
    {"data/text_shake.png", {ImageRequirement::AtMost, 256, 120, 0}},
    {"data/text_2.png", {ImageRequirement::AtMost, 256, 120, 0}},
    {"data/text_3.png", {ImageRequirement::AtMost, 256, 120, 0}},
    {"data/father.png", {ImageRequirement::AtMost, 256, 120, 0}},
    {"data/fucker.png", {ImageRequirement::AtMost, 256, 120, 0}},
    {"data/text_5.png", {ImageRequirement::AtMost, 256, 120, 0}},
    {"data/text_6.png", {ImageRequirement::AtMost, 256, 120, 0}},
    {"data/text_7.png", {ImageRequirement::AtMost, 256, 120, 0}},
    {"data/text_8.png", {ImageRequirement::AtMost, 256, 120, 0}},
    {"data/text_9.png", {ImageRequirement::AtMost, 256, 120, 0}},
    {"data/text_10.png", {ImageRequirement::AtMost, 256, 120, 0}},
    {"data/bacon.png", {ImageRequirement::AtMost, 390, 220, 0}},
    {"data/bigbacon.png", {ImageRequirement::AtMost, 410, 260, 0}},
    {"data/mouth1.png", {ImageRequirement::AtMost, 390, 220, 0}},
    {"data/mouth2.png", {ImageRequirement::AtMost, 390, 220, 0}},
    {"data/mouth3.png", {ImageRequirement::AtMost, 390, 220, 0}},
    {"data/mouth4.png", {ImageRequirement::AtMost, 390, 220, 0}},
    {"data/mouth5.png", {ImageRequirement::AtMost, 390, 220, 0}},
    {"data/mouth6.png", {ImageRequirement::AtMost, 390, 220, 0}},
    {"data/mouth7.png", {ImageRequirement::AtMost, 390, 220, 0}},
    {"data/mouth8.png", {ImageRequirement::AtMost, 390, 220, 0}},
    {"data/noise.png", {ImageRequirement::MinPixels, 0, 0, kNoisePixels}},
    {"data/tun_orange.png", {}},
    {"data/tun_blue.png", {}},
    {"data/tun_bw.png", {}},
    {"data/tun_bw2.png", {}},
    {"data/tun_bw3.png", {}},
    {"data/tun_bw4.png", {}},
    {"data/tun_bw5.png", {}},
    {"data/tun_bw6.png", {}},
    {"data/tun_bw7.png", {}},
    {"data/micro.png", {}},
    {"data/wave.png", {}},
    {"data/pig1.png", {}},
};

std::string withThousands(uint64_t n)
{
    std::string digits = std::to_string(n);
    std::string out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return out;
}

std::string dimensions(uint32_t w, uint32_t h)
{
    return std::to_string(w) + " x " + std::to_string(h);
}

// Existence and regular-file problems, shared by every kind of file.
bool reportUnusable(const std::string& path, std::vector<std::string>& problems)
{
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (!std::filesystem::exists(status)) {
        problems.push_back(path + ": missing");
        return true;
    }
    if (!std::filesystem::is_regular_file(status)) {
        problems.push_back(path + ": not a regular file");
        return true;
    }
    return false;
}

bool readWholeFile(const std::string& path, std::vector<uint8_t>& bytes, std::vector<std::string>& problems)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        problems.push_back(path + ": cannot be read (" + std::strerror(errno) + ")");
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        problems.push_back(path + ": read error");
        return false;
    }
    return true;
}

void checkImage(const std::string& dir, const char* showPath, std::vector<std::string>& problems)
{
    const std::string path = dataFilePath(dir, showPath);
    if (reportUnusable(path, problems))
        return;
    DecodedImage image;
    try {
        image = decodeImageFile(path);
    } catch (const std::exception& e) {
        problems.push_back(e.what());
        return;
    }
    const uint32_t w = image.width, h = image.height;
    const ImageRequirement need = imageRequirement(showPath);
    const std::string found = path + ": " + dimensions(w, h) + " pixels, needs ";
    switch (need.rule) {
    case ImageRequirement::NonEmpty:
        if (w == 0 || h == 0)
            problems.push_back(found + "at least one pixel");
        break;
    case ImageRequirement::AtLeast:
        if (w < need.width || h < need.height)
            problems.push_back(found + "at least " + dimensions(need.width, need.height));
        break;
    case ImageRequirement::AtMost:
        if (w == 0 || h == 0 || w > need.width || h > need.height)
            problems.push_back(found + "at most " + dimensions(need.width, need.height) + " and not empty");
        break;
    case ImageRequirement::MinPixels:
        if (uint64_t(w) * h < need.pixels)
            problems.push_back(found + "at least " + withThousands(need.pixels));
        break;
    }
}

void checkMap(const std::string& dir, const char* showPath, uint32_t bytes, std::vector<std::string>& problems)
{
    const std::string path = dataFilePath(dir, showPath);
    if (reportUnusable(path, problems))
        return;
    std::error_code ec;
    const uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec)
        problems.push_back(path + ": cannot be read (" + ec.message() + ")");
    else if (size != bytes)
        problems.push_back(path + ": " + withThousands(size) + " bytes, needs exactly " + withThousands(bytes));
}

uint32_t littleEndian(const std::vector<uint8_t>& b, size_t at, int count)
{
    uint32_t v = 0;
    for (int i = count - 1; i >= 0; --i)
        v = v << 8 | b[at + i];
    return v;
}

// The dialog loads these as device-independent bitmaps: uncompressed 24-bit, 128 × 128.
void checkDialogImage(const std::string& dir, const char* showPath, std::vector<std::string>& problems)
{
    const std::string path = dataFilePath(dir, showPath);
    if (reportUnusable(path, problems))
        return;
    std::vector<uint8_t> b;
    if (!readWholeFile(path, b, problems))
        return;
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M' || littleEndian(b, 14, 4) < 40) {
        problems.push_back(path + ": not a BMP file with a Windows bitmap header");
        return;
    }
    const int32_t width = int32_t(littleEndian(b, 18, 4));
    const int32_t height = int32_t(littleEndian(b, 22, 4));
    const uint32_t bits = littleEndian(b, 28, 2);
    const uint32_t compression = littleEndian(b, 30, 4);
    if (width != kDialogImageSize || (height != kDialogImageSize && height != -kDialogImageSize) || bits != 24 ||
        compression != 0) {
        problems.push_back(path + ": " + std::to_string(bits) + "-bit " + std::to_string(width) + " x " +
                           std::to_string(height < 0 ? -int64_t(height) : height) +
                           (compression ? " compressed" : "") + " BMP, needs an uncompressed 24-bit 128 x 128 BMP");
        return;
    }
    const uint64_t pixelsEnd = uint64_t(littleEndian(b, 10, 4)) + uint64_t(kDialogImageSize) * kDialogImageSize * 3;
    if (b.size() < pixelsEnd)
        problems.push_back(path + ": truncated, " + withThousands(b.size()) + " bytes, needs " +
                           withThousands(pixelsEnd));
}

// An MP3 starts with an ID3v2 tag or directly with an MPEG audio frame header.
void checkMusic(const std::string& dir, std::vector<std::string>& problems)
{
    const std::string path = dataFilePath(dir, kMusicFile);
    if (reportUnusable(path, problems))
        return;
    std::vector<uint8_t> b;
    if (!readWholeFile(path, b, problems))
        return;
    if (b.empty()) {
        problems.push_back(path + ": empty");
        return;
    }
    size_t at = 0;
    if (b.size() >= 10 && b[0] == 'I' && b[1] == 'D' && b[2] == '3')
        at = 10 + (size_t(b[6] & 0x7f) << 21 | size_t(b[7] & 0x7f) << 14 | size_t(b[8] & 0x7f) << 7 | (b[9] & 0x7f));
    if (at + 4 > b.size() || b[at] != 0xff || (b[at + 1] & 0xe0) != 0xe0 || ((b[at + 1] >> 1) & 3) == 0)
        problems.push_back(path + ": no MPEG audio frame at its start, not an MP3 file");
}

} // namespace

ImageRequirement imageRequirement(const std::string& showPath)
{
    for (const NamedRequirement& e : kExceptions)
        if (showPath == e.path)
            return e.requirement;
    return {ImageRequirement::AtLeast, 512, 384, 0};
}

std::vector<std::string> checkDataDirectory(const std::string& dir)
{
    std::vector<std::string> problems;
    if (!std::filesystem::is_directory(dir)) {
        problems.push_back(dir + ": missing, or not a directory");
        return problems;
    }
    for (const char* file : kShowImageFiles)
        checkImage(dir, file, problems);
    checkMap(dir, kHeightMapFile, kHeightMapBytes, problems);
    checkMap(dir, kColorMapFile, kColorMapBytes, problems);
    for (const char* file : kDialogImageFiles)
        checkDialogImage(dir, file, problems);
    checkMusic(dir, problems);
    return problems;
}
