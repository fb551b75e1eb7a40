// Speed of the multigrid solver: one red/black sweep on the finest level (also per instruction
// set), one FAS V-cycle, and a whole AllGrid call (method 3, NInner 10) as a run cycle makes it,
// beside one single-grid MgHeat cycle (niters 10, ntits 10, w 1.8) on the same problem.
//
// Two problems. A synthetic furnace assembly in miniature: a sample cylinder (r < 3 mm,
// 0.005 W/mm/K) inside a heated furnace sleeve (3 ... 3.5 mm, up to z = 6 mm, 0.03 W/mm/K)
// inside an insulator whose conductivity rises with temperature (0.002 W/mm/K + 1e-6 per K);
// 10 x 10 mm, the upper half of a mirrored assembly (bottom insulated), outer side and top at
// 25 deg C. Its AllGrid call starts from the settled field with the furnace power raised by 2 %.
// And the bundled example, read and initialized as the window does it, after 0, 2 or 30 run
// cycles: the timed call is the one the next cycle makes. Near the settled field the residual
// stands at its Single round-off floor, so such a call makes the five bad cycles that end it;
// "cycles" and "reduction" (first sweep's residual over the last's) show how each call ended.
#include "common/frontend.h"
#include "common/ghostfield.h"
#include "simulation/mainlogic.h"
#include "solver/allgrid_kernels.h"
#include "solver/clsallgrid_axisym.h"
#include "solver/clsmgheat.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <string>

namespace {

using namespace tarsen;

constexpr float kRmax = 10.0f;
constexpr float kTbc = 25.0f;
constexpr float kFurnacePower = 0.8f; // W/mm^3: some 1400 deg C in the sample

struct Furnace {
    std::int16_t n = 0;
    BoundaryCodes ibcs{0, 1, 1, 0};
    GhostField<float> t, c, f, cr, cz;
    GhostField<CondCoefficients> a;
    clsMgHeat heat;
    clsAllgrid_axisym mg;

    explicit Furnace(int cells) : n(static_cast<std::int16_t>(cells))
    {
        heat.tmax = mg.tmax = 2319.0f;
        const float h = kRmax / static_cast<float>(n);
        t.Resize(n, n, kTbc);
        f.Resize(n, n, 0.0f);
        a.Resize(n, n, CondCoefficients{});
        for (int i = -1; i <= n; ++i)
            for (int j = -1; j <= n; ++j) {
                const float r = (static_cast<float>(i) + 0.5f) * h;
                const float z = (static_cast<float>(j) + 0.5f) * h;
                CondCoefficients& k = a(i, j);
                const bool furnace = r >= 3.0f && r < 3.5f && z < 6.0f;
                if (r < 3.0f) {
                    k[0] = 5.0f;
                } else if (furnace) {
                    k[0] = 30.0f;
                    if (i >= 0 && i < n && j >= 0 && j < n)
                        f(i, j) = kFurnacePower;
                } else {
                    k[0] = 2.0f;
                    k[1] = 0.001f;
                }
            }
        heat.cond(a, c, t, cr, cz, true, n, n, kTbc);
    }

    AllGridStatus Solve(float& rmserror, float& FirstError)
    {
        return mg.AllGrid(t, c, f, n, n, ibcs, kTbc, kRmax, kRmax, true, 3, true, 10, rmserror,
                          FirstError);
    }

    /// The run loop's multigrid cycles until the field settles, then one cycle's worth of
    /// change: the furnace power raised by 2 %, as a step of the current search makes it.
    void ConvergeThenStep()
    {
        float rms = 0.0f;
        float first = 0.0f;
        for (int cycle = 0; cycle < 30; ++cycle) {
            Solve(rms, first);
            heat.cond(a, c, t, cr, cz, true, n, n, kTbc);
        }
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j)
                f(i, j) *= 1.02f;
    }
};

