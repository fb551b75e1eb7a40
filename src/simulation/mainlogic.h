// The main window's logic without its widgets: it owns the assembly, the material table, the two
// solver objects, the model grid with its arrays, the run settings and the run state, the report
// box and the status, and offers the window's procedures under their own names: start-up,
// Initialize, the solver cycle and the three kinds of run, Stop, the grid and aspect-ratio
// commands, the setting handlers with their invalidation rules, the assembly and materials files,
// the result values and FormUpdate. The desktop window binds its controls to these procedures and
// fills in the drawing hooks; the batch tool and the tests drive the same code headless.
#pragma once

#include "common/frontend.h"
#include "materials/clsmaterialproperties.h"
#include "model/assemblyfile.h"
#include "model/clstarsen.h"
#include "simulation/formstate.h"
#include "simulation/modelgrid.h"
#include "simulation/results.h"
#include "simulation/runcontrol.h"
#include "solver/clsmgheat.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tarsen {

class clsAllgrid_axisym;

inline constexpr std::string_view kStatusInitializing = "Initializing.";
inline constexpr std::string_view kStatusReady = "The assembly is ready to run.";
inline constexpr std::string_view kStatusRunning1 = "Running 1 cycle.";
inline constexpr std::string_view kStatusRunningToConvergence = "Running to convergence.";
inline constexpr std::string_view kStatusConvergingToT = "Converging to a temperature of ";
inline constexpr std::string_view kReportInitializing = "Initializing:";
inline constexpr std::string_view kReportFinished = "Finished.";
inline constexpr std::string_view kReportStopped = "Stopped.";
inline constexpr std::string_view kReportTime = "Time = ";
inline constexpr std::string_view kReportCycle = "Cycle ";
inline constexpr std::string_view kReportTrialCurrent = "Trial Current ";
inline constexpr std::string_view kMsgFieldNotFinite =
    "The temperature field is not finite; the run was stopped. Initialize again.";
inline constexpr std::string_view kMsgResidualNotFinite =
    "The residual is not finite; the run was stopped.";
inline constexpr std::string_view kMsgNeedsInitialize =
    "The arrays do not match the grid; the run was stopped. Initialize again.";
inline constexpr std::string_view kMsgCycleLimit = "Stopped at the cycle limit of ";
inline constexpr std::string_view kMsgSearchStopped = "Temperature search stopped: ";
inline constexpr std::string_view kMsgSearchTargetTooHigh =
    "the target is not below the solver's upper temperature limit of ";
inline constexpr std::string_view kMsgSearchAtBoundary =
    "thermocouple 0 is at the boundary temperature, so no current can be predicted";
inline constexpr std::string_view kMsgSearchNegativePower =
    "the target needs a negative power (is it below the boundary temperature?)";
inline constexpr std::string_view kMsgSearchNoProgress =
    "thermocouple 0 came no closer to the target in the last ";
inline constexpr std::string_view kMsgSearchStartedAt = "The search started at ";
inline constexpr std::string_view kMsgPrecisionLimit =
    "Converged at the precision limit: the residual reached ";
inline constexpr std::string_view kMsgNoSweep =
    "With NCond or NInner (single grid) at 0 the single-grid solver makes no sweep, so the "
    "run was stopped. Set both to at least 1.";
inline constexpr std::string_view kMsgNoHeatedCell =
    "No heat is made: at this current no cell of the grid is heated. A heating part may lie "
    "between the cell centres; refine the grid (a larger nr) and initialize again.";
inline constexpr std::string_view kMsgAtTemperatureLimit =
    "The field reached the solver's upper temperature limit of ";
inline constexpr std::string_view kMsgHeatImbalance = "Heat out / heat in ended at ";

/// Questions before unsaved changes to the assembly would be lost.
inline constexpr std::string_view kAskSaveBeforeOpen =
    "The assembly has changes that have not been saved. Save them before opening another "
    "assembly?";
inline constexpr std::string_view kAskSaveBeforeNew =
    "The assembly has changes that have not been saved. Save them before starting a new "
    "assembly?";
inline constexpr std::string_view kAskSaveBeforeClose =
    "The assembly has changes that have not been saved. Save them before closing?";

