#pragma once
#include <chrono>
#include <cstdint>
#include <string>

// A progress bar with the elapsed and remaining time, on standard error.
// On a terminal it redraws one line; otherwise it prints a line every 10 %.
class Progress {
public:
    Progress(std::string label, uint64_t total);
    void update(uint64_t done);
    void finish();

private:
    std::string label;
    uint64_t total;
    bool terminal;
    int lastTenth = -1;
    std::chrono::steady_clock::time_point start, lastDraw;
};
