#pragma once
#include <cstdint>
#include <functional>

// The show clock: whole milliseconds since `start`, read from an injected
// millisecond tick (32-bit, wrapping), with optional frame statistics kept as
// short status texts.
class Timer {
public:
    using Tick = std::function<uint32_t()>;

    enum : uint8_t { TimeStatistics = 1, FpsStatistics = 4 };

    char timeText[64] = {};
    char intervalText[64] = {};
    char fpsNumberText[16] = {};
    char fpsText[64] = {};
    char minFpsText[64] = {};
    char maxFpsText[64] = {};
    float timeMs = 0.0f;
    float timeCs = 0.0f;
    float timeDs = 0.0f;
    float timeS = 0.0f;
    uint32_t elapsed = 0;
    uint32_t startTick = 0;
    uint32_t currentTick = 0;
    uint32_t previousElapsed = 0;
    uint32_t maxInterval = 0;
    uint32_t interval = 0;
    uint32_t frameCounter = 0;
    float windowStart = 0.0f;
    float lastFrameTick = 0.0f;
    uint32_t windowStartTick = 0; // window start as the tick itself, for wrap-proof spans
    float minFps = 3.4028235e38f;
    float maxFps = 0.0f;
    uint8_t enabledStatistics = 0;
    uint8_t activeStatistics = 0;
    // Running average of the frame interval, seeded by the first tick.
    float averageInterval = 0.0f;
    bool averageSeeded = false;

    Timer(uint8_t enabled, Tick tick);

    void reset();
    void start();
    void stop();
    void tick();
    // Everything of `other` but its tick: this clock goes on reading its own.
    void takeState(const Timer& other);

private:
    Tick now;
};