void BM_relax_poisson(benchmark::State& state)
{
    Furnace fx(static_cast<int>(state.range(0)));
    clsAllgrid_axisym& mg = fx.mg;
    mg.StoreSettings(kTbc, kRmax, kRmax, true);
    mg.tmin = kTbc;
    std::int32_t np = 0;
    LevelOffsets nl{};
    std::int16_t ngrid = 0;
    mg.check_init_etc(fx.n, fx.n, np, nl, ngrid);
    SlotStorage u(8 * static_cast<std::size_t>(np) + 1, 0.0f);
    GhostField<float> source(fx.n, fx.n, 0.0f);
    const float h = kRmax / static_cast<float>(fx.n);
    for (int i = 0; i <= fx.n; ++i)
        for (int j = 0; j <= fx.n; ++j)
            source(i, j) = -((static_cast<float>(i) + 0.5f) * h) * fx.f(i, j);
    mg.square_to_ag(fx.t, u, fx.n, fx.n, np, nl, ngrid, kSlotTemp);
    mg.square_to_ag(fx.c, u, fx.n, fx.n, np, nl, ngrid, kSlotCondBase);
    mg.square_to_ag(source, u, fx.n, fx.n, np, nl, ngrid, kSlotSource);
    const SideCodes nbc = clsAllgrid_axisym::BuildSideCodes(fx.ibcs);
    mg.setup_cond(u, fx.n, fx.n, np, nl, ngrid, kSlotCondBase, nbc, true);
    float resrms = 0.0f;
    float rmserror = 0.0f;
    float first = 0.0f;
    const bool fas = state.range(1) != 0;
    for (auto _ : state) {
        if (fas)
            mg.fas_vcycle(u, fx.n, fx.n, np, nl, ngrid, 2, resrms, 2, kSlotTemp, kSlotSource,
                          kSlotUtilBase, kSlotCondBase, nbc, rmserror);
        else
            mg.relax_poisson(u, fx.n, fx.n, np, nl, ngrid, 1, resrms, kSlotTemp, kSlotSource,
                             kSlotCondBase, nbc, rmserror, first);
        benchmark::DoNotOptimize(resrms);
    }
    const double cells = double(fx.n) * double(fx.n);
    state.counters["ns_per_cell"] = benchmark::Counter(
        cells * 1e-9, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_relax_poisson)
    ->ArgNames({"n", "vcycle"})
    ->Args({128, 0})
    ->Args({256, 0})
    ->Args({512, 0})
    ->Args({512, 1})
    ->Unit(benchmark::kMicrosecond);

/// The same sweep on each instruction set the kernels are built for (0 baseline, 1 AVX2,
/// 2 AVX-512), for comparison; skipped where the processor lacks it.
void BM_relax_poisson_isa(benchmark::State& state)
{
    const auto isa = static_cast<allgrid::KernelIsa>(state.range(0));
    const allgrid::KernelIsa best = allgrid::ActiveKernelIsa();
    if (!allgrid::SelectKernelIsa(isa)) {
        state.SkipWithError("not supported here");
        return;
    }
    Furnace fx(512);
    clsAllgrid_axisym& mg = fx.mg;
    mg.StoreSettings(kTbc, kRmax, kRmax, true);
    mg.tmin = kTbc;
    std::int32_t np = 0;
    LevelOffsets nl{};
    std::int16_t ngrid = 0;
    mg.check_init_etc(fx.n, fx.n, np, nl, ngrid);
    SlotStorage u(8 * static_cast<std::size_t>(np) + 1, 0.0f);
    GhostField<float> source(fx.n, fx.n, 0.0f);
    const float h = kRmax / static_cast<float>(fx.n);
    for (int i = 0; i <= fx.n; ++i)
        for (int j = 0; j <= fx.n; ++j)
            source(i, j) = -((static_cast<float>(i) + 0.5f) * h) * fx.f(i, j);
    mg.square_to_ag(fx.t, u, fx.n, fx.n, np, nl, ngrid, kSlotTemp);
    mg.square_to_ag(fx.c, u, fx.n, fx.n, np, nl, ngrid, kSlotCondBase);
    mg.square_to_ag(source, u, fx.n, fx.n, np, nl, ngrid, kSlotSource);
    const SideCodes nbc = clsAllgrid_axisym::BuildSideCodes(fx.ibcs);
    mg.setup_cond(u, fx.n, fx.n, np, nl, ngrid, kSlotCondBase, nbc, true);
    float resrms = 0.0f;
    float rmserror = 0.0f;
    float first = 0.0f;
    for (auto _ : state) {
        mg.relax_poisson(u, fx.n, fx.n, np, nl, ngrid, 1, resrms, kSlotTemp, kSlotSource,
                         kSlotCondBase, nbc, rmserror, first);
        benchmark::DoNotOptimize(resrms);
    }
    allgrid::SelectKernelIsa(best);
    state.counters["ns_per_cell"] =
        benchmark::Counter(512.0 * 512.0 * 1e-9, benchmark::Counter::kIsIterationInvariantRate |
                                                     benchmark::Counter::kInvert);
}
BENCHMARK(BM_relax_poisson_isa)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

void BM_AllGrid(benchmark::State& state)
{
    Furnace fx(static_cast<int>(state.range(0)));
    fx.ConvergeThenStep();
    const GhostField<float> start = fx.t;
    float rms = 0.0f;
    float first = 0.0f;
    double cycles = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        fx.t = start;
        state.ResumeTiming();
        fx.Solve(rms, first);
        cycles += fx.mg.CyclesDone();
    }
    state.counters["cycles"] = benchmark::Counter(cycles, benchmark::Counter::kAvgIterations);
    state.counters["reduction"] = first / rms;
}
BENCHMARK(BM_AllGrid)->Arg(64)->Arg(128)->Arg(256)->Arg(512)->Unit(benchmark::kMillisecond);

