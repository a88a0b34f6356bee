#pragma once
#include "FileFormats.h"
#include "Text.h"

#include <vector>

// Alpha pictures laid over other scenes: the tunnel's frame, side panel and
// four captions; the eleven words over the neon loop; the emblem; the stamp.
std::vector<PackFile> makeTunnelOverlays(const Fonts& fonts);
std::vector<PackFile> makeCaptions(const Fonts& fonts);
PackFile makeEmblem(const Fonts& fonts);
PackFile makeStamp(const Fonts& fonts);

// The eleven words, in the order the show fades them in.
extern const char* const kCaptionWords[11];
