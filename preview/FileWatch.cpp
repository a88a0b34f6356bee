#include "preview/FileWatch.h"

#include <chrono>
#include <filesystem>
#include <utility>

FileStamp fileStamp(const std::string& path)
{
    std::error_code error;
    const auto modified = std::filesystem::last_write_time(path, error);
    if (error)
        return {};
    const auto size = std::filesystem::file_size(path, error);
    if (error)
        return {};
    return {int64_t(std::chrono::duration_cast<std::chrono::nanoseconds>(modified.time_since_epoch()).count()),
            int64_t(size)};
}

FileWatch::FileWatch(std::string path) : path(std::move(path)), last(read()) {}

bool FileWatch::changed()
{
    const FileStamp now = read();
    if (now == last)
        return false;
    last = now;
    return true;
}
