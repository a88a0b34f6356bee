#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

#include "base/Cores.h"
#include "base/ParallelFor.h"

namespace {

TEST(ParallelFor, CallsEveryIndexOnceOnAtMostTheThreadsAsked)
{
    for (unsigned threads : {1u, 2u, 3u, 0u})
        for (size_t count : {size_t(0), size_t(1), size_t(2), size_t(257)}) {
            std::vector<std::atomic<int>> calls(count);
            std::mutex lock;
            std::set<std::thread::id> ran;
            parallelFor(
                count,
                [&](size_t i) {
                    ++calls[i];
                    const std::lock_guard<std::mutex> guard(lock);
                    ran.insert(std::this_thread::get_id());
                },
                threads);
            for (size_t i = 0; i < count; ++i)
                ASSERT_EQ(calls[i], 1) << "index " << i << " of " << count << " on " << threads << " threads";
            EXPECT_LE(ran.size(), threads ? threads : machineCores());
            if (threads == 1 && count > 0) {
                EXPECT_EQ(ran, std::set{std::this_thread::get_id()}) << "one thread: no other is started";
            }
        }
}

TEST(ParallelFor, AnExceptionStopsTheRestAndComesBack)
{
    for (unsigned threads : {1u, 2u, 3u}) {
        std::atomic<size_t> calls{0};
        EXPECT_THROW(parallelFor(
                         1000,
                         [&](size_t i) {
                             ++calls;
                             if (i == 10)
                                 throw std::runtime_error("picture 10");
                         },
                         threads),
                     std::runtime_error);
        if (threads == 1) {
            EXPECT_EQ(calls, 11u) << "none is begun after the throw";
        }
    }
}

} // namespace
