#pragma once
#include <cstdint>
#include <functional>
#include <string>

enum class FontKind : uint8_t { Serif, Sans };

// The file of a scalable font of `family`, found by name through fontconfig;
// failing that, of a font of that kind, and then of any font the system has,
// each the closest in style that fontconfig finds. Empty when the system has
// no scalable font at all.
std::string findFontFile(const std::string& family, FontKind kind);

using FontLookup = std::function<std::string(const std::string& family, FontKind kind)>;
