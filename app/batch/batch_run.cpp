// tarsen-batch run: reads an assembly with its materials, applies settings through the window's
// own setters, initializes it and runs it as the window's run buttons do (cycles, to a residual,
// or the search for the current that gives a target temperature), then prints the results as
// text or one JSON object, and optionally saves the assembly and the field. A sweep repeats the
// whole run for each value of one setting.
#include "batchcommand.h"
#include "batchjson.h"
#include "batchpicture.h"
#include "common/numeric.h"
#include "common/parallel.h"
#include "common/textnum.h"
#include "model/assemblyfile.h"
#include "model/replacefile.h"
#include "orderedjobs.h"
#include "simulation/fieldvtk.h"
#include "simulation/mainlogic.h"

#include <cmath>
#include <filesystem>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace tarsen::batch {

namespace {

constexpr int kDefaultMaxCycles = 2000;
constexpr std::size_t kMaxSweepRows = 10000;

enum class Mode { Residual, Cycles, Target };

struct Options {
    std::string path;
    std::string materials;
    std::vector<std::pair<std::string, std::string>> sets;
    bool singleGrid = false;
    Mode mode = Mode::Residual;
    std::string modeValue; // N, R or T as typed; empty: the file's DesiredResidual
    int maxCycles = kDefaultMaxCycles;
    bool json = false;
    bool quiet = false;
    std::string save;
    std::string field;
    std::string sweepKey;
    std::vector<double> sweepValues;
    std::string picture;   // the picture a replot shows after the run, BMP or PNG by extension
    int pictureSize = 600; // its side in pixels
    bool antialias = false;
    /// The voltage measured across the furnace, V, for the average furnace resistivity.
    std::optional<float> measuredVoltage;
    int threads = -1; // threads of each run's grid loops; 0 every core, -1 not given
    int jobs = 1;     // sweep points run at the same time
};

/// Message boxes of the run, in order; each is also written to the run's stderr as it comes.
struct RunFrontEnd final : FrontEnd {
    explicit RunFrontEnd(std::ostream& err) : m_err(err) {}
    std::vector<std::string> m_messages;
    std::ostream& m_err;
    void ShowMessage(std::string_view text) override
    {
        m_messages.emplace_back(text);
        m_err << text << "\n";
    }
};

/// A computed value as a Single, null when it is undefined (no current, no field).
Json JsonOrNull(std::optional<double> v, NonFinite nf)
{
    if (!v)
        return nullptr;
    return JsonSingle(Sng(*v), nf);
}

std::optional<bool> ParseBool(const std::string& v)
{
    if (v == "True" || v == "true" || v == "1")
        return true;
    if (v == "False" || v == "false" || v == "0")
        return false;
    return std::nullopt;
}

/// KEY=VALUE split at the first '='.
bool SplitAssignment(const std::string& text, std::string& key, std::string& value)
{
    const std::size_t eq = text.find('=');
    if (eq == std::string::npos || eq == 0)
        return false;
    key = text.substr(0, eq);
    value = text.substr(eq + 1);
    return true;
}

/// Applies one file key through the window's own setter, so that its invalidation rules hold.
/// Returns an error text, empty on success.
std::string ApplySetting(MainLogic& m, const std::string& key, const std::string& value)
{
    SettingOutcome r = SettingOutcome::Refused;
    if (key == "rmax")
        r = m.txtRmax_LostFocus(value);
    else if (key == "nr")
        r = m.SetGridSize(value);
    else if (key == "AspectRatio")
        r = m.SetAspectRatio(value);
    else if (key == "tbc")
        r = m.txtBoundaryCondition_LostFocus(value);
    else if (key == "ElectricCurrent")
        r = m.txtCurrent_LostFocus(value);
    else if (key == "niters")
        r = m.txtNiters_LostFocus(value);
    else if (key == "ntits")
        r = m.txtNTits_LostFocus(value);
    else if (key == "ncycles")
        r = m.txtNCycles_LostFocus(value);
    else if (key == "ninner")
        r = m.txtNInner_LostFocus(value);
    else if (key == "w")
        r = m.txtW_LostFocus(value);
    else if (key == "DesiredResidual")
        r = m.txtConvergeToResidual_LostFocus(value);
    else if (key == "GoToT")
        r = m.txtGoToT_LostFocus(value);
    else if (key == "TError")
        r = m.txtTError_LostFocus(value);
    else if (key == "IncludePress" || key == "FluxMatch" || key == "BoundaryT" ||
             key == "ExactSampling") {
        const std::optional<bool> b = ParseBool(value);
        if (!b)
            return key + " takes True or False, not \"" + value + "\"";
        if (key == "IncludePress") {
            m.chkIncludePress_MouseUp(*b);
            r = SettingOutcome::Changed;
        } else if (key == "FluxMatch") {
            r = m.SetFluxMatch(*b);
        } else if (key == "ExactSampling") {
            r = m.SetExactSampling(*b);
        } else {
            r = m.SetBoundaryT(*b);
        }
    } else if (key.size() == 7 && key.rfind("ibcs(", 0) == 0 && key[6] == ')' && key[5] >= '1' &&
               key[5] <= '4') {
        const std::optional<double> v = ParseNumber(value);
        if (!v || (*v != 0.0 && *v != 1.0))
            return key + " takes 0 (zero flux) or 1 (held at tbc), not \"" + value + "\"";
        r = m.SetBoundaryType(key[5] - '0', static_cast<std::int16_t>(*v));
    } else if (key == "nz") {
        return "nz follows from nr and AspectRatio and cannot be set";
    } else if (key == "MaterialFile") {
        return "give the materials file with --materials";
    } else {
        return "unknown settings key \"" + key + "\"";
    }
    if (r == SettingOutcome::Refused) {
        const auto& lines = m.Report().Lines();
        return lines.empty() ? key + "=" + value + " was refused" : lines.back().text;
    }
    return {};
}

/// r, z, temperature, conductivity, heat source and material of every interior cell.
std::string FieldCsv(const MainLogic& m)
{
    std::ostringstream out;
    out << "r_mm,z_mm,temperature_C,conductivity_W_per_mm_K,heat_source_W_per_mm3,"
           "material_index\n";
    const ModelGrid& g = m.grid;
    for (int i = 0; i < g.nr; ++i) {
        for (int j = 0; j < g.nz; ++j) {
            float r = 0.0f, z = 0.0f;
            g.GridToMM(i, j, r, z);
            const float f = g.f.InRange(i, j) ? g.f(i, j) : 0.0f;
            out << ShortestSingle(r) << ',' << ShortestSingle(z) << ','
                << ShortestSingle(g.tmatrix(i, j)) << ',' << ShortestSingle(g.cmatrix(i, j)) << ','
                << ShortestSingle(f) << ',' << g.pubMatMat(i, j) << '\n';
        }
    }
    return out.str();
}

/// The results of one run as the JSON object of the command.
Json ResultJson(const MainLogic& m, const RunFrontEnd& front, NonFinite nf,
                std::optional<float> measuredVoltage)
{
    const auto num = [nf](float v) { return JsonSingle(v, nf); };
    const ModelGrid& g = m.grid;
    const bool field = g.TemperatureReady;
    const bool cycled = m.CyclesRun() > 0;
    const float I = m.settings.ElectricCurrent;
    Json j;
    j["schema"] = kRunSchema;
    j["file"] = m.settings.TSNFileName;
    j["materials_file"] = m.settings.MaterialFileFullName;
    j["status"] = m.StatusText;
    j["initialized"] = g.Initialized;
    j["solver"] = m.UseMultigrid ? "multigrid" : "single grid";
    j["nr"] = g.nr;
    j["nz"] = g.nz;
    j["rmax"] = num(g.rmax);
    j["zmax"] = num(g.zmax);
    j["cycles"] = m.CyclesRun();
    j["stopped"] = RunOutcomeName(m.LastRunOutcome());
    j["tbc"] = num(m.settings.tbc);
    Json tcs = Json::array();
    for (int k = 0; k < 3; ++k) {
        Json tc;
        tc["r"] = num(m.ThermocouplePositions[static_cast<std::size_t>(k)][0]);
        tc["z"] = num(m.ThermocouplePositions[static_cast<std::size_t>(k)][1]);
        tc["temperature"] = field ? num(m.ThermocoupleTemp(k)) : Json(nullptr);
        tcs.push_back(std::move(tc));
    }
    j["thermocouples"] = std::move(tcs);
    j["gradient"] = field ? num(m.ThermocoupleGradient(0.25f)) : Json(nullptr);
    j["power_W"] = num(g.IntegratedPower);
    j["current_A"] = num(I);
    j["voltage_V"] = JsonOrNull(NumericalVoltage(g.IntegratedPower, I), nf);
    j["resistance_ohm"] = JsonOrNull(NumericalResistance(g.IntegratedPower, I), nf);
    const double R0 =
        double(m.grid.MirrorFactor) *
        double(m.Tarsen.TotalElectricalResistance(m.materialproperties, m.settings.tbc));
    j["ohms_law_resistance_ohm"] = JsonOrNull(R0, nf);
    j["ohms_law_voltage_V"] = JsonOrNull(R0 * double(I), nf);
    if (measuredVoltage) {
        // The resistivity calculator's value: the table's ohm mm shown in ohm cm.
        const std::optional<float> rho = m.AverageResistivity(*measuredVoltage);
        j["measured_voltage_V"] = JsonOrNull(double(*measuredVoltage), nf);
        j["average_resistivity_ohm_cm"] = rho ? JsonOrNull(double(*rho) / 10.0, nf) : Json(nullptr);
    }
    j["heat_out_W"] = g.Initialized && field ? num(m.flowout()) : Json(nullptr);
    j["heat_balance_percent"] =
        g.Initialized && field ? JsonOrNull(m.HeatBalancePercent(), nf) : Json(nullptr);
    j["first_error"] = cycled ? num(m.FirstError) : Json(nullptr);
    j["rms_error"] = cycled ? num(m.rmserror) : Json(nullptr);
    j["seconds"] = std::round(m.RunSeconds() * 1000.0) / 1000.0;
    Json report = Json::array();
    for (const auto& line : m.Report().Lines())
        report.push_back(line.text);
    j["report"] = std::move(report);
    j["messages"] = front.m_messages;
    return j;
}

std::string Text(const Json& v, const char* unit = "")
{
    if (v.is_null())
        return std::string(kUndefined);
    return JsonText(v) + unit;
}

void PrintText(const Json& j)
{
    std::cout << j["file"].get<std::string>() << "\n"
              << "materials: " << j["materials_file"].get<std::string>() << "\n"
              << "status: " << j["status"].get<std::string>() << "\n"
              << "solver: " << j["solver"].get<std::string>() << " on " << j["nr"] << " x "
              << j["nz"] << " cells, " << Text(j["rmax"]) << " x " << Text(j["zmax"]) << " mm\n"
              << "run: " << j["cycles"] << " cycles, " << j["stopped"].get<std::string>() << ", "
              << Text(j["seconds"], " s") << "\n"
              << "boundary temperature: " << Text(j["tbc"], " deg C") << "\n";
    for (std::size_t k = 0; k < 3; ++k) {
        const Json& tc = j["thermocouples"][k];
        std::cout << "thermocouple " << k << " at r " << Text(tc["r"]) << ", z " << Text(tc["z"])
                  << " mm: " << Text(tc["temperature"], " deg C");
        if (k == 0)
            std::cout << ", axial gradient " << Text(j["gradient"], " deg C/mm");
        std::cout << "\n";
    }
    std::cout << "power: " << Text(j["power_W"], " W") << " at " << Text(j["current_A"], " A")
              << ", voltage " << Text(j["voltage_V"], " V") << ", resistance "
              << Text(j["resistance_ohm"], " ohm") << "\n"
              << "Ohm's law at the boundary temperature: resistance "
              << Text(j["ohms_law_resistance_ohm"], " ohm") << ", voltage "
              << Text(j["ohms_law_voltage_V"], " V") << "\n";
    if (j.contains("average_resistivity_ohm_cm"))
        std::cout << "average furnace resistivity for " << Text(j["measured_voltage_V"], " V")
                  << " measured: " << Text(j["average_resistivity_ohm_cm"], " ohm cm") << "\n";
    std::cout << "heat out: " << Text(j["heat_out_W"], " W") << ", heat out / heat in "
              << Text(j["heat_balance_percent"], " percent") << "\n"
              << "residuals: FirstError " << Text(j["first_error"]) << ", rmserror "
              << Text(j["rms_error"]) << "\n";
}

/// Exit status of a finished run from how it ended.
int ExitFor(RunOutcome outcome)
{
    if (RunSucceeded(outcome) || outcome == RunOutcome::Stopped)
        return kExitOk;
    switch (outcome) {
    case RunOutcome::CycleLimit:
        return kExitCycleLimit;
    default:
        return kExitNotRunnable;
    }
}

/// One whole run: read, set, initialize, run, save. sweep holds the swept key and value; what
/// the run has to say goes to err (stderr, or a sweep point's text).
int RunOnce(const Options& o, const std::optional<std::pair<std::string, std::string>>& sweep,
            Json& result, std::ostream& err)
{
    RunFrontEnd front(err);
    MainLogic m(front);
    m.MaxCycles = o.maxCycles;
    const ReadTarsenResult read =
        m.Form_Load(std::filesystem::current_path().string(), o.path, o.materials);
    if (read.status == ReadTarsenStatus::Refused) {
        err << "Error while reading \"" << o.path << "\": " << read.error << "\n";
        return kExitRefused;
    }
    auto apply = [&](const std::string& key, const std::string& value) {
        const std::string error = ApplySetting(m, key, value);
        if (!error.empty())
            UsageError("--set " + key + "=" + value + ": " + error, err);
        return error.empty();
    };
    for (const auto& [key, value] : o.sets)
        if (!apply(key, value))
            return kExitUsage;
    if (sweep && !apply(sweep->first, sweep->second))
        return kExitUsage;
    if (o.singleGrid)
        m.optGrid_MouseUp(false);
    if (!o.modeValue.empty()) {
        const std::string key = o.mode == Mode::Cycles     ? "ncycles"
                                : o.mode == Mode::Residual ? "DesiredResidual"
                                                           : "GoToT";
        if (!apply(key, o.modeValue))
            return kExitUsage;
    }
    if (!o.quiet) {
        m.ReplotPicture = [&m, &err] {
            err << "cycle " << m.CyclesRun() << ": FirstError " << ShortestSingle(m.FirstError)
                << ", rmserror " << ShortestSingle(m.rmserror) << ", T0 "
                << ShortestSingle(m.ThermocoupleTemp(0)) << " deg C, tbc "
                << ShortestSingle(m.settings.tbc) << ", current "
                << ShortestSingle(m.settings.ElectricCurrent) << " A\n";
        };
    }

    m.Initialize();
    int status = kExitOk;
    if (!m.grid.Initialized) {
        err << "tarsen-batch: the model is not runnable: " << m.StatusText << "\n";
        status = kExitNotRunnable;
    } else {
        switch (o.mode) {
        case Mode::Cycles:
            m.cmdRunManyCycles_MouseUp();
            break;
        case Mode::Residual:
            m.cmdConvergeToResidual_MouseUp();
            break;
        case Mode::Target:
            m.cmdGoToT_MouseUp();
            break;
        }
        status = ExitFor(m.LastRunOutcome());
        if (status != kExitOk)
            err << "tarsen-batch: the run stopped: " << m.StatusText << "\n";
    }
    m.ReplotPicture = nullptr;

    if (!o.save.empty() && !m.WriteTarsen(o.save).Written() && status == kExitOk)
        status = kExitRefused;
    if (!o.field.empty()) {
        std::string error;
        const bool vtk = std::filesystem::path(o.field).extension() == ".vtr";
        if (!ReplaceFile(o.field, vtk ? FieldVtr(m.grid) : FieldCsv(m), error)) {
            err << "Error while writing \"" << o.field << "\": " << error << "\n";
            if (status == kExitOk)
                status = kExitRefused;
        }
    }
    if (!o.picture.empty()) {
        std::string error;
        if (!WritePicture(m, o.picture, o.pictureSize, o.antialias, error)) {
            err << error << "\n";
            if (status == kExitOk)
                status = kExitRefused;
        }
    }
    result = ResultJson(m, front, o.json ? NonFinite::Null : NonFinite::Text, o.measuredVoltage);
    if (sweep)
        result["sweep"] =
            Json{{"key", sweep->first}, {"value", JsonSingle(Sng(*ParseNumber(sweep->second)))}};
    return status;
}

std::string CsvField(const Json& v)
{
    if (v.is_null())
        return "";
    if (v.is_string()) {
        std::string s = v.get<std::string>();
        std::string quoted = "\"";
        for (char ch : s)
            quoted += ch == '"' ? std::string("\"\"") : std::string(1, ch);
        return quoted + "\"";
    }
    return JsonText(v);
}

void PrintSweepCsv(const std::string& key, const std::vector<Json>& rows)
{
    std::cout << key
              << ",stopped,cycles,tbc,T0,T1,T2,gradient,power_W,current_A,voltage_V,"
                 "resistance_ohm,heat_out_W,heat_balance_percent,first_error,rms_error,seconds\n";
    for (const Json& r : rows) {
        if (r.is_null())
            continue;
        std::cout << CsvField(r["sweep"]["value"]) << ',' << CsvField(r["stopped"]) << ','
                  << CsvField(r["cycles"]) << ',' << CsvField(r["tbc"]);
        for (std::size_t k = 0; k < 3; ++k)
            std::cout << ',' << CsvField(r["thermocouples"][k]["temperature"]);
        for (const char* f :
             {"gradient", "power_W", "current_A", "voltage_V", "resistance_ohm", "heat_out_W",
              "heat_balance_percent", "first_error", "rms_error", "seconds"})
            std::cout << ',' << CsvField(r[f]);
        std::cout << '\n';
    }
}

/// START:STOP:STEP into its values, STOP included when a step lands on it.
bool SweepValues(const std::string& range, std::vector<double>& values)
{
    std::vector<double> parts;
    std::size_t from = 0;
    for (int k = 0; k < 3; ++k) {
        const std::size_t colon = k < 2 ? range.find(':', from) : range.size();
        if (colon == std::string::npos)
            return false;
        const std::optional<double> v = ParseNumber(range.substr(from, colon - from));
        if (!v)
            return false;
        parts.push_back(*v);
        from = colon + 1;
    }
    const double start = parts[0], stop = parts[1], step = parts[2];
    if (step == 0.0 || (stop - start) / step < 0.0)
        return false;
    const double count = std::floor((stop - start) / step * (1.0 + 1e-12) + 1e-9) + 1.0;
    if (!(count >= 1.0) || count > double(kMaxSweepRows))
        return false;
    for (int k = 0; k < static_cast<int>(count); ++k)
        values.push_back(start + k * step);
    return true;
}

int RunRun(Options o)
{
    if (o.threads >= 0)
        SetThreadCount(o.threads);
    // A path that does not exist would give the default assembly; here it is an error.
    const std::optional<std::string> found = FindExistingFile(o.path);
    if (!found) {
        std::cerr << "Error while reading \"" << o.path << "\": no such file\n";
        return kExitRefused;
    }
    o.path = *found;
    if (!o.materials.empty()) {
        const std::optional<std::string> prp = FindExistingFile(o.materials);
        if (!prp) {
            std::cerr << "Error while reading \"" << o.materials << "\": no such file\n";
            return kExitRefused;
        }
        o.materials = *prp;
    }

    if (o.sweepKey.empty()) {
        Json result;
        const int status = RunOnce(o, std::nullopt, result, std::cerr);
        if (result.is_null())
            return status;
        if (o.json)
            std::cout << result.dump(2, ' ', false, Json::error_handler_t::replace) << "\n";
        else
            PrintText(result);
        return status;
    }

    // A sweep: every value is a run of its own from the file, so rows do not depend on order
    // and may be computed at the same time. Files written after each run have the same name for
    // every value, and the last value's must be the one left: such sweeps go one at a time.
    const int count = static_cast<int>(o.sweepValues.size());
    const bool writesFiles = !o.save.empty() || !o.field.empty() || !o.picture.empty();
    const int jobs = writesFiles ? 1 : std::min(o.jobs, count);
    // Points run at the same time each have a pool of their own: the threads asked for, or
    // their share of the cores.
    const int threadsPerJob = jobs == 1       ? 0
                              : o.threads > 0 ? o.threads
                                              : std::max(1, HardwareThreads() / jobs);
    std::vector<Json> rows(static_cast<std::size_t>(count));
    int status = kExitOk;
    int fatal = kExitOk;
    RunInOrder(
        count, jobs, threadsPerJob,
        [&](int k, std::ostream& err) {
            const double value = o.sweepValues[static_cast<std::size_t>(k)];
            return RunOnce(o, std::make_pair(o.sweepKey, ShortestDouble(value)),
                           rows[static_cast<std::size_t>(k)], err);
        },
        [&](int, int s) {
            if (s == kExitRefused || s == kExitUsage) {
                fatal = s;
                return false;
            }
            if (status == kExitOk)
                status = s;
            return true;
        },
        std::cerr);
    if (fatal != kExitOk)
        return fatal;
    if (o.json) {
        Json all = Json::array();
        for (auto& r : rows)
            all.push_back(std::move(r));
        std::cout << all.dump(2, ' ', false, Json::error_handler_t::replace) << "\n";
    } else {
        PrintSweepCsv(o.sweepKey, rows);
    }
    return status;
}

/// Parsed text of the options whose value is turned into Options after parsing.
struct RunArguments {
    Options options;
    std::vector<std::string> sets; // KEY=VALUE each
    std::string cycles, residual, target, sweep, measuredVoltage;
};

CommandAction SetupRun(CLI::App& app)
{
    auto a = std::make_shared<RunArguments>();
    Options& o = a->options;
    app.footer("KEY is a settings key of the assembly file, e.g. nr=256, ElectricCurrent=180, "
               "IncludePress=False,\nibcs(3)=0. Without --cycles, --residual or --target the run "
               "goes to the file's\nDesiredResidual.\n" +
               std::string(kExitStatusHelp));
    app.add_option("FILE.tsn", o.path, "the assembly file")->required()->type_name("");
    app.add_option("--materials", o.materials,
                   "read this materials file instead of the one the assembly names")
        ->type_name("FILE.prp");
    app.add_option("--set", a->sets,
                   "set a settings key of the assembly through the window's own setters; "
                   "may be repeated")
        ->type_name("KEY=VALUE")
        ->check(Assignment())
        ->allow_extra_args(false);
    app.add_flag("--single-grid", o.singleGrid, "solve on a single grid instead of multigrid");
    CLI::Option* cycles = app.add_option("--cycles", a->cycles, "run N cycles (0 to 32767)")
                              ->type_name("N")
                              ->check(WholeNumber(0, 32767));
    CLI::Option* residual = app.add_option("--residual", a->residual, "run to the residual R")
                                ->type_name("R")
                                ->check(Number());
    CLI::Option* target = app.add_option("--target", a->target,
                                         "search the current that gives T deg C at thermocouple 0")
                              ->type_name("T")
                              ->check(Number());
    cycles->excludes(residual, target);
    residual->excludes(target);
    app.add_option("--max-cycles", o.maxCycles, "stop every run after N cycles (0: no limit)")
        ->type_name("N")
        ->check(WholeNumber(0, 1e9))
        ->capture_default_str();
    app.add_flag("--json", o.json, "print one JSON object (an array for a sweep) instead of text");
    app.add_flag("--quiet", o.quiet, "do not print a line per cycle on stderr");
    app.add_option("--save", o.save, "save the assembly after the run")->type_name("FILE.tsn");
    app.add_option("--field", o.field,
                   "write the temperature, conductivity, heat source and material of every "
                   "cell: a VTK XML rectilinear grid for .vtr, else CSV with r and z")
        ->type_name("FILE.csv|FILE.vtr");
    app.add_option("--threads", o.threads,
                   "threads for the grid loops of each run, 0 for every core (the default; with "
                   "--jobs the cores are shared out); results do not depend on it")
        ->type_name("N")
        ->check(WholeNumber(0, 256));
    app.add_option("--jobs", o.jobs,
                   "run N sweep values at the same time; the output is the same as one at a "
                   "time (sweeps that write files go one at a time)")
        ->type_name("N")
        ->check(WholeNumber(1, 256))
        ->capture_default_str();
    app.add_option("--sweep", a->sweep,
                   "repeat the whole run for each value of KEY from START to STOP by STEP; "
                   "prints CSV (or a JSON array)")
        ->type_name("KEY=START:STOP:STEP")
        ->check(CLI::Validator(
            [](std::string& text) {
                std::string key, range;
                std::vector<double> values;
                return SplitAssignment(text, key, range) && SweepValues(range, values)
                           ? std::string()
                           : "takes KEY=START:STOP:STEP with a step towards STOP and at most " +
                                 std::to_string(kMaxSweepRows) + " values, not \"" + text + "\"";
            },
            ""));
    app.add_option("--measured-voltage", a->measuredVoltage,
                   "print the average furnace resistivity (ohm cm) that makes the whole "
                   "furnace's resistance match this voltage measured across it at the current")
        ->type_name("V")
        ->check(Number());
#ifdef TARSEN_BATCH_HAS_PICTURE
    app.add_option("--picture", o.picture,
                   "write the picture of the assembly after the run (PNG for .png, else BMP)")
        ->type_name("FILE");
    app.add_option("--picture-size", o.pictureSize, "the picture's side in pixels (64 to 8000)")
        ->type_name("N")
        ->check(WholeNumber(kMinPictureSide, kMaxPictureSide))
        ->capture_default_str();
    app.add_flag("--antialias", o.antialias, "draw the picture with smooth lines");
#endif
    return [a] {
        Options opts = a->options;
        if (!a->cycles.empty()) {
            opts.mode = Mode::Cycles;
            opts.modeValue = a->cycles;
        } else if (!a->residual.empty()) {
            opts.mode = Mode::Residual;
            opts.modeValue = a->residual;
        } else if (!a->target.empty()) {
            opts.mode = Mode::Target;
            opts.modeValue = a->target;
        }
        for (const std::string& text : a->sets) {
            std::string key, value;
            SplitAssignment(text, key, value);
            opts.sets.emplace_back(key, value);
        }
        if (!a->measuredVoltage.empty())
            opts.measuredVoltage = Sng(*ParseNumber(a->measuredVoltage));
        std::string range;
        if (!a->sweep.empty() && SplitAssignment(a->sweep, opts.sweepKey, range))
            SweepValues(range, opts.sweepValues);
        return RunRun(std::move(opts));
    };
}

const RegisterCommand kRegisterRun{
    {"run",
     "initializes an assembly and runs it (cycles, to a residual, or to a target temperature) "
     "and prints the results",
     SetupRun}};

} // namespace

} // namespace tarsen::batch
