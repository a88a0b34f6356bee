#include "pack/DataManifest.h"

#include <gtest/gtest.h>
#include <stb_image_write.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>

namespace fs = std::filesystem;

namespace {

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

void writePng(const std::string& path, int w, int h)
{
    fs::create_directories(fs::path(path).parent_path());
    std::vector<uint8_t> grey(size_t(w) * size_t(h), 40);
    ASSERT_TRUE(stbi_write_png(path.c_str(), w, h, 1, grey.data(), w));
}

std::vector<uint8_t> bmp(int w, int h, int bits)
{
    const uint32_t stride = (uint32_t(w) * uint32_t(bits) / 8 + 3) & ~3u;
    const uint32_t size = 54 + stride * uint32_t(h);
    std::vector<uint8_t> b(size, 0);
    const auto put = [&](size_t at, uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            b[at + size_t(i)] = uint8_t(v >> (8 * i));
    };
    b[0] = 'B';
    b[1] = 'M';
    put(2, size, 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, uint32_t(w), 4);
    put(22, uint32_t(h), 4);
    put(26, 1, 2);
    put(28, uint32_t(bits), 2);
    return b;
}

// A directory holding the smallest files that satisfy the show.
class DataDirectory : public ::testing::Test {
protected:
    std::string dir;

    void SetUp() override
    {
        dir = (fs::temp_directory_path() / ("softdemo-datacheck-" + std::to_string(getpid()))).string();
        fs::remove_all(dir);
        for (const DataPicture& image : kShowPictures)
            writePng(dataFilePath(dir, image.path), image.width, image.height);
        writeBytes(dataFilePath(dir, kHeightMapFile), std::vector<uint8_t>(kHeightMapBytes, 7));
        writeBytes(dataFilePath(dir, kColorMapFile), std::vector<uint8_t>(kColorMapBytes, 7));
        for (const char* file : kDialogImageFiles)
            writeBytes(dataFilePath(dir, file), bmp(128, 128, 24));
        std::vector<uint8_t> mp3(417, 0);
        mp3[0] = 0xff;
        mp3[1] = 0xfb;
        mp3[2] = 0xb0;
        writeBytes(dataFilePath(dir, kMusicFile), mp3);
    }

    void TearDown() override { fs::remove_all(dir); }

    std::string path(const char* showPath) const { return dataFilePath(dir, showPath); }
};

bool mentions(const std::vector<std::string>& problems, const std::string& text)
{
    return std::any_of(problems.begin(), problems.end(),
                       [&](const std::string& p) { return p.find(text) != std::string::npos; });
}

} // namespace

TEST(DataManifest, ListsTheShowsPicturesInLoadingOrder)
{
    const std::vector<std::string> files = dataFiles();
    const std::set<std::string> unique(files.begin(), files.end());
    EXPECT_EQ(unique.size(), kShowImageCount + 5);
    EXPECT_STREQ(kShowPictures[0].path, "data/vestmarklogo.png");
    EXPECT_STREQ(kShowPictures[120].path, "data/noise.png"); // buffer 121
    EXPECT_STREQ(kShowPictures[132].path, "data/overlay.png");
    for (const std::string& file : files)
        EXPECT_EQ(file.rfind("data/", 0), 0u) << file;
    EXPECT_EQ(dataFilePath("/tmp/pack", "data/bigass/bigass_frame_0001.png"), "/tmp/pack/bigass/bigass_frame_0001.png");
    EXPECT_EQ(dataFilePath("data", "data/noise.png"), "data/noise.png");
    // The noise is read linearly from a random row up to 894 rows down, a whole frame long.
    EXPECT_EQ(kShowPictures[120].width, 512);
    EXPECT_EQ(kShowPictures[120].height, 894 + 384);
    EXPECT_EQ(std::count_if(files.begin(), files.end(), isOptionalDataFile), 3);
}

TEST_F(DataDirectory, CompleteDirectoryPasses)
{
    const DataCheck check = checkDataDirectory(dir);
    EXPECT_TRUE(check.problems.empty()) << check.problems.front();
    EXPECT_TRUE(check.warnings.empty()) << check.warnings.front();
}

