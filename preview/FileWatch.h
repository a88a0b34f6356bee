#pragma once
#include <cstdint>
#include <string>

// Tells when a file changes on disk, by its modification time and size. An
// empty path never changes.
class FileWatch {
public:
    explicit FileWatch(std::string path);
    // True once for each change seen since the last call (or the start).
    bool changed();

private:
    struct Stamp {
        int64_t modified = -1; // nanoseconds; -1 when the file is missing
        int64_t size = -1;
        bool operator==(const Stamp&) const = default;
    };
    Stamp read() const;

    std::string path;
    Stamp last;
};
