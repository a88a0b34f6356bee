#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FuzzCorpus.h"
#include "TestData.h"
#include "effects/MapFile.h"
#include "fuzz/Harness.h"
#include "pack/DataManifest.h"
#include "show/ShowScript.h"

namespace {

// The fuzzers' entry points on a fixed stream of inputs, so that every run of
// the suite (and its sanitizer build) covers them without a fuzzing engine.
struct Stream {
    uint64_t state;
    uint32_t next()
    {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return uint32_t(state >> 33);
    }
};

TEST(FuzzSmoke, MutatedShowFilesParseOrFailCleanly)
{
    const std::string show(embeddedShowText());
    Stream rnd{7};
    for (int i = 0; i < 300; ++i) {
        std::string text = show;
        const int edits = 1 + int(rnd.next() % 8);
        for (int e = 0; e < edits; ++e) {
            const size_t at = rnd.next() % text.size();
            switch (rnd.next() % 4) {
            case 0: text[at] = char(rnd.next()); break;
            case 1: text.erase(at, rnd.next() % 40); break;
            case 2: text.insert(at, 1, "0123456789-.\"{}#:>x \n"[rnd.next() % 21]); break;
            default: text.insert(at, text.substr(rnd.next() % text.size(), rnd.next() % 80)); break;
            }
        }
        fuzzShowFile(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    }
}

TEST(FuzzSmoke, EffectsDrawSafelyWithAnyMembers)
{
    Stream rnd{11};
    std::vector<uint8_t> input;
    for (int i = 0; i < 20000; ++i) {
        input.resize(rnd.next() % 48);
        for (uint8_t& b : input)
            b = uint8_t(rnd.next());
        // Many draws only make sense switched on and with a usable target.
        if (input.size() > 2 && i % 2 == 0)
            input[1] = 1;
        fuzzEffectDraw(input.data(), input.size());
    }
}

// Every seed, then a fixed stream of mutations of the seeds.
void runOnCorpus(const std::string& target, void (*entry)(const uint8_t*, size_t), int mutations)
{
    const std::vector<SeedFile> seeds = seedCorpus(target);
    ASSERT_FALSE(seeds.empty()) << "no seed corpus for " << target;
    for (const SeedFile& seed : seeds) {
        SCOPED_TRACE(target + "/" + seed.name);
        entry(seed.bytes.data(), seed.bytes.size());
    }
    Mutator m{17};
    for (int i = 0; i < mutations; ++i) {
        const std::vector<uint8_t> input = m.mutate(seeds[m.next() % seeds.size()].bytes);
        entry(input.data(), input.size());
    }
}

TEST(FuzzSmoke, SeedCorporaAndTheirMutationsRunCleanly)
{
    runOnCorpus("show", fuzzShowFile, 100);
    runOnCorpus("effects", fuzzEffectDraw, 200);
    runOnCorpus("image", fuzzImageDecode, 2000);
    runOnCorpus("datacheck", fuzzDataCheck, 1000);
    runOnCorpus("map", fuzzMapRead, 50);
}

TEST(FuzzSmoke, SeedShowsParse)
{
    for (const SeedFile& seed : seedCorpus("show"))
        EXPECT_NO_THROW(parseShow(std::string_view(reinterpret_cast<const char*>(seed.bytes.data()), seed.bytes.size()),
                                  seed.name))
            << seed.name;
}

// The in-memory checks the fuzzer runs are the ones a file on disk gets.
TEST(FuzzSmoke, DataCheckOnBytesMatchesTheCheckOfTheFile)
{
    TempDir dir;
    Mutator m{23};
    for (const SeedFile& seed : seedCorpus("datacheck"))
        for (int i = 0; i < 20; ++i) {
            const std::vector<uint8_t> input = i == 0 ? seed.bytes : m.mutate(seed.bytes);
            if (input.size() < 2)
                continue;
            const std::string files[] = {kShowPictures[input[1] % kShowImageCount].path, kHeightMapFile,
                                         kColorMapFile, kDialogImageFiles[input[1] % 2], kMusicFile};
            const std::string& showPath = files[input[0] % std::size(files)];
            const std::vector<uint8_t> content(input.begin() + 2, input.end());
            writeBytes(dataFilePath(dir.str(), showPath), content);
            EXPECT_EQ(checkDataFile(dir.str(), showPath),
                      checkDataBytes(showPath, content.data(), content.size(), dataFilePath(dir.str(), showPath)))
                << seed.name << " mutation " << i;
        }
}

TEST(FuzzSmoke, MapFromMemoryReadsAsTheFile)
{
    TempDir dir;
    for (const SeedFile& seed : seedCorpus("map")) {
        writeBytes(dir.file("map.raw"), seed.bytes);
        std::vector<uint8_t> fromFile(1000), fromMemory(1000);
        readMap(dir.file("map.raw"), fromFile.data(), fromFile.size());
        readMap(seed.bytes.data(), seed.bytes.size(), fromMemory.data(), fromMemory.size());
        EXPECT_EQ(fromFile, fromMemory) << seed.name;
    }
    std::vector<uint8_t> out(4);
    EXPECT_THROW(readMap(dir.file("none.raw"), out.data(), out.size()), std::runtime_error);
}

} // namespace
