#include "base/Workers.h"

#include <chrono>
#include <system_error>

namespace {

// A frame runs a few jobs a few microseconds apart, and frames follow each
// other closely: threads wait up to this long before they sleep, as waking a
// sleeping thread (in a virtual machine, a halted processor) can cost more
// than a frame. Past the first rounds they give way, so that on a busy machine
// (or with more threads than cores) the thread with the work gets the core.
constexpr auto kWaitBeforeSleep = std::chrono::microseconds(500);
constexpr int kSpins = 64;

// Waits for done() a while; false if it has not come.
template <class Done>
bool waitBriefly(Done done)
{
    for (int i = 0; i < kSpins; ++i) {
        if (done())
            return true;
#if defined(__x86_64__) || defined(__i386__)
        __builtin_ia32_pause();
#endif
    }
    const auto until = std::chrono::steady_clock::now() + kWaitBeforeSleep;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= until)
            return false;
        std::this_thread::yield();
    }
    return true;
}

} // namespace

Workers::Workers(unsigned threads)
{
    // Where no more threads can start (a build without threads, a process at
    // its limit), the pool works with those it has: the caller runs the rest.
    if (threads > 1)
        runs = std::make_unique<Run[]>(threads);
    try {
        for (unsigned i = 1; i < threads; ++i)
            pool.emplace_back([this, i] { work(i); });
    } catch (const std::system_error&) {
    }
}

Workers::~Workers()
{
    {
        std::lock_guard<std::mutex> g(lock);
        stopping.store(true, std::memory_order_release);
        job.fetch_add(1, std::memory_order_release);
    }
    wake.notify_all();
    for (std::thread& t : pool)
        t.join();
}

void Workers::dispatch(uint32_t tasks, Call function, void* argument)
{
    const uint32_t number = job.load(std::memory_order_relaxed) + 1;
    call.store(function, std::memory_order_relaxed);
    context.store(argument, std::memory_order_relaxed);
    count.store(tasks, std::memory_order_relaxed);
    completed.store(0, std::memory_order_relaxed);
    const unsigned n = threads();
    for (unsigned t = 0; t < n; ++t) {
        const uint64_t first = uint64_t(t) * tasks / n, end = uint64_t(t + 1) * tasks / n;
        runs[t].cursor.store(uint64_t(number) << 32 | end << 16 | first, std::memory_order_release);
    }
    {
        std::lock_guard<std::mutex> g(lock);
        job.store(number, std::memory_order_release);
    }
    wake.notify_all();
    takeTasks(number, 0);
    if (!waitBriefly([&] { return completed.load(std::memory_order_acquire) == tasks; })) {
        std::unique_lock<std::mutex> g(lock);
        done.wait(g, [&] { return completed.load(std::memory_order_acquire) == tasks; });
    }
}

void Workers::takeTasks(uint32_t number, unsigned self)
{
    // Its own run from the front, then the others' from the back, so that the
    // tasks an owner gives up are the ones farthest from what it is drawing.
    const unsigned n = threads();
    for (unsigned k = 0; k < n; ++k) {
        std::atomic<uint64_t>& cursor = runs[(self + k) % n].cursor;
        const bool own = k == 0;
        for (;;) {
            uint64_t c = cursor.load(std::memory_order_acquire);
            const uint32_t end = uint32_t(c >> 16) & kMaxTasks, next = uint32_t(c) & kMaxTasks;
            if (uint32_t(c >> 32) != number || next >= end)
                break;
            // Call, context and the task count are those of job `number` for
            // as long as one of its tasks is unclaimed, which the exchange proves.
            const Call function = call.load(std::memory_order_relaxed);
            void* argument = context.load(std::memory_order_relaxed);
            const uint32_t tasks = count.load(std::memory_order_relaxed);
            if (!cursor.compare_exchange_weak(c, own ? c + 1 : c - (uint64_t(1) << 16), std::memory_order_acq_rel))
                continue;
            function(argument, own ? next : end - 1);
            if (completed.fetch_add(1, std::memory_order_acq_rel) + 1 == tasks) {
                std::lock_guard<std::mutex> g(lock);
                done.notify_all();
            }
        }
    }
}

void Workers::work(unsigned self)
{
    uint32_t seen = 0;
    for (;;) {
        if (!waitBriefly([&] { return job.load(std::memory_order_acquire) != seen; })) {
            std::unique_lock<std::mutex> g(lock);
            wake.wait(g, [&] { return job.load(std::memory_order_acquire) != seen; });
        }
        if (stopping.load(std::memory_order_acquire))
            return;
        seen = job.load(std::memory_order_acquire);
        takeTasks(seen, self);
    }
}
