// A small pool of worker threads for the loops over grid rows, and the rule that cuts the rows
// into blocks.
//
// Results must not depend on the number of threads: a loop is cut into a number of blocks that
// is fixed by the loop alone (never by the thread count), each block does the same arithmetic
// whichever thread runs it, and whatever is combined across blocks (partial sums) is combined
// in block order by the caller. Which thread ends up with which block is left to chance.
//
// The calling thread works on the blocks too and returns when all are done, so a parallel loop
// behaves like a plain loop to its caller. The blocks are dealt out in contiguous shares, the
// caller's first, and each thread takes its own share from the front before it helps the others
// from their backs: successive loops over the rows of one grid then give each thread the same
// rows, which stay in its own cache, and a thread that is held up is still covered. One loop runs
// on the pool at a time; a loop started while another one holds the pool (from another thread, or
// from inside a block) runs all its blocks on its own caller, in order. Workers spin briefly after
// a loop, so that the many short loops of a multigrid cycle do not each pay for waking them, then
// stay awake a while longer yielding their cores, and then sleep.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace tarsen {

/// The blocks a loop over grid rows is cut into (fewer when there are fewer rows), whatever the
/// number of threads.
inline constexpr int kRowBlocks = 32;

/// Loops expected to take less than this on one thread do not wake the threads of the pool
/// once they have gone to sleep (see ThreadPool::Run); larger ones do, and the threads then
/// stay awake for the loops that follow.
inline constexpr std::int64_t kWakeWork_ns = 50000;

/// Rows begin ... end - 1 of block b when count rows are cut into blocks nearly equal blocks
/// (the first count % blocks one row longer). 0 <= b < blocks.
struct RowRange {
    int begin = 0;
    int end = 0;
};
constexpr RowRange RowsOfBlock(int count, int blocks, int b)
{
    const int base = count / blocks;
    const int extra = count % blocks;
    const int begin = b * base + std::min(b, extra);
    return RowRange{begin, begin + base + (b < extra ? 1 : 0)};
}

/// The number of threads that the machine runs at once (at least 1).
inline int HardwareThreads()
{
    const unsigned n = std::thread::hardware_concurrency();
    return n == 0 ? 1 : static_cast<int>(std::min(n, 256u));
}

class ThreadPool {
public:
    /// A pool that runs loops on threads threads, the caller's included (at least 1).
    explicit ThreadPool(int threads = 1) { Start(threads); }
    ~ThreadPool() { Stop(); }
    ThreadPool(const ThreadPool&) = delete;
    ThreadPool& operator=(const ThreadPool&) = delete;

    /// Threads that a loop runs on, the caller's included.
    int Threads() const { return static_cast<int>(m_workers.size()) + 1; }

    /// Runs loops on threads threads from now on (values below 1 count as 1). Waits for a loop
    /// in progress to end.
    void SetThreads(int threads)
    {
        threads = std::max(threads, 1);
        while (!TryAcquire())
            std::this_thread::yield();
        if (threads != Threads()) {
            Stop();
            Start(threads);
        }
        Release();
    }

    /// body(b) for b = 0 ... blocks - 1, on the pool's threads; returns when every block is
    /// done. An exception thrown by a block is thrown here once all blocks have ended (the
    /// first one, when several throw).
    template <class Body> void Run(int blocks, const Body& body)
    {
        Run(blocks, kWakeWork_ns, body);
    }

    /// The same for a loop that takes about work_ns nanoseconds on one thread. While every
    /// other thread sleeps, a loop shorter than kWakeWork_ns runs on the caller alone: waking
    /// a thread is a system call, and the thread arrives only when most of such a loop is done.
    template <class Body> void Run(int blocks, std::int64_t work_ns, const Body& body)
    {
        if (blocks <= 0)
            return;
        if (blocks == 1 || blocks > kMaxBlocks || !TryAcquire()) {
            for (int b = 0; b < blocks; ++b)
                body(b);
            return;
        }
        const int workers = static_cast<int>(m_workers.size());
        if (workers == 0 ||
            (work_ns < kWakeWork_ns && m_sleepers.load(std::memory_order_seq_cst) == workers)) {
            Release();
            for (int b = 0; b < blocks; ++b)
                body(b);
            return;
        }
        m_call = [](const void* ctx, int b) { (*static_cast<const Body*>(ctx))(b); };
        m_context = &body;
        m_error = nullptr;
        m_pending.store(blocks, std::memory_order_relaxed);
        const std::uint32_t generation = m_generation.load(std::memory_order_relaxed) + 1;
        const int shares = static_cast<int>(m_shares.size());
        for (int k = 0; k < shares; ++k) {
            const RowRange r = RowsOfBlock(blocks, shares, k);
            m_shares[static_cast<std::size_t>(k)].state.store(Share(generation, r.begin, r.end),
                                                              std::memory_order_release);
        }
        m_generation.store(generation, std::memory_order_seq_cst);
        if (m_sleepers.load(std::memory_order_seq_cst) > 0)
            m_generation.notify_all();
        Work(generation, 0);
        WaitForBlocks();
        const std::exception_ptr error = m_error;
        Release();
        if (error)
            std::rethrow_exception(error);
    }

private:
    static constexpr int kMaxBlocks = 0xffff;
    // How long a worker waits for the next loop before it sleeps: it spins for kSpin, then
    // looks between yields of its core, which other threads may take, until kStayAwake. The
    // coarse levels of a multigrid cycle run on the caller alone for a few hundred microseconds
    // at a time; a worker that slept through them would not be woken by the short loops of the
    // finer levels that follow (see Run), which then ran on the caller alone too. Keeping the
    // workers awake took a tenth off a run cycle at 512 x 512 with 2 threads.
    static constexpr auto kSpin = std::chrono::microseconds(100);
    static constexpr auto kStayAwake = std::chrono::microseconds(2000);

