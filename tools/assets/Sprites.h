#pragma once
#include "FileFormats.h"
#include "Text.h"

#include <vector>

// The flying boombox over the landscape: its body (bacon), handle and aerial
// (bigbacon) and eight frames of its speakers pumping on the beat (mouth1-8);
// and the two 24-bit icons of the start-up dialog.
inline constexpr int kSpeakerFrames = 8;
std::vector<PackFile> makeSprites(const Fonts& fonts);
