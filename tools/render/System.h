#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A program found on the PATH, started with its standard input from a pipe
// this process writes. No shell: the arguments reach it as they are.
class ChildProcess {
public:
    // Throws std::runtime_error when it cannot be started.
    explicit ChildProcess(const std::vector<std::string>& args);
    ~ChildProcess(); // closes the pipe and waits
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Throws std::runtime_error when the program has stopped reading.
    void write(const void* bytes, size_t size);
    // Closes the pipe and waits: the exit code, or -1 when it did not exit.
    int finish();

private:
    std::string name;
    intptr_t child = -1; // a process id, or on Windows a process handle
    int pipe = -1;
};

// One argument as a Windows command line writes it, so that the program's C
// runtime reads it back as it was: quoted where it holds blanks or quotes,
// backslashes doubled only before a quote.
std::string windowsArgument(const std::string& arg);

// A new file in the system's temporary folder, NAME-<unique>SUFFIX, holding
// `size` bytes. Throws std::runtime_error naming it when it cannot be made.
std::string writeTemporaryFile(const std::string& name, const std::string& suffix, const uint8_t* bytes, size_t size);
