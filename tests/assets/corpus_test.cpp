#include "Corpus.h"
#include "gfx/ImageDecoder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

namespace fs = std::filesystem;

// The committed seed corpus is exactly what the generator makes: regenerate it
// with `softdemo-assets corpus` after changing the generator.
TEST(FuzzCorpus, CommittedCorpusIsWhatTheGeneratorMakes)
{
    const fs::path root = fs::path(SOFTDEMO_SOURCE_DIR) / "fuzz/corpus";
    std::map<std::string, std::vector<uint8_t>> committed;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file()) {
            std::ifstream in(entry.path(), std::ios::binary);
            committed[fs::relative(entry.path(), root).generic_string()] =
                std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
        }
    std::map<std::string, std::vector<uint8_t>> made;
    size_t total = 0;
    for (const PackFile& f : fuzzCorpus()) {
        EXPECT_TRUE(made.emplace(f.path, f.bytes).second) << "two seeds named " << f.path;
        total += f.bytes.size();
    }
    for (const auto& [path, bytes] : made) {
        const auto it = committed.find(path);
        ASSERT_NE(it, committed.end()) << path << " is not committed";
        EXPECT_TRUE(it->second == bytes) << path << " differs from the generator's";
    }
    for (const auto& [path, bytes] : committed)
        EXPECT_TRUE(made.count(path)) << path << " is not made by the generator";
    EXPECT_LT(total, 512u * 1024) << "the corpus should stay small";
}

TEST(FuzzCorpus, PictureSeedsDecode)
{
    // A seed the decoder refuses only teaches the fuzzer the refusal.
    for (const PackFile& f : fuzzCorpus()) {
        if (f.path.rfind("image/", 0) == 0) {
            EXPECT_NO_THROW(decodeImage(f.bytes.data(), f.bytes.size(), f.path)) << f.path;
        }
    }
}
