#pragma once
#include "Raster.h"
#include "Text.h"

#include <string>
#include <vector>

struct SheetEntry {
    std::string label;
    Canvas picture;
};

// Labelled thumbnails in a grid under a title, written as a small PNG to
// `outPath`; each picture is fitted into a thumbW x thumbH box (never
// enlarged). Throws std::runtime_error naming the file that fails.
void writeContactSheet(const std::string& title, const std::vector<SheetEntry>& entries, int columns, int thumbW,
                       int thumbH, const std::string& outPath, const Fonts& fonts);

// The sheet of a data directory: every picture of the show, the two dialog
// pictures and the two landscape maps.
void writePackSheet(const std::string& dir, const std::string& outPath, const Fonts& fonts);

// A decoded 0xAARRGGBB picture as a canvas (premultiplied).
Canvas canvasFromPixels(const uint32_t* pixels, int width, int height);
