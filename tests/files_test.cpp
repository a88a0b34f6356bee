// UTF-8 paths reach the file system through base/Files: on Windows a name
// outside the code page only survives through the wide calls.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "TestData.h"
#include "base/Files.h"

namespace {

TEST(Files, WideTextBecomesUtf8)
{
    const struct {
        std::wstring wide;
        std::string utf8;
    } cases[] = {
        {L"", ""},
        {L"data/fried.mp3", "data/fried.mp3"},
        {L"J\u00fcrgen", "J\xc3\xbcrgen"},
        {L"D\u00e9mo \u30b7\u30e7\u30fc", "D\xc3\xa9mo \xe3\x82\xb7\xe3\x83\xa7\xe3\x83\xbc"},
        {L"\U0001f3b5", "\xf0\x9f\x8e\xb5"}, // a surrogate pair where wchar_t has 16 bits
        {std::wstring(1, wchar_t(0xd800)) + L"x", "\xef\xbf\xbdx"}, // a lone surrogate
        {std::wstring(1, wchar_t(0xdc00)), "\xef\xbf\xbd"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(utf8FromWide(c.wide), c.utf8);
    const wchar_t* arguments[] = {L"softdemo-render", L"--data", L"C:\\Users\\J\u00fcrgen\\data"};
    EXPECT_EQ(utf8Arguments(3, arguments),
              (std::vector<std::string>{"softdemo-render", "--data", "C:\\Users\\J\xc3\xbcrgen\\data"}));
}

TEST(Files, NamesOutsideTheCodePageAreCreatedFoundAndRead)
{
    TempDir dir;
    const std::string folder = dir.str() + "/J\xc3\xbcrgen/D\xc3\xa9mo \xe3\x82\xb7\xe3\x83\xa7\xe3\x83\xbc";
    std::filesystem::create_directories(filePath(folder));
    const std::string file = folder + "/fried.mp3";
    std::FILE* out = openFile(file, "wb");
    ASSERT_NE(out, nullptr) << file;
    std::fputs("ID3", out);
    std::fclose(out);

    std::ifstream in(filePath(file), std::ios::binary);
    std::string text;
    in >> text;
    EXPECT_EQ(text, "ID3");
    std::FILE* again = openFile(file, "rb");
    EXPECT_NE(again, nullptr);
    if (again)
        std::fclose(again);
    // The folder lists under the same name it was given.
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(filePath(dir.str() + "/J\xc3\xbcrgen")))
        names.push_back(pathText(entry.path().filename()));
    EXPECT_EQ(names, std::vector<std::string>{"D\xc3\xa9mo \xe3\x82\xb7\xe3\x83\xa7\xe3\x83\xbc"});
    EXPECT_EQ(openFile(folder + "/missing.mp3", "rb"), nullptr);
}

TEST(Files, EnvironmentTextIsUtf8)
{
#ifdef _WIN32
    _wputenv_s(L"SOFTDEMO_FILES_TEST", L"C:\\J\u00fcrgen\\\u30b7\u30e7\u30fc");
#else
    setenv("SOFTDEMO_FILES_TEST", "C:\\J\xc3\xbcrgen\\\xe3\x82\xb7\xe3\x83\xa7\xe3\x83\xbc", 1);
#endif
    EXPECT_EQ(environmentText("SOFTDEMO_FILES_TEST"), "C:\\J\xc3\xbcrgen\\\xe3\x82\xb7\xe3\x83\xa7\xe3\x83\xbc");
    EXPECT_EQ(environmentText("SOFTDEMO_FILES_TEST_UNSET"), "");
}

} // namespace