TEST_F(DataDirectory, HandsOnEveryPictureThatPassedDecoded)
{
    fs::remove(path("data/kvp.png"));
    writePng(path("data/overlay.png"), 512, 383);
    const DataCheck check = checkDataDirectory(dir);
    EXPECT_EQ(check.problems.size(), 2u);
    EXPECT_EQ(check.pictures.size(), kShowImageCount - 2);
    for (const DataPicture& picture : kShowPictures) {
        const auto found = check.pictures.find(picture.path);
        if (found == check.pictures.end()) {
            EXPECT_TRUE(picture.path == std::string("data/kvp.png") || picture.path == std::string("data/overlay.png"))
                << picture.path;
            continue;
        }
        const DecodedImage& image = found->second;
        EXPECT_EQ(image.width, picture.width) << picture.path;
        EXPECT_EQ(image.height, picture.height) << picture.path;
        ASSERT_EQ(image.pixels.size(), size_t(picture.width) * picture.height) << picture.path;
        EXPECT_EQ(image.pixels.back(), 0xff282828u) << picture.path;
    }
}

TEST_F(DataDirectory, AFileTooLargeForAnyPictureIsRefusedUnread)
{
    // Sparse: takes no room on disk, and reading it would take a gigabyte.
    fs::resize_file(path("data/white.png"), (uintmax_t(1) << 30) + 1);
    fs::resize_file(path(kMusicFile), uintmax_t(3) << 30);
    const DataCheck check = checkDataDirectory(dir);
    EXPECT_EQ(check.problems, std::vector<std::string>{path("data/white.png") +
                                                       ": 1,073,741,825 bytes, too large for a file of the show"});
    EXPECT_EQ(check.warnings, std::vector<std::string>{path(kMusicFile) +
                                                       ": 3,221,225,472 bytes, too large for a file of the show"});
}

TEST_F(DataDirectory, NamesADeletedATruncatedAndASmallerPicture)
{
    fs::remove(path("data/kvp.png"));
    fs::resize_file(path("data/bigass/bigass_frame_0007.png"), 60);
    writePng(path("data/overlay.png"), 512, 383);

    const std::vector<std::string> problems = checkDataDirectory(dir).problems;
    ASSERT_EQ(problems.size(), 3u);
    EXPECT_EQ(problems[0], path("data/kvp.png") + ": missing");
    EXPECT_EQ(problems[1].rfind(path("data/bigass/bigass_frame_0007.png") + ": ", 0), 0u) << problems[1];
    EXPECT_EQ(problems[2], path("data/overlay.png") + ": 512 x 383 pixels, needs exactly 512 x 384");
}

TEST_F(DataDirectory, PicturesMustHaveTheirExactSize)
{
    writePng(path("data/noise.png"), 512, 100);
    writePng(path("data/tun_orange.png"), 1, 1);
    writePng(path("data/white.png"), 1024, 768);

    const std::vector<std::string> problems = checkDataDirectory(dir).problems;
    ASSERT_EQ(problems.size(), 3u);
    EXPECT_EQ(problems[0], path("data/tun_orange.png") + ": 1 x 1 pixels, needs exactly 256 x 256");
    EXPECT_EQ(problems[1], path("data/white.png") + ": 1024 x 768 pixels, needs exactly 512 x 384");
    EXPECT_EQ(problems[2], path("data/noise.png") + ": 512 x 100 pixels, needs exactly 512 x 1278");
    EXPECT_EQ(checkDataFile(dir, "data/nothing.png"), std::vector<std::string>{path("data/nothing.png") + ": not a file the show reads"});
}

// Each way a picture or a map gets damaged is named, not only the file.
TEST_F(DataDirectory, NamesTheFaultOfEachDamagedFile)
{
    writeBytes(path("data/kvp.png"), {});
    fs::resize_file(path("data/zelk.png"), fs::file_size(path("data/zelk.png")) / 2);
    std::vector<uint8_t> noise(4000);
    for (size_t i = 0; i < noise.size(); ++i)
        noise[i] = uint8_t(i * 2654435761u >> 13);
    writeBytes(path("data/white.png"), noise);
    writeBytes(path(kHeightMapFile), {});
    writeBytes(path(kColorMapFile), std::vector<uint8_t>(kColorMapBytes / 2, 1));

    const std::vector<std::string> problems = checkDataDirectory(dir).problems;
    ASSERT_EQ(problems.size(), 5u);
    EXPECT_EQ(problems[0], path("data/white.png") + ": cannot decode image: not a PNG or BMP picture");
    EXPECT_EQ(problems[1], path("data/kvp.png") + ": empty, not a picture");
    EXPECT_EQ(problems[2].rfind(path("data/zelk.png") + ": truncated PNG, a chunk of ", 0),
              0u)
        << problems[2];
    EXPECT_EQ(problems[3], path(kHeightMapFile) + ": empty, needs exactly 65,536 bytes");
    EXPECT_EQ(problems[4], path(kColorMapFile) + ": 98,304 bytes, needs exactly 196,608");
}

