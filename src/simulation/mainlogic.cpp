#include "simulation/mainlogic.h"

#include "common/colour.h"
#include "common/numeric.h"
#include "common/parallel.h"
#include "common/textnum.h"
#include "simulation/assemblyfingerprint.h"
#include "solver/clsallgrid_axisym.h"
#include "solver/cutfaces.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <optional>

namespace tarsen {

namespace {

/// Fields of fewer values than this are scanned by the calling thread alone.
constexpr int kParallelScan = 16384;
/// Rough cost of a scan on one thread per value, in nanoseconds, from which the pool judges
/// whether a scan repays waking its threads.
constexpr double kScanNs = 0.5;

std::int64_t ScanWork(std::int64_t values)
{
    return static_cast<std::int64_t>(double(values) * kScanNs);
}

/// The highest interior value of t (minus infinity for none), its columns in blocks on the
/// thread pool; the largest of a set does not depend on the order it is taken in.
float HottestInterior(const GhostField<float>& t)
{
    const int columns = t.Empty() ? 0 : t.N1();
    const int blocks = columns * t.N2() < kParallelScan ? 1 : std::min(kRowBlocks, columns);
    std::array<float, kRowBlocks> part{};
    part.fill(-std::numeric_limits<float>::infinity());
    ParallelFor(blocks, ScanWork(std::int64_t{columns} * t.N2()), [&](int b) {
        const RowRange r = RowsOfBlock(columns, blocks, b);
        float hottest = -std::numeric_limits<float>::infinity();
        for (int i = r.begin; i < r.end; ++i)
            for (int j = 0; j < t.N2(); ++j)
                hottest = std::max(hottest, t(i, j));
        part[static_cast<std::size_t>(b)] = hottest;
    });
    return *std::max_element(part.begin(), part.end());
}

inline constexpr std::string_view kMsgSettingNotNumber = " is not a number; the value stays ";
inline constexpr std::string_view kMsgSettingNotCount =
    " is not a whole number from 0 to 32767; the value stays ";
inline constexpr std::string_view kMsgSettingRadius =
    " must be greater than 0 and at most 1000000 mm; the value stays ";
inline constexpr std::string_view kMsgSettingGridSize =
    " must be a whole number from 4 to 512; the value stays ";
inline constexpr std::string_view kMsgSettingAspectRatio =
    " must lie between 0.25 and 4; the value stays ";
inline constexpr std::string_view kMsgSettingTemperature =
    " is at or below absolute zero (-273.15 deg C); the value stays ";
inline constexpr std::string_view kMsgSearchNoCycles =
    "NCycles is 0, so no trial could change the temperature";
inline constexpr std::string_view kMsgSearchNoCurrent =
    "no current flows, so the power cannot be scaled to the target";

inline constexpr std::string_view kOpenPropertiesTitle = "Open the Material Properties File";

std::string WholeText(long long v) { return std::to_string(v); }

} // namespace

std::string_view RunOutcomeName(RunOutcome outcome)
{
    switch (outcome) {
    case RunOutcome::None:
        return "none";
    case RunOutcome::Finished:
        return "finished";
    case RunOutcome::Converged:
        return "converged";
    case RunOutcome::Stopped:
        return "stop requested";
    case RunOutcome::CycleLimit:
        return "cycle limit";
    case RunOutcome::GridNotSuitable:
        return "grid not suitable for multigrid";
    case RunOutcome::NotFinite:
        return "not finite";
    case RunOutcome::NeedsInitialize:
        return "needs initialize";
    case RunOutcome::SolverRefused:
        return "solver refused";
    case RunOutcome::TargetUnreachable:
        return "target unreachable";
    case RunOutcome::AtBoundary:
        return "no current can be predicted";
    case RunOutcome::NegativePower:
        return "negative power";
    case RunOutcome::PrecisionLimit:
        return "precision limit";
    case RunOutcome::NoProgress:
        return "no progress";
    case RunOutcome::NoSweep:
        return "no sweep";
    case RunOutcome::NoHeatedCell:
        return "no heated cell";
    case RunOutcome::AtTemperatureLimit:
        return "temperature limit";
    case RunOutcome::HeatImbalance:
        return "heat imbalance";
    }
    return "none";
}

bool RunSucceeded(RunOutcome outcome)
{
    return outcome == RunOutcome::Finished || outcome == RunOutcome::Converged ||
           outcome == RunOutcome::PrecisionLimit;
}

/// The Running state for the length of one run command: the heat driver may pump events, the
/// busy pointer shows, and the window's FormUpdate leaves only Stop enabled. Restored however
/// the run ends.
class MainLogic::RunGuard {
public:
    explicit RunGuard(MainLogic& logic) : m_logic(logic)
    {
        m_logic.m_running = true;
        m_logic.MgHeatSolver.SetPumpEvents(true);
        if (m_logic.SetBusy)
            m_logic.SetBusy(true);
        m_logic.FormUpdate(); // before the first event pump: nothing else may be clicked
    }
    ~RunGuard()
    {
        m_logic.m_running = false;
        m_logic.MgHeatSolver.SetPumpEvents(false);
        if (m_logic.SetBusy)
            m_logic.SetBusy(false);
    }
    RunGuard(const RunGuard&) = delete;
    RunGuard& operator=(const RunGuard&) = delete;

private:
    MainLogic& m_logic;
};

/// The busy pointer around a model-size command.
class BusyPointer {
public:
    explicit BusyPointer(const std::function<void(bool)>& set) : m_set(set)
    {
        if (m_set)
            m_set(true);
    }
    ~BusyPointer()
    {
        if (m_set)
            m_set(false);
    }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

private:
    const std::function<void(bool)>& m_set;
};

MainLogic::MainLogic(FrontEnd& front)
    : materialproperties(&front), MgHeatSolver(&front), m_front(front)
{
    StatusText = std::string(kMsgDesignMode);
}

MainLogic::~MainLogic() = default;

// ---------------------------------------------------------------------------------------------
// Start-up

ReadTarsenResult MainLogic::Form_Load(const std::string& programFolder,
                                      const std::optional<std::string>& assemblyPath,
                                      const std::string& materialsOverride)
{
    // 1. The drawing defaults belong to the picture; the field is taken as present.
    grid.TemperatureReady = true;
    // 2.
    settings.DataFolder = programFolder;
    // 3.
    settings.ncycles = 1;
    grid.Runnable = true;
    MgHeatSolver.BoundaryT = false;
    method = 3;
    m_report.Clear();
    // 4. The settings that have a start-up value of their own before any file is read.
    grid.AspectRatio = 1.0f;
    grid.rmax = 0.0f;
    settings.ElectricCurrent = 0.0f;
    settings.DesiredResidual = 0.0f;
    settings.GoToT = 0.0f;
    settings.TError = 0.0f;
    // 5.
    grid.nr = 64;
    grid.ApplyAspectRatio();
    ThermocoupleColors = {RGB(50, 0, 150), RGB(150, 0, 150), RGB(150, 0, 50)};
    RedBlack = true;
    pi = kPi;
    settings.tbc = 25.0f;
    settings.w = 1.8f;
    settings.niters = 10;
    settings.ntits = 10;
    settings.ninner = 10;
    // The press default is set before the file is read, so that a file's False holds.
    settings.IncludePress = true;
    // 6.
    grid.make_initial_t(settings.tbc, settings.IncludePress, Reporter());
    grid.ResizeFields();
    // 7.
    grid.Initialized = false;
    settings.FluxMatch = true;
    UseMultigrid = true;
    // 8. The assembly, and the properties dialog when its materials file is missing. A file
    // that is refused leaves the start-up values, among them rmax 0, so the default assembly
    // is read instead.
    ReadTarsenResult first;
    if (assemblyPath) {
        first = ReadTarsen(*assemblyPath, materialsOverride);
    } else {
        // The dialog may open where the user worked last; the default assembly of a cancel
        // still takes its materials from the program folder.
        if (!StartUpDialogFolder.empty())
            settings.DataFolder = StartUpDialogFolder;
        const std::optional<std::string> chosen = ChooseTSNFile(m_front, settings);
        settings.DataFolder = programFolder;
        first = ReadTarsen(chosen.value_or(std::string()), materialsOverride);
    }
    const ReadTarsenResult read =
        first.status == ReadTarsenStatus::Refused ? ReadTarsen(std::string()) : first;
    if (read.Applied() && !read.materialsFound)
        ChoosePropertiesFile();
    // A materials file chosen because the assembly's was missing is part of starting up, not
    // an edit of the assembly.
    MarkUnmodified();
    // 9. Temperature clamps of both solvers.
    MgHeatSolver.tmax = kTemperatureCeiling;
    MgHeatSolver.tmin = settings.tbc;
    AllgridSolver = std::make_unique<clsAllgrid_axisym>(&m_front);
    AllgridSolver->tmax = kTemperatureCeiling;
    AllgridSolver->tmin = settings.tbc;
    // 10.
    if (DrawCartoon)
        DrawCartoon();
    FormUpdate();
    if (ResetScaleBar)
        ResetScaleBar();
    if (ReplotPicture)
        ReplotPicture();
    // 11.
    Tarsen.PressRadius = kDefaultPressRadius;
    StopRequested = false;
    return first;
}

// ---------------------------------------------------------------------------------------------
// Files

void MainLogic::PullSettingsIntoGrid()
{
    grid.rmax = settings.rmax;
    grid.AspectRatio = settings.AspectRatio;
    grid.nr = settings.nr;
    grid.ApplyAspectRatio();
    MgHeatSolver.BoundaryT = settings.BoundaryT;
    AfterGridChange(false);
}

void MainLogic::PushGridIntoSettings()
{
    settings.rmax = grid.rmax;
    settings.zmax = grid.zmax;
    settings.AspectRatio = grid.AspectRatio;
    settings.nr = grid.nr;
    settings.nz = grid.nz;
    settings.BoundaryT = MgHeatSolver.BoundaryT;
}

AssemblySettings MainLogic::SettingsAsSaved() const
{
    AssemblySettings s = settings;
    s.rmax = grid.rmax;
    s.zmax = grid.zmax;
    s.AspectRatio = grid.AspectRatio;
    s.nr = grid.nr;
    s.nz = grid.nz;
    s.BoundaryT = MgHeatSolver.BoundaryT;
    return s;
}

void MainLogic::MarkUnmodified()
{
    m_savedFingerprint = AssemblyFingerprint(Tarsen, materialproperties, SettingsAsSaved());
}

bool MainLogic::Modified() const
{
    return AssemblyFingerprint(Tarsen, materialproperties, SettingsAsSaved()) != m_savedFingerprint;
}

bool MainLogic::MayDiscardChanges(std::string_view text)
{
    if (m_running)
        return false;
    if (!Modified())
        return true;
    switch (m_front.AskSaveChanges(text)) {
    case SaveChoice::Save:
        return SaveAssembly().Written();
    case SaveChoice::Discard:
        return true;
    case SaveChoice::Cancel:
        break;
    }
    return false;
}

void MainLogic::ReassessReadiness()
{
    grid.UnassignedPoint = false;
    grid.MissingMaterial = false;
    grid.NoFurnace = false;
    grid.Runnable = !materialproperties.NoMaterials();
}

void MainLogic::ForgetReplacedModel()
{
    // Everything below was computed from the model that is gone; the thermocouple lines follow
    // TemperatureReady by themselves.
    m_results.picConvergence.clear();
    m_results.picResidual.clear();
    m_results.picIntegratedPower.clear();
    m_results.picAmps.clear();
    m_results.picResistance.clear();
    m_results.picVolts.clear();
    grid.IntegratedPower = 0.0f;
    rmserror = 0.0f;
    FirstError = 0.0f;
    m_cyclesRun = 0;
    m_runSeconds = 0.0;
    PartIndex = -1;
    DrawIndex = -1;
    if (AssemblyReplaced)
        AssemblyReplaced();
    if (ResultsChanged)
        ResultsChanged(m_results);
}

std::string MainLogic::AssemblyFolder() const
{
    if (m_assemblyPath.empty())
        return settings.DataFolder;
    return std::filesystem::path(m_assemblyPath).parent_path().string();
}

ReadTarsenResult MainLogic::ReadTarsen(const std::string& path,
                                       const std::string& materialsOverride)
{
    if (m_running) {
        ReadTarsenResult refused;
        refused.status = ReadTarsenStatus::Refused;
        return refused;
    }
    ReadTarsenOptions options;
    options.materialsOverride = materialsOverride;
    ReadTarsenResult result =
        tarsen::ReadTarsen(Tarsen, materialproperties, settings, m_front, path, options);
    if (!result.Applied())
        return result;
    ReassessReadiness();
    m_assemblyPath = result.status == ReadTarsenStatus::Read ? settings.TSNFileName : path;
    PullSettingsIntoGrid(); // TemperatureReady and Initialized become False
    if (RefreshMaterialColours)
        RefreshMaterialColours();
    MarkUnmodified();
    ForgetReplacedModel();
    if (result.status == ReadTarsenStatus::Read && AssemblyFileUsed)
        AssemblyFileUsed(m_assemblyPath);
    FormUpdate();
    if (DrawCartoon)
        DrawCartoon();
    return result;
}

ReadTarsenResult MainLogic::mnuOpen_Click()
{
    ReadTarsenResult result;
    result.status = ReadTarsenStatus::Cancelled;
    if (m_running || !MayDiscardChanges(kAskSaveBeforeOpen)) {
        FormUpdate();
        return result;
    }
    const std::optional<std::string> chosen = ChooseTSNFile(m_front, settings);
    if (chosen) {
        result = ReadTarsen(*chosen);
        if (ResetScaleBar)
            ResetScaleBar();
    }
    FormUpdate();
    return result;
}

ReadTarsenResult MainLogic::OpenAssemblyFile(const std::string& path)
{
    ReadTarsenResult result;
    result.status = ReadTarsenStatus::Cancelled;
    if (m_running || !MayDiscardChanges(kAskSaveBeforeOpen)) {
        FormUpdate();
        return result;
    }
    settings.TSNFileName = path;
    result = ReadTarsen(path);
    if (result.Applied() && ResetScaleBar)
        ResetScaleBar();
    FormUpdate();
    return result;
}

WriteTarsenResult MainLogic::WriteTarsen(const std::string& path)
{
    WriteTarsenResult result;
    result.path = path;
    if (m_running)
        return result;
    PushGridIntoSettings();
    result = tarsen::WriteTarsen(Tarsen, materialproperties, settings, m_front, path);
    if (result.Written()) {
        m_assemblyPath = path;
        MarkUnmodified();
        if (AssemblyFileUsed)
            AssemblyFileUsed(path);
        FormUpdate();
    }
    return result;
}

WriteTarsenResult MainLogic::SaveAssembly()
{
    WriteTarsenResult result;
    if (m_running)
        return result;
    PushGridIntoSettings();
    result = tarsen::SaveAssembly(Tarsen, materialproperties, settings, m_front);
    if (result.Written()) {
        m_assemblyPath = result.path;
        MarkUnmodified();
        if (AssemblyFileUsed)
            AssemblyFileUsed(result.path);
        FormUpdate();
    }
    return result;
}

bool MainLogic::ChoosePropertiesFile()
{
    if (m_running)
        return false;
    FileRequest request;
    request.title = std::string(kOpenPropertiesTitle);
    request.filters = {{"Material Property Files (*.prp)", "*.prp"}, {"All Files (*.*)", "*.*"}};
    request.folder = settings.DataFolder;
    bool read = false;
    const std::optional<std::string> chosen = m_front.ChooseFile(request);
    if (chosen && !chosen->empty())
        read = ReadPropertiesFile(*chosen);
    FormUpdate();
    return read;
}

bool MainLogic::ReadPropertiesFile(const std::string& path)
{
    if (m_running)
        return false;
    // Read into a table of its own, so that a file that cannot be used changes nothing.
    clsMaterialProperties table(&m_front);
    if (!table.ReadMaterials(path))
        return false;
    materialproperties = std::move(table);
    settings.MaterialFileFullName = path;
    settings.MaterialFile = std::filesystem::path(path).filename().string();
    ReassessReadiness();
    // The materials behind every coefficient changed: the model must be built anew.
    grid.Initialized = false;
    if (RefreshMaterialColours)
        RefreshMaterialColours();
    return true;
}

// ---------------------------------------------------------------------------------------------
// Model set-up

ReportFn MainLogic::Reporter()
{
    return [this](std::string_view text) { WriteReport(text); };
}

void MainLogic::SetStatus(std::string_view text, StatusColour colour)
{
    StatusText = std::string(text);
    StatusColor = colour;
    WriteStatus();
}

void MainLogic::ReadyStatus() { SetStatus(kStatusReady, StatusColour::Blue); }

void MainLogic::make_f()
{
    grid.make_f(Tarsen, materialproperties, MgHeatSolver, settings.tbc, settings.ElectricCurrent,
                Reporter());
    ElectricalTexts(m_results, grid.IntegratedPower, settings.ElectricCurrent);
    if (ResultsChanged)
        ResultsChanged(m_results);
}

void MainLogic::Initialize()
{
    if (m_running)
        return;
    SetStatus(kStatusInitializing, StatusColour::Red);
    m_report.SetRed(true);
    WriteReport(kReportInitializing);
    const bool fieldFits = !grid.t.Empty() && grid.t.N1() == grid.nr && grid.t.N2() == grid.nz;
    if (!grid.TemperatureReady || !fieldFits)
        grid.make_initial_t(settings.tbc, settings.IncludePress, Reporter());
    grid.ExactSampling = settings.ExactSampling;
    grid.make_MatMat(Tarsen, materialproperties, settings.tbc, Reporter());
    if (grid.Runnable) {
        grid.TotalResistance = Tarsen.TotalElectricalResistance(materialproperties, settings.tbc);
        grid.make_a(materialproperties, Reporter());
        grid.make_c(MgHeatSolver, settings.FluxMatch, settings.tbc, Reporter());
        make_f();
        if (NoHeatedCell())
            WriteReport(kMsgNoHeatedCell);
        m_report.SetRed(false);
        grid.Initialized = true;
        ReadyStatus();
    }
    FormUpdate();
}

void MainLogic::cmdMakeT_MouseUp()
{
    if (m_running)
        return;
    grid.make_initial_t(settings.tbc, settings.IncludePress, Reporter());
    Initialize();
    if (DrawCartoon)
        DrawCartoon();
    FormUpdate();
}

// ---------------------------------------------------------------------------------------------
// Runs

bool MainLogic::GridSuitsMultigrid(int nr, int nz)
{
    return !clsAllgrid_axisym::CheckGrid(nr, nz).has_value();
}

void MainLogic::Abort(RunOutcome outcome, std::string_view line)
{
    if (m_outcome == RunOutcome::None)
        m_outcome = outcome;
    if (m_stopLine.empty())
        m_stopLine = std::string(line);
    WriteReport(line);
    StopRequested = true;
}

bool MainLogic::CycleCapReached() { return MaxCycles > 0 && m_cyclesRun >= MaxCycles; }

bool MainLogic::FieldFinite() const
{
    const float* p = grid.t.Data();
    const int n = grid.t.Empty() ? 0 : (grid.t.N1() + 2) * static_cast<int>(grid.t.Stride());
    // Blocks of the field on the thread pool; each says whether all its values are finite.
    const int blocks = n < kParallelScan ? 1 : kRowBlocks;
    std::array<bool, kRowBlocks> finite;
    finite.fill(true);
    ParallelFor(blocks, ScanWork(n), [&](int b) {
        const RowRange r = RowsOfBlock(n, blocks, b);
        bool ok = true;
        for (int k = r.begin; k < r.end; ++k)
            ok = ok && std::isfinite(p[k]);
        finite[static_cast<std::size_t>(b)] = ok;
    });
    return std::all_of(finite.begin(), finite.end(), [](bool ok) { return ok; });
}

void MainLogic::MgHeatOneCycle(int& n)
{
    // 1-2. The one point at which Stop (and every other click) reaches a run.
    if (m_running)
        m_front.PumpEvents();
    if (StopRequested)
        return;
    if (CycleCapReached()) {
        Abort(RunOutcome::CycleLimit,
              std::string(kMsgCycleLimit) + WholeText(MaxCycles) + " cycles.");
        return;
    }
    const int nr = grid.nr, nz = grid.nz;
    auto spans = [nr, nz](const auto& field) {
        return !field.Empty() && field.N1() == nr && field.N2() == nz;
    };
    if (!grid.Initialized || !spans(grid.t) || !spans(grid.c) || !spans(grid.f) || !spans(grid.a) ||
        !spans(grid.cr) || !spans(grid.cz)) {
        Abort(RunOutcome::NeedsInitialize, kMsgNeedsInitialize);
        return;
    }
    // The multigrid rule is checked before every cycle: the solver option can change after
    // Initialize. The single-grid solver takes any grid.
    if (UseMultigrid) {
        const std::optional<AllGridStatus> unfit = clsAllgrid_axisym::CheckGrid(nr, nz);
        if (unfit || !AllgridSolver) {
            Abort(RunOutcome::GridNotSuitable,
                  unfit ? RefusalMessage(*unfit) : kMsgGridNotSuitable);
            return;
        }
    } else if (settings.niters < 1 || settings.ntits < 1) {
        // The solver would leave the field as it is and report a residual of 0.
        Abort(RunOutcome::NoSweep, kMsgNoSweep);
        return;
    }
    ++m_cyclesRun;
    // 3.
    WriteReport(std::string(kReportCycle) + WholeText(n));
    // 4. The press heat sink sets the boundary temperature from the present power.
    if (settings.IncludePress) {
        if (const std::optional<float> BT = BoundaryTemperature())
            ShiftTemperature(Sng(double(*BT) - double(settings.tbc)));
    }
    // 5. The cross flux beside leaning boundaries enters as heat at the present field.
    const GhostField<float>& source = grid.SolverSource(settings.tbc, MgHeatSolver.BoundaryT);
    if (UseMultigrid) {
        // The faces next to cut cells keep the values make_c gave them.
        std::optional<FinestFaces> faces;
        if (const CutFaces* cut = grid.Faces())
            faces.emplace(FinestFaces{*cut, grid.cr, grid.cz});
        AllgridSolver->SetPlainSingleCycle(m_oneCyclePerCall);
        const AllGridStatus solved = AllgridSolver->AllGrid(
            grid.t, grid.c, source, grid.nr, grid.nz, ibcs(), settings.tbc, grid.rmax, grid.zmax,
            settings.FluxMatch, method, RedBlack,
            m_oneCyclePerCall ? std::min<std::int16_t>(settings.ninner, 1) : settings.ninner,
            rmserror, FirstError, faces ? &*faces : nullptr);
        if (!Solved(solved)) {
            // Refused with t unchanged; the solver has shown why.
            switch (solved) {
            case AllGridStatus::kGridNotSuitable:
            case AllGridStatus::kTooManyLevels:
            case AllGridStatus::kGridTooLarge:
                Abort(RunOutcome::GridNotSuitable, RefusalMessage(solved));
                break;
            case AllGridStatus::kFieldMismatch:
                Abort(RunOutcome::NeedsInitialize, kMsgNeedsInitialize);
                break;
            case AllGridStatus::kNotFinite:
                Abort(RunOutcome::NotFinite, kMsgFieldNotFinite);
                break;
            default:
                Abort(RunOutcome::SolverRefused, RefusalMessage(solved));
                break;
            }
            return;
        }
        if (m_afterSolve)
            m_afterSolve();
        grid.make_c(MgHeatSolver, settings.FluxMatch, settings.tbc, Reporter());
    } else {
        const bool solved = MgHeatSolver.MgHeat(
            grid.t, grid.c, source, grid.a, grid.cr, grid.cz, grid.nr, grid.nz, ibcs(),
            settings.tbc, grid.rmax, grid.zmax, settings.FluxMatch, settings.niters, settings.ntits,
            settings.w, rmserror, FirstError, grid.Faces());
        if (!solved) {
            Abort(RunOutcome::NeedsInitialize, kMsgNeedsInitialize);
            return;
        }
    }
    // The clamps let NaN through; a field that is no longer finite is never continued or shown.
    if (!FieldFinite()) {
        grid.TemperatureReady = false;
        grid.Initialized = false;
        Abort(RunOutcome::NotFinite, kMsgFieldNotFinite);
        return;
    }
    // A residual that overflowed (the single-grid sum saturates at the Single limit) belongs to
    // a diverged field, whatever the field still holds.
    constexpr float kSingleMax = std::numeric_limits<float>::max();
    if (!(std::fabs(FirstError) < kSingleMax) || !(std::fabs(rmserror) < kSingleMax)) {
        Abort(RunOutcome::NotFinite, kMsgResidualNotFinite);
        return;
    }
    // 6-8.
    make_f();
    FormUpdate();
    WriteCycle();
    if (ReplotPicture)
        ReplotPicture();
}

void MainLogic::RunManyCycles(int NumberOfCycles)
{
    for (int n = 1; n <= NumberOfCycles; ++n) {
        int k = n;
        MgHeatOneCycle(k);
        FormUpdate();
        if (StopRequested)
            break;
    }
    if (m_outcome == RunOutcome::None)
        m_outcome = StopRequested ? RunOutcome::Stopped : RunOutcome::Finished;
}

std::array<float, 3> MainLogic::Thermocouples() const
{
    return {ThermocoupleTemp(0), ThermocoupleTemp(1), ThermocoupleTemp(2)};
}

bool MainLogic::AtPrecisionFloor() { return m_floor.Observe(FirstError, Thermocouples()); }

void MainLogic::ReportPrecisionLimit(float target)
{
    WriteReport(std::string(kMsgPrecisionLimit) + ShortestSingle(m_floor.Lowest()) +
                " in place of the target " + ShortestSingle(target) + ".");
}

void MainLogic::ConvergeToT(float TargetTemperature)
{
    FindT_RestlessSearch(TargetTemperature, settings.DesiredResidual, 1.0f, settings.ncycles);
}

void MainLogic::FindT_RestlessSearch(float TargetTemperature, float Residual, float DampingFactor,
                                     int NumberOfCycles)
{
    const std::string stopped(kMsgSearchStopped);
    // A target the clamp cannot let the field reach would drive the current up for ever.
    if (!(TargetTemperature < MgHeatSolver.tmax)) {
        Abort(RunOutcome::TargetUnreachable, stopped + std::string(kMsgSearchTargetTooHigh) +
                                                 ShortestSingle(MgHeatSolver.tmax) + " deg C.");
        return;
    }
    if (NumberOfCycles < 1) {
        Abort(RunOutcome::AtBoundary, stopped + std::string(kMsgSearchNoCycles) + ".");
        return;
    }
    // Every cycle of every trial is watched for the precision floor, which passes the
    // residual test in place of a Residual the Single field cannot reach.
    bool atFloor = false;
    auto runTrial = [this, NumberOfCycles, &atFloor] {
        for (int k = 1; k <= NumberOfCycles; ++k) {
            int kk = k;
            const int before = m_cyclesRun;
            MgHeatOneCycle(kk);
            if (StopRequested)
                break;
            if (m_cyclesRun > before)
                atFloor = AtPrecisionFloor();
        }
    };
    // 1-2.
    FirstError = 10000.0f;
    m_floor.Reset();
    float Q = Sng(double(settings.ElectricCurrent) * double(settings.ElectricCurrent));
    // Without heat the boundary sits at tbc, or at 25 deg C with the press, whose boundary
    // rises with the power.
    CurrentSearch search(TargetTemperature, DampingFactor,
                         settings.IncludePress ? kPressStartT : settings.tbc);
    runTrial();
    float T = ThermocoupleTemp(0);
    int Trial = 0;
    // 3-6.
    while (!StopRequested) {
        const float miss = Sng(std::fabs(double(T) - double(TargetTemperature)));
        if ((FirstError < Residual || atFloor) && miss < settings.TError) {
            if (FirstError < Residual) {
                if (m_outcome == RunOutcome::None)
                    m_outcome = RunOutcome::Converged;
            } else {
                ReportPrecisionLimit(Residual);
                if (m_outcome == RunOutcome::None)
                    m_outcome = RunOutcome::PrecisionLimit;
            }
            break;
        }
        WriteReport("");
        ++Trial;
        WriteReport(std::string(kReportTrialCurrent) + WholeText(Trial));
        const double rise = double(T) - double(settings.tbc);
        if (rise == 0.0 || !std::isfinite(rise)) {
            Abort(RunOutcome::AtBoundary, stopped + std::string(kMsgSearchAtBoundary) + ".");
            break;
        }
        if (!(Q > 0.0f)) {
            Abort(RunOutcome::AtBoundary, stopped + std::string(kMsgSearchNoCurrent) + ".");
            break;
        }
        const SearchStep step = search.Next(Q, T, settings.tbc);
        if (step.kind == SearchStep::Kind::NoProgress) {
            Abort(RunOutcome::NoProgress, stopped + std::string(kMsgSearchNoProgress) +
                                              WholeText(kSearchPatience) + " trials; it stays at " +
                                              ShortestSingle(T) + " deg C.");
            break;
        }
        const float Qnew = step.Q;
        if (step.kind == SearchStep::Kind::NegativePower || !(Qnew >= 0.0f) ||
            !std::isfinite(Qnew)) {
            Abort(RunOutcome::NegativePower, stopped + std::string(kMsgSearchNegativePower));
            break;
        }
        const float previous = settings.ElectricCurrent;
        settings.ElectricCurrent = Sng(std::sqrt(double(Qnew)));
        // The new current takes effect in the very next solve: a trial that still solved with
        // the previous heat source would feed back one trial late and could never settle.
        make_f();
        if (RedrawContours)
            RedrawContours();
        const int before = m_cyclesRun;
        runTrial();
        if (m_cyclesRun == before) {
            // Stopped before the new current was solved with: the field still belongs to the
            // previous one, and so do the current box and the readouts again.
            settings.ElectricCurrent = previous;
            make_f();
            break;
        }
        T = ThermocoupleTemp(0);
        Q = Qnew;
    }
    if (m_outcome == RunOutcome::None)
        m_outcome = RunOutcome::Stopped;
}

bool MainLogic::NoHeatedCell() const
{
    // The heat source, not the power: on a tiny model the power sum can underflow to 0.
    if (!grid.Runnable || settings.ElectricCurrent == 0.0f || grid.f.Empty())
        return false;
    for (int i = 0; i < grid.f.N1(); ++i)
        for (int j = 0; j < grid.f.N2(); ++j)
            if (grid.f(i, j) != 0.0f)
                return false;
    return true;
}

void MainLogic::JudgeRunEnd()
{
    if (!RunSucceeded(m_outcome) || m_cyclesRun == 0 || !grid.TemperatureReady || grid.t.Empty())
        return;
    const float hottest = HottestInterior(grid.t);
    float tmax = MgHeatSolver.tmax;
    if (AllgridSolver)
        tmax = std::min(tmax, AllgridSolver->tmax);
    const std::optional<double> balance = HeatBalancePercent();
    std::string line;
    switch (JudgeField(hottest, tmax, balance, m_outcome != RunOutcome::Finished)) {
    case FieldVerdict::Plausible:
        return;
    case FieldVerdict::AtTemperatureLimit:
        m_outcome = RunOutcome::AtTemperatureLimit;
        line = std::string(kMsgAtTemperatureLimit) + ShortestSingle(tmax) +
               " deg C, so it is no solution there: lower the current and run again.";
        break;
    case FieldVerdict::HeatImbalance:
        m_outcome = RunOutcome::HeatImbalance;
        line =
            std::string(kMsgHeatImbalance) +
            (std::isfinite(*balance)
                 ? ShortestSingle(Sng(round_half_even(*balance * 10.0) / 10.0 + 0.0)) + " percent"
                 : std::string("a value that is not finite")) +
            ", far from 100 percent: the field is no steady state. Run more cycles, or lower "
            "the current if it keeps diverging.";
        break;
    }
    m_stopLine = line;
    WriteReport(line);
}

void MainLogic::BeginRun()
{
    m_runStart = std::chrono::steady_clock::now();
    StopRequested = false;
    m_outcome = RunOutcome::None;
    m_cyclesRun = 0;
    m_runSeconds = 0.0;
    m_stopLine.clear();
}

void MainLogic::EndRunStatus()
{
    m_runSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - m_runStart).count();
    if (m_stopLine.empty() || m_outcome == RunOutcome::Stopped)
        ReadyStatus();
    else
        SetStatus(m_stopLine, StatusColour::Red);
}

