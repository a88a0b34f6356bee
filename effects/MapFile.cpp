#include "effects/MapFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "base/Files.h"

namespace {

// What a short map lacks reads as 255.
void pad(uint8_t* out, size_t got, size_t size)
{
    std::fill(out + got, out + size, uint8_t(255));
}

} // namespace

void readMap(const std::string& path, uint8_t* out, size_t size)
{
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(openFile(path, "rb"), std::fclose);
    if (!file)
        throw std::runtime_error("cannot open " + path + ": " + std::strerror(errno));
    const size_t got = std::fread(out, 1, size, file.get());
    if (std::ferror(file.get()))
        throw std::runtime_error("cannot read " + path + ": " + std::strerror(errno));
    pad(out, got, size);
}

void readMap(const uint8_t* data, size_t dataSize, uint8_t* out, size_t size)
{
    const size_t got = std::min(dataSize, size);
    std::copy_n(data, got, out);
    pad(out, got, size);
}
