#pragma once
#include <cstdint>
#include <optional>
#include <string>

// softdemo-preview's command line.
struct PreviewOptions {
    std::string showFile; // empty: the built-in show
    std::string dataDir; // empty: looked up
    uint32_t fps = 60;
    std::optional<uint32_t> at; // start paused on this time
    bool control = false;       // commands on standard input
    bool help = false;
};

// Throws std::invalid_argument naming the bad option or value.
PreviewOptions parsePreviewOptions(int argc, const char* const* argv);
extern const char* const kPreviewUsage;
