#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Command-line options of softdemo-render, shared by its subcommands.
struct RenderOptions {
    std::string command;
    std::string dataDir; // empty: found as the player finds it
    uint32_t fps = 60;
    uint32_t threads = 0; // 0: the machine's cores
    std::string showFile; // empty: the embedded show
    std::vector<uint32_t> at;
    bool all = false; // frames: every frame of the timeline
    std::string pngDir;
    bool hash = false;
    bool memory = false; // frames: resident memory after the first frame and at the end
    bool json = false;
    std::string out;
    uint32_t scale = 1;
    uint32_t every = 4000;
    bool help = false;
};

// Throws std::invalid_argument with a message naming the bad option or value.
RenderOptions parseRenderOptions(int argc, char** argv);
const char* renderUsage(const std::string& command);
