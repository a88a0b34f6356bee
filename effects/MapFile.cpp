#include "effects/MapFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace {

void readMap(std::FILE* file, const std::string& name, uint8_t* out, size_t size)
{
    const size_t got = std::fread(out, 1, size, file);
    if (std::ferror(file))
        throw std::runtime_error("cannot read " + name + ": " + std::strerror(errno));
    std::fill(out + got, out + size, uint8_t(255));
}

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

} // namespace

void readMap(const std::string& path, uint8_t* out, size_t size)
{
    const File file(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!file)
        throw std::runtime_error("cannot open " + path + ": " + std::strerror(errno));
    readMap(file.get(), path, out, size);
}

void readMap(const uint8_t* data, size_t dataSize, const std::string& name, uint8_t* out, size_t size)
{
    // Through a stream like a file, so both take the same path.
    const File file(fmemopen(const_cast<uint8_t*>(data), dataSize, "rb"), std::fclose);
    if (!file)
        throw std::runtime_error("cannot open " + name + ": " + std::strerror(errno));
    readMap(file.get(), name, out, size);
}
