// Stands in for ffmpeg.exe in the export test under wine: reads its standard
// input to the end and writes its arguments, one a line, then "N bytes" for
// what it read, into the file its last argument names.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/Files.h"

int wmain(int argc, wchar_t** argv)
{
    const std::vector<std::string> args = utf8Arguments(argc, argv);
    _setmode(_fileno(stdin), _O_BINARY);
    unsigned long long bytes = 0;
    char chunk[65536];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, stdin)) > 0;)
        bytes += n;
    std::FILE* out = openFile(args.back(), "wb");
    if (!out)
        return 1;
    for (size_t i = 1; i < args.size(); ++i)
        std::fprintf(out, "%s\n", args[i].c_str());
    std::fprintf(out, "%llu bytes\n", bytes);
    return std::fclose(out) == 0 ? 0 : 1;
}
