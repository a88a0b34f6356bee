// The house's layers: a folder includes only from folders below it, and a
// window system's headers only where its platform layer lives.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>

#include "TestData.h"

namespace fs = std::filesystem;

namespace {

// The core and window/, lowest first.
const std::vector<std::string> kLayers = {"base",  "params", "gfx",  "pack", "effects", "scene",
                                          "audio", "engine", "show", "app",  "window"};
// Above all of those, beside each other: what else each may include.
const std::map<std::string, std::set<std::string>> kFrontEnds = {
    {"platform", {}}, {"web", {}}, {"win32", {}}, {"preview", {"platform"}}, {"tools", {}}};
// A window system's header and the folders that may include it.
const std::set<std::string> kSdl = {"platform", "preview"};
const std::map<std::string, std::set<std::string>> kSystemHeaders = {
    {"SDL.h", kSdl}, {"SDL_ttf.h", kSdl}, {"SDL_mixer.h", kSdl}, {"windows.h", {"win32"}}, {"emscripten.h", {"web"}}};

int rankOf(const std::string& folder)
{
    const auto found = std::find(kLayers.begin(), kLayers.end(), folder);
    return found == kLayers.end() ? -1 : int(found - kLayers.begin());
}

bool mayInclude(const std::string& from, const std::string& to)
{
    if (from == to)
        return true;
    if (rankOf(from) >= 0)
        return rankOf(to) >= 0 && rankOf(to) < rankOf(from);
    return rankOf(to) >= 0 || kFrontEnds.at(from).count(to) > 0;
}

// "file:line includes name" for every include that breaks the layers.
std::vector<std::string> violations(const fs::path& source)
{
    const std::regex include(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");
    std::vector<std::string> folders = kLayers, found;
    for (const auto& [folder, others] : kFrontEnds)
        folders.push_back(folder);
    for (const std::string& folder : folders) {
        if (!fs::exists(source / folder))
            continue;
        for (const auto& entry : fs::recursive_directory_iterator(source / folder)) {
            const std::string ext = entry.path().extension().string();
            if (ext != ".cpp" && ext != ".h")
                continue;
            std::ifstream in(entry.path());
            std::string line;
            for (int number = 1; std::getline(in, line); ++number) {
                std::smatch m;
                if (!std::regex_search(line, m, include))
                    continue;
                const std::string name = m[2];
                const std::string top = name.substr(0, name.find('/'));
                const auto system = kSystemHeaders.find(fs::path(name).filename().string());
                const bool bad = m[1] == "<" ? system != kSystemHeaders.end() && !system->second.count(folder)
                                             : (rankOf(top) >= 0 || kFrontEnds.count(top)) && !mayInclude(folder, top);
                if (bad)
                    found.push_back(fs::relative(entry.path(), source).generic_string() + ":" + std::to_string(number) +
                                    " includes " + name);
            }
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

void writeText(const std::string& file, const std::string& text)
{
    writeBytes(file, std::vector<uint8_t>(text.begin(), text.end()));
}

} // namespace

TEST(Layers, NoFolderIncludesFromAFolderAboveIt)
{
    EXPECT_EQ(violations(SOFTDEMO_SOURCE_DIR), std::vector<std::string>{});
}

TEST(Layers, AnArrowUpOrAWindowSystemInTheCoreIsFound)
{
    TempDir tree;
    writeText(tree.file("effects/Up.cpp"), "#include \"effects/Effect.h\"\n#include \"engine/Production.h\"\n");
    writeText(tree.file("show/Sdl.h"), "#pragma once\n#include <SDL.h>\n");
    writeText(tree.file("web/Across.cpp"), "#include \"show/Timeline.h\"\n#include \"platform/Screen.h\"\n");
    writeText(tree.file("preview/Over.cpp"), "#include \"platform/Screen.h\"\n#include <SDL.h>\n");
    writeText(tree.file("tools/Win.cpp"), "#include <windows.h>\n");
    EXPECT_EQ(violations(tree.file("")), (std::vector<std::string>{"effects/Up.cpp:2 includes engine/Production.h",
                                                                   "show/Sdl.h:2 includes SDL.h",
                                                                   "tools/Win.cpp:1 includes windows.h",
                                                                   "web/Across.cpp:2 includes platform/Screen.h"}));
}