/// Upper clamp of relaxed temperatures, deg C, and the press radius set at start-up, m.
inline constexpr float kTemperatureCeiling = 2319.0f;
inline constexpr float kDefaultPressRadius = 0.114f;

/// How the last run command ended.
enum class RunOutcome {
    None,               //!< no run yet
    Finished,           //!< the cycles were done
    Converged,          //!< the residual (and the target temperature) was reached
    Stopped,            //!< Stop was pressed
    CycleLimit,         //!< MaxCycles cycles were made without reaching the goal
    GridNotSuitable,    //!< multigrid on a grid that breaks its rule
    NotFinite,          //!< the field or the residual stopped being finite
    NeedsInitialize,    //!< the arrays no longer match the grid
    SolverRefused,      //!< the multigrid solver refused the call for another reason
    TargetUnreachable,  //!< the target is at or above the solver's ceiling
    AtBoundary,         //!< thermocouple 0 at tbc: no current can be predicted
    NegativePower,      //!< the search asked for a negative power
    PrecisionLimit,     //!< converged at the residual floor of the Single field, not the target
    NoProgress,         //!< the search came no closer to its target for many trials
    NoSweep,            //!< the single-grid settings make no sweep
    NoHeatedCell,       //!< a current flows but no cell lies in a heating part
    AtTemperatureLimit, //!< the field ended at the solvers' upper clamp
    HeatImbalance       //!< the field ended far from a heat balance
};
/// True for the outcomes that end a run with an answer: the cycles done, the goal reached, or
/// the precision limit reached.
bool RunSucceeded(RunOutcome outcome);
/// Short name of an outcome ("finished", "cycle limit", ...), for the batch tool.
std::string_view RunOutcomeName(RunOutcome outcome);

/// What a setting handler did with the typed text.
enum class SettingOutcome {
    Unchanged, //!< a number equal to the stored value (or a setting stored unconditionally)
    Changed,   //!< stored, with the setting's invalidation
    Refused    //!< not a usable number, or a run is in progress: the value stays
};

class CycleAcceleration;

class MainLogic {
public:
    /// Messages, report lines, status and the event pump go to front, which must outlive this.
    explicit MainLogic(FrontEnd& front);
    ~MainLogic();
    MainLogic(const MainLogic&) = delete;
    MainLogic& operator=(const MainLogic&) = delete;

    // ---- What the main window owns (other windows reach the model through these) ----
    clsTarsen Tarsen;
    clsMaterialProperties materialproperties;
    clsMgHeat MgHeatSolver; //!< the heat driver: cond, MgHeat, applybc; its BoundaryT switch
    /// The multigrid solver, created at start-up (Form_Load step 9); null before.
    std::unique_ptr<clsAllgrid_axisym> AllgridSolver;
    /// rmax, zmax, AspectRatio, nr, nz, MirrorFactor, the arrays and the set-up flags
    /// (TemperatureReady, Initialized, Runnable, UnassignedPoint, ...). Authoritative for the
    /// geometry: settings.rmax, nr, nz, zmax and AspectRatio mirror it only at file reads and
    /// writes.
    ModelGrid grid;
    /// The run settings under their file keys (settings.ninner is NInner, settings.ibcs(k) at
    /// [k]), the boundary temperature tbc, the current, and the file state (DataFolder,
    /// MaterialFileFullName, TSNFileName).
    AssemblySettings settings;

    // Run settings that the file does not carry.
    bool RedBlack = true;     //!< multigrid red/black relaxation
    std::int16_t method = 3;  //!< multigrid scheme; 3 is the FAS driver
    bool UseMultigrid = true; //!< a cycle solves by multigrid, else by the single-grid solver

