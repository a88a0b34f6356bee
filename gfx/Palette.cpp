#include "gfx/Palette.h"

#include <array>

namespace {

using Bank = std::array<uint8_t, kPaletteCount * kPaletteBytes>;

constexpr void put(Bank& bank, int table, int entry, uint32_t rgb)
{
    const int at = table * kPaletteBytes + entry * 3;
    bank[at] = uint8_t(rgb >> 16);
    bank[at + 1] = uint8_t(rgb >> 8);
    bank[at + 2] = uint8_t(rgb);
}

constexpr void putGrey(Bank& bank, int table, int entry, int level)
{
    put(bank, table, entry, uint32_t(level) * 0x010101u);
}

struct Anchor {
    int entry;
    uint32_t rgb;
};

// Straight lines between anchors, for the hand-made colour cycles.
template <size_t N>
constexpr void ramp(Bank& bank, int table, const Anchor (&anchors)[N])
{
    for (size_t k = 0; k + 1 < N; ++k) {
        const Anchor a = anchors[k], b = anchors[k + 1];
        for (int e = a.entry; e <= b.entry; ++e) {
            uint32_t rgb = 0;
            for (int shift = 16; shift >= 0; shift -= 8) {
                const int ca = int(a.rgb >> shift & 0xff), cb = int(b.rgb >> shift & 0xff);
                const int span = b.entry - a.entry;
                const int c = span ? ca + (cb - ca) * (e - a.entry) / span : ca;
                rgb |= uint32_t(c) << shift;
            }
            put(bank, table, e, rgb);
        }
    }
}

template <size_t N>
constexpr void list(Bank& bank, int table, int first, const uint32_t (&colours)[N])
{
    for (size_t i = 0; i < N; ++i)
        put(bank, table, first + int(i), colours[i]);
}

constexpr void vgaDefault(Bank& bank)
{
    constexpr uint32_t cga[16] = {0x000000, 0x0000AA, 0x00AA00, 0x00AAAA, 0xAA0000, 0xAA00AA, 0xAA5500, 0xAAAAAA,
                                  0x555555, 0x5555FF, 0x55FF55, 0x55FFFF, 0xFF5555, 0xFF55FF, 0xFFFF55, 0xFFFFFF};
    constexpr uint8_t greys[16] = {0x00, 0x14, 0x20, 0x2C, 0x38, 0x45, 0x51, 0x61,
                                   0x71, 0x82, 0x92, 0xA2, 0xB6, 0xCB, 0xE3, 0xFF};
    constexpr uint8_t levels[9][5] = {
        {0x00, 0x41, 0x7D, 0xBE, 0xFF}, {0x7D, 0x9E, 0xBE, 0xDF, 0xFF}, {0xB6, 0xC7, 0xDB, 0xEB, 0xFF},
        {0x00, 0x1C, 0x38, 0x55, 0x71}, {0x38, 0x45, 0x55, 0x61, 0x71}, {0x51, 0x59, 0x61, 0x69, 0x71},
        {0x00, 0x10, 0x20, 0x30, 0x41}, {0x20, 0x28, 0x30, 0x38, 0x41}, {0x2C, 0x30, 0x34, 0x3C, 0x41},
    };
    // One hue cycle over levels a..e (indices 0..4), as (red, green, blue).
    constexpr uint8_t cycle[24][3] = {
        {0, 0, 4}, {1, 0, 4}, {2, 0, 4}, {3, 0, 4}, {4, 0, 4}, {4, 0, 3}, {4, 0, 2}, {4, 0, 1},
        {4, 0, 0}, {4, 1, 0}, {4, 2, 0}, {4, 3, 0}, {4, 4, 0}, {3, 4, 0}, {2, 4, 0}, {1, 4, 0},
        {0, 4, 0}, {0, 4, 1}, {0, 4, 2}, {0, 4, 3}, {0, 4, 4}, {0, 3, 4}, {0, 2, 4}, {0, 1, 4},
    };
    list(bank, 0, 0, cga);
    for (int i = 0; i < 16; ++i)
        putGrey(bank, 0, 16 + i, greys[i]);
    for (int block = 0; block < 9; ++block)
        for (int i = 0; i < 24; ++i) {
            const uint8_t* l = levels[block];
            put(bank, 0, 32 + 24 * block + i,
                uint32_t(l[cycle[i][0]]) << 16 | uint32_t(l[cycle[i][1]]) << 8 | l[cycle[i][2]]);
        }
}

constexpr void eyeCandy(Bank& bank)
{
    constexpr Anchor path[] = {
        {0, 0xEF60D4},   {1, 0xEF61D5},   {2, 0xEF62D8},   {64, 0xA048F0},  {130, 0x3D31FF},
        {133, 0x3D31FF}, {160, 0x20C060}, {185, 0xE0E040}, {210, 0xFF80C0}, {235, 0xB060F0},
        {253, 0xEE66E0}, {254, 0xEE65DD}, {255, 0xEE64DB},
    };
    ramp(bank, 12, path);
}

constexpr void coolBlues(Bank& bank)
{
    constexpr uint32_t start[32] = {
        0x002295, 0x012396, 0x012596, 0x022796, 0x022997, 0x032A97, 0x032C97, 0x042E98, 0x043098, 0x053198, 0x053399,
        0x063599, 0x06379A, 0x07389A, 0x073A9A, 0x083C9B, 0x083E9B, 0x093F9B, 0x09419C, 0x0A439C, 0x0A459C, 0x0B469D,
        0x0B489D, 0x0C4A9D, 0x0C4B9E, 0x0D4D9E, 0x0D4F9E, 0x0E519F, 0x0E529F, 0x0F54A0, 0x0F56A0, 0x1058A0,
    };
    constexpr uint32_t green[32] = {
        0x45953B, 0x409237, 0x3B8F33, 0x368D2F, 0x328A2B, 0x2D8827, 0x298523, 0x24831F, 0x20801C, 0x1C7E18, 0x177B14,
        0x137911, 0x0F770D, 0x0B7409, 0x077206, 0x037002, 0x006F00, 0x006F00, 0x006F00, 0x006F00, 0x006F00, 0x016F01,
        0x057104, 0x097308, 0x0E760C, 0x127810, 0x177B14, 0x1B7D17, 0x20801B, 0x24831F, 0x298523, 0x2E8827,
    };
    constexpr uint32_t end[16] = {
        0x083C9B, 0x073A9A, 0x07389A, 0x06379A, 0x063599, 0x053399, 0x053198, 0x042F98,
        0x042E98, 0x032C97, 0x032A97, 0x022897, 0x022696, 0x012496, 0x012395, 0x002295,
    };
    constexpr Anchor toWhite[] = {{31, 0x1058A0}, {60, 0x30C8D0}, {87, 0xF9F9D6}, {100, 0xA0D890}, {112, 0x45953B}};
    constexpr Anchor backToBlue[] = {{143, 0x2E8827}, {160, 0xA0D890}, {173, 0xF9F9D6}, {200, 0x30C8D0}, {240, 0x083C9B}};
    ramp(bank, 13, toWhite);
    ramp(bank, 13, backToBlue);
    list(bank, 13, 0, start);
    list(bank, 13, 112, green);
    list(bank, 13, 240, end);
}

constexpr Bank buildBank()
{
    Bank bank{};
    vgaDefault(bank);
    for (int i = 0; i < 256; ++i)
        putGrey(bank, 1, i, i);
    for (int i = 0; i < 16; ++i)
        putGrey(bank, 2, i, 16 * i);
    for (int i = 0; i < 32; ++i) {
        putGrey(bank, 3, i, 8 * i);
        putGrey(bank, 4, i, i < 16 ? 16 * i : 16 * (31 - i));
        put(bank, 14, i, 0x200008u | uint32_t(8 * i) << 8);
    }
    constexpr uint32_t cga[6][4] = {
        {0x000000, 0x00AAAA, 0xAA00AA, 0xAAAAAA}, {0x000000, 0x55FFFF, 0xFF55FF, 0xFFFFFF},
        {0x000000, 0x00AA00, 0xAA0000, 0xAA5500}, {0x000000, 0x55FF55, 0xFF5555, 0xFFFF55},
        {0x000000, 0x00AAAA, 0xAA0000, 0xAAAAAA}, {0x000000, 0x55FFFF, 0xFF5555, 0xFFFFFF},
    };
    for (int t = 0; t < 6; ++t)
        list(bank, 5 + t, 0, cga[t]);
    constexpr uint32_t c64[16] = {0x000000, 0xFFFFFF, 0x924A40, 0x84C5CC, 0x9351B6, 0x72B14B, 0x483AAA, 0xD5DF7C,
                                  0x99692D, 0x675200, 0xC18178, 0x606060, 0x8A8A8A, 0xB3EC91, 0x867ADE, 0xB3B3B3};
    for (int i = 0; i < 256; ++i)
        put(bank, 11, i, c64[i % 16]);
    eyeCandy(bank);
    coolBlues(bank);
    return bank;
}

constexpr Bank kBank = buildBank();

const char* const kNames[kPaletteCount] = {
    "MCGA_MODE13H",       "MCGA_GRAY",         "MCGA_GRAY16",        "MCGA_GRAY32",       "MCGA_GRAY32MIRROR",
    "CGA_MODE4_PAL1_LOW", "CGA_MODE4_PAL1_HI", "CGA_MODE4_PAL2_LOW", "CGA_MODE4_PAL2_HI", "CGA_MODE5_PAL_LOW",
    "CGA_MODE6_PAL_HI",   "C64_VICE_PAL",      "EYECANDY_PAL",       "CBLUES_PAL",        "GREEN_PAL16",
};

} // namespace

const uint8_t* paletteBank()
{
    return kBank.data();
}

std::map<uint8_t, std::string>& paletteNameByIndex()
{
    static std::map<uint8_t, std::string> names;
    return names;
}

std::map<std::string, uint8_t>& paletteIndexByName()
{
    static std::map<std::string, uint8_t> indices;
    return indices;
}

void buildPaletteRegistry()
{
    auto& names = paletteNameByIndex();
    for (int i = 0; i < kPaletteCount; ++i)
        names[uint8_t(i)] = kNames[i];
    for (size_t i = 0; i < names.size(); ++i)
        paletteIndexByName()[names[uint8_t(i)]] = uint8_t(i);
}
