#include "pack/DataManifest.h"

#include "base/Files.h"
#include "base/ParallelFor.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <system_error>

const std::array<DataPicture, kShowImageCount> kShowPictures = {{
    {"data/vestmarklogo.png", 512, 384},
    {"data/vestmarkshot.png", 512, 384},
    {"data/bU2OI2T_2/bU2OI2T_2_frame_0001.png", 512, 384},
    {"data/bU2OI2T_2/bU2OI2T_2_frame_0002.png", 512, 384},
    {"data/bU2OI2T_2/bU2OI2T_2_frame_0003.png", 512, 384},
    {"data/bU2OI2T_2/bU2OI2T_2_frame_0004.png", 512, 384},
    {"data/bU2OI2T_2/bU2OI2T_2_frame_0005.png", 512, 384},
    {"data/bU2OI2T_2/bU2OI2T_2_frame_0006.png", 512, 384},
    {"data/bU2OI2T_2/bU2OI2T_2_frame_0007.png", 512, 384},
    {"data/bU2OI2T_2/bU2OI2T_2_frame_0008.png", 512, 384},
    {"data/bU2OI2T_2/bU2OI2T_2_frame_0009.png", 512, 384},
    {"data/bU2OI2T_2/bU2OI2T_2_frame_0010.png", 512, 384},
    {"data/bU2OI2T_2/bU2OI2T_2_frame_0011.png", 512, 384},
    {"data/bU2OI2T_2/bU2OI2T_2_frame_0012.png", 512, 384},
    {"data/bU2OI2T_2/bU2OI2T_2_frame_0013.png", 512, 384},
    {"data/bU2OI2T_2/bU2OI2T_2_frame_0014.png", 512, 384},
    {"data/bU2OI2T_2/bU2OI2T_2_frame_0015.png", 512, 384},
    {"data/bU2OI2T_2/bU2OI2T_2_frame_0016.png", 512, 384},
    {"data/bU2OI2T_2/bU2OI2T_2_frame_0017.png", 512, 384},
    {"data/bU2OI2T_2/bU2OI2T_2_frame_0018.png", 512, 384},
    {"data/bU2OI2T_2/bU2OI2T_2_frame_0019.png", 512, 384},
    {"data/pig_tun.png", 512, 384},
    {"data/pig_text1.png", 287, 60},
    {"data/pig_text2.png", 288, 63},
    {"data/pig_tun2.png", 190, 384},
    {"data/pig_text3.png", 236, 53},
    {"data/pig_text4.png", 187, 53},
    {"data/nice-ass/gass_frame_0001.png", 512, 384},
    {"data/nice-ass/gass_frame_0002.png", 512, 384},
    {"data/nice-ass/gass_frame_0003.png", 512, 384},
    {"data/nice-ass/gass_frame_0004.png", 512, 384},
    {"data/nice-ass/gass_frame_0005.png", 512, 384},
    {"data/nice-ass/gass_frame_0006.png", 512, 384},
    {"data/nice-ass/gass_frame_0007.png", 512, 384},
    {"data/nice-ass/gass_frame_0008.png", 512, 384},
    {"data/nice-ass/gass_frame_0009.png", 512, 384},
    {"data/nice-ass/gass_frame_0010.png", 512, 384},
    {"data/nice-ass/gass_frame_0011.png", 512, 384},
    {"data/nice-ass/gass_frame_0012.png", 512, 384},
    {"data/nice-ass/gass_frame_0013.png", 512, 384},
    {"data/nice-ass/gass_frame_0014.png", 512, 384},
    {"data/nice-ass/gass_frame_0015.png", 512, 384},
    {"data/nice-ass/gass_frame_0016.png", 512, 384},
    {"data/nice-ass/gass_frame_0017.png", 512, 384},
    {"data/nice-ass/gass_frame_0018.png", 512, 384},
    {"data/nice-ass/gass_frame_0019.png", 512, 384},
    {"data/nice-ass/gass_frame_0020.png", 512, 384},
    {"data/nice-ass/gass_frame_0021.png", 512, 384},
    {"data/nice-ass/gass_frame_0022.png", 512, 384},
    {"data/nice-ass/gass_frame_0023.png", 512, 384},
    {"data/minimicro.png", 120, 120},
    {"data/text_shake.png", 249, 73},
    {"data/text_2.png", 152, 73},
    {"data/text_3.png", 134, 73},
    {"data/micro.png", 64, 64},
    {"data/wave.png", 64, 64},
    {"data/father.png", 207, 73},
    {"data/fucker.png", 241, 73},
    {"data/text_5.png", 178, 73},
    {"data/text_6.png", 163, 73},
    {"data/text_7.png", 73, 73},
    {"data/text_8.png", 153, 73},
    {"data/text_9.png", 157, 73},
    {"data/text_10.png", 172, 73},
    {"data/tun_orange.png", 256, 256},
    {"data/tun_blue.png", 256, 256},
    {"data/tun_bw.png", 64, 64},
    {"data/tun_bw2.png", 64, 64},
    {"data/tun_bw3.png", 64, 64},
    {"data/tun_bw4.png", 64, 64},
    {"data/tun_bw5.png", 64, 64},
    {"data/tun_bw6.png", 64, 64},
    {"data/tun_bw7.png", 64, 64},
    {"data/white.png", 512, 384},
    {"data/bacon.png", 390, 220},
    {"data/response.png", 512, 384},
    {"data/kvp.png", 512, 384},
    {"data/zelk.png", 512, 384},
    {"data/comewithme_2/comewithme_2_frame_0001.png", 512, 384},
    {"data/comewithme_2/comewithme_2_frame_0002.png", 512, 384},
    {"data/comewithme_2/comewithme_2_frame_0003.png", 512, 384},
    {"data/comewithme_2/comewithme_2_frame_0004.png", 512, 384},
    {"data/comewithme_2/comewithme_2_frame_0005.png", 512, 384},
    {"data/comewithme_2/comewithme_2_frame_0006.png", 512, 384},
    {"data/comewithme_2/comewithme_2_frame_0007.png", 512, 384},
    {"data/comewithme_2/comewithme_2_frame_0008.png", 512, 384},
    {"data/comewithme_2/comewithme_2_frame_0009.png", 512, 384},
    {"data/comewithme_2/comewithme_2_frame_0010.png", 512, 384},
    {"data/bigass/bigass_frame_0001.png", 512, 384},
    {"data/bigass/bigass_frame_0002.png", 512, 384},
    {"data/bigass/bigass_frame_0003.png", 512, 384},
    {"data/bigass/bigass_frame_0004.png", 512, 384},
    {"data/bigass/bigass_frame_0005.png", 512, 384},
    {"data/bigass/bigass_frame_0006.png", 512, 384},
    {"data/bigass/bigass_frame_0007.png", 512, 384},
    {"data/bigass/bigass_frame_0008.png", 512, 384},
    {"data/bigass/bigass_frame_0009.png", 512, 384},
    {"data/bigass/bigass_frame_0010.png", 512, 384},
    {"data/bigass/bigass_frame_0011.png", 512, 384},
    {"data/bigass/bigass_frame_0012.png", 512, 384},
    {"data/bigass/bigass_frame_0013.png", 512, 384},
    {"data/bigass/bigass_frame_0014.png", 512, 384},
    {"data/bigass/bigass_frame_0015.png", 512, 384},
    {"data/bigass/bigass_frame_0016.png", 512, 384},
    {"data/bigass/bigass_frame_0017.png", 512, 384},
    {"data/bigass/bigass_frame_0018.png", 512, 384},
    {"data/bigass/bigass_frame_0019.png", 512, 384},
    {"data/bigass/bigass_frame_0020.png", 512, 384},
    {"data/bigass/bigass_frame_0021.png", 512, 384},
    {"data/bigass/bigass_frame_0022.png", 512, 384},
    {"data/bigass/bigass_frame_0023.png", 512, 384},
    {"data/bigass/bigass_frame_0024.png", 512, 384},
    {"data/bigass/bigass_frame_0025.png", 512, 384},
    {"data/bigass/bigass_frame_0026.png", 512, 384},
    {"data/bigass/bigass_frame_0027.png", 512, 384},
    {"data/bigass/bigass_frame_0028.png", 512, 384},
    {"data/bigass/bigass_frame_0029.png", 512, 384},
    {"data/bigass/bigass_frame_0030.png", 512, 384},
    {"data/vestmarkny.png", 512, 384},
    {"data/stamp1.png", 512, 384},
    {"data/noise.png", 512, 1278},
    {"data/pig1.png", 64, 64},
    {"data/mouth1.png", 390, 220},
    {"data/mouth2.png", 390, 220},
    {"data/mouth3.png", 390, 220},
    {"data/mouth4.png", 390, 220},
    {"data/mouth5.png", 390, 220},
    {"data/mouth6.png", 390, 220},
    {"data/mouth7.png", 390, 220},
    {"data/mouth8.png", 390, 220},
    {"data/bigbacon.png", 410, 260},
    {"data/20yrs.png", 512, 384},
    {"data/overlay.png", 512, 384},
}};

