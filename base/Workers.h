#pragma once
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// A small pool of threads that live as long as the pool: starting threads
// costs more than a frame, so a job only wakes them. The calling thread takes
// tasks too, so a pool of 1 starts no thread at all and runs every task
// inline (builds without thread support rely on that).
class Workers {
public:
    explicit Workers(unsigned threads = 1);
    ~Workers();
    Workers(const Workers&) = delete;
    Workers& operator=(const Workers&) = delete;

    unsigned threads() const { return unsigned(pool.size()) + 1; }

    // Calls task(i) once for every i in 0 ... count - 1, spread over the
    // threads, and returns when all have returned. Tasks must not throw.
    // Each thread first takes a run of its own (the calling thread the first
    // run, the pool's threads the next ones in order), the same run for the
    // same count in every job, and then helps with the others' runs: jobs over
    // the same rows keep those rows in the same core's cache.
    template <class F>
    void run(uint32_t count, F& task)
    {
        if (pool.empty() || count < 2) {
            for (uint32_t i = 0; i < count; ++i)
                task(i);
            return;
        }
        for (uint32_t first = 0; first < count; first += kMaxTasks) {
            auto part = [&](uint32_t i) { task(first + i); };
            using Part = decltype(part);
            dispatch(std::min(count - first, kMaxTasks), [](void* f, uint32_t i) { (*static_cast<Part*>(f))(i); },
                     &part);
        }
    }

private:
    using Call = void (*)(void*, uint32_t);
    void dispatch(uint32_t count, Call call, void* context);
    void work(unsigned self);
    void takeTasks(uint32_t job, unsigned self);

    std::vector<std::thread> pool;
    std::mutex lock;
    std::condition_variable wake, done;
    std::atomic<bool> stopping{false};
    // The current job. Each thread's run has a cursor holding the job's number
    // (bits 32 ... 63), the run's end (16 ... 31) and its next task (0 ... 15)
    // in one word, so a thread that wakes late for an old job can never claim
    // a task of a newer one, nor read one job's end with another's next task.
    static constexpr uint32_t kMaxTasks = 0xffff;
    struct alignas(64) Run {
        std::atomic<uint64_t> cursor{0};
    };
    std::atomic<uint32_t> job{0};
    std::unique_ptr<Run[]> runs;
    std::atomic<Call> call{nullptr};
    std::atomic<void*> context{nullptr};
    std::atomic<uint32_t> count{0};
    std::atomic<uint32_t> completed{0};
};
