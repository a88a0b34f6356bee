#include "platform/ButtonBitmap.h"

#include <cstdio>
#include <cstdlib>

namespace {

uint32_t littleEndian(const uint8_t* b, int count)
{
    uint32_t v = 0;
    for (int i = count - 1; i >= 0; --i)
        v = v << 8 | b[i];
    return v;
}

bool fits(int64_t width, int64_t height)
{
    return std::llabs(width) <= kMaxButtonBitmapSide && std::llabs(height) <= kMaxButtonBitmapSide;
}

SdlPtr<SDL_Surface> refuse(const std::string& name, const std::string& why)
{
    std::fprintf(stderr, "%s: %s; the button shows its text\n", name.c_str(), why.c_str());
    return nullptr;
}

} // namespace

SdlPtr<SDL_Surface> loadButtonBitmap(SDL_RWops* source, const std::string& name)
{
    if (!source)
        return refuse(name, std::string("cannot open the picture: ") + SDL_GetError());
    // The size from the header, read as the loader reads it: the old 12-byte
    // core header has unsigned 16-bit sides, every later one signed 32-bit
    // sides (a negative height is a top-down picture). A file cut inside the
    // header still has sides from the bytes there are, the rest read as 0,
    // as the loader reads them. Anything else is left to the loader.
    uint8_t header[26] = {};
    const Sint64 start = SDL_RWtell(source);
    const size_t got = SDL_RWread(source, header, 1, sizeof header);
    if (got >= 2 && header[0] == 'B' && header[1] == 'M') {
        const uint8_t* sides = header + 18;
        const bool core = littleEndian(header + 14, 4) == 12;
        const int64_t width = core ? int64_t(littleEndian(sides, 2)) : int64_t(int32_t(littleEndian(sides, 4)));
        const int64_t height = core ? int64_t(littleEndian(sides + 2, 2)) : int64_t(int32_t(littleEndian(sides + 4, 4)));
        if (!fits(width, height)) {
            SDL_RWclose(source);
            return refuse(name, "a picture of " + std::to_string(std::llabs(width)) + " x " +
                                    std::to_string(std::llabs(height)) + " pixels is too large (at most " +
                                    std::to_string(kMaxButtonBitmapSide) + " on a side)");
        }
    }
    if (start < 0 || SDL_RWseek(source, start, RW_SEEK_SET) < 0) {
        SDL_RWclose(source);
        return refuse(name, std::string("cannot read the picture: ") + SDL_GetError());
    }
    const SdlPtr<SDL_Surface> loaded(SDL_LoadBMP_RW(source, 1));
    if (!loaded)
        return refuse(name, std::string("cannot load the picture: ") + SDL_GetError());
    SdlPtr<SDL_Surface> ready(SDL_ConvertSurfaceFormat(loaded.get(), SDL_PIXELFORMAT_ARGB8888, 0));
    if (!ready)
        return refuse(name, std::string("cannot convert the picture: ") + SDL_GetError());
    return ready;
}
