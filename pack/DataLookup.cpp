#include "pack/DataLookup.h"

#include <filesystem>
#include <string_view>

#include "pack/DataManifest.h"

namespace fs = std::filesystem;

namespace {

bool holdsDataPack(const std::string& dir)
{
    std::error_code ec;
    if (!fs::is_directory(dir, ec))
        return false;
    for (const std::string& file : dataFiles())
        if (fs::exists(dataFilePath(dir, file), ec))
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
    fs::path dir = fs::absolute(start, ec);
    for (; !ec && !dir.empty(); dir = dir.parent_path()) {
        std::error_code missing;
        if (fs::is_regular_file(dir / "show" / "demo.show", missing))
            return dir.string();
        if (dir == dir.parent_path())
            break;
    }
    return {};
}

} // namespace

std::vector<DataPlace> dataPlaces(const char* environmentValue, const std::string& programDir,
                                  const std::string& currentDir)
{
    std::vector<DataPlace> places;
    if (environmentValue && *environmentValue)
        places.push_back({environmentValue, kDataEnvironment});
    places.push_back({"data", "the current folder"});
    std::string checkout = checkoutAbove(currentDir);
    if (checkout.empty())
        checkout = checkoutAbove(programDir);
    std::error_code ec;
    const fs::path here = fs::absolute(currentDir.empty() ? "." : currentDir, ec) / "data";
    if (!checkout.empty() && (fs::path(checkout) / "data").lexically_normal() != here.lexically_normal())
        places.push_back({(fs::path(checkout) / "data").string(), "the source checkout"});
    if (!programDir.empty())
        places.push_back({(fs::path(programDir).parent_path() / "share/softdemo/data").string(),
                          "installed with the program"});
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