namespace {


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
    const auto status = std::filesystem::status(filePath(path), ec);
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

// No file of the show comes near this (the decoder takes no larger picture);
// a larger one is refused, not read into memory.
constexpr uintmax_t kMaxFileBytes = uintmax_t(1) << 30;

// Read in one go at the length the file has; one that grows meanwhile is read
// to its end, or to kMaxFileBytes.
bool readWholeFile(const std::string& path, std::vector<uint8_t>& bytes, std::vector<std::string>& problems)
{
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(openFile(path, "rb"), std::fclose);
    if (!file) {
        problems.push_back(path + ": cannot be read (" + std::strerror(errno) + ")");
        return false;
    }
    const auto tooLarge = [&](uintmax_t size) {
        problems.push_back(path + ": " + withThousands(size) + " bytes, too large for a file of the show");
        return false;
    };
    std::error_code ec;
    const uintmax_t length = std::filesystem::file_size(filePath(path), ec);
    if (!ec && length > kMaxFileBytes)
        return tooLarge(length);
    bytes.resize(ec ? 65536 : size_t(length) + 1); // one byte more, to meet the end in the first read
    size_t got = 0;
    for (size_t n; (n = std::fread(bytes.data() + got, 1, bytes.size() - got, file.get())) > 0;) {
        if ((got += n) > kMaxFileBytes)
            return tooLarge(got);
        if (got == bytes.size())
            bytes.resize(bytes.size() * 2);
    }
    if (std::ferror(file.get())) {
        problems.push_back(path + ": read error");
        return false;
    }
    bytes.resize(got);
    return true;
}

// A picture that passes is handed to `keep`, when given.
void checkImage(const std::string& path, const uint8_t* data, size_t size, const DataPicture& need,
                std::vector<std::string>& problems, DecodedImage* keep)
{
    DecodedImage image;
    try {
        image = decodeImage(data, size, path);
    } catch (const std::exception& e) {
        problems.push_back(e.what());
        return;
    }
    if (image.width != need.width || image.height != need.height)
        problems.push_back(path + ": " + dimensions(image.width, image.height) + " pixels, needs exactly " +
                           dimensions(need.width, need.height));
    else if (keep)
        *keep = std::move(image);
}

void checkMapSize(const std::string& path, uintmax_t size, uint32_t bytes, std::vector<std::string>& problems)
{
    if (size == 0)
        problems.push_back(path + ": empty, needs exactly " + withThousands(bytes) + " bytes");
    else if (size != bytes)
        problems.push_back(path + ": " + withThousands(size) + " bytes, needs exactly " + withThousands(bytes));
}

uint32_t littleEndian(const uint8_t* b, size_t at, int count)
{
    uint32_t v = 0;
    for (int i = count - 1; i >= 0; --i)
        v = v << 8 | b[at + i];
    return v;
}

// The dialog loads these as device-independent bitmaps: uncompressed 24-bit, 128 × 128.
void checkDialogImage(const std::string& path, const uint8_t* b, size_t size, std::vector<std::string>& problems)
{
    if (size < 54 || b[0] != 'B' || b[1] != 'M' || littleEndian(b, 14, 4) < 40) {
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
    if (size < pixelsEnd)
        problems.push_back(path + ": truncated, " + withThousands(size) + " bytes, needs " + withThousands(pixelsEnd));
}

// An MP3 starts with an ID3v2 tag or directly with an MPEG audio frame header.
void checkMusic(const std::string& path, const uint8_t* b, size_t size, std::vector<std::string>& problems)
{
    if (size == 0) {
        problems.push_back(path + ": empty");
        return;
    }
    size_t at = 0;
    if (size >= 10 && b[0] == 'I' && b[1] == 'D' && b[2] == '3')
        at = 10 + (size_t(b[6] & 0x7f) << 21 | size_t(b[7] & 0x7f) << 14 | size_t(b[8] & 0x7f) << 7 | (b[9] & 0x7f));
    if (at + 4 > size || b[at] != 0xff || (b[at + 1] & 0xe0) != 0xe0 || ((b[at + 1] >> 1) & 3) == 0)
        problems.push_back(path + ": no MPEG audio frame at its start, not an MP3 file");
}

bool isMapFile(const std::string& showPath)
{
    return showPath == kHeightMapFile || showPath == kColorMapFile;
}

uint32_t mapBytes(const std::string& showPath)
{
    return showPath == kHeightMapFile ? kHeightMapBytes : kColorMapBytes;
}

} // namespace

std::vector<std::string> dataFiles()
{
    std::vector<std::string> files;
    for (const DataPicture& image : kShowPictures)
        files.push_back(image.path);
    files.insert(files.end(), {kHeightMapFile, kColorMapFile, kDialogImageFiles[0], kDialogImageFiles[1], kMusicFile});
    return files;
}

bool isOptionalDataFile(const std::string& showPath)
{
    return showPath == kMusicFile || showPath == kDialogImageFiles[0] || showPath == kDialogImageFiles[1];
}

namespace {

std::vector<std::string> checkBytes(const std::string& showPath, const uint8_t* data, size_t size,
                                    const std::string& path, DecodedImage* keep)
{
    std::vector<std::string> problems;
    if (const DataPicture* picture = findShowPicture(showPath))
        checkImage(path, data, size, *picture, problems, keep);
    else if (isMapFile(showPath))
        checkMapSize(path, size, mapBytes(showPath), problems);
    else if (showPath == kMusicFile)
        checkMusic(path, data, size, problems);
    else if (showPath == kDialogImageFiles[0] || showPath == kDialogImageFiles[1])
        checkDialogImage(path, data, size, problems);
    else
        problems.push_back(path + ": not a file the show reads");
    return problems;
}

std::vector<std::string> checkFile(const std::string& dir, const std::string& showPath, DecodedImage* keep)
{
    std::vector<std::string> problems;
    const std::string path = dataFilePath(dir, showPath);
    if (!findShowPicture(showPath) && !isMapFile(showPath) && !isOptionalDataFile(showPath)) {
        problems.push_back(path + ": not a file the show reads");
        return problems;
    }
    if (reportUnusable(path, problems))
        return problems;
    // A map's size is all that is checked: no need to read it.
    if (isMapFile(showPath)) {
        std::error_code ec;
        const uintmax_t size = std::filesystem::file_size(filePath(path), ec);
        if (ec)
            problems.push_back(path + ": cannot be read (" + ec.message() + ")");
        else
            checkMapSize(path, size, mapBytes(showPath), problems);
        return problems;
    }
    std::vector<uint8_t> bytes;
    if (readWholeFile(path, bytes, problems))
        problems = checkBytes(showPath, bytes.data(), bytes.size(), path, keep);
    return problems;
}

} // namespace

std::vector<std::string> checkDataFile(const std::string& dir, const std::string& showPath)
{
    return checkFile(dir, showPath, nullptr);
}

std::vector<std::string> checkDataBytes(const std::string& showPath, const uint8_t* data, size_t size,
                                        const std::string& path, DecodedImage* picture)
{
    return checkBytes(showPath, data, size, path, picture);
}

const DataPicture* findShowPicture(std::string_view showPath)
{
    const auto picture = std::find_if(kShowPictures.begin(), kShowPictures.end(),
                                      [&](const DataPicture& p) { return showPath == p.path; });
    return picture == kShowPictures.end() ? nullptr : &*picture;
}

DataCheck checkDataDirectory(const std::string& dir)
{
    DataCheck check;
    if (!std::filesystem::is_directory(filePath(dir))) {
        check.problems.push_back(dir + ": missing, or not a directory");
        return check;
    }
    const std::vector<std::string> files = dataFiles();
    std::vector<std::vector<std::string>> found(files.size());
    std::vector<DecodedImage> decoded(files.size());
    parallelFor(files.size(), [&](size_t i) { found[i] = checkFile(dir, files[i], &decoded[i]); });
    for (size_t i = 0; i < files.size(); ++i) {
        std::vector<std::string>& list = isOptionalDataFile(files[i]) ? check.warnings : check.problems;
        for (std::string& p : found[i])
            list.push_back(std::move(p));
        if (found[i].empty() && findShowPicture(files[i]))
            check.pictures.emplace(files[i], std::move(decoded[i]));
    }
    return check;
}