void MainLogic::cmdRunManyCycles_MouseUp()
{
    if (m_running || !grid.Initialized)
        return;
    BeginRun();
    {
        RunGuard running(*this);
        const int n = settings.ncycles;
        SetStatus(n == 1 ? std::string(kStatusRunning1) : "Running " + WholeText(n) + " cycles.",
                  StatusColour::Red);
        if (NoHeatedCell())
            Abort(RunOutcome::NoHeatedCell, kMsgNoHeatedCell);
        else
            RunManyCycles(n);
        JudgeRunEnd();
        // A field that failed the judgement has its reason in the report instead.
        if (m_outcome == RunOutcome::Finished)
            WriteReport(kReportFinished);
        else if (StopRequested)
            WriteReport(kReportStopped);
        EndRunStatus();
        WriteReport(std::string(kReportTime) + WholeText(CLng(m_runSeconds)));
    }
    FormUpdate();
}

void MainLogic::cmdConvergeToResidual_MouseUp()
{
    if (m_running || !grid.Initialized)
        return;
    BeginRun();
    {
        RunGuard running(*this);
        SetStatus(kStatusRunningToConvergence, StatusColour::Red);
        if (NoHeatedCell())
            Abort(RunOutcome::NoHeatedCell, kMsgNoHeatedCell);
        else
            ConvergeToResidual(settings.DesiredResidual);
        JudgeRunEnd();
        EndRunStatus();
        WriteReport(std::string(kReportTime) + WholeText(CLng(m_runSeconds)));
    }
    FormUpdate();
}

