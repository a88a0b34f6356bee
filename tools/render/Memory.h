#pragma once
#include <cstdint>
#include <string>

// The process's resident memory, from /proc/self/status: what it holds now
// (VmRSS) and the most it has held (VmHWM), in kB. Both 0 where the kernel
// does not say.
struct ResidentMemory {
    uint64_t residentKb = 0;
    uint64_t peakKb = 0;
};

ResidentMemory residentMemory();

// One line for standard error, "memory WHEN: VmRSS N kB, VmHWM N kB", which
// tests/longrun reads.
std::string memoryLine(const char* when, const ResidentMemory& m);