    // Run state.
    bool StopRequested = false;
    float rmserror = 0.0f;   //!< solver's last-sweep error measure
    float FirstError = 0.0f; //!< solver's first-sweep error measure; the loops' convergence test
    std::string StatusText;
    StatusColour StatusColor = StatusColour::Red;
    std::string ProbeLine; //!< second line of the status box (the mouse probe)
    std::array<std::int32_t, 3> ThermocoupleColors{};
    /// Thermocouple positions as FormUpdate last copied them from the assembly: (k, 0) = r,
    /// (k, 1) = z, mm.
    std::array<std::array<float, 2>, 3> ThermocouplePositions{};
    float pi = kPi;
    std::int16_t PartIndex = -1; //!< the part selected in the assembly editor
    std::int16_t DrawIndex = -1; //!< the next part "Draw next in sequence" draws
    /// Cycles one run command may make before it stops with RunOutcome::CycleLimit; 0 (the
    /// window) means no limit, the loops then end only by their own tests or by Stop.
    int MaxCycles = 0;
    /// Folder the start-up open dialog opens in (the window's last-used folder); empty: the
    /// program folder. The default assembly of a cancelled dialog is still looked up in the
    /// program folder.
    std::string StartUpDialogFolder;

    // ---- Hooks the window (or the batch tool) fills in; each may be left empty ----
    std::function<void()> DrawCartoon;    //!< redraw the assembly on the active picture
    std::function<void()> ReplotPicture;  //!< end of a cycle: prepare contours, fast plot, replot
    std::function<void()> RedrawContours; //!< after grid changes and each trial current
    std::function<void()> RefreshMaterialColours; //!< per-material colours and brushes anew
    std::function<void()> ResetScaleBar;          //!< after an assembly was opened
    std::function<void(bool)> SetBusy;            //!< busy pointer on (true) or off
    /// FormUpdate's decisions, to be applied to the widgets in one place.
    std::function<void(const FormState&)> ApplyFormState;
    /// The assembly was replaced (a file read, or New Assembly in the editor): whatever shows it
    /// is refreshed, and what showed the replaced model's last run is cleared.
    std::function<void()> AssemblyReplaced;
    /// An assembly file was read or written at this path (the window's list of recent files).
    std::function<void(const std::string& path)> AssemblyFileUsed;
    /// The result boxes changed (after make_f and after every cycle).
    std::function<void(const ResultTexts&)> ResultsChanged;
    /// The report box changed; render Report().Lines().
    std::function<void(const ReportBox&)> ReportChanged;

    // ---- Start-up ----
    /// Form_Load: every start-up default, then the assembly: the one at assemblyPath when given,
    /// else the one chosen in the open dialog (a cancel gives the default assembly); when its
    /// materials file does not exist, ChoosePropertiesFile. A file that is refused leaves the
    /// default assembly. programFolder is the first DataFolder; materialsOverride replaces the
    /// materials file the assembly names. Returns how the chosen file was read.
    ReadTarsenResult Form_Load(const std::string& programFolder,
                               const std::optional<std::string>& assemblyPath = std::nullopt,
                               const std::string& materialsOverride = {});

    // ---- Files ----
    /// Reads the assembly file at path (see ReadTarsen of the assembly file) with the window's
    /// steps afterwards: Runnable = False without materials, colours refreshed, TemperatureReady
    /// and Initialized False, FormUpdate, DrawCartoon. materialsOverride replaces the materials
    /// file the assembly names. Refused during a run.
    ReadTarsenResult ReadTarsen(const std::string& path, const std::string& materialsOverride = {});
    /// File/Open: unsaved changes are asked about (MayDiscardChanges), then the open dialog,
    /// then ReadTarsen; a cancel changes nothing. Then the scale bar
    /// is reset and FormUpdate runs.
    ReadTarsenResult mnuOpen_Click();
    /// True when the assembly or a setting the assembly file stores differs from the file last
    /// read or saved (or, before any file, from the start-up assembly).
    bool Modified() const;
    /// Before an action that would discard unsaved changes: nothing to ask when there are none;
    /// otherwise the front end asks, with text, whether to save them first. Returns whether the
    /// action may go on (a cancelled or failed save stops it).
    bool MayDiscardChanges(std::string_view text);
    /// After the assembly was replaced in memory: the results, residuals, power and run counts
    /// of the replaced model are cleared, the part selection is dropped, and the
    /// AssemblyReplaced hook runs. ReadTarsen calls it; so does the editor's New Assembly.
    void ForgetReplacedModel();
    /// Folder of the assembly file last read or saved; DataFolder before any.
    std::string AssemblyFolder() const;
    /// A file named without the open dialog (the window's recent files): asks about unsaved
    /// changes as File/Open does, then ReadTarsen and the scale bar reset. Cancelled when the
    /// user keeps the changes.
    ReadTarsenResult OpenAssemblyFile(const std::string& path);
    /// Writes the assembly and the present settings to path.
    WriteTarsenResult WriteTarsen(const std::string& path);
    /// The save dialog, then WriteTarsen.
    WriteTarsenResult SaveAssembly();
    /// File/Open a Properties file: the dialog in DataFolder; a confirmed file is read
    /// (ReadPropertiesFile). FormUpdate in every case. Returns whether a file was read.
    bool ChoosePropertiesFile();
    /// Reads the materials file at path into the table: on success MaterialFileFullName and
    /// MaterialFile name it, Runnable becomes False when the table is empty, the colours are
    /// refreshed and the model must be initialized again. A file that cannot be read leaves the
    /// table as it was. Refused during a run.
    bool ReadPropertiesFile(const std::string& path);

