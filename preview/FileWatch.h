#pragma once
#include <cstdint>
#include <string>

// A file's modification time and size, as far as the file system tells them.
struct FileStamp {
    int64_t modified = -1; // nanoseconds; -1 when the file is missing
    int64_t size = -1;
    bool operator==(const FileStamp&) const = default;
};

FileStamp fileStamp(const std::string& path);

// Tells when a file changes on disk, by its stamp: cheap enough to ask every
// few milliseconds. An empty path never changes.
class FileWatch {
public:
    explicit FileWatch(std::string path);
    // True once for each change seen since the last call (or the start).
    bool changed();

private:
    FileStamp read() const { return path.empty() ? FileStamp{} : fileStamp(path); }

    std::string path;
    FileStamp last;
};
