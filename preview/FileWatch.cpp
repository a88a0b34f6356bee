#include "preview/FileWatch.h"

#include <sys/stat.h>

#include <utility>

FileWatch::FileWatch(std::string path) : path(std::move(path)), last(read()) {}

FileWatch::Stamp FileWatch::read() const
{
    struct stat s;
    if (path.empty() || ::stat(path.c_str(), &s) != 0)
        return {};
    return {int64_t(s.st_mtim.tv_sec) * 1000000000 + s.st_mtim.tv_nsec, int64_t(s.st_size)};
}

bool FileWatch::changed()
{
    const Stamp now = read();
    if (now == last)
        return false;
    last = now;
    return true;
}
