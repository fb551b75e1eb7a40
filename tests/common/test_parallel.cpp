// The thread pool of the grid loops: every block runs exactly once whoever calls, loops started
// inside a block or from another thread at the same time do not wait for one another, and a
// block's exception reaches the caller without losing the pool; threads with pools of their own
// each get their workers at the same time.
#include "common/parallel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

namespace tarsen {
namespace {

TEST(RowsOfBlock, CutsEveryRowOnceInOrder)
{
    for (int count : {1, 7, 10, 32, 33, 1000})
        for (int blocks : {1, 3, 4, 32}) {
            if (blocks > count)
                continue;
            int next = 0;
            for (int b = 0; b < blocks; ++b) {
                const RowRange r = RowsOfBlock(count, blocks, b);
                EXPECT_EQ(r.begin, next);
                // Nearly equal: no block two rows longer than another.
                EXPECT_GE(r.end - r.begin, count / blocks);
                EXPECT_LE(r.end - r.begin, count / blocks + 1);
                next = r.end;
            }
            EXPECT_EQ(next, count);
        }
}

TEST(ThreadPool, EveryBlockOnceWhateverCallsIt)
{
    ThreadPool pool(3);
    EXPECT_EQ(pool.Threads(), 3);
    std::vector<std::atomic<int>> hits(200);
    pool.Run(200, [&](int b) { ++hits[static_cast<std::size_t>(b)]; });
    for (const auto& h : hits)
        EXPECT_EQ(h.load(), 1);
    // A short loop may stay on the caller while the other threads sleep: still every block.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    pool.Run(200, 1000, [&](int b) { ++hits[static_cast<std::size_t>(b)]; });
    for (const auto& h : hits)
        EXPECT_EQ(h.load(), 2);

    // A loop inside a block runs on that block's thread.
    std::atomic<int> inner{0};
    pool.Run(8, [&](int) { pool.Run(5, [&](int) { ++inner; }); });
    EXPECT_EQ(inner.load(), 40);

    // Two callers at once: the one that finds the pool busy does its blocks itself.
    std::atomic<long> total{0};
    auto caller = [&] {
        for (int k = 0; k < 300; ++k)
            pool.Run(16, [&](int b) { total += b; });
    };
    std::thread other(caller);
    caller();
    other.join();
    EXPECT_EQ(total.load(), 2L * 300 * (15 * 16 / 2));

    // The first exception comes out once every block has ended; the pool goes on working.
    std::atomic<int> ran{0};
    EXPECT_THROW(pool.Run(50,
                          [&](int b) {
                              ++ran;
                              if (b % 10 == 7)
                                  throw std::runtime_error("block failed");
                          }),
                 std::runtime_error);
    EXPECT_EQ(ran.load(), 50);

    // Blocks that outlast the caller's spin: it sleeps, and the last thread to count off its
    // blocks must wake it.
    std::atomic<int> slow{0};
    for (int k = 0; k < 5; ++k)
        pool.Run(7, [&](int) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            ++slow;
        });
    EXPECT_EQ(slow.load(), 35);
    pool.SetThreads(1);
    EXPECT_EQ(pool.Threads(), 1);
    std::atomic<int> after{0};
    pool.Run(10, [&](int) { ++after; });
    EXPECT_EQ(after.load(), 10);
}

TEST(OwnThreadPool, EachComputationGetsItsWorkersAtTheSameTime)
{
    // Each block of a loop waits until the other block of the same loop has started: it can end
    // only when the loop's two blocks run on two threads at once. Through the shared pool the
    // second caller would run its blocks one after the other and wait in vain.
    std::atomic<int> overlapped{0};
    std::atomic<int> arrived{0};
    auto computation = [&] {
        OwnThreadPool own(2);
        EXPECT_EQ(ThreadCount(), 2);
        for (int k = 1; k <= 5; ++k) {
            // Both computations start their loop at the same moment.
            ++arrived;
            while (arrived.load() < 2 * k)
                std::this_thread::yield();
            std::atomic<int> started{0};
            std::atomic<int> together{0};
            ParallelFor(2, [&](int) {
                ++started;
                const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
                while (started.load() < 2 && std::chrono::steady_clock::now() < until)
                    std::this_thread::yield();
                if (started.load() == 2)
                    ++together;
            });
            if (together.load() == 2)
                ++overlapped;
        }
    };
    std::thread other(computation);
    computation();
    other.join();
    EXPECT_EQ(overlapped.load(), 10);
    // The pool lives as long as its owner: this thread is back on the shared pool.
    EXPECT_EQ(&CurrentPool(), &SharedPool());
}

} // namespace
} // namespace tarsen
