#pragma once
#include <SDL.h>

#include <string>

#include "platform/SdlHandles.h"

// A button's picture is shown shrunk into its 128 × 128 face, so anything much
// larger is a damaged or foreign file: refused before it is decoded, since
// the loader allocates whatever size the header claims.
constexpr int kMaxButtonBitmapSide = 1024;

// Reads a BMP from `source` (closed here, even on failure; null is a failure) and converts it to
// ARGB8888, ready to become a texture. On failure returns null, so the button
// shows its text, and says why on stderr naming `name`.
SdlPtr<SDL_Surface> loadButtonBitmap(SDL_RWops* source, const std::string& name);
