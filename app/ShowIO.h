#pragma once
#include <string>

#include "gfx/PixelBuffer.h"
#include "show/ShowScript.h"

// The show in FILE, or the built-in one when FILE is empty. Throws ShowError,
// or std::runtime_error naming a file that cannot be read.
ShowScript loadShow(const std::string& file);

// The frame as an RGB PNG; throws std::runtime_error naming the path.
void writeFramePng(const PixelBuffer& frame, const std::string& path);
