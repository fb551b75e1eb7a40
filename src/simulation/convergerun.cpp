// The run to a residual. On the multigrid solver it starts, when the field is the uniform start,
// from the same assembly converged on coarser grids, and it mixes the results of its last
// cycles (CycleAcceleration), so that a fine grid needs a few cycles where it needed tens.
#include "common/numeric.h"
#include "common/parallel.h"
#include "simulation/cycleacceleration.h"
#include "simulation/mainlogic.h"
#include "solver/clsallgrid_axisym.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

namespace tarsen {

namespace {

/// The coarsest grid a coarser-grid start begins on has at least this many cells each way, and
/// only grids of at least kCoarserStartFrom cells start so: on smaller ones setting up the
/// coarser grids costs more than the cycles it saves.
constexpr int kCoarsestStartCells = 32;
constexpr long kCoarserStartFrom = 32768;
/// The last coarser grid converged has this fraction of the fine grid's cells each way, where
/// the grids from kCoarsestStartCells up reach it, and half otherwise. Converging the half-size
/// grid as well cost more than it saved: the fine grid's first multigrid call takes out what an
/// interpolation over two doublings leaves (at 256 x 512 cells the run took 5 cycles and about
/// half the time, its thermocouples as close to the steady state).
constexpr int kLastCoarserDivisor = 4;
/// Cycles one coarser grid may make before the next finer one takes over.
constexpr int kCoarseCycleCap = 40;
/// A coarser grid is done when no thermocouple moved by this much (deg C) in its last cycle and
/// its residual has met the target or no longer falls fast (to kStillFalling of the last
/// cycle's or less). It need not be closer: it differs from the finer grid's field by more.
constexpr double kCoarseStep = 0.05;
constexpr float kStillFalling = 0.7f;
/// A multigrid call begins at the floor when its first residual is within this many times the
/// level at which its cycles count the residual as down at the floor.
constexpr double kFloorAllowance = 1.5;
/// A cycle whose residual rose to more than this many times the last cycle's: the mix went too
/// far, and the mixing starts afresh from the cycle's result.
constexpr float kMixOvershoot = 2.0f;
/// The side, in cells, of the blocks whose mean changes measure a cycle's change for the
/// mixing: the rounding noise of single cells averages out of them, the slow smooth changes the
/// mixing is for stay.
constexpr int kMeasureBlock = 8;
/// Cycles after which a mixed run that has not ended goes on unmixed; mixed runs end in about
/// ten.
constexpr int kMixedCycles = 60;

constexpr std::string_view kReportCoarserStart = "Starting from the field converged on ";

std::size_t Values(const GhostField<float>& t)
{
    return t.Empty() ? 0 : (static_cast<std::size_t>(t.N1()) + 2) * t.Stride();
}

/// The change from `from` to `to` (run states: the field's values, ghost ring included, then the
/// boundary temperature) as the mean change over blocks of kMeasureBlock x kMeasureBlock cells,
/// then the boundary temperature's change.
std::vector<double> BlockMeanChange(const GhostField<float>& t, const std::vector<float>& from,
                                    const std::vector<float>& to)
{
    const int nr = t.N1(), nz = t.N2();
    const int br = (nr + kMeasureBlock - 1) / kMeasureBlock;
    const int bz = (nz + kMeasureBlock - 1) / kMeasureBlock;
    std::vector<double> change(static_cast<std::size_t>(br) * static_cast<std::size_t>(bz) + 1);
    // Each band of blocks along z is summed on its own, so the sums do not depend on threads.
    const auto band = [&](int b) {
        double* sums = &change[static_cast<std::size_t>(b) * static_cast<std::size_t>(bz)];
        for (int i = b * kMeasureBlock; i < std::min(nr, (b + 1) * kMeasureBlock); ++i)
            for (int j = 0; j < nz; ++j) {
                const std::size_t k = t.Index(i, j);
                sums[j / kMeasureBlock] += double(to[k]) - double(from[k]);
            }
        for (int q = 0; q < bz; ++q)
            sums[q] /= double(kMeasureBlock) * double(kMeasureBlock);
    };
    ParallelFor(br, band);
    change.back() = double(to.back()) - double(from.back());
    return change;
}

} // namespace

bool MainLogic::SolverAtFloor() const
{
    return AllgridSolver && AllgridSolver->ResidualFloorLevel() > 0.0 &&
           double(FirstError) <= kFloorAllowance * AllgridSolver->ResidualFloorLevel();
}

void MainLogic::GetRunState(std::vector<float>& state) const
{
    const std::size_t n = Values(grid.t);
    state.resize(n + 1);
    std::copy(grid.t.Data(), grid.t.Data() + n, state.begin());
    state.back() = settings.tbc;
}

void MainLogic::SetRunState(const std::vector<float>& state)
{
    const std::size_t n = Values(grid.t);
    if (state.size() != n + 1)
        return;
    settings.tbc = state.back();
    // The clamps of the solvers; the ghost ring follows from the values inside.
    const float low = settings.tbc, high = MgHeatSolver.tmax;
    float* t = grid.t.Data();
    for (std::size_t k = 0; k < n; ++k)
        t[k] = std::clamp(state[k], low, high);
    MgHeatSolver.applybc(grid.t, grid.nr, grid.nz, ibcs(), settings.tbc);
}

void MainLogic::MixCycle(CycleAcceleration& acceleration, const std::vector<float>& from,
                         std::vector<float>& to, float& lastError)
{
    if (FirstError > kMixOvershoot * lastError)
        acceleration.Reset();
    lastError = FirstError;
    GetRunState(to);
    if (acceleration.Mix(BlockMeanChange(grid.t, from, to), to))
        SetRunState(to);
}

std::optional<std::array<int, 2>> MainLogic::StartFromCoarserGrids(float rmsErrorTarget)
{
    if (!UseMultigrid || !AllgridSolver || method != 3)
        return std::nullopt;
    const int nr = grid.nr, nz = grid.nz;
    if (long{nr} * long{nz} < kCoarserStartFrom)
        return std::nullopt;
    int cr = nr, cz = nz;
    while (cr % 2 == 0 && cz % 2 == 0 && cr / 2 >= kCoarsestStartCells &&
           cz / 2 >= kCoarsestStartCells && !clsAllgrid_axisym::CheckGrid(cr / 2, cz / 2)) {
        cr /= 2;
        cz /= 2;
    }
    if (cr == nr || grid.t.N1() != nr || grid.t.N2() != nz)
        return std::nullopt;
    const int lastNr = cr * kLastCoarserDivisor <= nr ? nr / kLastCoarserDivisor : nr / 2;
    // Only a field nothing has been computed on yet is replaced.
    const float t0 = grid.t(0, 0);
    for (int i = 0; i < nr; ++i)
        for (int j = 0; j < nz; ++j)
            if (grid.t(i, j) != t0)
                return std::nullopt;

    // The same assembly and settings on the coarsest grid, with nothing to say to the user.
    NullFrontEnd quiet;
    MainLogic coarse(quiet);
    coarse.Tarsen = Tarsen;
    coarse.materialproperties = materialproperties;
    coarse.materialproperties.SetFrontEnd(&quiet);
    coarse.settings = settings;
    coarse.RedBlack = RedBlack;
    coarse.method = method;
    coarse.MgHeatSolver.BoundaryT = MgHeatSolver.BoundaryT;
    coarse.MgHeatSolver.tmax = MgHeatSolver.tmax;
    coarse.MgHeatSolver.tmin = MgHeatSolver.tmin;
    coarse.AllgridSolver = std::make_unique<clsAllgrid_axisym>(&quiet);
    coarse.AllgridSolver->tmax = AllgridSolver->tmax;
    coarse.AllgridSolver->tmin = AllgridSolver->tmin;
    coarse.AllgridSolver->SetFloorStop(AllgridSolver->FloorStop());
    coarse.grid.rmax = grid.rmax;
    coarse.grid.AspectRatio = grid.AspectRatio;
    coarse.grid.nr = static_cast<std::int16_t>(cr);
    coarse.grid.ApplyAspectRatio();
    if (coarse.grid.nz != cz)
        return std::nullopt;
    coarse.AfterGridChange(false);
    coarse.Initialize();
    // Each grid runs until its thermocouples have nearly stopped; then the next finer one starts
    // from its field, as a doubling of the grid carries it.
    while (true) {
        if (!coarse.grid.Initialized)
            return std::nullopt;
        std::array<float, 3> last = coarse.Thermocouples();
        float lastError = std::numeric_limits<float>::infinity();
        for (int k = 1; k <= kCoarseCycleCap; ++k) {
            // The window's Stop reaches these cycles as it reaches the run's own.
            if (m_running)
                m_front.PumpEvents();
            if (StopRequested)
                return std::nullopt;
            int kk = k;
            coarse.MgHeatOneCycle(kk);
            if (coarse.m_outcome != RunOutcome::None)
                return std::nullopt;
            const std::array<float, 3> now = coarse.Thermocouples();
            double moved = 0.0;
            for (std::size_t q = 0; q < now.size(); ++q)
                moved = std::max(moved, std::fabs(double(now[q]) - double(last[q])));
            last = now;
            const bool low =
                coarse.FirstError < rmsErrorTarget || coarse.FirstError > kStillFalling * lastError;
            lastError = coarse.FirstError;
            if (k >= 2 && low && moved < kCoarseStep)
                break;
        }
        if (coarse.grid.nr >= lastNr)
            break;
        if (!coarse.DoubleGridResolution())
            return std::nullopt;
        coarse.Initialize();
    }
    GhostField<float> field = coarse.grid.t;
    const int fr = coarse.grid.nr, fz = coarse.grid.nz;
    // Each doubling interpolates from a field whose ghost ring holds its boundary conditions.
    GhostField<float> fine;
    for (int r = fr, z = fz;; r *= 2, z *= 2) {
        MgHeatSolver.applybc(field, static_cast<std::int16_t>(r), static_cast<std::int16_t>(z),
                             ibcs(), coarse.settings.tbc);
        scalar_to_fine(field, fine, 2 * r, 2 * z);
        if (2 * r >= nr)
            break;
        std::swap(field, fine);
    }
    settings.tbc = coarse.settings.tbc;
    ResizeTemperature(fine, nr - 1, nz - 1);
    grid.make_c(MgHeatSolver, settings.FluxMatch, settings.tbc, Reporter());
    return std::array<int, 2>{fr, fz};
}

void MainLogic::ConvergeToResidual(float rmsErrorTarget)
{
    FirstError = 10000.0f;
    // The multigrid runs are mixed; the single-grid solver's go as they are.
    bool mixing = UseMultigrid;
    if (mixing) {
        if (const auto from = StartFromCoarserGrids(rmsErrorTarget))
            WriteReport(std::string(kReportCoarserStart) + std::to_string((*from)[0]) + " x " +
                        std::to_string((*from)[1]) + " cells.");
        if (StopRequested) {
            m_outcome = RunOutcome::Stopped;
            return;
        }
    }
    make_f();
    m_floor.Reset();
    // Meeting the target is not enough while the thermocouples are still on their way: once it
    // has made a cycle, the run goes on until what they have still to move is negligible. (A
    // target above the starting FirstError is met before any cycle.) Mixed cycles leave no
    // slow creep, so their thermocouples settle to closer limits, or stand still.
    m_drift.Reset(Thermocouples());
    bool cycled = false;
    auto settled = [this, &cycled, &mixing] {
        if (!cycled)
            return true;
        if (!mixing)
            return m_drift.Settled();
        return m_drift.Remaining() <= kMixedSettledDrift || m_drift.Still();
    };
    CycleAcceleration acceleration;
    std::vector<float> from, to;
    float lastError = std::numeric_limits<float>::infinity();
    // The mixing happens inside each cycle, between the solve and the conductivities and heat
    // source of the new field.
    struct MixingScope {
        MainLogic& logic;
        ~MixingScope()
        {
            logic.m_afterSolve = nullptr;
            logic.m_oneCyclePerCall = false;
        }
    } scope{*this};
    if (mixing)
        m_afterSolve = [&] { MixCycle(acceleration, from, to, lastError); };
    int n = 1;
    int made = 0;
    while ((FirstError >= rmsErrorTarget || !settled()) && !StopRequested) {
        // A mixed run that has not ended in so many cycles goes on as a plain one, with the plain
        // run's rules for its end.
        if (mixing && made == kMixedCycles) {
            mixing = false;
            m_afterSolve = nullptr;
        }
        const int before = m_cyclesRun;
        // A run that can only end at the floor is converged by the mixing: a second multigrid
        // cycle in a call would take off less than the next run cycle does, and so do the
        // doubled sweeps of a call's first cycle (over the examples at 128 to 512 cells, 7 %
        // fewer instructions for about as many cycles, the thermocouples as close).
        m_oneCyclePerCall = mixing && cycled && AllgridSolver &&
                            double(rmsErrorTarget) < AllgridSolver->ResidualFloorLevel();
        if (mixing)
            GetRunState(from);
        MgHeatOneCycle(n);
        ++n;
        if (StopRequested || m_cyclesRun == before)
            continue;
        cycled = true;
        ++made;
        m_drift.Observe(Thermocouples());
        if (FirstError < rmsErrorTarget)
            continue;
        // Mixed, the solver tells when the residual sits at its floor; otherwise the run waits
        // for a residual that no longer makes new minima.
        const bool floor = AtPrecisionFloor();
        if ((floor || (mixing && SolverAtFloor())) && settled()) {
            ReportPrecisionLimit(rmsErrorTarget);
            if (m_outcome == RunOutcome::None)
                m_outcome = RunOutcome::PrecisionLimit;
            break;
        }
    }
    if (m_outcome == RunOutcome::None)
        m_outcome =
            FirstError < rmsErrorTarget && settled() ? RunOutcome::Converged : RunOutcome::Stopped;
}

} // namespace tarsen
