#include "app/DataFolder.h"

#include <cstdio>
#include <filesystem>

#include "base/Files.h"

namespace fs = std::filesystem;

#ifndef _WIN32
std::string programFolder()
{
    std::error_code ec;
    const fs::path program = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : program.parent_path().string();
}
#endif

std::vector<DataPlace> dataPlaces()
{
#ifdef _WIN32
    constexpr PackLayout layout = PackLayout::BesideProgram;
#else
    constexpr PackLayout layout = PackLayout::Installed;
#endif
    std::error_code ec;
    const fs::path current = fs::current_path(ec);
    const std::string environment = environmentText(kDataEnvironment);
    return dataPlaces(environment.c_str(), programFolder(), ec ? std::string() : pathText(current), layout);
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
