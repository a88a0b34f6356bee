#pragma once
#include <string>
#include <string_view>

// The show names its files "data/x"; they are read from <dir>/x, so tests and
// tools can point the show at another data directory. Other names stay as they are.
inline std::string dataFilePath(const std::string& dir, std::string_view showName)
{
    constexpr std::string_view prefix = "data/";
    if (showName.substr(0, prefix.size()) == prefix)
        return dir + "/" + std::string(showName.substr(prefix.size()));
    return std::string(showName);
}
