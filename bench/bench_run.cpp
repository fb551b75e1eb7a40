// The run cycle as the main window drives it, on the bundled example assembly at n x n cells
// (aspect ratio 1, so that 512 cells fit in both directions) or n x 2n (the file's own aspect
// ratio): one multigrid cycle (solve, make_c, make_f, results; no picture), and a whole run to
// the residual 0.008 from a uniform field, each with 1 and 2 threads. Together they make the
// scaling table of the README. Last, the search for the current that brings thermocouple 0 to
// the file's target.
#include "common/frontend.h"
#include "common/keepmemory.h"
#include "common/parallel.h"
#include "simulation/mainlogic.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace tarsen {
namespace {

const std::string kExample = std::string(TARSEN_SOURCE_DIR) + "/examples/furnace.tsn";

/// The heap policy of the programs, set before any benchmark allocates.
const bool kMemoryKept = [] {
    KeepFreedMemory();
    return true;
}();

/// The example read as the window reads it, on an n x (n x aspect) grid, initialized.
struct RunFixture {
    NullFrontEnd front;
    MainLogic logic{front};

    explicit RunFixture(int n, int aspect = 1)
    {
        logic.Form_Load(std::string(TARSEN_SOURCE_DIR) + "/examples", kExample);
        logic.SetAspectRatio(std::to_string(aspect));
        logic.SetGridSize(std::to_string(n));
        logic.Initialize();
    }
    long long Cells() const { return static_cast<long long>(logic.grid.nr) * logic.grid.nz; }
};

/// Arguments: n, aspect ratio (1 or 2), threads.
void ScalingTable(benchmark::internal::Benchmark* b)
{
    b->ArgNames({"n", "aspect", "threads"});
    for (int n : {64, 128, 256, 512})
        for (int threads : {1, 2})
            b->Args({n, 1, threads});
    for (int threads : {1, 2})
        b->Args({256, 2, threads});
    b->Unit(benchmark::kMillisecond);
}

void BM_MgHeatOneCycle(benchmark::State& state)
{
    SetThreadCount(static_cast<int>(state.range(2)));
    RunFixture fx(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    if (!fx.logic.grid.Initialized) {
        state.SkipWithError("the example could not be initialized");
        return;
    }
    fx.logic.txtNCycles_LostFocus("1");
    // A few cycles first, so that the timed ones start near the converged field the window
    // spends most of its cycles on.
    for (int k = 0; k < 3; ++k)
        fx.logic.cmdRunManyCycles_MouseUp();
    for (auto _ : state) {
        fx.logic.cmdRunManyCycles_MouseUp();
        benchmark::ClobberMemory();
    }
    state.counters["FirstError"] = benchmark::Counter(double(fx.logic.FirstError));
    state.SetItemsProcessed(state.iterations() * fx.Cells());
}
BENCHMARK(BM_MgHeatOneCycle)->Apply(ScalingTable);

/// A whole run to the residual 0.008 from the uniform start field. The multigrid residual has a
/// single-precision floor that grows with the grid (about 0.02 at 512 x 512 on this assembly),
/// so the run is capped at 60 cycles; "reached" says whether the target was met.
void BM_ConvergeToResidual(benchmark::State& state)
{
    SetThreadCount(static_cast<int>(state.range(2)));
    const int n = static_cast<int>(state.range(0));
    const int aspect = static_cast<int>(state.range(1));
    int cycles = 0;
    bool reached = false;
    double firstError = 0.0;
    double heatBalance = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        auto fx = std::make_unique<RunFixture>(n, aspect);
        fx->logic.txtConvergeToResidual_LostFocus("0.008");
        fx->logic.MaxCycles = 60;
        state.ResumeTiming();
        fx->logic.cmdConvergeToResidual_MouseUp();
        state.PauseTiming();
        cycles = fx->logic.CyclesRun();
        reached = fx->logic.LastRunOutcome() == RunOutcome::Converged;
        firstError = fx->logic.FirstError;
        heatBalance = fx->logic.HeatBalancePercent().value_or(0.0);
        fx.reset();
        state.ResumeTiming();
    }
    state.counters["cycles"] = cycles;
    state.counters["reached"] = reached ? 1.0 : 0.0;
    state.counters["FirstError"] = firstError;
    state.counters["heat_balance_percent"] = heatBalance;
}
BENCHMARK(BM_ConvergeToResidual)->Apply(ScalingTable)->Iterations(3);

/// The search for 1200 deg C at thermocouple 0 from the uniform start field, with the file's
/// aspect ratio 2, residual target and precision, at the start-up NCycles 1 and at the file's 20
/// cycles per trial. The counters give the cycles, the current found and how the search ended
/// (1 when it converged, at its target residual or at the precision limit).
void BM_ConvergeToT(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    const std::string ncycles = std::to_string(state.range(1));
    int cycles = 0;
    bool converged = false;
    double current = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        auto fx = std::make_unique<RunFixture>(n, 2);
        fx->logic.txtNCycles_LostFocus(ncycles);
        fx->logic.txtGoToT_LostFocus("1200");
        state.ResumeTiming();
        fx->logic.cmdGoToT_MouseUp();
        state.PauseTiming();
        cycles = fx->logic.CyclesRun();
        const RunOutcome outcome = fx->logic.LastRunOutcome();
        converged = outcome == RunOutcome::Converged || outcome == RunOutcome::PrecisionLimit;
        current = fx->logic.settings.ElectricCurrent;
        fx.reset();
        state.ResumeTiming();
    }
    state.counters["cycles"] = cycles;
    state.counters["converged"] = converged ? 1.0 : 0.0;
    state.counters["current_A"] = current;
}
BENCHMARK(BM_ConvergeToT)
    ->ArgsProduct({{64, 128, 256}, {1, 20}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

} // namespace
} // namespace tarsen