    // ---- Model set-up ----
    /// Builds the model: a uniform field when TemperatureReady is False, the material map and
    /// readiness flags, and when runnable the coefficients, conductivities and heat source;
    /// Initialized becomes True then. Ends with FormUpdate. Refused during a run.
    void Initialize();
    void cmdInitialize_Click() { Initialize(); }
    /// "Reset the temperature and initialize": a uniform field, Initialize, DrawCartoon.
    void cmdMakeT_MouseUp();

    // ---- Runs ----
    /// One solver cycle n: events, Stop, the press shift, one solve (multigrid or single grid),
    /// the new heat source, FormUpdate, the per-cycle results and the replot hook. Only inside a
    /// run (the buttons below); returns at once when Stop was requested.
    void MgHeatOneCycle(int& n);
    /// Cycles 1 ... NumberOfCycles, ending early on Stop.
    void RunManyCycles(int NumberOfCycles);
    /// Cycles until FirstError < rmsErrorTarget (none when the target is above 10000), or until
    /// the residual sits at the floor the Single field allows (RunOutcome::PrecisionLimit).
    void ConvergeToResidual(float rmsErrorTarget);
    /// The temperature search with the window's settings: DesiredResidual, damping 1, ncycles.
    void ConvergeToT(float TargetTemperature);
    /// Searches the current that brings thermocouple 0 to TargetTemperature: NumberOfCycles
    /// cycles per trial, the current from the assumption that the rise above tbc is proportional
    /// to the power, damped and limited where it would oscillate; each new current takes effect
    /// in the very next solve. The residual test also passes at the precision limit. Stops with
    /// a report line when no current can be predicted or no progress is made.
    void FindT_RestlessSearch(float TargetTemperature, float Residual, float DampingFactor,
                              int NumberOfCycles);
    /// The run buttons: each refuses when the model is not initialized or a run is in progress,
    /// notes the time, clears StopRequested, shows the running status, runs, and ends with the
    /// ready status and the "Time = " line.
    void cmdRunManyCycles_MouseUp();
    void cmdConvergeToResidual_MouseUp();
    void cmdGoToT_MouseUp();
    void cmdStop_Click() { StopRequested = true; }
    /// A run is in progress: only Stop may act; commands that change the model are refused.
    bool Running() const { return m_running; }
    RunOutcome LastRunOutcome() const { return m_outcome; }
    /// Cycles the last run command made, and its elapsed time in seconds.
    int CyclesRun() const { return m_cyclesRun; }
    double RunSeconds() const { return m_runSeconds; }
    /// True when nr x nz suits the multigrid hierarchy: the shorter side a power of two, the
    /// longer a whole multiple of it (the solver's own check).
    static bool GridSuitsMultigrid(int nr, int nz);

    // ---- Grid and aspect ratio (each refused during a run) ----
    void cmdDoubleZ_MouseUp();
    void cmdHalveZ_MouseUp();
    void cmdDoubleGrid_MouseUp();
    void cmdHalveGrid_MouseUp();
    /// nr doubles (nothing when 2 nr or 2 nz would exceed 512), the field carried over by
    /// prolongation. Returns whether the grid changed.
    bool DoubleGridResolution();
    /// nr halves, rounded half-to-even (nothing when nr / 2 or nz / 2 is below 4), the field
    /// carried over by averaging. Returns whether the grid changed.
    bool HalveGridResolution();