void MainLogic::cmdGoToT_MouseUp()
{
    if (m_running || !grid.Initialized)
        return;
    BeginRun();
    {
        RunGuard running(*this);
        SetStatus(std::string(kStatusConvergingToT) + ShortestSingle(settings.GoToT),
                  StatusColour::Red);
        const float startCurrent = settings.ElectricCurrent;
        const float startTbc = settings.tbc;
        if (NoHeatedCell())
            Abort(RunOutcome::NoHeatedCell, kMsgNoHeatedCell);
        else
            ConvergeToT(settings.GoToT);
        if (m_outcome == RunOutcome::Stopped)
            WriteReport(kReportStopped);
        JudgeRunEnd();
        // The current and boundary temperature the search began with, to go back to.
        if (!RunSucceeded(m_outcome))
            WriteReport(std::string(kMsgSearchStartedAt) + ShortestSingle(startCurrent) +
                        " A with the boundary at " + ShortestSingle(startTbc) + " deg C.");
        m_runSeconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - m_runStart).count();
        WriteReport(std::string(kReportTime) + WholeText(CLng(m_runSeconds)));
        EndRunStatus();
    }
    FormUpdate();
}

// ---------------------------------------------------------------------------------------------
// Grid and aspect ratio

void MainLogic::ResizeTemperature(const GhostField<float>& source, int validN1, int validN2)
{
    // Every interior cell of the new grid takes the transferred value of the same cell, or the
    // nearest one the transfer produced where the rounded counts of the two grids disagree;
    // the ghost ring is left for applybc.
    const int nr = grid.nr, nz = grid.nz;
    grid.t.Resize(nr, nz, settings.tbc);
    const int vi = std::min(validN1, source.N1());
    const int vj = std::min(validN2, source.N2());
    if (vi < 0 || vj < 0)
        return;
    for (int i = 0; i < nr; ++i)
        for (int j = 0; j < nz; ++j)
            grid.t(i, j) = source(std::min(i, vi), std::min(j, vj));
    MgHeatSolver.applybc(grid.t, grid.nr, grid.nz, ibcs(), settings.tbc);
}

