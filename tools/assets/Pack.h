#pragma once
#include "FileFormats.h"
#include "Text.h"

#include <functional>
#include <string>
#include <vector>

// The pack as independent jobs: each makes its files from nothing but its own
// seeds, so they can run on any thread in any order and give the same bytes.
struct PackJob {
    std::string label;
    std::function<std::vector<PackFile>(const Fonts&)> make;
};

// Longest first, so two threads finish together.
std::vector<PackJob> packJobs();

// Written last into a generated directory: the generator's version.
inline constexpr const char* kPackStampFile = "data/.pack-version";
inline constexpr const char* kPackVersion = SOFTDEMO_ASSETS_VERSION;

struct PackResult {
    size_t files = 0;
    uint64_t bytes = 0;
    std::vector<std::string> errors;
};

// Runs every job on `threads` threads and writes the files under dir;
// `progress` is called from the calling thread with (jobs done, jobs).
PackResult writePack(const std::string& dir, const Fonts& fonts, unsigned threads,
                     const std::function<void(size_t, size_t)>& progress);

// True when dir holds a stamp of this version and every file the show reads.
bool packIsCurrent(const std::string& dir);
