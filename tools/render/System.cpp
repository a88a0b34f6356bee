#include "tools/render/System.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#else
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#endif

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "base/Files.h"

#ifndef _WIN32
extern char** environ;
#endif

namespace {

std::runtime_error systemError(const std::string& what, int error)
{
    return std::runtime_error(what + ": " + std::strerror(error));
}

} // namespace

std::string windowsArgument(const std::string& arg)
{
    if (!arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string::npos)
        return arg;
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        // Backslashes count only before a quote: there each is doubled, and the quote escaped.
        quoted.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
        quoted += c;
        backslashes = 0;
    }
    quoted.append(2 * backslashes, '\\'); // before the closing quote
    return quoted + '"';
}

#ifdef _WIN32

ChildProcess::ChildProcess(const std::vector<std::string>& args) : name(args.at(0))
{
    std::vector<std::wstring> wide;
    for (const std::string& a : args)
        wide.push_back(filePath(windowsArgument(a)).native());
    std::vector<const wchar_t*> argv;
    for (const std::wstring& w : wide)
        argv.push_back(w.c_str());
    argv.push_back(nullptr);

    int fds[2];
    if (_pipe(fds, 1 << 16, _O_BINARY | _O_NOINHERIT) != 0)
        throw systemError("cannot create a pipe to " + args[0], errno);
    // The child inherits this process's standard input: the pipe's end stands
    // there while it starts. The end written here is not inherited, so the
    // child sees the end of its input when this process closes it.
    const int input = _dup(0);
    _dup2(fds[0], 0);
    child = _wspawnvp(_P_NOWAIT, filePath(args[0]).c_str(), argv.data());
    const int error = errno;
    if (input >= 0) {
        _dup2(input, 0);
        _close(input);
    } else {
        _close(0);
    }
    _close(fds[0]);
    if (child == -1) {
        _close(fds[1]);
        throw systemError("cannot run " + args[0], error);
    }
    pipe = fds[1];
}

ChildProcess::~ChildProcess()
{
    if (pipe >= 0)
        _close(pipe);
    if (child != -1) {
        int status = 0;
        _cwait(&status, child, _WAIT_CHILD);
    }
}

void ChildProcess::write(const void* bytes, size_t size)
{
    const auto* at = static_cast<const char*>(bytes);
    while (size > 0) {
        const int n = _write(pipe, at, unsigned(std::min<size_t>(size, 1 << 20)));
        if (n <= 0)
            throw systemError(name + " stopped reading", errno);
        at += n;
        size -= size_t(n);
    }
}

int ChildProcess::finish()
{
    _close(pipe);
    pipe = -1;
    int status = 0;
    const intptr_t waited = _cwait(&status, child, _WAIT_CHILD);
    child = -1;
    return waited == -1 ? -1 : status;
}

std::string writeTemporaryFile(const std::string& name, const std::string& suffix, const uint8_t* bytes, size_t size)
{
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::temp_directory_path(ec);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string path =
            pathText(folder / filePath(name + "-" + std::to_string(_getpid()) + "-" + std::to_string(attempt) + suffix));
        const int fd = _wopen(filePath(path).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0)
            throw systemError("cannot make the temporary file " + path, errno);
        const bool written = _write(fd, bytes, unsigned(size)) == int(size);
        _close(fd);
        if (!written)
            throw systemError("cannot write " + path, errno);
        return path;
    }
    throw std::runtime_error("cannot make a temporary file for " + name + " in " + pathText(folder));
}

#else

ChildProcess::ChildProcess(const std::vector<std::string>& args) : name(args.at(0))
{
    std::vector<std::string> copies = args;
    std::vector<char*> argv;
    for (std::string& a : copies)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    int fds[2];
    if (::pipe(fds) != 0)
        throw systemError("cannot create a pipe to " + args[0], errno);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[0], STDIN_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    pid_t pid = -1;
    const int error = posix_spawnp(&pid, args[0].c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[0]);
    if (error != 0) {
        ::close(fds[1]);
        throw systemError("cannot run " + args[0], error);
    }
    child = pid;
    pipe = fds[1];
    std::signal(SIGPIPE, SIG_IGN); // a program that died shows up as a write error, not a signal
}

ChildProcess::~ChildProcess()
{
    if (pipe >= 0)
        ::close(pipe);
    if (child > 0)
        waitpid(pid_t(child), nullptr, 0);
}

void ChildProcess::write(const void* bytes, size_t size)
{
    const auto* at = static_cast<const char*>(bytes);
    while (size > 0) {
        const ssize_t n = ::write(pipe, at, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw systemError(name + " stopped reading", errno);
        at += n;
        size -= size_t(n);
    }
}

int ChildProcess::finish()
{
    ::close(pipe);
    pipe = -1;
    int status = 0;
    const pid_t waited = waitpid(pid_t(child), &status, 0);
    child = -1;
    return waited > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string writeTemporaryFile(const std::string& name, const std::string& suffix, const uint8_t* bytes, size_t size)
{
    std::error_code ec;
    std::string path = (std::filesystem::temp_directory_path(ec) / (name + "-XXXXXX" + suffix)).string();
    const int fd = mkstemps(path.data(), int(suffix.size()));
    if (fd < 0)
        throw systemError("cannot make a temporary file " + path, errno);
    const bool written = ::write(fd, bytes, size) == ssize_t(size);
    ::close(fd);
    if (!written)
        throw systemError("cannot write " + path, errno);
    return path;
}

#endif
