#include "base/Files.h"

#include <cstdint>
#include <cstdlib>

std::filesystem::path filePath(std::string_view utf8)
{
    const auto* text = reinterpret_cast<const char8_t*>(utf8.data());
    return std::filesystem::path(std::u8string_view(text, utf8.size()));
}

std::string pathText(const std::filesystem::path& path)
{
#ifdef _WIN32
    return utf8FromWide(path.native());
#else
    return path.native();
#endif
}

std::FILE* openFile(const std::string& utf8, const char* mode)
{
#ifdef _WIN32
    const std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
    return _wfopen(filePath(utf8).c_str(), wideMode.c_str());
#else
    return std::fopen(utf8.c_str(), mode);
#endif
}

std::string environmentText(const char* name)
{
#ifdef _WIN32
    const std::wstring wideName(name, name + std::char_traits<char>::length(name));
    const wchar_t* value = _wgetenv(wideName.c_str());
    return value ? utf8FromWide(value) : std::string();
#else
    const char* value = std::getenv(name);
    return value ? value : std::string();
#endif
}

std::vector<std::string> utf8Arguments(int argc, const wchar_t* const* argv)
{
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i)
        arguments.push_back(utf8FromWide(argv[i]));
    return arguments;
}

std::string utf8FromWide(std::wstring_view wide)
{
    std::string text;
    for (size_t i = 0; i < wide.size(); ++i) {
        uint32_t c = uint32_t(wide[i]);
        const bool high = c >= 0xd800 && c < 0xdc00;
        if (high && i + 1 < wide.size() && uint32_t(wide[i + 1]) - 0xdc00 < 0x400)
            c = 0x10000 + ((c - 0xd800) << 10) + (uint32_t(wide[++i]) - 0xdc00);
        else if ((c >= 0xd800 && c < 0xe000) || c > 0x10ffff)
            c = 0xfffd;
        if (c < 0x80) {
            text += char(c);
        } else if (c < 0x800) {
            text += char(0xc0 | c >> 6);
            text += char(0x80 | (c & 0x3f));
        } else if (c < 0x10000) {
            text += char(0xe0 | c >> 12);
            text += char(0x80 | (c >> 6 & 0x3f));
            text += char(0x80 | (c & 0x3f));
        } else {
            text += char(0xf0 | c >> 18);
            text += char(0x80 | (c >> 12 & 0x3f));
            text += char(0x80 | (c >> 6 & 0x3f));
            text += char(0x80 | (c & 0x3f));
        }
    }
    return text;
}
