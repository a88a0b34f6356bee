#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <string>

#include "engine/Timer.h"
#include "params/Generator.h"

namespace {

struct FakeTick {
    uint32_t now = 0;
    Timer::Tick fn()
    {
        return [this] { return now; };
    }
};

TEST(Timer, StoppedClockStaysAtZero)
{
    FakeTick t;
    Timer timer(Timer::TimeStatistics, t.fn());
    t.now = 5000;
    timer.tick();
    EXPECT_EQ(timer.timeMs, 0.0f);
    timer.start();
    t.now = 5250;
    timer.tick();
    EXPECT_EQ(timer.timeMs, 250.0f);
    EXPECT_EQ(timer.timeCs, 25.0f);
    EXPECT_EQ(timer.timeDs, 2.5f);
    EXPECT_EQ(timer.timeS, 0.25f);
    timer.stop();
    EXPECT_EQ(timer.timeMs, 0.0f);
    t.now = 9000;
    timer.tick();
    EXPECT_EQ(timer.timeMs, 0.0f);
}

TEST(Timer, IntervalsAverageAndTexts)
{
    FakeTick t;
    t.now = 100;
    Timer timer(Timer::TimeStatistics, t.fn());
    timer.start();
    t.now = 400;
    timer.tick();
    EXPECT_EQ(timer.interval, 300u);
    EXPECT_EQ(timer.averageInterval, 300.0f); // the first tick seeds the average with itself
    EXPECT_STREQ(timer.intervalText, "Epsilon: 44, avr: 44 | "); // both modulo 256
    EXPECT_STREQ(timer.timeText, "Time(ds): 0003 | ");
    timer.tick(); // same millisecond
    EXPECT_EQ(timer.interval, 0u);
    EXPECT_EQ(timer.timeMs, 300.0f);
    EXPECT_EQ(timer.averageInterval, 150.0f);
    EXPECT_EQ(timer.maxInterval, 300u);
    t.now = 410;
    timer.tick();
    EXPECT_EQ(timer.averageInterval, 80.0f);
    EXPECT_STREQ(timer.intervalText, "Epsilon: 10, avr: 80 | ");
}

// The system tick wraps every 49.7 days. A clock started 500 ms before the wrap
// must keep time, intervals, averages, texts and frame rates exactly as one
// started far from it, frame after frame across the wrap.
TEST(Timer, RunsAcrossTheTickWrapAsIfThereWereNone)
{
    const uint8_t all = Timer::TimeStatistics | Timer::FpsStatistics;
    FakeTick plainTick, wrapTick;
    plainTick.now = 1000;
    wrapTick.now = 0xffffffffu - 499; // 2^32 - 500
    Timer plain(all, plainTick.fn());
    Timer wrapping(all, wrapTick.fn());
    plain.start();
    wrapping.start();

    // Uneven frame intervals, the same millisecond twice, and one long stall.
    const uint32_t steps[] = {16, 17, 0, 33, 16, 1, 300, 16, 17, 16, 5, 40};
    uint32_t shown = 0;
    int windows = 0;
    for (int frame = 0; frame < 240; ++frame) {
        const uint32_t step = steps[frame % std::size(steps)];
        plainTick.now += step;
        wrapTick.now += step;
        shown += step;
        plain.tick();
        wrapping.tick();
        SCOPED_TRACE("frame " + std::to_string(frame));
        ASSERT_EQ(wrapping.elapsed, shown);
        ASSERT_EQ(wrapping.timeMs, float(shown));
        ASSERT_EQ(wrapping.timeS, plain.timeS);
        ASSERT_EQ(wrapping.interval, step);
        ASSERT_EQ(wrapping.previousElapsed, plain.previousElapsed);
        ASSERT_EQ(wrapping.maxInterval, plain.maxInterval);
        ASSERT_EQ(wrapping.averageInterval, plain.averageInterval);
        ASSERT_STREQ(wrapping.timeText, plain.timeText);
        ASSERT_STREQ(wrapping.intervalText, plain.intervalText);
        // Both first windows start at tick 0 and close at once, at rates near 0
        // that differ; every later window must match.
        ASSERT_EQ(wrapping.frameCounter, plain.frameCounter);
        windows += plain.frameCounter == 0;
        if (windows > 1) {
            ASSERT_STREQ(wrapping.fpsText, plain.fpsText);
        }
    }
    EXPECT_EQ(wrapping.maxFps, plain.maxFps);
    EXPECT_LT(wrapping.currentTick, wrapping.startTick) << "the fake tick never wrapped";
    EXPECT_GT(shown, 3000u);
    EXPECT_GT(windows, 5); // windows kept closing after the wrap
    EXPECT_GT(plain.maxFps, 20.0f);
    EXPECT_STRNE(plain.fpsText, "");
}

TEST(Timer, FrameRateWindow)
{
    FakeTick t;
    t.now = 10000;
    Timer timer(Timer::TimeStatistics | Timer::FpsStatistics, t.fn());
    timer.start();
    timer.tick(); // the first window starts at tick 0, so it closes at once with a rate near 0
    EXPECT_FLOAT_EQ(timer.minFps, 0.1f);
    EXPECT_STREQ(timer.fpsText, "Fps: 0 | ");
    for (int i = 0; i < 30; ++i) {
        t.now += 20;
        timer.tick();
    }
    // 26 frames closed the window after 520 ms: 50 fps.
    EXPECT_FLOAT_EQ(timer.maxFps, 50.0f);
    EXPECT_STREQ(timer.maxFpsText, "Max fps: 50 | ");
    EXPECT_STREQ(timer.minFpsText, "Min fps: 0 | ");
    EXPECT_EQ(timer.frameCounter, 4u);
}

TEST(Sine, OutputFormula)
{
    Sine sine;
    EXPECT_STREQ(sine.name, "Sine");
    ASSERT_EQ(sine.variables.size(), 3u);
    EXPECT_EQ(sine.variables[0].typeName, "long *");
    EXPECT_EQ(sine.variables[1].typeName, "float *");
    sine.initVariables(nullptr);
    sine.getVariable("amplitude")->setBase(50, 0, nullptr);
    sine.getVariable("equilibrium")->setBase(192, 0, nullptr);
    sine.getVariable("phaseOffset")->addSegmentWithMode(100, 0, nullptr, Hold, 0, 1e9f); // never seen
    sine.refresh();
    sine.step(0);
    EXPECT_EQ(sine.output, 192);
    for (float t : {1.0f, 15.0f, 100.0f, 79220.0f}) {
        sine.step(t);
        const float x = t * 0.1f;
        EXPECT_EQ(sine.output, int(float(std::sin(double(x))) * 50.0f + 192.0f)) << t;
    }
    sine.getVariable("equilibrium")->setBase(0, 0, nullptr);
    sine.getVariable("amplitude")->setBase(-5, 0, nullptr);
    sine.refresh();
    sine.step(8.0f); // -5 * sin(0.8) = -3.59 truncates toward zero
    EXPECT_EQ(sine.output, -3);
}

} // namespace
