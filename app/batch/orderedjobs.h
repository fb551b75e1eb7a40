// Runs the points of a sweep on several threads at once and prints what each one wrote on
// stderr in the order of the points, as if they had run one after another.
#pragma once

#include "common/parallel.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <functional>
#include <future>
#include <optional>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace tarsen::batch {

/// Calls work(k, err) for k = 0 ... count - 1 on jobs threads (the calling thread waits); err
/// collects what point k writes for stderr. In the order of k, each point's text goes to out
/// once it has ended, and then last(k, status) says whether the points after it are wanted;
/// when they are not, no further point is started, and those already running are waited for
/// and their text dropped. An exception thrown by a point is thrown here, in its turn.
/// Returns the number of points handed to last. With threadsPerJob above 0, each of the jobs
/// threads runs the grid loops of its points on a pool of its own of that many threads; with 0
/// they use the shared pool.
inline int RunInOrder(int count, int jobs, int threadsPerJob,
                      const std::function<int(int, std::ostream&)>& work,
                      const std::function<bool(int, int)>& last, std::ostream& out)
{
    struct Point {
        std::ostringstream err;
        std::promise<int> status;
    };
    std::vector<Point> points(static_cast<std::size_t>(std::max(count, 0)));
    std::vector<std::future<int>> done;
    done.reserve(points.size());
    for (Point& p : points)
        done.push_back(p.status.get_future());
    std::atomic<int> next{0};
    std::atomic<bool> cancelled{false};
    const auto worker = [&] {
        std::optional<OwnThreadPool> pool;
        if (threadsPerJob > 0)
            pool.emplace(threadsPerJob);
        for (int k = next++; k < count && !cancelled.load(); k = next++) {
            Point& p = points[static_cast<std::size_t>(k)];
            try {
                p.status.set_value(work(k, p.err));
            } catch (...) {
                p.status.set_exception(std::current_exception());
            }
        }
    };
    std::vector<std::thread> threads;
    for (int t = 0; t < std::min(jobs, count); ++t)
        threads.emplace_back(worker);
    const auto finish = [&] {
        cancelled.store(true);
        for (std::thread& t : threads)
            t.join();
    };
    int handed = 0;
    try {
        for (int k = 0; k < count; ++k) {
            const int status = done[static_cast<std::size_t>(k)].get(); // rethrows its exception
            out << points[static_cast<std::size_t>(k)].err.str() << std::flush;
            ++handed;
            if (!last(k, status))
                break;
        }
    } catch (...) {
        out << points[static_cast<std::size_t>(handed)].err.str() << std::flush;
        finish();
        throw;
    }
    finish();
    return handed;
}

} // namespace tarsen::batch
