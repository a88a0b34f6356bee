#include "tools/render/Memory.h"

#include <cstdio>

ResidentMemory residentMemory()
{
    ResidentMemory m;
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (!status)
        return m;
    char line[256];
    while (std::fgets(line, sizeof line, status)) {
        unsigned long long kb = 0;
        if (std::sscanf(line, "VmRSS: %llu kB", &kb) == 1)
            m.residentKb = kb;
        else if (std::sscanf(line, "VmHWM: %llu kB", &kb) == 1)
            m.peakKb = kb;
    }
    std::fclose(status);
    return m;
}

std::string memoryLine(const char* when, const ResidentMemory& m)
{
    char text[128];
    std::snprintf(text, sizeof text, "memory %s: VmRSS %llu kB, VmHWM %llu kB", when,
                  static_cast<unsigned long long>(m.residentKb), static_cast<unsigned long long>(m.peakKb));
    return text;
}
