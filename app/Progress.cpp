#include "app/Progress.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include <cstdio>

namespace {

bool standardErrorIsTerminal()
{
#ifdef _WIN32
    return _isatty(_fileno(stderr));
#else
    return isatty(STDERR_FILENO);
#endif
}

std::string clock(double seconds)
{
    const long s = long(seconds + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    return text;
}

} // namespace

Progress::Progress(std::string label, uint64_t total)
    : label(std::move(label)), total(total ? total : 1), terminal(standardErrorIsTerminal()),
      start(std::chrono::steady_clock::now()), lastDraw(start)
{
}

void Progress::update(uint64_t done)
{
    const auto now = std::chrono::steady_clock::now();
    const double fraction = double(done) / double(total);
    const int tenth = int(fraction * 10);
    if (terminal ? (now - lastDraw < std::chrono::milliseconds(100) && done < total) : tenth == lastTenth)
        return;
    lastDraw = now;
    lastTenth = tenth;
    const double elapsed = std::chrono::duration<double>(now - start).count();
    const double left = done ? elapsed / fraction - elapsed : 0.0;
    constexpr int width = 30;
    std::string bar(size_t(fraction * width), '#');
    bar.resize(width, '.');
    std::fprintf(stderr, "%s%s [%s] %3d%%  %s elapsed, %s left%s", terminal ? "\r" : "", label.c_str(), bar.c_str(),
                 int(fraction * 100), clock(elapsed).c_str(), clock(left).c_str(), terminal ? "  " : "\n");
    std::fflush(stderr);
}

void Progress::finish()
{
    if (lastTenth != 10 || terminal) {
        lastTenth = -1;
        lastDraw = {};
        update(total);
    }
    if (terminal)
        std::fputc('\n', stderr);
}
