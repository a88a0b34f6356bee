#pragma once
#include "Raster.h"

#include <cstdint>
#include <string>
#include <vector>

// One file of the pack: its show path ("data/...") and its bytes.
struct PackFile {
    std::string path;
    std::vector<uint8_t> bytes;
};

enum class PngEncoding {
    // Every row filtered by the row above, at zlib's default level: the show's
    // decoder undoes it fastest, it is quick to make, and the file comes out
    // within a few percent of Tight.
    Quick,
    // Each row by the filter that leaves the smallest residue, at zlib's
    // strongest level.
    Tight,
};

// PNG with 1 (grey), 3 (RGB) or 4 (RGBA) channels.
std::vector<uint8_t> encodePng(const Canvas& c, int channels, bool dither = true,
                               PngEncoding encoding = PngEncoding::Quick);
// Uncompressed 24-bit bottom-up Windows bitmap.
std::vector<uint8_t> encodeBmp24(const Canvas& c);
