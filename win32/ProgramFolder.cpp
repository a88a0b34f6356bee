// The folder of the running .exe, which app/ asks for: the C runtime knows the
// program's path only for some ways of starting it, Windows always.
#include <windows.h>

#include <filesystem>
#include <string>

#include "app/DataFolder.h"
#include "base/Files.h"

std::string programFolder()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            return pathText(std::filesystem::path(path).parent_path());
        }
        path.resize(path.size() * 2); // cut short: a longer path than MAX_PATH
    }
}
