// How the renderer hands ffmpeg its arguments on Windows: the command line is
// one string that the program's C runtime splits again.
#include <gtest/gtest.h>

#include "tools/render/System.h"

TEST(ChildProcess, WindowsArgumentsAreQuotedToSplitBackWhole)
{
    const struct {
        const char* arg;
        const char* written;
    } cases[] = {
        {"-y", "-y"},
        {"C:\\data\\fried.mp3", "C:\\data\\fried.mp3"},     // backslashes alone stay
        {"", "\"\""},                                         // an empty argument is still one
        {"C:\\D\xc3\xa9mo \xe3\x82\xb7\\show.mp4", "\"C:\\D\xc3\xa9mo \xe3\x82\xb7\\show.mp4\""},
        {"a\"b", "\"a\\\"b\""},                               // a quote is escaped
        {"C:\\my dir\\", "\"C:\\my dir\\\\\""},               // a backslash before the closing quote doubles
        {"x\\\"y z", "\"x\\\\\\\"y z\""},                     // as does one before an inner quote
        {"tab\there", "\"tab\there\""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(windowsArgument(c.arg), c.written) << c.arg;
}
