#pragma once
#include <cstddef>
#include <cstdint>

// The bytes as a dialog button's BMP file, loaded and converted for drawing
// as the dialog does, then every pixel of the result read. Needs SDL, but
// not its video: a separate harness from the engine's.
void fuzzButtonBitmap(const uint8_t* data, size_t size);