    /// A share of a loop's blocks: its generation, the next block from the front and the end.
    struct alignas(64) ShareOfBlocks {
        std::atomic<std::uint64_t> state{0};
    };
    static std::uint64_t Share(std::uint32_t generation, int next, int end)
    {
        return (std::uint64_t{generation} << 32) | (std::uint64_t(next) << 16) | std::uint64_t(end);
    }

    bool TryAcquire()
    {
        bool expected = false;
        return m_busy.compare_exchange_strong(expected, true, std::memory_order_acquire);
    }
    void Release() { m_busy.store(false, std::memory_order_release); }

    static void Pause()
    {
#if defined(__x86_64__) || defined(__i386__)
        _mm_pause();
#else
        std::this_thread::yield();
#endif
    }

    void Start(int threads)
    {
        m_stop.store(false);
        // The generation is read here, not by the new thread: a loop or a Stop that comes
        // before the thread runs must still be seen as new by it.
        const std::uint32_t seen = m_generation.load(std::memory_order_acquire);
        m_shares = std::vector<ShareOfBlocks>(static_cast<std::size_t>(threads));
        for (int k = 1; k < threads; ++k)
            m_workers.emplace_back([this, seen, k] { WorkerLoop(seen, k); });
    }

    void Stop()
    {
        m_stop.store(true, std::memory_order_seq_cst);
        m_generation.fetch_add(1, std::memory_order_seq_cst);
        m_generation.notify_all();
        for (std::thread& w : m_workers)
            w.join();
        m_workers.clear();
    }

    /// Runs blocks of the loop generation on thread self until none is left (TakeBlocks), and
    /// then counts them off m_pending all at once: that counter is the one line every thread
    /// writes, and passing it between the cores after each block would cost more than the
    /// block of a small level takes.
    void Work(std::uint32_t generation, int self)
    {
        int done = 0;
        TakeBlocks(generation, self, done);
        if (done > 0 && m_pending.fetch_sub(done, std::memory_order_seq_cst) == done &&
            m_callerSleeping.load(std::memory_order_seq_cst))
            m_pending.notify_one();
    }

    /// Takes blocks of the loop generation until none is left: its own share (thread self)
    /// from the front, then the others' from their backs; done counts the blocks it ran. A
    /// worker that arrives late finds another generation in the shares and takes nothing.
    void TakeBlocks(std::uint32_t generation, int self, int& done)
    {
        const int shares = static_cast<int>(m_shares.size());
        for (int v = 0; v < shares; ++v) {
            const bool own = v == 0;
            std::atomic<std::uint64_t>& state =
                m_shares[static_cast<std::size_t>((self + v) % shares)].state;
            std::uint64_t s = state.load(std::memory_order_acquire);
            for (;;) {
                const int next = static_cast<int>((s >> 16) & 0xffff);
                const int end = static_cast<int>(s & 0xffff);
                if (static_cast<std::uint32_t>(s >> 32) != generation)
                    return;
                if (next >= end)
                    break;
                const std::uint64_t taken = own ? s + (std::uint64_t{1} << 16) : s - 1;
                if (!state.compare_exchange_weak(s, taken, std::memory_order_acq_rel,
                                                 std::memory_order_acquire))
                    continue;
                try {
                    m_call(m_context, own ? next : end - 1);
                } catch (...) {
                    std::lock_guard<std::mutex> lock(m_errorMutex);
                    if (!m_error)
                        m_error = std::current_exception();
                }
                ++done;
                s = state.load(std::memory_order_acquire);
            }
        }
    }