void MainLogic::AfterGridChange(bool carried)
{
    grid.ResizeFields();
    if (!carried) {
        grid.t.Resize(std::max<int>(grid.nr, 0), std::max<int>(grid.nz, 0), settings.tbc);
        grid.TemperatureReady = false;
    }
    grid.Initialized = false;
}

bool MainLogic::DoubleGridResolution()
{
    if (m_running)
        return false;
    const int oldnr = grid.nr, oldnz = grid.nz;
    if (2 * oldnr > kMaxGridCells || 2 * oldnz > kMaxGridCells)
        return false;
    const bool carry =
        grid.TemperatureReady && !grid.t.Empty() && grid.t.N1() == oldnr && grid.t.N2() == oldnz;
    GhostField<float> coarse = grid.t;
    grid.nr = static_cast<std::int16_t>(2 * oldnr);
    grid.ApplyAspectRatio();
    if (carry) {
        // The prolongation reads the coarse ghost ring, so it is filled first.
        MgHeatSolver.applybc(coarse, static_cast<std::int16_t>(oldnr),
                             static_cast<std::int16_t>(oldnz), ibcs(), settings.tbc);
        GhostField<float> fine;
        scalar_to_fine(coarse, fine, 2 * oldnr, 2 * oldnz);
        ResizeTemperature(fine, 2 * oldnr - 1, 2 * oldnz - 1);
    }
    AfterGridChange(carry);
    return true;
}

