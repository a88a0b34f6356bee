#include "base/ParallelFor.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "base/Cores.h"

void parallelFor(size_t count, const std::function<void(size_t)>& body, unsigned threads)
{
    if (count == 0)
        return;
    // Calls are handed out one at a time, so a long one does not hold up the rest.
    std::atomic<size_t> next{0};
    std::mutex failureLock;
    std::exception_ptr failure;
    const auto work = [&] {
        for (size_t i; (i = next.fetch_add(1)) < count;) {
            try {
                body(i);
            } catch (...) {
                const std::lock_guard<std::mutex> lock(failureLock);
                if (!failure)
                    failure = std::current_exception();
                next = count;
            }
        }
    };
    const size_t helpers = std::min<size_t>(threads ? threads : machineCores(), count) - 1;
    std::vector<std::thread> started;
    started.reserve(helpers);
    for (size_t t = 0; t < helpers; ++t) {
        try {
            started.emplace_back(work);
        } catch (const std::system_error&) {
            break; // no more threads to be had: the ones there share the work
        }
    }
    work();
    for (std::thread& t : started)
        t.join();
    if (failure)
        std::rethrow_exception(failure);
}
