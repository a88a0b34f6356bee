#pragma once
#include <cstdint>
#include <map>
#include <string>

// The bank of 15 constant 256-entry colour tables (3 bytes each: red, green,
// blue), table i at offset 768 * i, and the process-wide name registry.
constexpr int kPaletteCount = 15;
constexpr int kPaletteBytes = 768;

// The whole bank, kPaletteCount * kPaletteBytes bytes.
const uint8_t* paletteBank();

inline const uint8_t* paletteTable(int index)
{
    return paletteBank() + kPaletteBytes * index;
}

std::map<uint8_t, std::string>& paletteNameByIndex();
std::map<std::string, uint8_t>& paletteIndexByName();

// Fills both maps (idempotent): after it they hold 15 entries and are inverse.
void buildPaletteRegistry();
