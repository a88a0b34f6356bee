#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// The landscape's raw maps: `size` bytes, no header. A short map is padded
// with 255, the end-of-file value kept to 8 bits; bytes past `size` are
// ignored. Throws std::runtime_error naming the file that cannot be opened
// or read.
void readMap(const std::string& path, uint8_t* out, size_t size);

// The same read on a map already in memory.
void readMap(const uint8_t* data, size_t dataSize, uint8_t* out, size_t size);
