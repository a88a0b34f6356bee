#pragma once
#include "Text.h"

#include <string>

// A contact sheet of a data directory: every picture of the show, the two
// dialog pictures and the two landscape maps as labelled thumbnails, written
// as a PNG to `outPath`. Throws std::runtime_error naming the file that fails.
void writeContactSheet(const std::string& dir, const std::string& outPath, const Fonts& fonts);