    // ---- Setting boxes (editingFinished) and check boxes ----
    SettingOutcome txtRmax_LostFocus(std::string_view text);
    SettingOutcome txtBoundaryCondition_LostFocus(std::string_view text);
    SettingOutcome txtCurrent_LostFocus(std::string_view text);
    SettingOutcome txtNCycles_LostFocus(std::string_view text);
    SettingOutcome txtNInner_LostFocus(std::string_view text);
    SettingOutcome txtNiters_LostFocus(std::string_view text);
    SettingOutcome txtNTits_LostFocus(std::string_view text);
    SettingOutcome txtConvergeToResidual_LostFocus(std::string_view text);
    SettingOutcome txtGoToT_LostFocus(std::string_view text);
    SettingOutcome txtTError_LostFocus(std::string_view text);
    SettingOutcome txtW_LostFocus(std::string_view text);
    /// "Multi-grid" (true) or "Single grid" (false) selected.
    void optGrid_MouseUp(bool multigrid);
    void chkRedBlack_MouseUp(bool checked);
    void chkIncludePress_MouseUp(bool checked);
    // Settings without a box of their own (the batch tool's --set, the assembly editor); each
    // clears Initialized when the value changes.
    /// nr, 4 ... 512; nz follows.
    SettingOutcome SetGridSize(std::string_view text);
    /// AspectRatio, 0.25 ... 4; zmax and nz follow.
    SettingOutcome SetAspectRatio(std::string_view text);
    /// ibcs(k), k = 1 ... 4, 0 or 1, through the rule that keeps the model solvable: the axis
    /// stays zero flux and the last held side of 2 ... 4 stays held. A value the rule replaces is
    /// reported through a message naming the key, the value asked and the value used.
    SettingOutcome SetBoundaryType(int k, std::int16_t value);
    SettingOutcome SetFluxMatch(bool value);
    /// Cells take the parts by the volume they cover (true) or by the part at their centre;
    /// the model must be initialized again.
    SettingOutcome SetExactSampling(bool value);
    SettingOutcome SetBoundaryT(bool value);

    // ---- Results ----
    /// Prints a line into the report box (16-line rule).
    void WriteReport(std::string_view Words);
    /// Shows StatusText, a line break and the probe line in StatusColor.
    void WriteStatus();
    /// A button released over the bare window: the probe line is emptied.
    void Form_MouseUp();
    float TInterp(float R, float Z) const;
    /// Temperature at thermocouple 0 ... 2 (positions as FormUpdate copied them).
    float ThermocoupleTemp(int tcnumber) const;
    /// Axial gradient on the axis at thermocouple 0's height, deg C per mm.
    float ThermocoupleGradient(float HalfDistance) const;
    /// Fills the thermocouple box.
    void writethermocouples();
    /// Heat leaving the model through its isothermal sides, W.
    float flowout() const;
    /// Per-cycle displays: thermocouples, heat balance, residuals.
    void WriteCycle();
    float EquivalentRadius() const;
    /// The press boundary temperature; nothing when it cannot be formed.
    std::optional<float> BoundaryTemperature() const;
    void ShiftTemperature(float ShiftAmount);
    /// Average furnace resistivity (ohm mm) for a voltage measured across the whole furnace;
    /// nothing when undefined.
    std::optional<float> AverageResistivity(float MeasuredVoltage) const;
    /// frmCalcResistivity's "calculate ->": the measured voltage as typed, the result in ohm cm
    /// as txtResistivity shows it ("Undefined." when it cannot be formed).
    std::string CalcResistivity(std::string_view voltageText) const;
    /// t(i, j); 0 outside the field.
    float temperature(int i, int j) const { return grid.tmatrix(i, j); }
    const ReportBox& Report() const { return m_report; }
    const ResultTexts& Results() const { return m_results; }
    /// Heat out over heat in, percent; nothing when the power is at most 0.5 W.
    std::optional<double> HeatBalancePercent() const;

