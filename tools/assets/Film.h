#pragma once
#include "FileFormats.h"

#include <vector>

// The two full-screen layers laid over the whole show: the film grain that is
// added and subtracted every frame (noise.png) and the vignette (overlay.png).
inline constexpr int kGrainW = 512, kGrainH = 1278;
inline constexpr int kGrainMax = 24;
std::vector<PackFile> makeFilmLayers();
