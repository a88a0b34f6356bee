#include "fuzz/DialogHarness.h"

#include "platform/ButtonBitmap.h"

void fuzzButtonBitmap(const uint8_t* data, size_t size)
{
    const SdlPtr<SDL_Surface> picture = loadButtonBitmap(SDL_RWFromConstMem(data, int(size)), "fuzz.bmp");
    if (!picture)
        return;
    if (picture->w > kMaxButtonBitmapSide || picture->h > kMaxButtonBitmapSide ||
        picture->format->format != SDL_PIXELFORMAT_ARGB8888 || picture->pitch < picture->w * 4)
        __builtin_trap();
    // The texture upload reads every row; so does this, under the sanitizers.
    uint32_t sum = 0;
    for (int y = 0; y < picture->h; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(picture->pixels) +
                                                            size_t(y) * size_t(picture->pitch));
        for (int x = 0; x < picture->w; ++x)
            sum += row[x];
    }
    volatile uint32_t keep = sum;
    (void)keep;
}
