#pragma once
#include "FileFormats.h"

#include <cstdint>
#include <vector>

// The landscape: 256 × 256 heights that wrap at both edges, and colours by
// height and slope with the sunlight baked in.
struct TerrainMaps {
    std::vector<uint8_t> heights; // 65,536 bytes, row-major
    std::vector<uint8_t> colors;  // 65,536 × r, g, b
};

TerrainMaps makeTerrain();
std::vector<PackFile> makeTerrainFiles();
