#pragma once
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// Paths are UTF-8 text throughout the programs. On Windows the C library's
// narrow calls and std::filesystem's narrow constructors read bytes in
// another encoding, so a path reaches the file system only through these:
// there they take the wide calls, elsewhere the bytes pass as they are.

// Throws std::filesystem::filesystem_error where the text is not UTF-8 and
// the system wants UTF-16.
std::filesystem::path filePath(std::string_view utf8);
// A path as UTF-8 text.
std::string pathText(const std::filesystem::path& path);
// std::fopen of a UTF-8 path.
std::FILE* openFile(const std::string& utf8, const char* mode);
// An environment variable as UTF-8 text; empty when unset.
std::string environmentText(const char* name);
// Wide command-line arguments (Windows' wmain) as UTF-8 text.
std::vector<std::string> utf8Arguments(int argc, const wchar_t* const* argv);

// UTF-16 (or UTF-32, where wchar_t is 32 bits) as UTF-8; what is not a
// character (a lone surrogate) becomes U+FFFD, so any file name converts.
std::string utf8FromWide(std::wstring_view wide);
