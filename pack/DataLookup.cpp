#include "pack/DataLookup.h"

#include <algorithm>
#include <filesystem>
#include <string_view>

#include "base/Files.h"
#include "pack/DataManifest.h"

namespace fs = std::filesystem;

namespace {

bool holdsDataPack(const std::string& dir)
{
    std::error_code ec;
    if (!fs::is_directory(filePath(dir), ec))
        return false;
    for (const std::string& file : dataFiles())
        if (fs::exists(filePath(dataFilePath(dir, file)), ec))
            return true;
    return false;
}

std::string describe(const DataPlace& place)
{
    return place.dir + " (" + place.why + ")";
}

// The nearest folder at or above `start` that holds the show's source.
std::string checkoutAbove(const std::string& start)
{
    std::error_code ec;
    if (start.empty())
        return {};
    fs::path dir = fs::absolute(filePath(start), ec);
    for (; !ec && !dir.empty(); dir = dir.parent_path()) {
        std::error_code missing;
        if (fs::is_regular_file(dir / "show" / "demo.show", missing))
            return pathText(dir);
        if (dir == dir.parent_path())
            break;
    }
    return {};
}

// The folder a place names, to tell when two name the same.
fs::path folderOf(const std::string& dir, const std::string& currentDir)
{
    std::error_code ec;
    return (fs::absolute(filePath(currentDir.empty() ? "." : currentDir), ec) / filePath(dir)).lexically_normal();
}

} // namespace

std::vector<DataPlace> dataPlaces(const char* environmentValue, const std::string& programDir,
                                  const std::string& currentDir, PackLayout layout)
{
    std::vector<DataPlace> places;
    if (environmentValue && *environmentValue)
        places.push_back({environmentValue, kDataEnvironment});
    std::vector<fs::path> named;
    const auto add = [&](const std::string& dir, const char* why) {
        const fs::path folder = folderOf(dir, currentDir);
        if (std::find(named.begin(), named.end(), folder) != named.end())
            return;
        named.push_back(folder);
        places.push_back({dir, why});
    };
    if (layout == PackLayout::BesideProgram && !programDir.empty())
        add(pathText(filePath(programDir) / "data"), "beside the program");
    add("data", "the current folder");
    std::string checkout = checkoutAbove(currentDir);
    if (checkout.empty())
        checkout = checkoutAbove(programDir);
    if (!checkout.empty())
        add(pathText(filePath(checkout) / "data"), "the source checkout");
    if (layout == PackLayout::Installed && !programDir.empty())
        add(pathText(filePath(programDir).parent_path() / "share/softdemo/data"), "installed with the program");
    return places;
}

DataLookup findDataDirectory(const std::vector<DataPlace>& places)
{
    DataLookup found;
    std::string looked;
    for (size_t i = 0; i < places.size(); ++i) {
        const DataPlace& place = places[i];
        if (holdsDataPack(place.dir)) {
            found.dir = place.dir;
            break;
        }
        if (std::string_view(place.why) == kDataEnvironment)
            found.warning = std::string(kDataEnvironment) + " names " + place.dir + ", which holds no data pack";
        looked += (i == 0 ? "" : i + 1 == places.size() ? " and " : ", ") + describe(place);
    }
    if (found.dir.empty()) {
        found.warning.clear();
        found.error = "no data pack in " + looked +
                      "; generate one with \"softdemo-assets --out data\", or set SOFTDEMO_DATA to its folder";
    } else if (!found.warning.empty()) {
        found.warning += "; using " + found.dir;
    }
    return found;
}
