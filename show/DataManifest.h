#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/DataPath.h"

// Every file the show reads from its data directory, with what the show needs
// of it, and the check that the player, the headless renderer and the asset
// tool run before trusting a directory. Paths are written as the show opens
// them ("data/..."); a check of another directory replaces the leading "data".

inline constexpr size_t kShowImageCount = 133;

// The show's pictures in loading order: buffer i + 1 holds kShowImageFiles[i].
extern const std::array<const char*, kShowImageCount> kShowImageFiles;

inline constexpr const char* kHeightMapFile = "data/tarnolm/heightmap.raw";
inline constexpr const char* kColorMapFile = "data/tarnolm/heightmapcol.raw";
inline constexpr uint32_t kHeightMapBytes = 256 * 256;
inline constexpr uint32_t kColorMapBytes = 256 * 256 * 3;
inline constexpr std::array<const char*, 2> kDialogImageFiles = {"data/ass1.bmp", "data/ass2.bmp"};
inline constexpr int kDialogImageSize = 128;
inline constexpr const char* kMusicFile = "data/fried.mp3";

// What the show needs of one picture's size. Pictures blended over the whole
// frame are read linearly, so a smaller one would be read past its end.
struct ImageRequirement {
    enum Rule : uint8_t {
        NonEmpty,  // textures and pictures that are loaded but never shown
        AtLeast,   // width and height at least width × height
        AtMost,    // placed sprites and captions: at most width × height
        MinPixels, // read linearly from a random row: at least `pixels` pixels
    };
    Rule rule = NonEmpty;
    uint16_t width = 0;
    uint16_t height = 0;
    uint32_t pixels = 0;
};

// The requirement of a picture of kShowImageFiles, by its show path.
ImageRequirement imageRequirement(const std::string& showPath);


// One human-readable line per problem, each starting with the file's path
// under dir; empty when the directory holds everything the show reads.
std::vector<std::string> checkDataDirectory(const std::string& dir);