bool MainLogic::HalveGridResolution()
{
    if (m_running)
        return false;
    const int oldnr = grid.nr, oldnz = grid.nz;
    if (oldnr / 2.0 < kMinHalvedCells || oldnz / 2.0 < kMinHalvedCells)
        return false;
    const bool carry =
        grid.TemperatureReady && !grid.t.Empty() && grid.t.N1() == oldnr && grid.t.N2() == oldnz;
    const GhostField<float> fine = grid.t;
    grid.nr = CInt(oldnr / 2.0);
    grid.ApplyAspectRatio();
    if (carry) {
        GhostField<float> coarse;
        scalar_to_coarse(fine, coarse, oldnr, oldnz);
        // Averaging fills coarse cells 0 ... (nfine - 2) / 2 in each direction.
        ResizeTemperature(coarse, (oldnr - 2) / 2, (oldnz - 2) / 2);
    }
    AfterGridChange(carry);
    return true;
}

void MainLogic::cmdDoubleGrid_MouseUp()
{
    if (m_running)
        return;
    {
        BusyPointer busy(SetBusy);
        DoubleGridResolution();
    }
    FormUpdate();
    if (RedrawContours)
        RedrawContours();
}

void MainLogic::cmdHalveGrid_MouseUp()
{
    if (m_running)
        return;
    {
        BusyPointer busy(SetBusy);
        HalveGridResolution();
    }
    FormUpdate();
    if (RedrawContours)
        RedrawContours();
}