void BM_MgHeat(benchmark::State& state)
{
    Furnace fx(static_cast<int>(state.range(0)));
    fx.ConvergeThenStep();
    const GhostField<float> start = fx.t;
    float rms = 0.0f;
    float first = 0.0f;
    for (auto _ : state) {
        state.PauseTiming();
        fx.t = start;
        state.ResumeTiming();
        fx.heat.MgHeat(fx.t, fx.c, fx.f, fx.a, fx.cr, fx.cz, fx.n, fx.n, fx.ibcs, kTbc, kRmax,
                       kRmax, true, 10, 10, 1.8f, rms, first);
    }
    state.counters["reduction"] = std::sqrt(first / rms); // MgHeat reports sums of squares
}
BENCHMARK(BM_MgHeat)->Arg(64)->Arg(128)->Arg(256)->Arg(512)->Unit(benchmark::kMillisecond);

/// The bundled example read and initialized as the window does it, on an n x n grid, after a
/// number of run cycles: the timed call is the one the next cycle makes, with the conductivities
/// and heat source of the last make_c and make_f.
struct Example {
    NullFrontEnd front;
    MainLogic logic{front};

    Example(int n, int cyclesBefore)
    {
        const std::string folder = std::string(TARSEN_SOURCE_DIR) + "/examples";
        logic.Form_Load(folder, folder + "/furnace.tsn");
        logic.SetAspectRatio("1");
        logic.SetGridSize(std::to_string(n));
        logic.Initialize();
        logic.txtNCycles_LostFocus("1");
        for (int k = 0; k < cyclesBefore && logic.grid.Initialized; ++k)
            logic.cmdRunManyCycles_MouseUp();
    }
    BoundaryCodes Codes() const
    {
        const auto& b = logic.settings.ibcs;
        return BoundaryCodes{b[1], b[2], b[3], b[4]};
    }
};

void BM_AllGrid_example(benchmark::State& state)
{
    Example ex(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    ModelGrid& g = ex.logic.grid;
    if (!g.Initialized || !ex.logic.AllgridSolver) {
        state.SkipWithError("the example could not be initialized");
        return;
    }
    const GhostField<float> start = g.t;
    float rms = 0.0f;
    float first = 0.0f;
    double cycles = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        g.t = start;
        state.ResumeTiming();
        ex.logic.AllgridSolver->AllGrid(g.t, g.c, g.f, g.nr, g.nz, ex.Codes(),
                                        ex.logic.settings.tbc, g.rmax, g.zmax,
                                        ex.logic.settings.FluxMatch, 3, true, 10, rms, first);
        cycles += ex.logic.AllgridSolver->CyclesDone();
    }
    state.counters["cycles"] = benchmark::Counter(cycles, benchmark::Counter::kAvgIterations);
    state.counters["FirstError"] = first;
    state.counters["reduction"] = first / rms;
}
BENCHMARK(BM_AllGrid_example)
    ->ArgNames({"n", "after"})
    ->Args({64, 30})
    ->Args({128, 30})
    ->Args({256, 30})
    ->Args({512, 0})
    ->Args({512, 2})
    ->Args({512, 30})
    ->Unit(benchmark::kMillisecond);

void BM_MgHeat_example(benchmark::State& state)
{
    Example ex(static_cast<int>(state.range(0)), 30);
    ModelGrid& g = ex.logic.grid;
    if (!g.Initialized) {
        state.SkipWithError("the example could not be initialized");
        return;
    }
    const GhostField<float> start = g.t;
    float rms = 0.0f;
    float first = 0.0f;
    const AssemblySettings& set = ex.logic.settings;
    for (auto _ : state) {
        state.PauseTiming();
        g.t = start;
        state.ResumeTiming();
        ex.logic.MgHeatSolver.MgHeat(g.t, g.c, g.f, g.a, g.cr, g.cz, g.nr, g.nz, ex.Codes(),
                                     set.tbc, g.rmax, g.zmax, set.FluxMatch, set.niters, set.ntits,
                                     set.w, rms, first);
    }
}
BENCHMARK(BM_MgHeat_example)->Arg(64)->Arg(128)->Arg(256)->Arg(512)->Unit(benchmark::kMillisecond);

} // namespace
