#include "engine/Timer.h"

#include <cstdio>
#include <utility>

#include "params/Truncate.h"

Timer::Timer(uint8_t enabled, Tick tick) : enabledStatistics(enabled), now(std::move(tick))
{
    reset();
}

void Timer::reset()
{
    timeText[0] = 0;
    fpsNumberText[0] = 0;
    fpsText[0] = 0;
    minFpsText[0] = 0;
    maxFpsText[0] = 0;
    frameCounter = 0;
    windowStart = 0.0f;
    lastFrameTick = 0.0f;
    windowStartTick = 0;
    minFps = 3.4028235e38f;
    maxFps = 0.0f;
    if (enabledStatistics & TimeStatistics) {
        elapsed = 0;
        maxInterval = 0;
        timeMs = timeCs = timeDs = timeS = 0.0f;
    }
}

void Timer::takeState(const Timer& other)
{
    Tick own = std::move(now);
    *this = other;
    now = std::move(own);
}

void Timer::start()
{
    activeStatistics = enabledStatistics;
    reset();
    startTick = now();
}

void Timer::stop()
{
    activeStatistics = 0;
    reset();
}

void Timer::tick()
{
    if (activeStatistics & TimeStatistics) {
        const uint32_t t = now();
        const uint32_t oldElapsed = elapsed;
        currentTick = t;
        elapsed = t - startTick; // unsigned: survives a wrap of the tick
        previousElapsed = oldElapsed;
        interval = elapsed - previousElapsed;

        timeMs = float(elapsed);
        timeCs = timeMs / 10.0f;
        timeDs = timeMs / 100.0f;
        timeS = timeMs / 1000.0f;
        if (interval >= maxInterval)
            maxInterval = interval;

        const float previous = averageSeeded ? averageInterval : float(interval);
        averageInterval = (float(interval) + previous) * 0.5f;
        averageSeeded = true;

        std::snprintf(timeText, sizeof timeText, "Time(ds): %04.0f | ", double(timeDs));
        std::snprintf(intervalText, sizeof intervalText, "Epsilon: %.2i, avr: %.2i | ", int(interval & 0xff),
                      int(truncToInt64(averageInterval) & 0xff));
    }
    if (activeStatistics & FpsStatistics) {
        const uint32_t tick = now();
        ++frameCounter;
        lastFrameTick = float(tick);
        // The window's span is an unsigned difference of ticks, like elapsed: a float
        // tick loses whole milliseconds past 2^24 and would stall the window at a wrap.
        // Below 2^24 this is the same arithmetic as on the float ticks.
        const uint32_t span = tick - windowStartTick;
        if (span > 500) {
            const float fps = float(frameCounter) * 1000.0f / float(span);
            if (minFps > fps)
                minFps = fps;
            if (fps > maxFps)
                maxFps = fps;
            std::snprintf(fpsNumberText, sizeof fpsNumberText, "%.0f", double(fps));
            std::snprintf(fpsText, sizeof fpsText, "Fps: %.0f | ", double(fps));
            std::snprintf(minFpsText, sizeof minFpsText, "Min fps: %.0f | ", double(minFps));
            std::snprintf(maxFpsText, sizeof maxFpsText, "Max fps: %.0f | ", double(maxFps));
            frameCounter = 0;
            windowStart = lastFrameTick;
            windowStartTick = tick;
        }
    }
}
