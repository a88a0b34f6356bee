#pragma once
// Temporary data directories for tests: pictures and landscape maps written on the fly.
#include <stb_image_write.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

struct TempDir {
    std::filesystem::path path;

    TempDir()
    {
        static int serial = 0;
        path = std::filesystem::temp_directory_path() /
               ("softdemo-test-" + std::to_string(getpid()) + "-" + std::to_string(serial++));
        std::filesystem::create_directories(path);
    }
    ~TempDir() { std::filesystem::remove_all(path); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // With forward slashes, as the programs join paths, also on Windows.
    std::string str() const { return path.generic_string(); }
    std::string file(const std::string& relative) const { return (path / relative).generic_string(); }
};

inline void writeBytes(const std::string& file, const std::vector<uint8_t>& bytes)
{
    std::filesystem::create_directories(std::filesystem::path(file).parent_path());
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// Pixels as 0xAARRGGBB words, written as an RGBA PNG.
inline void writePng(const std::string& file, int w, int h, const std::vector<uint32_t>& pixels)
{
    std::filesystem::create_directories(std::filesystem::path(file).parent_path());
    std::vector<uint8_t> rgba;
    for (uint32_t p : pixels)
        rgba.insert(rgba.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p), uint8_t(p >> 24)});
    stbi_write_png(file.c_str(), w, h, 4, rgba.data(), w * 4);
}

// Flat landscape maps, so that a production (whose constructor reads them) can be built.
inline void writeMaps(const TempDir& dir)
{
    writeBytes(dir.file("tarnolm/heightmap.raw"), std::vector<uint8_t>(65536, 0));
    writeBytes(dir.file("tarnolm/heightmapcol.raw"), std::vector<uint8_t>(196608, 0));
}
