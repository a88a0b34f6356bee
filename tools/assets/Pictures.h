#pragma once
#include "FileFormats.h"
#include "Raster.h"
#include "Text.h"

// Shared by the picture groups: the look of the group's name and lettering.

inline constexpr int kFrameW = 512;
inline constexpr int kFrameH = 384;
inline constexpr const char* kGroupName = "VESTMARK";

// Light-emitting lettering for add-mode pictures: a vertical gradient from
// `top` to `bottom` with a soft halo of `glow` around it.
void addGlowText(Canvas& c, const Mask& text, int ox, int oy, Rgb top, Rgb bottom, Rgb glow, int glowRadius,
                 float glowAmount);

// Opaque lettering for alpha pictures: fill, a dark outline and a drop shadow.
void overOutlinedText(Canvas& c, const Mask& text, int ox, int oy, Rgb fill, Rgb outline, int outlineRadius,
                      Rgb shadow, int shadowOffset);

// A copy of m slanted to the right by `slant` pixels per row above the bottom.
Mask slanted(const Mask& m, float slant);

// A copy of m turned by `radians` about its centre, in a square large enough for it.
Mask rotated(const Mask& m, float radians);

// The text as large as fits in maxW × maxH (pixel height at most maxHeight).
Mask fittedText(const Font& font, const std::string& text, int maxW, float maxHeight, float tracking = 0.0f);

PackFile pngFile(const std::string& path, const Canvas& c, int channels);
