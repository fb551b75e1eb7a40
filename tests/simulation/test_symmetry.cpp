// A mirrored model against the whole assembly it stands for: a furnace cell symmetric about its
// mid-plane, modelled whole (both ends held) and as its upper half with an insulated bottom, on
// cells of the same size, must report the same physics.
#include "model/clsassemblypart.h"
#include "simulation/mainlogic.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

namespace tarsen {
namespace {

const std::string kDataFolder = std::string(TARSEN_TEST_DATA) + "/mainlogic";

/// A heater sleeve (r 1.5 ... 2, axial heating, 6 mm long) in an insulating medium of radius 5
/// and height 10, centred on z = zc; the whole cell when zc = 5, its upper half mirrored at
/// z = 0 when zc = 0 (the parts below z = 0 then fall outside the model). Thermocouple 0 sits on
/// the mid-plane, the others above it.
std::unique_ptr<MainLogic> FurnaceCell(RecordingFrontEnd& front, float zc, bool whole)
{
    auto m = std::make_unique<MainLogic>(front);
    m->Form_Load(kDataFolder);
    m->chkIncludePress_MouseUp(false);
    clsTarsen& a = m->Tarsen;
    a.CreateCellPart(0, "Heater");
    clsAssemblyPart& heater = a.CellPart(0);
    heater.InnerRadius(1.5f);
    heater.OuterRadius(2.0f);
    heater.MinHeight(std::max(0.0f, zc - 3.0f));
    heater.MaxHeight(zc + 3.0f);
    heater.MaterialIndex = 1;
    heater.HeatingType = kAxialHeating;
    a.CreateCellPart(1, "Medium");
    clsAssemblyPart& medium = a.CellPart(1);
    medium.OuterRadius(5.0f);
    medium.MinHeight(std::max(0.0f, zc - 5.0f));
    medium.MaxHeight(zc + 5.0f);
    medium.MaterialIndex = 0;
    const float tc[3][2] = {{0.0f, 0.0f}, {1.0f, 1.7f}, {3.2f, 3.9f}};
    for (int k = 0; k < 3; ++k) {
        a.ThermocouplePosition(k, 0, tc[k][0]);
        a.ThermocouplePosition(k, 1, zc + tc[k][1]);
    }
    // 16 cells of 5/16 mm across the radius, 32 or 16 along the axis.
    EXPECT_EQ(m->SetGridSize("16"), SettingOutcome::Changed);
    if (whole) {
        EXPECT_EQ(m->SetAspectRatio("2"), SettingOutcome::Changed);
        EXPECT_EQ(m->SetBoundaryType(4, 1), SettingOutcome::Changed);
    }
    m->Initialize();
    EXPECT_TRUE(m->grid.Initialized);
    // The constant laws make the problem linear: a few cycles take the residual down to the
    // Single round-off of the field.
    m->txtNCycles_LostFocus("20");
    m->cmdRunManyCycles_MouseUp();
    EXPECT_EQ(m->LastRunOutcome(), RunOutcome::Finished);
    EXPECT_LT(m->FirstError, 1e-4f);
    return m;
}

double Relative(double a, double b) { return std::abs(a - b) / std::abs(b); }

TEST(MirroredModel, ReportsThePhysicsOfTheWholeAssembly)
{
    RecordingFrontEnd wholeFront, halfFront;
    const auto whole = FurnaceCell(wholeFront, 5.0f, true);
    const auto half = FurnaceCell(halfFront, 0.0f, false);
    ASSERT_EQ(whole->grid.nz, 32);
    ASSERT_EQ(half->grid.nz, 16);
    EXPECT_EQ(whole->grid.MirrorFactor, 1);
    EXPECT_EQ(half->grid.MirrorFactor, 2);

    // The field is heated well above the boundary, so the comparison means something.
    EXPECT_GT(whole->ThermocoupleTemp(0), 100.0f);
    for (int k = 0; k < 3; ++k)
        EXPECT_NEAR(half->ThermocoupleTemp(k), whole->ThermocoupleTemp(k), 0.01) << k;
    // The mirror plane: exactly 0 in the half model, and within the solver's asymmetry of
    // update order in the whole one.
    EXPECT_EQ(half->ThermocoupleGradient(0.25f), 0.0f);
    EXPECT_NEAR(whole->ThermocoupleGradient(0.25f), 0.0f, 1e-3f);

    const float I = whole->settings.ElectricCurrent;
    const double Pw = whole->grid.IntegratedPower;
    const double Ph = half->grid.IntegratedPower;
    EXPECT_LT(Relative(Ph, Pw), 5e-4);
    EXPECT_LT(Relative(*NumericalResistance(float(Ph), I), *NumericalResistance(float(Pw), I)),
              5e-4);
    EXPECT_LT(Relative(*NumericalVoltage(float(Ph), I), *NumericalVoltage(float(Pw), I)), 5e-4);
    EXPECT_EQ(half->Results().picTheorResist, whole->Results().picTheorResist);
    EXPECT_EQ(half->Results().picTheorVolt, whole->Results().picTheorVolt);
    EXPECT_LT(Relative(half->flowout(), whole->flowout()), 5e-4);

    // The voltage measured across the whole furnace gives one average resistivity; the Ohm's-law
    // voltage gives back the heater's own (1e-3 ohm cm).
    for (const std::string& volts : {std::string("1.5"), whole->Results().picTheorVolt}) {
        const std::string rho = whole->CalcResistivity(volts);
        EXPECT_NEAR(std::stod(half->CalcResistivity(volts)), std::stod(rho), 1e-6 * std::stod(rho))
            << volts;
    }
    EXPECT_NEAR(std::stod(half->CalcResistivity(whole->Results().picTheorVolt)), 1e-3, 1e-6);
}

} // namespace
} // namespace tarsen