    void WaitForBlocks()
    {
        const auto until = std::chrono::steady_clock::now() + kSpin;
        for (int k = 0;; ++k) {
            if (m_pending.load(std::memory_order_acquire) == 0)
                return;
            if ((k & 63) == 63 && std::chrono::steady_clock::now() > until)
                break;
            Pause();
        }
        m_callerSleeping.store(true, std::memory_order_seq_cst);
        for (int left = m_pending.load(std::memory_order_seq_cst); left != 0;
             left = m_pending.load(std::memory_order_seq_cst))
            m_pending.wait(left, std::memory_order_seq_cst);
        m_callerSleeping.store(false, std::memory_order_relaxed);
    }

    void WorkerLoop(std::uint32_t seen, int self)
    {
        for (;;) {
            std::uint32_t now = m_generation.load(std::memory_order_acquire);
            const auto start = std::chrono::steady_clock::now();
            bool yielding = false;
            for (int k = 0; now == seen; ++k) {
                if (yielding || (k & 63) == 63) {
                    const auto waited = std::chrono::steady_clock::now() - start;
                    if (waited > kStayAwake) {
                        m_sleepers.fetch_add(1, std::memory_order_seq_cst);
                        while ((now = m_generation.load(std::memory_order_seq_cst)) == seen)
                            m_generation.wait(seen, std::memory_order_seq_cst);
                        m_sleepers.fetch_sub(1, std::memory_order_relaxed);
                        break;
                    }
                    yielding = waited > kSpin;
                }
                if (yielding)
                    std::this_thread::yield();
                else
                    Pause();
                now = m_generation.load(std::memory_order_acquire);
            }
            if (m_stop.load(std::memory_order_acquire))
                return;
            seen = now;
            Work(now, self);
        }
    }

    std::vector<std::thread> m_workers;
    std::atomic<bool> m_busy{false};     // a loop is in progress, or the threads are changing
    std::vector<ShareOfBlocks> m_shares; // one per thread, the caller's first
    std::atomic<std::uint32_t> m_generation{0};
    std::atomic<int> m_pending{0};  // blocks not yet done
    std::atomic<int> m_sleepers{0}; // workers waiting on m_generation
    std::atomic<bool> m_callerSleeping{false};
    std::atomic<bool> m_stop{false};
    void (*m_call)(const void*, int) = nullptr;
    const void* m_context = nullptr;
    std::mutex m_errorMutex;
    std::exception_ptr m_error;
};

/// The pool of the grid loops, made at the first use with every core.
inline ThreadPool& SharedPool()
{
    static ThreadPool pool(HardwareThreads());
    return pool;
}

namespace detail {
inline thread_local ThreadPool* t_ownPool = nullptr;
} // namespace detail

/// The pool that runs the calling thread's grid loops: its own while an OwnThreadPool lives on
/// it, else the shared one.
inline ThreadPool& CurrentPool() { return detail::t_ownPool ? *detail::t_ownPool : SharedPool(); }

/// While it lives, the grid loops of the thread that made it run on a pool of their own, of
/// threads threads (the thread's own included). Threads that each run a whole computation, such
/// as the points of a sweep run at the same time, then each have their share of the cores and
/// touch no memory in common, where with the shared pool only one of them at a time could use
/// its workers and all of them would take turns at its lock.
class OwnThreadPool {
public:
    explicit OwnThreadPool(int threads) : m_pool(threads), m_previous(detail::t_ownPool)
    {
        detail::t_ownPool = &m_pool;
    }
    ~OwnThreadPool() { detail::t_ownPool = m_previous; }
    OwnThreadPool(const OwnThreadPool&) = delete;
    OwnThreadPool& operator=(const OwnThreadPool&) = delete;

private:
    ThreadPool m_pool;
    ThreadPool* m_previous;
};

/// Threads of the shared pool's grid loops from now on: 1 ... the machine's count; 0 or less
/// means every core. Results do not depend on it.
inline void SetThreadCount(int threads)
{
    SharedPool().SetThreads(threads < 1 ? HardwareThreads() : std::min(threads, 256));
}
/// Threads that the calling thread's grid loops run on.
inline int ThreadCount() { return CurrentPool().Threads(); }

/// body(b) for b = 0 ... blocks - 1 on the calling thread's pool (see ThreadPool::Run).
template <class Body> void ParallelFor(int blocks, const Body& body)
{
    CurrentPool().Run(blocks, body);
}

/// The same for a loop that takes about work_ns nanoseconds on one thread, which wakes
/// sleeping threads only when it is long enough to repay it.
template <class Body> void ParallelFor(int blocks, std::int64_t work_ns, const Body& body)
{
    CurrentPool().Run(blocks, work_ns, body);
}

} // namespace tarsen
