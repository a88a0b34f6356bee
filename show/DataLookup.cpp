#include "show/DataLookup.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string_view>

#include "show/DataManifest.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kFromEnvironment = "SOFTDEMO_DATA";

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

} // namespace

std::vector<DataPlace> dataPlaces(const char* environmentValue, const std::string& programDir)
{
    std::vector<DataPlace> places;
    if (environmentValue && *environmentValue)
        places.push_back({environmentValue, kFromEnvironment});
    places.push_back({"data", "the current folder"});
    if (!programDir.empty())
        places.push_back({(fs::path(programDir).parent_path() / "share/softdemo/data").string(),
                          "installed with the program"});
    return places;
}

std::vector<DataPlace> dataPlaces()
{
    std::error_code ec;
    const fs::path program = fs::read_symlink("/proc/self/exe", ec);
    return dataPlaces(std::getenv(kFromEnvironment), ec ? std::string() : program.parent_path().string());
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
        if (std::string_view(place.why) == kFromEnvironment)
            found.warning = std::string(kFromEnvironment) + " names " + place.dir + ", which holds no data pack";
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
