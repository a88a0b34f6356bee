#pragma once
#include "FileFormats.h"
#include "Raster.h"
#include "Text.h"

#include <vector>

// The two tunnel textures (256 × 256, seamless both ways) and the small
// pictures the show loads but never shows.
std::vector<PackFile> makeTextures(const Fonts& fonts);

// The textures as canvases, for checking that they tile.
Canvas orangeTunnelTexture();
Canvas blueTunnelTexture();
