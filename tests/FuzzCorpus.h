#pragma once
// The committed seed corpus of a fuzz target, for the tests that run the
// fuzzers' entry points without a fuzzing engine.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

struct SeedFile {
    std::string name;
    std::vector<uint8_t> bytes;
};

// Sorted by name; empty when the folder is missing.
inline std::vector<SeedFile> seedCorpus(const std::string& target)
{
    std::vector<SeedFile> seeds;
    const std::filesystem::path dir = std::filesystem::path(SOFTDEMO_SOURCE_DIR) / "fuzz/corpus" / target;
    if (!std::filesystem::is_directory(dir))
        return seeds;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        std::ifstream in(entry.path(), std::ios::binary);
        seeds.push_back({entry.path().filename().string(),
                         std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>())});
    }
    std::sort(seeds.begin(), seeds.end(), [](const SeedFile& a, const SeedFile& b) { return a.name < b.name; });
    return seeds;
}

// Byte flips, cuts, insertions and copies of one part over another, as a
// fuzzer mutates, from a fixed seed.
struct Mutator {
    uint64_t state;
    uint32_t next()
    {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return uint32_t(state >> 33);
    }
    std::vector<uint8_t> mutate(std::vector<uint8_t> b)
    {
        const int edits = 1 + int(next() % 6);
        for (int e = 0; e < edits && !b.empty(); ++e) {
            const size_t at = next() % b.size();
            switch (next() % 5) {
            case 0: b[at] = uint8_t(next()); break;
            case 1: b[at] ^= uint8_t(1u << (next() % 8)); break;
            case 2: b.resize(at + 1); break;
            case 3: b.insert(b.begin() + std::ptrdiff_t(at), next() % 16, uint8_t(next())); break;
            default: {
                // An interesting value over a 16- or 32-bit field.
                static constexpr uint32_t kValues[] = {0, 1, 0x7f, 0x80, 0xff, 0x7fff, 0xffff, 0x7fffffff, 0xffffffff};
                const uint32_t v = kValues[next() % std::size(kValues)];
                for (size_t i = 0; i < 4 && at + i < b.size(); ++i)
                    b[at + i] = uint8_t(v >> (8 * i));
            }
            }
        }
        return b;
    }
};