TEST_F(DataDirectory, ChecksMapsBitmapsAndMusic)
{
    writeBytes(path(kHeightMapFile), std::vector<uint8_t>(65535, 0));
    writeBytes(path("data/ass1.bmp"), bmp(128, 128, 32));
    std::vector<uint8_t> cut = bmp(128, 128, 24);
    cut.resize(1000);
    writeBytes(path("data/ass2.bmp"), cut);
    writeBytes(path(kMusicFile), {});

    // The music and the dialog pictures are optional: warnings, not problems.
    const DataCheck check = checkDataDirectory(dir);
    ASSERT_EQ(check.problems.size(), 1u);
    EXPECT_EQ(check.problems[0], path(kHeightMapFile) + ": 65,535 bytes, needs exactly 65,536");
    ASSERT_EQ(check.warnings.size(), 3u);
    EXPECT_EQ(check.warnings[0], path("data/ass1.bmp") + ": 32-bit 128 x 128 BMP, needs an uncompressed 24-bit 128 x 128 BMP");
    EXPECT_EQ(check.warnings[1], path("data/ass2.bmp") + ": truncated, 1,000 bytes, needs 49,206");
    EXPECT_EQ(check.warnings[2], path(kMusicFile) + ": empty");

    writeBytes(path(kMusicFile), {'R', 'I', 'F', 'F', 0, 0, 0, 0});
    EXPECT_TRUE(mentions(checkDataDirectory(dir).warnings, path(kMusicFile) + ": no MPEG audio frame"));
}

TEST_F(DataDirectory, ReportsUndecodableAndMisplacedFiles)
{
    writeBytes(path("data/20yrs.png"), {'n', 'o', 't', ' ', 'p', 'n', 'g'});
    fs::remove(path(kColorMapFile));
    fs::create_directory(path(kColorMapFile));

    const std::vector<std::string> problems = checkDataDirectory(dir).problems;
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_EQ(problems[0].rfind(path("data/20yrs.png") + ": cannot decode image", 0), 0u) << problems[0];
    EXPECT_EQ(problems[1], path(kColorMapFile) + ": not a regular file");

    const std::vector<std::string> none = checkDataDirectory(dir + "/nowhere").problems;
    ASSERT_EQ(none.size(), 1u);
    EXPECT_EQ(none[0], dir + "/nowhere: missing, or not a directory");
}

TEST(GeneratedPack, PassesTheCheck)
{
    const std::string dir = std::string(SOFTDEMO_SOURCE_DIR) + "/data";
    if (!fs::exists(dir + "/.pack-version"))
        GTEST_SKIP() << "no generated data pack in " << dir << " (build the default target to make one)";
    const std::vector<std::string> problems = checkDataDirectory(dir).problems;
    EXPECT_TRUE(problems.empty()) << problems.size() << " problems, the first: " << problems.front();
}

TEST(GeneratedPack, DamagedCopyNamesEachDamagedFile)
{
    const std::string source = std::string(SOFTDEMO_SOURCE_DIR) + "/data";
    if (!fs::exists(source + "/.pack-version"))
        GTEST_SKIP() << "no generated data pack in " << source;
    const std::string dir = (fs::temp_directory_path() / ("softdemo-damaged-" + std::to_string(getpid()))).string();
    fs::remove_all(dir);
    fs::copy(source, dir, fs::copy_options::recursive);
    fs::remove(dataFilePath(dir, "data/stamp1.png"));
    fs::resize_file(dataFilePath(dir, "data/comewithme_2/comewithme_2_frame_0004.png"), 1000);
    writePng(dataFilePath(dir, "data/vestmarkny.png"), 256, 192);

    const std::vector<std::string> problems = checkDataDirectory(dir).problems;
    fs::remove_all(dir);
    ASSERT_EQ(problems.size(), 3u);
    EXPECT_EQ(problems[0].rfind(dataFilePath(dir, "data/comewithme_2/comewithme_2_frame_0004.png") + ": ", 0), 0u);
    EXPECT_EQ(problems[1], dataFilePath(dir, "data/vestmarkny.png") + ": 256 x 192 pixels, needs exactly 512 x 384");
    EXPECT_EQ(problems[2], dataFilePath(dir, "data/stamp1.png") + ": missing");
}
