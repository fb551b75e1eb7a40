// The main window's logic driven headless: start-up, Initialize, the three kinds of run with
// their report lines and status texts, Stop, the grid commands, the setting handlers' rules, the
// press heat sink and the temperature search with its guarded stops.
#include "common/colour.h"
#include "common/parallel.h"
#include "common/textnum.h"
#include "model/clsassemblypart.h"
#include "simulation/mainlogic.h"
#include "solver/clsallgrid_axisym.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace tarsen {
namespace {

const std::string kDataFolder = std::string(TARSEN_TEST_DATA) + "/mainlogic";

/// Records every status text, and lets a test act at the event pump.
struct TestFront : RecordingFrontEnd {
    std::vector<std::string> m_statuses;
    std::function<void()> m_onPump;
    void SetStatus(std::string_view text, StatusColour colour) override
    {
        RecordingFrontEnd::SetStatus(text, colour);
        m_statuses.emplace_back(text.substr(0, text.find("\r\n")));
    }
    void PumpEvents() override
    {
        ++m_pumps;
        if (m_onPump)
            m_onPump();
    }
    bool Reported(std::string_view line) const
    {
        return std::find(m_report.begin(), m_report.end(), line) != m_report.end();
    }
    int CountReported(std::string_view prefix) const
    {
        return static_cast<int>(
            std::count_if(m_report.begin(), m_report.end(),
                          [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
    }
    bool Status(std::string_view text) const
    {
        return std::find(m_statuses.begin(), m_statuses.end(), text) != m_statuses.end();
    }
};

/// The upper half of a furnace cell, 5 x 5 mm: a heater sleeve (r 1.5 ... 2, z 0 ... 3, axial
/// heating) in front of an insulating medium that fills the model; mirrored at z = 0.
void BuildFurnace(clsTarsen& assembly)
{
    assembly.CreateCellPart(0, "Heater");
    clsAssemblyPart& heater = assembly.CellPart(0);
    heater.InnerRadius(1.5f);
    heater.OuterRadius(2.0f);
    heater.MinHeight(0.0f);
    heater.MaxHeight(3.0f);
    heater.MaterialIndex = 1;
    heater.HeatingType = kAxialHeating;
    assembly.CreateCellPart(1, "Medium");
    clsAssemblyPart& medium = assembly.CellPart(1);
    medium.OuterRadius(5.0f);
    medium.MaxHeight(5.0f);
    medium.MaterialIndex = 0;
    assembly.ThermocouplePosition(0, 0, 0.0f);
    assembly.ThermocouplePosition(0, 1, 1.0f);
    assembly.ThermocouplePosition(1, 0, 1.0f);
    assembly.ThermocouplePosition(1, 1, 2.0f);
    assembly.ThermocouplePosition(2, 0, 3.0f);
    assembly.ThermocouplePosition(2, 1, 4.0f);
}

/// Started like the window with the open dialog cancelled (the default assembly and the test
/// materials file of DataFolder), then given the furnace on an nr x nr grid.
std::unique_ptr<MainLogic> Furnace(TestFront& front, int nr = 16)
{
    auto m = std::make_unique<MainLogic>(front);
    m->Form_Load(kDataFolder);
    BuildFurnace(m->Tarsen);
    m->SetGridSize(std::to_string(nr));
    return m;
}

std::unique_ptr<MainLogic> InitializedFurnace(TestFront& front, int nr = 16)
{
    auto m = Furnace(front, nr);
    m->Initialize();
    return m;
}

TEST(StartUp, DefaultsAndTheDefaultAssembly)
{
    TestFront front;
    MainLogic m(front);
    m.Form_Load(kDataFolder);

    ASSERT_EQ(front.m_fileRequests.size(), 1u);
    EXPECT_EQ(front.m_fileRequests[0].title, kOpenTSNTitle);
    EXPECT_EQ(front.m_fileRequests[0].folder, kDataFolder);
    // The file's reading defaults over the start-up values, the rest as start-up left them.
    EXPECT_EQ(m.grid.rmax, 5.0f);
    EXPECT_EQ(m.grid.zmax, 5.0f);
    EXPECT_EQ(m.grid.nr, 64);
    EXPECT_EQ(m.grid.nz, 64);
    EXPECT_EQ(m.grid.AspectRatio, 1.0f);
    EXPECT_EQ(m.settings.ElectricCurrent, 100.0f);
    EXPECT_EQ(m.settings.DesiredResidual, 0.008f);
    EXPECT_EQ(m.settings.tbc, 25.0f);
    EXPECT_EQ(m.settings.ncycles, 1);
    EXPECT_EQ(m.settings.ninner, 10);
    EXPECT_EQ(m.settings.w, 1.8f);
    EXPECT_TRUE(m.settings.IncludePress);
    EXPECT_TRUE(m.settings.FluxMatch);
    EXPECT_TRUE(m.UseMultigrid);
    EXPECT_TRUE(m.RedBlack);
    EXPECT_EQ(m.method, 3);
    EXPECT_EQ(m.MgHeatSolver.tmax, 2319.0f);
    EXPECT_EQ(m.MgHeatSolver.tmin, 25.0f);
    ASSERT_NE(m.AllgridSolver, nullptr);
    EXPECT_FALSE(m.MgHeatSolver.BoundaryT);
    EXPECT_EQ(m.Tarsen.PressRadius, 0.114f);
    EXPECT_FALSE(m.StopRequested);
    EXPECT_FALSE(m.grid.Initialized);
    EXPECT_FALSE(m.grid.TemperatureReady);
    EXPECT_TRUE(m.grid.Runnable);
    EXPECT_EQ(m.ThermocoupleColors[0], RGB(50, 0, 150));
    EXPECT_EQ(m.ThermocoupleColors[2], RGB(150, 0, 50));
    EXPECT_EQ(m.materialproperties.NumberOfMaterials(), 3);
    EXPECT_EQ(m.StatusText, kMsgDesignMode);
    EXPECT_EQ(m.FormUpdate().Caption, "Tarsen: (untitled)");
    EXPECT_FALSE(m.Modified());
    EXPECT_TRUE(front.m_messages.empty());
}

TEST(StartUp, MissingMaterialsFileAsksForOneAndAFileKeepsItsPressSetting)
{
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / "tarsen_test_mainlogic_startup";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    {
        // No thermal.prp in the folder: the properties dialog follows; cancelled, the table
        // stays empty and the status says so.
        TestFront front;
        MainLogic m(front);
        m.Form_Load(dir.string());
        ASSERT_EQ(front.m_fileRequests.size(), 2u);
        EXPECT_EQ(front.m_fileRequests[1].title, "Open the Material Properties File");
        EXPECT_EQ(front.m_fileRequests[1].folder, dir.string());
        EXPECT_FALSE(m.grid.Runnable);
        EXPECT_EQ(m.StatusText, kMsgNoMaterials);
    }
    {
        // A file chosen there makes the model ready to be initialized at once.
        TestFront front;
        front.m_fileAnswers = {std::nullopt, kDataFolder + "/thermal.prp"};
        MainLogic m(front);
        m.Form_Load(dir.string());
        EXPECT_TRUE(m.grid.Runnable);
        EXPECT_EQ(m.StatusText, kMsgDesignMode);
        EXPECT_TRUE(m.FormUpdate().enabled.cmdInitialize);
        EXPECT_FALSE(m.Modified());
    }
    const std::string path = (dir / "nopress.tsn").string();
    {
        TestFront front;
        auto m = Furnace(front);
        m->chkIncludePress_MouseUp(false);
        ASSERT_TRUE(std::filesystem::copy_file(kDataFolder + "/thermal.prp", dir / "thermal.prp"));
        ASSERT_TRUE(m->WriteTarsen(path).Written());
    }
    {
        TestFront front;
        MainLogic m(front);
        m.Form_Load(kDataFolder, path);
        EXPECT_TRUE(front.m_fileRequests.empty());
        EXPECT_FALSE(m.settings.IncludePress);
        EXPECT_FALSE(m.FormUpdate().chkIncludePress);
        EXPECT_EQ(m.FormUpdate().Caption, "Tarsen: " + path);
        EXPECT_EQ(m.grid.nr, 16);
        EXPECT_EQ(m.Tarsen.CellPart(0).Name, "Heater");
    }
    std::filesystem::remove_all(dir);
}

TEST(Initialize, BuildsTheModelAndReportsEachStep)
{
    TestFront front;
    auto m = Furnace(front);
    front.m_report.clear();
    m->Initialize();
    const std::vector<std::string> expected{"Initializing:", "make_initial_t", "Materials...",
                                            "make_a...",     "make_c...",      "make_f..."};
    EXPECT_EQ(front.m_report, expected);
    EXPECT_TRUE(front.Status("Initializing."));
    EXPECT_EQ(m->StatusText, kStatusReady);
    EXPECT_EQ(m->StatusColor, StatusColour::Blue);
    EXPECT_TRUE(m->grid.Initialized);
    EXPECT_TRUE(m->grid.TemperatureReady);
    const auto& lines = m->Report().Lines();
    const auto first = std::find_if(lines.begin(), lines.end(), [](const ReportBox::Line& l) {
        return l.text == kReportInitializing;
    });
    ASSERT_NE(first, lines.end());
    EXPECT_TRUE(first->red);
    EXPECT_FALSE(m->Report().Red());
    EXPECT_GT(m->grid.IntegratedPower, 0.0f);
    EXPECT_EQ(m->grid.MirrorFactor, 2);

    const FormState s = m->FormUpdate();
    EXPECT_FALSE(s.enabled.cmdInitialize);
    EXPECT_TRUE(s.enabled.frameGo);
    // A new current sends the window back to design mode.
    m->txtCurrent_LostFocus("120");
    const FormState d = m->FormUpdate();
    EXPECT_FALSE(d.enabled.frameGo);
    EXPECT_EQ(d.StatusText, kMsgDesignMode);
    EXPECT_TRUE(d.enabled.cmdInitialize);
}

TEST(Initialize, ReadinessProblemsKeepTheRunButtonsOff)
{
    {
        // A gap beyond r = 4: the last unassigned point found is the outermost, topmost one.
        TestFront front;
        auto m = Furnace(front);
        m->Tarsen.CellPart(1).OuterRadius(4.0f);
        m->Initialize();
        const FormState s = m->FormUpdate();
        EXPECT_FALSE(m->grid.Initialized);
        EXPECT_EQ(s.StatusText, std::string(kMsgUnassignedPointBegin) + "15, 15" +
                                    std::string(kMsgUnassignedPointEnd));
        EXPECT_EQ(s.StatusColor, StatusColour::Red);
        EXPECT_FALSE(s.enabled.cmdRunManyCycles);
        EXPECT_FALSE(s.enabled.frameGridSettings);
        EXPECT_TRUE(s.enabled.cmdInitialize);
    }
    {
        TestFront front;
        auto m = Furnace(front);
        m->Tarsen.CellPart(1).MaterialIndex = 2; // no thermal data
        m->Initialize();
        EXPECT_EQ(m->StatusText, std::string(kMsgMissingMaterialBegin) + "Bare" +
                                     std::string(kMsgMissingMaterialEnd));
    }
    {
        TestFront front;
        auto m = Furnace(front);
        m->Tarsen.CellPart(0).HeatingType = kNonHeating;
        m->Initialize();
        EXPECT_EQ(m->StatusText, kMsgNoFurnace);
    }
}

TEST(RunCycles, StatusTextsReportLinesAndTheClosingLines)
{
    TestFront front;
    auto m = InitializedFurnace(front);
    m->cmdRunManyCycles_MouseUp();
    EXPECT_TRUE(front.Status("Running 1 cycle."));
    EXPECT_EQ(m->CyclesRun(), 1);

    front.m_report.clear();
    front.m_statuses.clear();
    m->txtNCycles_LostFocus("3");
    int replots = 0;
    m->ReplotPicture = [&] { ++replots; };
    m->cmdRunManyCycles_MouseUp();
    EXPECT_TRUE(front.Status("Running 3 cycles."));
    EXPECT_EQ(front.m_statuses.back(), kStatusReady);
    EXPECT_EQ(front.m_statusColour, StatusColour::Blue);
    EXPECT_EQ(replots, 3);
    EXPECT_EQ(front.CountReported("Cycle "), 3);
    EXPECT_TRUE(front.Reported("Cycle 3"));
    ASSERT_GE(front.m_report.size(), 2u);
    EXPECT_EQ(front.m_report[front.m_report.size() - 2], kReportFinished);
    EXPECT_EQ(front.m_report.back(), "Time = 0");
    EXPECT_EQ(m->LastRunOutcome(), RunOutcome::Finished);
    // The per-cycle displays are filled.
    EXPECT_FALSE(m->Results().picResidual.empty());
    EXPECT_FALSE(m->Results().picThermocoupleTemp[0].text.empty());
    EXPECT_FALSE(m->Results().picConvergence.empty());
}

TEST(RunCycles, FieldsDoNotDependOnTheNumberOfThreads)
{
    // 128 x 384 cells: the finest level is split over the threads (the coarser ones are too
    // small to be), and its 384 rows, 3 x 128, leave odd row counts on the coarsest levels. The
    // start of a run to a residual, five multigrid cycles, then one single-grid cycle.
    struct Fields {
        std::vector<float> t, c, f;
        float rmserror = 0.0f, FirstError = 0.0f, power = 0.0f;
    };
    const auto run = [](int threads) {
        SetThreadCount(threads);
        TestFront front;
        auto m = Furnace(front, 128);
        m->Tarsen.CellPart(1).MaxHeight(15.0f);
        m->SetAspectRatio("3");
        m->Initialize();
        // A run to a residual from the uniform field: the start on coarser grids and the
        // mixing of cycles, stopped by the cycle cap.
        m->MaxCycles = 3;
        m->txtConvergeToResidual_LostFocus("0");
        m->cmdConvergeToResidual_MouseUp();
        EXPECT_EQ(m->LastRunOutcome(), RunOutcome::CycleLimit);
        m->MaxCycles = 0;
        m->txtNCycles_LostFocus("5");
        m->cmdRunManyCycles_MouseUp();
        EXPECT_EQ(m->CyclesRun(), 5);
        m->optGrid_MouseUp(false);
        m->txtNCycles_LostFocus("1");
        m->cmdRunManyCycles_MouseUp();
        const auto copy = [](const GhostField<float>& a) {
            return std::vector<float>(a.Data(), a.Data() + (a.N1() + 2) * a.Stride());
        };
        return Fields{copy(m->grid.t), copy(m->grid.c), copy(m->grid.f),
                      m->rmserror,     m->FirstError,   m->grid.IntegratedPower};
    };
    const Fields one = run(1);
    ASSERT_EQ(one.t.size(), 130u * 386u);
    for (int threads : {2, 3}) {
        const Fields more = run(threads);
        // Compared as bits: equal values would let a -0 for +0 through.
        ASSERT_EQ(more.t.size(), one.t.size());
        EXPECT_EQ(std::memcmp(more.t.data(), one.t.data(), one.t.size() * sizeof(float)), 0);
        EXPECT_EQ(std::memcmp(more.c.data(), one.c.data(), one.c.size() * sizeof(float)), 0);
        EXPECT_EQ(std::memcmp(more.f.data(), one.f.data(), one.f.size() * sizeof(float)), 0);
        EXPECT_EQ(more.rmserror, one.rmserror);
        EXPECT_EQ(more.FirstError, one.FirstError);
        EXPECT_EQ(more.power, one.power);
    }
    SetThreadCount(0);
}

TEST(RunCycles, StopDuringTheSecondOfThreeCycles)
{
    TestFront front;
    auto m = InitializedFurnace(front);
    m->txtNCycles_LostFocus("3");
    front.m_report.clear();
    // The click reaches the run at the next event pump, the start of cycle 3.
    int cycle = 0;
    m->ReplotPicture = [&] {
        if (++cycle == 2)
            front.m_onPump = [&] { m->cmdStop_Click(); };
    };
    m->cmdRunManyCycles_MouseUp();
    EXPECT_TRUE(front.Reported("Cycle 1"));
    EXPECT_TRUE(front.Reported("Cycle 2"));
    EXPECT_FALSE(front.Reported("Cycle 3"));
    EXPECT_TRUE(front.Reported(kReportStopped));
    EXPECT_FALSE(front.Reported(kReportFinished));
    EXPECT_EQ(m->LastRunOutcome(), RunOutcome::Stopped);
    EXPECT_EQ(m->StatusText, kStatusReady);
    // The next run clears the request.
    front.m_onPump = nullptr;
    m->cmdRunManyCycles_MouseUp();
    EXPECT_EQ(m->CyclesRun(), 3);
}

TEST(RunCycles, CommandsThatChangeTheModelAreRefusedDuringARun)
{
    TestFront front;
    auto m = InitializedFurnace(front);
    m->txtNCycles_LostFocus("2");
    FormState during;
    bool tried = false;
    m->ReplotPicture = [&] {
        if (tried)
            return;
        tried = true;
        during = m->FormUpdate();
        m->cmdDoubleGrid_MouseUp();
        m->cmdHalveZ_MouseUp();
        EXPECT_EQ(m->txtRmax_LostFocus("7"), SettingOutcome::Refused);
        EXPECT_EQ(m->SetGridSize("32"), SettingOutcome::Refused);
        m->Initialize();
        m->cmdRunManyCycles_MouseUp(); // no nested run
        m->cmdMakeT_MouseUp();
        EXPECT_EQ(m->ReadTarsen("").status, ReadTarsenStatus::Refused);
        EXPECT_FALSE(m->ChoosePropertiesFile());
    };
    m->cmdRunManyCycles_MouseUp();
    EXPECT_TRUE(tried);
    EXPECT_EQ(m->grid.nr, 16);
    EXPECT_EQ(m->grid.AspectRatio, 1.0f);
    EXPECT_EQ(m->grid.rmax, 5.0f);
    EXPECT_TRUE(m->grid.Initialized);
    EXPECT_EQ(m->CyclesRun(), 2);
    EXPECT_TRUE(during.enabled.cmdStop);
    EXPECT_FALSE(during.enabled.cmdRunManyCycles);
    EXPECT_FALSE(during.enabled.cmdDoubleGrid);
    EXPECT_FALSE(during.enabled.frameGridSettings);
    EXPECT_FALSE(during.enabled.mnuOpen);
    EXPECT_FALSE(m->Running());
    EXPECT_TRUE(m->FormUpdate().enabled.cmdRunManyCycles);
}

TEST(ConvergeToResidual, ReachesTheTargetWithTheHeatBalanced)
{
    TestFront front;
    auto m = InitializedFurnace(front, 32);
    m->txtConvergeToResidual_LostFocus("20000");
    front.m_report.clear();
    m->cmdConvergeToResidual_MouseUp();
    EXPECT_EQ(front.CountReported("Cycle "), 0); // FirstError starts at 10000
    EXPECT_EQ(m->CyclesRun(), 0);
    EXPECT_TRUE(front.Status(kStatusRunningToConvergence));
    EXPECT_FALSE(front.Reported(kReportFinished));

    m->txtConvergeToResidual_LostFocus("0.008");
    m->cmdConvergeToResidual_MouseUp();
    EXPECT_EQ(m->LastRunOutcome(), RunOutcome::Converged);
    EXPECT_LT(m->FirstError, 0.008f);
    EXPECT_GT(m->CyclesRun(), 1);
    // Once converged, the heat leaving the sides is the heat the furnace makes (within the
    // discretisation of the boundary fluxes on 32 cells).
    ASSERT_TRUE(m->HeatBalancePercent().has_value());
    EXPECT_NEAR(*m->HeatBalancePercent(), 100.0, 3.0);
    // With the press, the boundary temperature is that of the equivalent sphere.
    EXPECT_NEAR(m->settings.tbc, *m->BoundaryTemperature(), 1.0);
    EXPECT_GT(m->settings.tbc, 25.0f);
    EXPECT_GT(m->ThermocoupleTemp(0), m->ThermocoupleTemp(2));
}

TEST(ConvergeToResidual, EndsAtThePrecisionLimitOfTheField)
{
    // No field reaches a residual of 0: the run ends by itself once the residual sits at its
    // floor and the thermocouples stand still, as converged, with the answer a long run gives.
    // On 256 cells it starts from the field converged on 32 and 64, interpolated over two
    // doublings, and needs few cycles.
    for (const int n : {32, 256}) {
        TestFront front;
        auto m = InitializedFurnace(front, n);
        m->txtConvergeToResidual_LostFocus("0");
        front.m_report.clear();
        m->cmdConvergeToResidual_MouseUp();
        EXPECT_EQ(m->LastRunOutcome(), RunOutcome::PrecisionLimit) << n;
        EXPECT_LT(m->CyclesRun(), n == 32 ? 30 : 12) << n;
        EXPECT_EQ(front.CountReported(std::string(kMsgPrecisionLimit)), 1);
        EXPECT_EQ(front.CountReported("Starting from the field converged on 64 x 64 cells."),
                  n == 32 ? 0 : 1);
        EXPECT_EQ(m->StatusText, kStatusReady);
        const std::array<float, 3> atFloor{m->ThermocoupleTemp(0), m->ThermocoupleTemp(1),
                                           m->ThermocoupleTemp(2)};
        m->txtNCycles_LostFocus(n == 32 ? "300" : "60");
        m->cmdRunManyCycles_MouseUp();
        ASSERT_EQ(m->LastRunOutcome(), RunOutcome::Finished);
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(atFloor[static_cast<std::size_t>(k)], m->ThermocoupleTemp(k), 0.004f)
                << n << " " << k;
    }
}

TEST(PressHeatSink, EachCycleShiftsTheFieldToTheSphereTemperature)
{
    TestFront front;
    auto m = InitializedFurnace(front);
    const float expected = *m->BoundaryTemperature();
    const float before = m->grid.t(3, 3);
    m->cmdRunManyCycles_MouseUp();
    EXPECT_FLOAT_EQ(m->settings.tbc, expected);
    EXPECT_GT(m->grid.t(3, 3), before);

    m->chkIncludePress_MouseUp(false);
    const float tbc = m->settings.tbc;
    m->cmdRunManyCycles_MouseUp();
    EXPECT_EQ(m->settings.tbc, tbc);
}

TEST(MirrorFactor, TheMirroredModelDoublesPowerAndOhmsLaw)
{
    TestFront front;
    auto m = InitializedFurnace(front);
    m->cmdRunManyCycles_MouseUp();
    const float P2 = m->grid.IntegratedPower;
    const double R2 = std::stod(m->Results().picTheorResist);
    EXPECT_EQ(m->grid.MirrorFactor, 2);

    // Holding the bottom too: the same half model, no longer mirrored.
    ASSERT_EQ(m->SetBoundaryType(4, 1), SettingOutcome::Changed);
    EXPECT_FALSE(m->grid.Initialized);
    EXPECT_EQ(m->grid.MirrorFactor, 1);
    m->grid.make_f(m->Tarsen, m->materialproperties, m->MgHeatSolver, m->settings.tbc,
                   m->settings.ElectricCurrent, nullptr);
    EXPECT_FLOAT_EQ(m->grid.IntegratedPower, P2 / 2.0f);
    // The Ohm's-law resistance of the half model, to five decimals.
    EXPECT_NEAR(std::stod(m->Results().picTheorResist), R2 / 2.0, 1e-5);
}

TEST(TemperatureSearch, ReachesTheTargetWithinTError)
{
    // One cycle per trial (the start-up NCycles) settles on the current that many cycles per
    // trial find: each new current takes effect in the very next solve.
    float current1 = 0.0f;
    {
        TestFront front;
        auto m = InitializedFurnace(front);
        m->txtGoToT_LostFocus("600");
        m->txtTError_LostFocus("1");
        m->cmdGoToT_MouseUp();
        EXPECT_EQ(m->LastRunOutcome(), RunOutcome::Converged);
        EXPECT_LT(m->CyclesRun(), 100);
        current1 = m->settings.ElectricCurrent;
    }
    TestFront front;
    auto m = InitializedFurnace(front);
    m->txtNCycles_LostFocus("4");
    m->txtGoToT_LostFocus("600");
    m->txtTError_LostFocus("1");
    m->MaxCycles = 400;
    m->cmdGoToT_MouseUp();
    EXPECT_EQ(m->LastRunOutcome(), RunOutcome::Converged);
    EXPECT_NEAR(m->ThermocoupleTemp(0), 600.0f, 1.0f);
    EXPECT_LT(m->FirstError, m->settings.DesiredResidual);
    EXPECT_TRUE(front.Status("Converging to a temperature of 600"));
    EXPECT_EQ(m->StatusText, kStatusReady);
    EXPECT_GT(front.CountReported("Trial Current "), 0);
    // Within TError of 600 deg C at a gain of several degrees per ampere.
    EXPECT_NEAR(current1, m->settings.ElectricCurrent, 0.002f * m->settings.ElectricCurrent);
    // The current box and the readout agree.
    EXPECT_FLOAT_EQ(std::stof(m->Results().picAmps), m->settings.ElectricCurrent);

    // Already there: no trial, the current stays.
    const float current = m->settings.ElectricCurrent;
    front.m_report.clear();
    m->cmdGoToT_MouseUp();
    EXPECT_EQ(front.CountReported("Trial Current "), 0);
    EXPECT_EQ(m->settings.ElectricCurrent, current);
}

TEST(TemperatureSearch, AStoppedSearchKeepsTheCurrentItsFieldBelongsTo)
{
    TestFront front;
    auto m = InitializedFurnace(front);
    m->txtGoToT_LostFocus("600");
    m->txtTError_LostFocus("0.01");
    m->txtConvergeToResidual_LostFocus("0");
    // Stop arrives at the event pump of the first cycle of the second trial: its current was
    // set but never solved with.
    int cycles = 0;
    m->ReplotPicture = [&] {
        if (++cycles == 2)
            front.m_onPump = [&] { m->cmdStop_Click(); };
    };
    m->cmdGoToT_MouseUp();
    EXPECT_EQ(m->LastRunOutcome(), RunOutcome::Stopped);
    EXPECT_TRUE(front.Reported(kReportStopped));
    EXPECT_TRUE(
        front.Reported(std::string(kMsgSearchStartedAt) + "100 A with the boundary at 25 deg C."));
    EXPECT_EQ(m->StatusText, kStatusReady);
    EXPECT_EQ(m->StatusColor, StatusColour::Blue);
    const FormState s = m->FormUpdate();
    EXPECT_FLOAT_EQ(std::stof(s.text.txtCurrent), std::stof(m->Results().picAmps));
}

TEST(TemperatureSearch, StopsWithAReportLineWhenNoCurrentCanBePredicted)
{
    {
        // The solver's ceiling cannot be reached: refused before any cycle.
        TestFront front;
        auto m = InitializedFurnace(front);
        m->txtGoToT_LostFocus("2319");
        m->cmdGoToT_MouseUp();
        EXPECT_EQ(m->LastRunOutcome(), RunOutcome::TargetUnreachable);
        EXPECT_EQ(m->CyclesRun(), 0);
        EXPECT_EQ(front.CountReported(std::string(kMsgSearchStopped)), 1);
    }
    {
        // No current: thermocouple 0 stays at the boundary temperature.
        TestFront front;
        auto m = Furnace(front);
        m->txtCurrent_LostFocus("0");
        m->Initialize();
        m->cmdGoToT_MouseUp();
        EXPECT_EQ(m->LastRunOutcome(), RunOutcome::AtBoundary);
        EXPECT_TRUE(front.Reported(std::string(kMsgSearchStopped) +
                                   std::string(kMsgSearchAtBoundary) + "."));
        EXPECT_EQ(m->settings.ElectricCurrent, 0.0f);
    }
    {
        // A target below the boundary temperature would need a negative power.
        TestFront front;
        auto m = InitializedFurnace(front);
        m->txtGoToT_LostFocus("10");
        m->cmdGoToT_MouseUp();
        EXPECT_EQ(m->LastRunOutcome(), RunOutcome::NegativePower);
        EXPECT_TRUE(
            front.Reported(std::string(kMsgSearchStopped) + std::string(kMsgSearchNegativePower)));
        EXPECT_TRUE(std::isfinite(m->settings.ElectricCurrent));
        EXPECT_EQ(m->settings.ElectricCurrent, 100.0f);
    }
}

TEST(RunGuards, MultigridRuleNonFiniteFieldAndCycleLimit)
{
    {
        // 24 cells is no power of two: multigrid is not attempted, single grid still runs.
        TestFront front;
        auto m = InitializedFurnace(front, 24);
        m->cmdRunManyCycles_MouseUp();
        EXPECT_EQ(m->LastRunOutcome(), RunOutcome::GridNotSuitable);
        EXPECT_EQ(m->CyclesRun(), 0);
        EXPECT_EQ(m->StatusText, kMsgGridNotSuitable);
        EXPECT_EQ(m->StatusColor, StatusColour::Red);
        m->optGrid_MouseUp(false);
        m->cmdRunManyCycles_MouseUp();
        EXPECT_EQ(m->LastRunOutcome(), RunOutcome::Finished);
        EXPECT_EQ(m->StatusText, kStatusReady);
    }
    {
        TestFront front;
        auto m = InitializedFurnace(front);
        m->optGrid_MouseUp(false);
        m->txtNCycles_LostFocus("3");
        m->ReplotPicture = [&] { m->grid.t(4, 4) = NAN; };
        m->cmdRunManyCycles_MouseUp();
        EXPECT_EQ(m->LastRunOutcome(), RunOutcome::NotFinite);
        EXPECT_EQ(m->CyclesRun(), 2);
        EXPECT_TRUE(front.Reported(kMsgFieldNotFinite));
        EXPECT_FALSE(m->grid.Initialized);
        EXPECT_FALSE(m->grid.TemperatureReady);
    }
    {
        TestFront front;
        auto m = InitializedFurnace(front);
        m->MaxCycles = 2;
        m->txtConvergeToResidual_LostFocus("0");
        m->cmdConvergeToResidual_MouseUp();
        EXPECT_EQ(m->LastRunOutcome(), RunOutcome::CycleLimit);
        EXPECT_EQ(m->CyclesRun(), 2);
    }
}

TEST(RunOutcomes, ARunThatWentWrongIsNeverReportedAsASuccess)
{
    {
        // A current far too high: the multigrid residual overflows within a few cycles while
        // the field may still hold finite numbers.
        TestFront front;
        auto m = Furnace(front);
        m->txtCurrent_LostFocus("1e12");
        m->Initialize();
        m->txtNCycles_LostFocus("20");
        m->cmdRunManyCycles_MouseUp();
        EXPECT_EQ(m->LastRunOutcome(), RunOutcome::NotFinite);
        EXPECT_LT(m->CyclesRun(), 20);
        EXPECT_FALSE(front.Reported(kReportFinished));
        EXPECT_EQ(m->StatusColor, StatusColour::Red);
    }
    {
        // With no sweep the single-grid solver leaves the field alone and reports a residual
        // of 0, which is no convergence.
        TestFront front;
        auto m = InitializedFurnace(front);
        m->optGrid_MouseUp(false);
        m->txtNTits_LostFocus("0");
        m->cmdConvergeToResidual_MouseUp();
        EXPECT_EQ(m->LastRunOutcome(), RunOutcome::NoSweep);
        EXPECT_EQ(m->CyclesRun(), 0);
        EXPECT_EQ(m->StatusText, kMsgNoSweep);
    }
    {
        // A current that drives the heater into the solvers' clamp ends every run command
        // with that reason instead of "Finished." or a converged search.
        TestFront front;
        auto m = Furnace(front);
        m->txtCurrent_LostFocus("3000");
        m->chkIncludePress_MouseUp(false);
        m->Initialize();
        m->txtNCycles_LostFocus("5");
        m->cmdRunManyCycles_MouseUp();
        EXPECT_EQ(m->LastRunOutcome(), RunOutcome::AtTemperatureLimit);
        EXPECT_FALSE(front.Reported(kReportFinished));
        EXPECT_EQ(m->StatusText.rfind(kMsgAtTemperatureLimit, 0), 0u);
        EXPECT_EQ(m->StatusColor, StatusColour::Red);
        m->cmdConvergeToResidual_MouseUp();
        EXPECT_EQ(m->LastRunOutcome(), RunOutcome::AtTemperatureLimit);
    }
    {
        // Sampled at the cell centres, a heater thinner than a cell between two centres heats
        // no cell, which Initialize says and every run refuses to hide behind a cold answer.
        TestFront front;
        auto m = Furnace(front, 4);
        m->SetExactSampling(false);
        m->Tarsen.CellPart(0).InnerRadius(2.0f);
        m->Tarsen.CellPart(0).OuterRadius(2.4f);
        m->Initialize();
        ASSERT_TRUE(m->grid.Initialized);
        EXPECT_TRUE(front.Reported(kMsgNoHeatedCell));
        m->cmdGoToT_MouseUp();
        EXPECT_EQ(m->LastRunOutcome(), RunOutcome::NoHeatedCell);
        EXPECT_EQ(m->CyclesRun(), 0);
        EXPECT_EQ(m->StatusText, kMsgNoHeatedCell);
    }
}

TEST(GridCommands, DoublingAndHalvingLimits)
{
    TestFront front;
    auto m = Furnace(front);
    m->SetGridSize("256");
    EXPECT_TRUE(m->DoubleGridResolution());
    EXPECT_EQ(m->grid.nr, 512);
    EXPECT_FALSE(m->DoubleGridResolution());
    EXPECT_EQ(m->grid.nr, 512);
    EXPECT_FALSE(m->FormUpdate().enabled.cmdDoubleGrid);

    m->SetGridSize("8");
    EXPECT_TRUE(m->HalveGridResolution());
    EXPECT_EQ(m->grid.nr, 4);
    m->SetGridSize("7");
    EXPECT_FALSE(m->HalveGridResolution()); // 3.5 is below 4
    m->SetGridSize("10");
    EXPECT_TRUE(m->HalveGridResolution());
    EXPECT_EQ(m->grid.nr, 5);
    EXPECT_EQ(m->grid.nz, 5);
    m->SetGridSize("6");
    EXPECT_TRUE(m->FormUpdate().enabled.cmdHalveGrid);
    EXPECT_FALSE(m->HalveGridResolution());
    EXPECT_EQ(m->grid.nr, 6);

    // Z: 4 is the largest aspect ratio, 0.25 the smallest.
    m->SetAspectRatio("4");
    m->cmdDoubleZ_MouseUp();
    EXPECT_EQ(m->grid.AspectRatio, 4.0f);
    m->SetAspectRatio("0.5");
    m->cmdHalveZ_MouseUp();
    EXPECT_EQ(m->grid.AspectRatio, 0.25f);
    m->cmdHalveZ_MouseUp();
    EXPECT_EQ(m->grid.AspectRatio, 0.25f);
    m->cmdDoubleZ_MouseUp();
    EXPECT_EQ(m->grid.AspectRatio, 0.5f);
    EXPECT_EQ(m->grid.zmax, 2.5f);
    EXPECT_EQ(m->grid.nz, 3); // 6 x 0.5
    EXPECT_FALSE(m->grid.TemperatureReady);
}

TEST(GridCommands, TheFieldIsCarriedOverAndEveryArrayResized)
{
    TestFront front;
    auto m = InitializedFurnace(front, 8);
    // A field linear in i and j: averaging gives the value at the coarse cell centres.
    for (int i = -1; i <= 8; ++i)
        for (int j = -1; j <= 8; ++j)
            m->grid.t(i, j) = static_cast<float>(300 + i + 10 * j);
    m->cmdHalveGrid_MouseUp();
    ASSERT_EQ(m->grid.nr, 4);
    EXPECT_FALSE(m->grid.Initialized);
    EXPECT_TRUE(m->grid.TemperatureReady);
    EXPECT_FLOAT_EQ(m->grid.t(0, 0), 300.0f + 0.5f + 5.0f);
    EXPECT_FLOAT_EQ(m->grid.t(3, 2), 300.0f + 6.5f + 45.0f);
    EXPECT_EQ(m->grid.MatMat.N1(), 4);
    EXPECT_EQ(m->grid.f.N2(), 4);

    // A uniform field stays uniform away from the held sides after prolongation.
    m->grid.t.Fill(300.0f);
    m->cmdDoubleGrid_MouseUp();
    ASSERT_EQ(m->grid.nr, 8);
    for (int i = 0; i <= 5; ++i)
        for (int j = 0; j <= 5; ++j)
            EXPECT_FLOAT_EQ(m->grid.t(i, j), 300.0f);
    EXPECT_EQ(m->grid.c.N1(), 8);
    EXPECT_EQ(m->grid.t.N2(), 8);
    m->Initialize();
    EXPECT_TRUE(m->grid.Initialized);
}

TEST(SettingHandlers, ChangedValuesInvalidateAsTheirRulesSay)
{
    TestFront front;
    auto m = InitializedFurnace(front);
    // The same radius again changes nothing.
    EXPECT_EQ(m->txtRmax_LostFocus("5"), SettingOutcome::Unchanged);
    EXPECT_TRUE(m->grid.Initialized);
    EXPECT_TRUE(m->grid.TemperatureReady);
    EXPECT_EQ(m->txtRmax_LostFocus("4.5"), SettingOutcome::Changed);
    EXPECT_EQ(m->grid.zmax, 4.5f);
    EXPECT_FALSE(m->grid.Initialized);
    EXPECT_FALSE(m->grid.TemperatureReady);

    m->Initialize();
    EXPECT_EQ(m->txtBoundaryCondition_LostFocus(" 30 "), SettingOutcome::Changed);
    EXPECT_EQ(m->settings.tbc, 30.0f);
    EXPECT_FALSE(m->grid.Initialized);
    EXPECT_FALSE(m->grid.TemperatureReady);

    m->Initialize();
    EXPECT_EQ(m->txtCurrent_LostFocus("150"), SettingOutcome::Changed);
    EXPECT_FALSE(m->grid.Initialized);
    EXPECT_TRUE(m->grid.TemperatureReady); // the field is continued from

    m->Initialize();
    EXPECT_EQ(m->txtNCycles_LostFocus("2.5"), SettingOutcome::Changed);
    EXPECT_EQ(m->settings.ncycles, 2);
    EXPECT_EQ(m->txtNInner_LostFocus("4"), SettingOutcome::Changed);
    EXPECT_EQ(m->txtNiters_LostFocus("3"), SettingOutcome::Changed);
    EXPECT_EQ(m->txtNTits_LostFocus("7"), SettingOutcome::Changed);
    EXPECT_EQ(m->txtW_LostFocus("1.5"), SettingOutcome::Changed);
    EXPECT_EQ(m->txtGoToT_LostFocus("1200"), SettingOutcome::Changed);
    EXPECT_EQ(m->txtTError_LostFocus("2"), SettingOutcome::Changed);
    EXPECT_EQ(m->txtConvergeToResidual_LostFocus("0.01"), SettingOutcome::Changed);
    EXPECT_EQ(m->settings.ninner, 4);
    EXPECT_EQ(m->settings.niters, 3);
    EXPECT_EQ(m->settings.ntits, 7);
    EXPECT_EQ(m->settings.w, 1.5f);
    EXPECT_EQ(m->settings.DesiredResidual, 0.01f);
    EXPECT_TRUE(m->grid.Initialized);

    // Text that is not a usable number keeps the value and says so in the report.
    front.m_report.clear();
    EXPECT_EQ(m->txtRmax_LostFocus("abc"), SettingOutcome::Refused);
    EXPECT_EQ(m->txtRmax_LostFocus("0"), SettingOutcome::Refused);
    EXPECT_EQ(m->txtRmax_LostFocus("1e39"), SettingOutcome::Refused);
    EXPECT_EQ(m->txtRmax_LostFocus("3e38"), SettingOutcome::Refused); // zmax would overflow
    EXPECT_EQ(m->txtCurrent_LostFocus(""), SettingOutcome::Refused);
    EXPECT_EQ(m->txtNCycles_LostFocus("40000"), SettingOutcome::Refused);
    EXPECT_EQ(m->txtNiters_LostFocus("-1"), SettingOutcome::Refused);
    EXPECT_EQ(m->txtW_LostFocus("1,5"), SettingOutcome::Refused);
    // No temperature at or below absolute zero, boundary or target.
    EXPECT_EQ(m->txtBoundaryCondition_LostFocus("-300"), SettingOutcome::Refused);
    EXPECT_EQ(m->txtBoundaryCondition_LostFocus("-273.15"), SettingOutcome::Refused);
    EXPECT_EQ(m->txtGoToT_LostFocus("-273.15"), SettingOutcome::Refused);
    EXPECT_EQ(front.m_report.size(), 11u);
    EXPECT_NE(front.m_report[0].find("\"abc\""), std::string::npos);
    EXPECT_EQ(front.m_report[8], "Boundary T: \"-300\" is at or below absolute zero (-273.15 deg "
                                 "C); the value stays 25.");
    EXPECT_EQ(m->grid.rmax, 4.5f);
    EXPECT_EQ(m->settings.ElectricCurrent, 150.0f);
    EXPECT_EQ(m->settings.ncycles, 2);
    EXPECT_EQ(m->settings.w, 1.5f);
    EXPECT_EQ(m->settings.tbc, 25.0f); // the press start temperature Initialize set
    EXPECT_EQ(m->settings.GoToT, 1200.0f);
    EXPECT_TRUE(m->grid.Initialized);
    EXPECT_EQ(m->txtBoundaryCondition_LostFocus("-273.14"), SettingOutcome::Changed);
    EXPECT_EQ(m->FormUpdate().text.txtRmax, "4.5");
}

TEST(MaterialsFile, AConfirmedFileReplacesTheTableAndARefusedOneChangesNothing)
{
    TestFront front;
    auto m = InitializedFurnace(front);
    front.m_fileAnswers.push_back(kDataFolder + "/missing.prp");
    EXPECT_FALSE(m->ChoosePropertiesFile());
    EXPECT_EQ(m->materialproperties.NumberOfMaterials(), 3);
    EXPECT_TRUE(m->grid.Initialized);

    front.m_fileAnswers.push_back(kDataFolder + "/thermal.prp");
    EXPECT_TRUE(m->ChoosePropertiesFile());
    EXPECT_EQ(m->settings.MaterialFile, "thermal.prp");
    EXPECT_FALSE(m->grid.Initialized);
}

TEST(AssemblyFile, ChangesAreTrackedAndAskedAboutAndAReadForgetsTheOldModel)
{
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / "tarsen_test_mainlogic_modified";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "cell.tsn").string();
    TestFront front;
    auto m = InitializedFurnace(front);
    ASSERT_TRUE(m->WriteTarsen(path).Written());
    EXPECT_FALSE(m->Modified());
    EXPECT_TRUE(m->MayDiscardChanges(kAskSaveBeforeOpen));
    EXPECT_TRUE(front.m_saveQuestions.empty()); // nothing to lose, nothing asked

    // Each kind of stored value counts: a setting, the grid, a part, a thermocouple.
    m->txtCurrent_LostFocus("150");
    EXPECT_TRUE(m->Modified());
    EXPECT_TRUE(m->FormUpdate().Modified);
    m->txtCurrent_LostFocus("100");
    EXPECT_FALSE(m->Modified());
    m->cmdDoubleGrid_MouseUp();
    EXPECT_TRUE(m->Modified());
    m->cmdHalveGrid_MouseUp();
    EXPECT_FALSE(m->Modified());
    m->Tarsen.CellPart(0).Name = "Sleeve";
    EXPECT_TRUE(m->Modified());
    m->Tarsen.CellPart(0).Name = "Heater";
    m->Tarsen.ThermocouplePosition(2, 0, 2.5f);
    EXPECT_TRUE(m->Modified());

    // Cancel keeps the changes and stops the open before its dialog.
    m->Initialize();
    m->cmdRunManyCycles_MouseUp();
    ASSERT_EQ(m->CyclesRun(), 1);
    ASSERT_FALSE(m->Results().picIntegratedPower.empty());
    const std::size_t dialogs = front.m_fileRequests.size();
    front.m_saveChoices = {SaveChoice::Cancel};
    EXPECT_EQ(m->mnuOpen_Click().status, ReadTarsenStatus::Cancelled);
    EXPECT_EQ(front.m_saveQuestions.back(), kAskSaveBeforeOpen);
    EXPECT_EQ(front.m_fileRequests.size(), dialogs);
    // Save writes them first, through the save dialog; a cancelled save dialog stops the open.
    front.m_saveChoices = {SaveChoice::Save};
    EXPECT_FALSE(m->MayDiscardChanges(kAskSaveBeforeOpen));
    front.m_saveChoices = {SaveChoice::Save};
    front.m_fileAnswers = {path};
    EXPECT_TRUE(m->MayDiscardChanges(kAskSaveBeforeOpen));
    EXPECT_FALSE(m->Modified());

    // The file read replaces the model: nothing computed for the old one stays.
    m->PartIndex = 1;
    EXPECT_TRUE(m->OpenAssemblyFile(path).Applied());
    const ResultTexts& r = m->Results();
    for (const std::string* text : {&r.picIntegratedPower, &r.picAmps, &r.picResistance,
                                    &r.picVolts, &r.picResidual, &r.picConvergence})
        EXPECT_TRUE(text->empty()) << *text;
    EXPECT_EQ(m->grid.IntegratedPower, 0.0f);
    EXPECT_EQ(m->CyclesRun(), 0);
    EXPECT_EQ(m->PartIndex, -1);
    EXPECT_EQ(m->Tarsen.ThermocouplePosition(2, 0), 2.5f);
    EXPECT_EQ(m->AssemblyFolder(), dir.string());
    std::filesystem::remove_all(dir);
}

TEST(Resistivity, CalculatorFromAMeasuredVoltage)
{
    TestFront front;
    auto m = InitializedFurnace(front);
    EXPECT_EQ(m->CalcResistivity("0"), "0");
    EXPECT_EQ(m->CalcResistivity("volts"), kUndefined);
    // The Ohm's-law voltage shown, that of the whole mirrored furnace, gives back the heater's
    // resistivity, 1e-5 ohm m = 1e-3 ohm cm (to the three decimals of the voltage shown).
    ASSERT_EQ(m->grid.MirrorFactor, 2);
    const std::string volts = m->Results().picTheorVolt;
    EXPECT_NEAR(std::stod(m->CalcResistivity(volts)), 1e-3, 1e-3 * 5e-4 / std::stod(volts));
    m->txtCurrent_LostFocus("0");
    EXPECT_EQ(m->CalcResistivity("1"), kUndefined);
}

} // namespace
} // namespace tarsen