void MainLogic::cmdDoubleZ_MouseUp()
{
    if (m_running)
        return;
    BusyPointer busy(SetBusy);
    if (!(2.0 * double(grid.AspectRatio) <= kMaxAspectRatio))
        return;
    grid.AspectRatio = Sng(2.0 * double(grid.AspectRatio));
    grid.ApplyAspectRatio();
    AfterGridChange(false);
    FormUpdate();
    if (DrawCartoon)
        DrawCartoon();
}

void MainLogic::cmdHalveZ_MouseUp()
{
    if (m_running)
        return;
    BusyPointer busy(SetBusy);
    if (!(double(grid.AspectRatio) / 2.0 >= kMinAspectRatio))
        return;
    grid.AspectRatio = Sng(double(grid.AspectRatio) / 2.0);
    grid.ApplyAspectRatio();
    AfterGridChange(false);
    FormUpdate();
    if (DrawCartoon)
        DrawCartoon();
}

// ---------------------------------------------------------------------------------------------
// Setting boxes

SettingOutcome MainLogic::RefuseText(std::string_view caption, std::string_view text,
                                     const std::string& kept, std::string_view why)
{
    WriteReport(std::string(caption) + ": \"" + std::string(text) + "\"" +
                std::string(why.empty() ? kMsgSettingNotNumber : why) + kept + ".");
    FormUpdate(); // the box shows the kept value again
    return SettingOutcome::Refused;
}

std::optional<float> MainLogic::ParseSingle(std::string_view caption, std::string_view text,
                                            float kept)
{
    const std::optional<double> v = ParseNumber(text);
    const float f = v ? Sng(*v) : 0.0f;
    if (!v || !std::isfinite(f)) {
        RefuseText(caption, text, ShortestSingle(kept));
        return std::nullopt;
    }
    return f;
}

std::optional<std::int16_t> MainLogic::ParseCount(std::string_view caption, std::string_view text,
                                                  std::int16_t kept)
{
    const std::optional<double> v = ParseNumber(text);
    const std::optional<std::int16_t> n = v ? TryCInt(*v) : std::nullopt;
    if (!n || *n < 0) {
        RefuseText(caption, text, WholeText(kept), kMsgSettingNotCount);
        return std::nullopt;
    }
    return n;
}

SettingOutcome MainLogic::txtRmax_LostFocus(std::string_view text)
{
    if (m_running)
        return SettingOutcome::Refused;
    const std::optional<float> v = ParseSingle("r boundary", text, grid.rmax);
    if (!v)
        return SettingOutcome::Refused;
    if (!(*v > 0.0f && *v <= kMaxModelRadius))
        return RefuseText("r boundary", text, ShortestSingle(grid.rmax), kMsgSettingRadius);
    if (*v == grid.rmax) {
        FormUpdate();
        return SettingOutcome::Unchanged;
    }
    grid.rmax = *v;
    grid.ApplyAspectRatio();
    grid.TemperatureReady = false;
    grid.Initialized = false;
    if (DrawCartoon)
        DrawCartoon();
    FormUpdate();
    return SettingOutcome::Changed;
}

SettingOutcome MainLogic::txtBoundaryCondition_LostFocus(std::string_view text)
{
    if (m_running)
        return SettingOutcome::Refused;
    const std::optional<float> v = ParseSingle("Boundary T", text, settings.tbc);
    if (!v)
        return SettingOutcome::Refused;
    if (!IsPhysicalTemperature(*v))
        return RefuseText("Boundary T", text, ShortestSingle(settings.tbc), kMsgSettingTemperature);
    SettingOutcome outcome = SettingOutcome::Unchanged;
    if (*v != settings.tbc) {
        settings.tbc = *v;
        grid.TemperatureReady = false;
        grid.Initialized = false;
        outcome = SettingOutcome::Changed;
    }
    FormUpdate();
    return outcome;
}

