#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "gfx/ImageDecoder.h"
#include "pack/DataPath.h"

// Every file the show reads from its data directory, with what the show needs
// of it, and the check that the player, the headless renderer and the asset
// tool run before trusting a directory. Paths are written as the show opens
// them ("data/..."); a check of another directory replaces the leading "data".

inline constexpr size_t kShowImageCount = 133;

// A picture of the show and the size the show was composed for. Full-frame
// pictures are read linearly and sprites are placed by their size, so any
// other size reads past the end or shows wrong; the check asks for exactly
// this size, which also catches a replaced or damaged file before it shows.
struct DataPicture {
    const char* path;
    uint16_t width;
    uint16_t height;
};

// The show's pictures in loading order: buffer i + 1 holds kShowPictures[i].
extern const std::array<DataPicture, kShowImageCount> kShowPictures;

inline constexpr const char* kHeightMapFile = "data/tarnolm/heightmap.raw";
inline constexpr const char* kColorMapFile = "data/tarnolm/heightmapcol.raw";
inline constexpr uint32_t kHeightMapBytes = 256 * 256;
inline constexpr uint32_t kColorMapBytes = 256 * 256 * 3;
inline constexpr std::array<const char*, 2> kDialogImageFiles = {"data/ass1.bmp", "data/ass2.bmp"};
inline constexpr int kDialogImageSize = 128;
inline constexpr const char* kMusicFile = "data/fried.mp3";

// Every file the show reads, as the show names it: the pictures, the two maps,
// the dialog pictures and the music.
std::vector<std::string> dataFiles();

// The music and the dialog pictures: without them the show runs silently, or
// with text on the dialog's buttons.
bool isOptionalDataFile(const std::string& showPath);

// One human-readable line per problem of one file (named as the show names
// it), each starting with the file's path under dir; empty when it is usable.
std::vector<std::string> checkDataFile(const std::string& dir, const std::string& showPath);

// The same checks on the bytes of that file, already read; `path` names it in
// the problems. A picture that passes is left decoded in `picture`, when given.
std::vector<std::string> checkDataBytes(const std::string& showPath, const uint8_t* data, size_t size,
                                        const std::string& path, DecodedImage* picture = nullptr);

// The entry of kShowPictures with this show name, or null.
const DataPicture* findShowPicture(std::string_view showPath);

struct DataCheck {
    std::vector<std::string> problems; // the show cannot run
    std::vector<std::string> warnings; // optional files the show will go without
    // Every picture that passed, decoded by the check, for buildShow to take
    // so that none is decoded twice.
    DecodedPictures pictures;
};

// The check of every file of dataFiles() under dir, the files spread over the
// machine's cores; the problems come in the order of dataFiles().
DataCheck checkDataDirectory(const std::string& dir);
