// A sweep of 8 currents on the bundled example run by the batch tool with --jobs 1 and with
// --jobs 2, as a user runs it (a process each, its start included), and beside it what this
// machine gains from running two independent computations at once at all.
//
// Each iteration runs the four in turn, in an order that alternates between iterations, so that
// the machine's drift in speed falls on all of them alike:
//   - the sweep with --jobs 1 (its runs use every core), the same with --threads 1, and with
//     --jobs 2 (one core each);
//   - two equal lengths of plain arithmetic on one thread one after the other, and on two
//     threads at once.
// The counters give the times and the ratios: "speedup" is --jobs 1's time over --jobs 2's,
// "over_1_thread" the time with --threads 1 over --jobs 2's, and "machine" the same ratio for the
// plain arithmetic, which needs no memory and shares nothing. Where the runs gain from a second
// thread, --jobs 1 is faster than --threads 1, and "speedup" is less than "over_1_thread".
// On a machine whose cores are its own "machine" is 2; a virtual machine whose cores are shared
// with others shows less, and no sweep can gain more than that.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char** environ;

namespace {

const std::string kTool = TARSEN_BATCH_TOOL;
const std::string kExample = std::string(TARSEN_SOURCE_DIR) + "/examples/furnace.tsn";

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

/// Runs the tool with args, its output thrown away; its wall time in seconds, or a negative
/// number when it could not be started or did not end with status 0.
double RunTool(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(kTool.c_str()));
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const Clock::time_point start = Clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, kTool.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return -1.0;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1.0;
    return SecondsSince(start);
}

/// About a tenth of a second of dependent integer arithmetic, which touches no memory.
std::uint64_t Arithmetic(std::uint64_t seed)
{
    std::uint64_t x = seed;
    for (std::uint64_t i = 0; i < 150'000'000; ++i)
        x = x * 6364136223846793005ULL + i;
    return x;
}

double ArithmeticOneAfterTheOther()
{
    const Clock::time_point start = Clock::now();
    benchmark::DoNotOptimize(Arithmetic(1));
    benchmark::DoNotOptimize(Arithmetic(2));
    return SecondsSince(start);
}

double ArithmeticSideBySide()
{
    const Clock::time_point start = Clock::now();
    std::uint64_t other = 0;
    std::thread second([&other] { other = Arithmetic(2); });
    benchmark::DoNotOptimize(Arithmetic(1));
    second.join();
    benchmark::DoNotOptimize(other);
    return SecondsSince(start);
}

/// Arguments: n (the grid is n x 2n) and the cycles of each run, 0 for a run to the file's
/// residual.
void BM_SweepJobs(benchmark::State& state)
{
    std::vector<std::string> args = {"run",
                                     kExample,
                                     "--quiet",
                                     "--set",
                                     "nr=" + std::to_string(state.range(0)),
                                     "--sweep",
                                     "ElectricCurrent=200:270:10"};
    if (state.range(1) > 0) {
        args.push_back("--cycles");
        args.push_back(std::to_string(state.range(1)));
    }
    std::vector<std::string> one = args, single = args, two = args;
    one.insert(one.end(), {"--jobs", "1"});
    single.insert(single.end(), {"--jobs", "1", "--threads", "1"});
    two.insert(two.end(), {"--jobs", "2"});

    double jobs1 = 0.0, thread1 = 0.0, jobs2 = 0.0, alone = 0.0, together = 0.0;
    bool flip = false;
    for (auto _ : state) {
        double t1 = 0.0, ts = 0.0, t2 = 0.0;
        if (flip) {
            t2 = RunTool(two);
            ts = RunTool(single);
            t1 = RunTool(one);
            together += ArithmeticSideBySide();
            alone += ArithmeticOneAfterTheOther();
        } else {
            t1 = RunTool(one);
            ts = RunTool(single);
            t2 = RunTool(two);
            alone += ArithmeticOneAfterTheOther();
            together += ArithmeticSideBySide();
        }
        if (t1 < 0.0 || ts < 0.0 || t2 < 0.0) {
            state.SkipWithError(("the sweep failed: " + kTool).c_str());
            return;
        }
        jobs1 += t1;
        thread1 += ts;
        jobs2 += t2;
        flip = !flip;
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["jobs1_ms"] = 1000.0 * jobs1 / n;
    state.counters["jobs2_ms"] = 1000.0 * jobs2 / n;
    state.counters["threads1_ms"] = 1000.0 * thread1 / n;
    state.counters["speedup"] = jobs1 / jobs2;
    state.counters["over_1_thread"] = thread1 / jobs2;
    state.counters["machine"] = alone / together;
}
BENCHMARK(BM_SweepJobs)
    ->ArgNames({"n", "cycles"})
    ->Args({128, 20})
    ->Args({64, 0})
    ->Args({128, 0})
    ->Iterations(6)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