SettingOutcome MainLogic::txtCurrent_LostFocus(std::string_view text)
{
    if (m_running)
        return SettingOutcome::Refused;
    const std::optional<float> v = ParseSingle("Current in Amps", text, settings.ElectricCurrent);
    if (!v)
        return SettingOutcome::Refused;
    SettingOutcome outcome = SettingOutcome::Unchanged;
    if (*v != settings.ElectricCurrent) {
        settings.ElectricCurrent = *v;
        grid.Initialized = false;
        outcome = SettingOutcome::Changed;
    }
    FormUpdate();
    return outcome;
}

namespace {
template <class T> SettingOutcome Store(T& setting, T value)
{
    const bool changed = !(setting == value);
    setting = value;
    return changed ? SettingOutcome::Changed : SettingOutcome::Unchanged;
}
} // namespace

SettingOutcome MainLogic::txtNCycles_LostFocus(std::string_view text)
{
    if (m_running)
        return SettingOutcome::Refused;
    const auto v = ParseCount("NCycles", text, settings.ncycles);
    if (!v)
        return SettingOutcome::Refused;
    const SettingOutcome outcome = Store(settings.ncycles, *v);
    FormUpdate();
    return outcome;
}

SettingOutcome MainLogic::txtNInner_LostFocus(std::string_view text)
{
    if (m_running)
        return SettingOutcome::Refused;
    const auto v = ParseCount("NInner", text, settings.ninner);
    if (!v)
        return SettingOutcome::Refused;
    const SettingOutcome outcome = Store(settings.ninner, *v);
    FormUpdate();
    return outcome;
}

SettingOutcome MainLogic::txtNiters_LostFocus(std::string_view text)
{
    if (m_running)
        return SettingOutcome::Refused;
    const auto v = ParseCount("NCond", text, settings.niters);
    if (!v)
        return SettingOutcome::Refused;
    const SettingOutcome outcome = Store(settings.niters, *v);
    FormUpdate();
    return outcome;
}

SettingOutcome MainLogic::txtNTits_LostFocus(std::string_view text)
{
    if (m_running)
        return SettingOutcome::Refused;
    const auto v = ParseCount("NInner (single grid)", text, settings.ntits);
    if (!v)
        return SettingOutcome::Refused;
    const SettingOutcome outcome = Store(settings.ntits, *v);
    FormUpdate();
    return outcome;
}

SettingOutcome MainLogic::txtConvergeToResidual_LostFocus(std::string_view text)
{
    if (m_running)
        return SettingOutcome::Refused;
    const auto v = ParseSingle("Target residual", text, settings.DesiredResidual);
    return v ? Store(settings.DesiredResidual, *v) : SettingOutcome::Refused;
}

SettingOutcome MainLogic::txtGoToT_LostFocus(std::string_view text)
{
    if (m_running)
        return SettingOutcome::Refused;
    const auto v = ParseSingle("Temperature", text, settings.GoToT);
    if (v && !IsPhysicalTemperature(*v))
        return RefuseText("Temperature", text, ShortestSingle(settings.GoToT),
                          kMsgSettingTemperature);
    return v ? Store(settings.GoToT, *v) : SettingOutcome::Refused;
}

SettingOutcome MainLogic::txtTError_LostFocus(std::string_view text)
{
    if (m_running)
        return SettingOutcome::Refused;
    const auto v = ParseSingle("Precision", text, settings.TError);
    return v ? Store(settings.TError, *v) : SettingOutcome::Refused;
}

SettingOutcome MainLogic::txtW_LostFocus(std::string_view text)
{
    if (m_running)
        return SettingOutcome::Refused;
    const auto v = ParseSingle("w", text, settings.w);
    return v ? Store(settings.w, *v) : SettingOutcome::Refused;
}

void MainLogic::optGrid_MouseUp(bool multigrid)
{
    if (m_running)
        return;
    UseMultigrid = multigrid;
    FormUpdate();
}

void MainLogic::chkRedBlack_MouseUp(bool checked)
{
    if (m_running)
        return;
    RedBlack = checked;
    FormUpdate();
}

void MainLogic::chkIncludePress_MouseUp(bool checked)
{
    if (m_running)
        return;
    settings.IncludePress = checked;
    FormUpdate();
}

SettingOutcome MainLogic::SetGridSize(std::string_view text)
{
    if (m_running)
        return SettingOutcome::Refused;
    const std::optional<double> v = ParseNumber(text);
    const std::optional<std::int16_t> n = v ? TryCInt(*v) : std::nullopt;
    if (!n || *n < kMinHalvedCells || *n > kMaxGridCells)
        return RefuseText("Radial grid size", text, WholeText(grid.nr), kMsgSettingGridSize);
    if (*n == grid.nr) {
        FormUpdate();
        return SettingOutcome::Unchanged;
    }
    grid.nr = *n;
    grid.ApplyAspectRatio();
    AfterGridChange(false);
    FormUpdate();
    return SettingOutcome::Changed;
}

SettingOutcome MainLogic::SetAspectRatio(std::string_view text)
{
    if (m_running)
        return SettingOutcome::Refused;
    const std::optional<double> v = ParseNumber(text);
    const float ar = v ? Sng(*v) : 0.0f;
    if (!v || !(ar >= kMinAspectRatio && ar <= kMaxAspectRatio))
        return RefuseText("Aspect ratio", text, ShortestSingle(grid.AspectRatio),
                          kMsgSettingAspectRatio);
    if (ar == grid.AspectRatio) {
        FormUpdate();
        return SettingOutcome::Unchanged;
    }
    grid.AspectRatio = ar;
    grid.ApplyAspectRatio();
    AfterGridChange(false);
    FormUpdate();
    if (DrawCartoon)
        DrawCartoon();
    return SettingOutcome::Changed;
}

SettingOutcome MainLogic::SetBoundaryType(int k, std::int16_t value)
{
    if (m_running || k < 1 || k > 4)
        return SettingOutcome::Refused;
    std::array<std::int16_t, 5> next = settings.ibcs;
    NormaliseIbcs(next);
    // The rule that keeps the model solvable: the axis is always zero flux, and a side of 2 ... 4
    // is insulated only while another of them stays held (any non-zero value holds a side). A
    // value the rule replaces is reported with the value used instead, never silently.
    bool otherHeld = false;
    for (int side = 2; side <= 4; ++side)
        otherHeld = otherHeld || (side != k && next[static_cast<std::size_t>(side)] != 0);
    const std::int16_t used = k == 1 ? 0 : (value != 0 || !otherHeld) ? 1 : 0;
    if (used != value)
        m_front.ShowMessage(MsgIbcsReplaced({k, value, used}));
    next[static_cast<std::size_t>(k)] = used;
    if (next == settings.ibcs) {
        FormUpdate();
        return SettingOutcome::Unchanged;
    }
    settings.ibcs = next;
    grid.Initialized = false;
    FormUpdate();
    if (DrawCartoon)
        DrawCartoon();
    return SettingOutcome::Changed;
}

SettingOutcome MainLogic::SetFluxMatch(bool value)
{
    if (m_running)
        return SettingOutcome::Refused;
    const SettingOutcome outcome = Store(settings.FluxMatch, value);
    if (outcome == SettingOutcome::Changed)
        grid.Initialized = false;
    FormUpdate();
    return outcome;
}

SettingOutcome MainLogic::SetExactSampling(bool value)
{
    if (m_running)
        return SettingOutcome::Refused;
    const SettingOutcome outcome = Store(settings.ExactSampling, value);
    if (outcome == SettingOutcome::Changed)
        grid.Initialized = false;
    FormUpdate();
    return outcome;
}

