#include "app/DataFolder.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

std::vector<DataPlace> dataPlaces()
{
    std::error_code ec;
    const fs::path program = fs::read_symlink("/proc/self/exe", ec);
    const std::string programDir = ec ? std::string() : program.parent_path().string();
    const fs::path current = fs::current_path(ec);
    return dataPlaces(std::getenv(kDataEnvironment), programDir, ec ? std::string() : current.string());
}

std::string dataDirectoryFor(const std::string& named, const char* program)
{
    if (!named.empty())
        return named;
    const DataLookup found = findDataDirectory(dataPlaces());
    const std::string& message = found.dir.empty() ? found.error : found.warning;
    if (!message.empty())
        std::fprintf(stderr, "%s: %s\n", program, message.c_str());
    return found.dir;
}