    // ---- Window state ----
    /// Brings the window into line with the data: nz, MirrorFactor, the thermocouple positions,
    /// the readiness status, the result texts and every enabled state; hands the result to
    /// ApplyFormState and returns it.
    FormState FormUpdate();
    /// The state FormUpdate decides from.
    FormInputs CurrentFormInputs() const;
    /// The solver's view of ibcs(1 ... 4).
    BoundaryCodes ibcs() const;
    /// The geometry the result formulas use.
    FieldGeometry Geometry() const;
    /// The front end given at construction.
    FrontEnd& Front() const { return m_front; }

private:
    class RunGuard;
    ReportFn Reporter();
    void make_f();
    void SetStatus(std::string_view text, StatusColour colour);
    void ReadyStatus();
    void BeginRun();
    void EndRunStatus();
    /// Ends the run: a report line with the reason, the outcome, StopRequested set.
    void Abort(RunOutcome outcome, std::string_view line);
    /// A run that ended with an answer is judged by its field: at the clamp or far from a heat
    /// balance it ends with that outcome and a report line instead.
    void JudgeRunEnd();
    /// A current flows but the heat source is zero everywhere: no cell lies in a heating part.
    bool NoHeatedCell() const;
    /// Observes the cycle just made for the precision floor.
    /// The three thermocouple temperatures of the present field.
    std::array<float, 3> Thermocouples() const;
    bool AtPrecisionFloor();
    void ReportPrecisionLimit(float target);
    // The run to a residual (convergerun.cpp).
    /// On a multigrid run from a uniform field, converges the assembly on coarser grids first
    /// and starts from their field; returns the coarser grid's cells (r, z) when it did.
    std::optional<std::array<int, 2>> StartFromCoarserGrids(float rmsErrorTarget);
    /// The field and the boundary temperature as one vector, and back (with the solvers' clamps
    /// and the ghost ring; the cycle makes the new field's conductivities and heat source).
    void GetRunState(std::vector<float>& state) const;
    void SetRunState(const std::vector<float>& state);
    /// Mixes the cycle just solved with the ones before it (between the solve and make_c).
    void MixCycle(CycleAcceleration& acceleration, const std::vector<float>& from,
                  std::vector<float>& to, float& lastError);
    /// The last multigrid call began with its residual at the floor Single temperatures set.
    bool SolverAtFloor() const;
    bool CycleCapReached();
    bool FieldFinite() const;
    void ResizeTemperature(const GhostField<float>& source, int validN1, int validN2);
    void AfterGridChange(bool carried);
    SettingOutcome RefuseText(std::string_view caption, std::string_view text,
                              const std::string& kept, std::string_view why = {});
    std::optional<std::int16_t> ParseCount(std::string_view caption, std::string_view text,
                                           std::int16_t kept);
    std::optional<float> ParseSingle(std::string_view caption, std::string_view text, float kept);
    void PullSettingsIntoGrid();
    void PushGridIntoSettings();
    /// The settings as a save would write them: the grid's geometry pushed in.
    AssemblySettings SettingsAsSaved() const;
    /// The present assembly becomes the unmodified one.
    void MarkUnmodified();
    /// After a file read the readiness flags of the last Initialize describe the previous
    /// model: until the next Initialize only the material table can be judged.
    void ReassessReadiness();

    FrontEnd& m_front;
    ReportBox m_report;
    ResultTexts m_results;
    bool m_running = false;
    RunOutcome m_outcome = RunOutcome::None;
    int m_cyclesRun = 0;
    double m_runSeconds = 0.0;
    std::chrono::steady_clock::time_point m_runStart{};
    std::string m_stopLine; // the reason an abort gave, kept for the closing status
    /// Called in a multigrid cycle between the solve and the new conductivities (the run to a
    /// residual mixes its cycles there); may be empty.
    std::function<void()> m_afterSolve;
    /// Each multigrid call makes at most one cycle, with the ordinary sweeps (a mixed run to a
    /// residual below the floor).
    bool m_oneCyclePerCall = false;
    PrecisionFloor m_floor;
    ThermocoupleDrift m_drift;
    std::string m_assemblyPath;     // the caption's path: the file last read or saved
    std::string m_savedFingerprint; // of the assembly as last read or saved
};

} // namespace tarsen