SettingOutcome MainLogic::SetBoundaryT(bool value)
{
    if (m_running)
        return SettingOutcome::Refused;
    const SettingOutcome outcome = Store(MgHeatSolver.BoundaryT, value);
    settings.BoundaryT = value;
    if (outcome == SettingOutcome::Changed)
        grid.Initialized = false;
    FormUpdate();
    return outcome;
}

// ---------------------------------------------------------------------------------------------
// Results

void MainLogic::WriteReport(std::string_view Words)
{
    m_report.WriteReport(Words);
    m_front.ReportLine(Words);
    if (ReportChanged)
        ReportChanged(m_report);
}

void MainLogic::WriteStatus() { m_front.SetStatus(StatusText + "\r\n" + ProbeLine, StatusColor); }

void MainLogic::Form_MouseUp()
{
    ProbeLine.clear();
    WriteStatus();
}

FieldGeometry MainLogic::Geometry() const
{
    FieldGeometry g;
    g.nr = grid.nr;
    g.nz = grid.nz;
    g.rmax = grid.rmax;
    g.zmax = grid.zmax;
    g.ibcs = ibcs();
    g.MirrorFactor = grid.MirrorFactor;
    return g;
}

BoundaryCodes MainLogic::ibcs() const
{
    return {settings.ibcs[1], settings.ibcs[2], settings.ibcs[3], settings.ibcs[4]};
}

float MainLogic::TInterp(float R, float Z) const
{
    return tarsen::TInterp(grid.t, Geometry(), grid.TemperatureReady, R, Z);
}

float MainLogic::ThermocoupleTemp(int tcnumber) const
{
    if (tcnumber < 0 || tcnumber > 2)
        return 0.0f;
    const auto& p = ThermocouplePositions[static_cast<std::size_t>(tcnumber)];
    return TInterp(p[0], p[1]);
}

float MainLogic::ThermocoupleGradient(float HalfDistance) const
{
    return tarsen::ThermocoupleGradient(grid.t, Geometry(), grid.TemperatureReady,
                                        Tarsen.ThermocouplePosition(0, 1), HalfDistance);
}

void MainLogic::writethermocouples()
{
    const std::array<float, 3> temps{ThermocoupleTemp(0), ThermocoupleTemp(1), ThermocoupleTemp(2)};
    m_results.picThermocoupleTemp = ThermocoupleLines(
        grid.TemperatureReady, temps, ThermocoupleGradient(0.25f), ThermocoupleColors);
}

float MainLogic::flowout() const { return tarsen::flowout(grid.t, grid.c, Geometry()); }

std::optional<double> MainLogic::HeatBalancePercent() const
{
    return tarsen::HeatBalancePercent(flowout(), grid.IntegratedPower);
}

void MainLogic::WriteCycle()
{
    writethermocouples();
    // The balance is cleared when too little power is generated, so no stale value stays.
    m_results.picConvergence = HeatBalanceText(flowout(), grid.IntegratedPower);
    m_results.picResidual = ResidualText(FirstError, rmserror);
    if (ResultsChanged)
        ResultsChanged(m_results);
}

float MainLogic::EquivalentRadius() const { return tarsen::EquivalentRadius(Geometry()); }

std::optional<float> MainLogic::BoundaryTemperature() const
{
    return tarsen::BoundaryTemperature(grid.IntegratedPower, EquivalentRadius(),
                                       Tarsen.PressRadius);
}

void MainLogic::ShiftTemperature(float ShiftAmount)
{
    tarsen::ShiftTemperature(grid.t, settings.tbc, ShiftAmount);
}

std::optional<float> MainLogic::AverageResistivity(float MeasuredVoltage) const
{
    const float R0 = Tarsen.TotalElectricalResistance(materialproperties, settings.tbc);
    const float rho0 = Tarsen.Resistivity(materialproperties, settings.tbc);
    return tarsen::AverageResistivity(MeasuredVoltage, settings.ElectricCurrent, R0, rho0,
                                      grid.MirrorFactor);
}

std::string MainLogic::CalcResistivity(std::string_view voltageText) const
{
    const std::optional<double> v = ParseNumber(voltageText);
    if (!v)
        return std::string(kUndefined);
    const std::optional<float> rho = AverageResistivity(Sng(*v));
    if (!rho)
        return std::string(kUndefined);
    // The table's unit is ohm mm; the calculator's caption asks for ohm cm.
    return ShortestSingle(Sng(double(*rho) / 10.0));
}

// ---------------------------------------------------------------------------------------------
// Window state

FormInputs MainLogic::CurrentFormInputs() const
{
    FormInputs in;
    in.AssemblyPath = m_assemblyPath;
    in.Modified = Modified();
    in.AspectRatio = grid.AspectRatio;
    in.nr = grid.nr;
    in.ibcs = ibcs();
    in.Initialized = grid.Initialized;
    in.Runnable = grid.Runnable;
    in.TemperatureReady = grid.TemperatureReady;
    in.Running = m_running;
    in.UseMultigrid = UseMultigrid;
    in.RedBlack = RedBlack;
    in.IncludePress = settings.IncludePress;
    in.ExactSampling = settings.ExactSampling;
    in.NoMaterials = materialproperties.NoMaterials();
    in.UnassignedPoint = grid.UnassignedPoint;
    in.UnassignedPointIJ = {grid.UnassignedPointIJ[0], grid.UnassignedPointIJ[1]};
    in.MissingMaterial = grid.MissingMaterial;
    in.MissingMaterialName = grid.MissingMaterialName(materialproperties);
    in.NoFurnace = grid.NoFurnace;
    in.StatusText = StatusText;
    in.StatusColor = StatusColor;
    in.rmax = grid.rmax;
    in.ElectricCurrent = settings.ElectricCurrent;
    in.tbc = settings.tbc;
    in.w = settings.w;
    in.GoToT = settings.GoToT;
    in.TError = settings.TError;
    in.DesiredResidual = settings.DesiredResidual;
    in.niters = settings.niters;
    in.ntits = settings.ntits;
    in.ncycles = settings.ncycles;
    in.NInner = settings.ninner;
    return in;
}

FormState MainLogic::FormUpdate()
{
    FormState st = DecideFormState(CurrentFormInputs());
    grid.nz = st.nz;
    grid.MirrorFactor = st.MirrorFactor;
    for (int k = 0; k < 3; ++k)
        for (int m = 0; m < 2; ++m)
            ThermocouplePositions[static_cast<std::size_t>(k)][static_cast<std::size_t>(m)] =
                Tarsen.ThermocouplePosition(k, m);
    writethermocouples();
    OhmsLawTexts(m_results, Tarsen.TotalElectricalResistance(materialproperties, settings.tbc),
                 settings.ElectricCurrent, grid.MirrorFactor);
    if (st.StatusWritten) {
        StatusText = st.StatusText;
        StatusColor = st.StatusColor;
        WriteStatus();
    }
    st.StatusText = StatusText;
    st.StatusColor = StatusColor;
    st.results = m_results;
    st.ThermocouplePositions = ThermocouplePositions;
    if (ApplyFormState)
        ApplyFormState(st);
    return st;
}

} // namespace tarsen
