#include "fuzz/Harness.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

#include "effects/CAExp.h"
#include "effects/Fill.h"
#include "effects/MapFile.h"
#include "effects/Noise.h"
#include "effects/PutBuffer.h"
#include "effects/Tunnel.h"
#include "effects/Voxel.h"
#include "gfx/ImageDecoder.h"
#include "pack/DataManifest.h"
#include "scene/Scene.h"
#include "show/ShowScript.h"

void fuzzShowFile(const uint8_t* data, size_t size)
{
    try {
        parseShow(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.show");
    } catch (const ShowError&) {
    }
}

void fuzzImageDecode(const uint8_t* data, size_t size)
{
    // As the production's loadImage: decode, then copy into a buffer of that size.
    DecodedImage image;
    try {
        image = decodeImage(data, size, "data/fuzz.png");
    } catch (const std::runtime_error&) {
        return;
    }
    PixelBuffer buffer("data/fuzz.png", image.width, image.height);
    if (image.pixels.size() != buffer.pixelCount)
        __builtin_trap(); // the copy below would run past the buffer
    std::copy(image.pixels.begin(), image.pixels.end(), buffer.pixels);
}

void fuzzDataCheck(const uint8_t* data, size_t size)
{
    if (size < 2)
        return;
    const std::string files[] = {kShowPictures[data[1] % kShowImageCount].path, kHeightMapFile, kColorMapFile,
                                 kDialogImageFiles[data[1] % 2], kMusicFile};
    const std::string& showPath = files[data[0] % std::size(files)];
    const std::string path = dataFilePath("fuzz", showPath);
    for (const std::string& problem : checkDataBytes(showPath, data + 2, size - 2, path))
        if (problem.rfind(path + ": ", 0) != 0)
            __builtin_trap(); // every problem names its file
}

void fuzzMapRead(const uint8_t* data, size_t size)
{
    static std::vector<uint8_t> heights(Voxel::kMapSize), colours(3 * Voxel::kMapSize);
    for (std::vector<uint8_t>* map : {&heights, &colours}) {
        readMap(data, size, map->data(), map->size());
        // The bytes as given, then 255 where the input ends.
        const size_t given = std::min(size, map->size());
        if (!std::equal(data, data + given, map->begin()) ||
            std::any_of(map->begin() + std::ptrdiff_t(given), map->end(), [](uint8_t b) { return b != 255; }))
            __builtin_trap();
    }
}

namespace {

// Reads the input front to back; past its end every read is 0.
struct Bytes {
    const uint8_t* data;
    size_t size;
    size_t at = 0;

    void read(void* out, size_t n)
    {
        std::memset(out, 0, n);
        const size_t take = at < size ? std::min(n, size - at) : 0;
        std::memcpy(out, data + at, take);
        at += n;
    }
    uint8_t byte()
    {
        uint8_t b;
        read(&b, 1);
        return b;
    }
};

// Every effect class once, and buffers of awkward shapes to point them at.
struct World {
    std::vector<std::unique_ptr<PixelBuffer>> buffers;
    std::vector<std::unique_ptr<Effect>> effects;

    World()
    {
        const uint16_t sizes[][2] = {{512, 384}, {512, 384}, {512, 1278}, {1, 1}, {0, 0}, {7, 5},
                                     {512, 100}, {600, 400}, {3, 2000}, {256, 256}, {511, 384}};
        for (const auto& s : sizes)
            buffers.push_back(std::make_unique<PixelBuffer>("b", s[0], s[1]));
        buffers[1]->bytesPerPixel = 1; // a 512 x 384 of another pixel size

        // The landscape reads its maps from a directory: short ones, so both
        // the read and the 255 padding are exercised.
        const std::filesystem::path dir =
            std::filesystem::temp_directory_path() / ("softdemo-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(dir / "tarnolm");
        std::ofstream(dir / "tarnolm/heightmap.raw", std::ios::binary) << std::string(30000, '\x40');
        std::ofstream(dir / "tarnolm/heightmapcol.raw", std::ios::binary) << std::string(100000, '\x90');
        effects.push_back(std::make_unique<Voxel>(dir.string()));
        std::filesystem::remove_all(dir);

        effects.push_back(std::make_unique<Clear>());
        effects.push_back(std::make_unique<Box>());
        effects.push_back(std::make_unique<Circle>());
        effects.push_back(std::make_unique<Noise>());
        effects.push_back(std::make_unique<GradientReflected>());
        effects.push_back(std::make_unique<PutBuffer>());
        effects.push_back(std::make_unique<Scene>());
        effects.push_back(std::make_unique<Tunnel>());
        effects.push_back(std::make_unique<CAExp>());
    }
};

} // namespace

void fuzzEffectDraw(const uint8_t* data, size_t size)
{
    static World world;
    Bytes in{data, size};
    Effect& effect = *world.effects[in.byte() % world.effects.size()];
    for (VarRecord& record : effect.variables) {
        visitVarType(record.type, [&]<class T>() {
            T* member = static_cast<T*>(record.target);
            if constexpr (std::is_same_v<T, PixelBuffer*>) {
                const uint8_t pick = in.byte();
                *member = pick % 16 < world.buffers.size() ? world.buffers[pick % 16].get() : nullptr;
            } else {
                in.read(member, sizeof(T));
            }
        });
    }
    effect.draw();
}
