// Result values and texts: the report box, interpolation, heat flow, press heat sink, the
// electrical readouts and the average resistivity.
#include "simulation/results.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace tarsen {
namespace {

FieldGeometry Geometry(int nr, int nz, float rmax, float zmax)
{
    FieldGeometry g;
    g.nr = nr;
    g.nz = nz;
    g.rmax = rmax;
    g.zmax = zmax;
    return g;
}

TEST(ReportBox, SixteenLinesThenClearedBeforeTheSeventeenth)
{
    ReportBox box;
    for (int k = 1; k <= 16; ++k)
        box.WriteReport("line " + std::to_string(k));
    ASSERT_EQ(box.Lines().size(), 16u);
    EXPECT_EQ(box.Lines().front().text, "line 1");
    EXPECT_EQ(box.Lines().back().text, "line 16");

    box.WriteReport("line 17");
    ASSERT_EQ(box.Lines().size(), 1u);
    EXPECT_EQ(box.Lines().front().text, "line 17");
    EXPECT_EQ(box.TotalWritten(), 17u);

    // An empty line clears the box and stands alone.
    box.WriteReport("x");
    box.WriteReport("");
    ASSERT_EQ(box.Lines().size(), 1u);
    EXPECT_EQ(box.Lines().front().text, "");

    // Each line keeps the colour it was written in.
    box.SetRed(true);
    box.WriteReport("red");
    box.SetRed(false);
    box.WriteReport("black");
    EXPECT_TRUE(box.Lines()[1].red);
    EXPECT_FALSE(box.Lines()[2].red);
}

TEST(TInterp, CellCentresInterpolationAndPointsOutsideTheModel)
{
    // 4 x 2 cells over 8 x 4 mm: cell centres at r = 1, 3, 5, 7 and z = 1, 3.
    const FieldGeometry g = Geometry(4, 2, 8.0f, 4.0f);
    GhostField<float> t(4, 2);
    for (int i = -1; i <= 4; ++i)
        for (int j = -1; j <= 2; ++j)
            t(i, j) = static_cast<float>(100 * i + j);

    EXPECT_FLOAT_EQ(TInterp(t, g, true, 3.0f, 1.0f), 100.0f); // cell (1, 0)
    EXPECT_FLOAT_EQ(TInterp(t, g, true, 7.0f, 3.0f), 301.0f); // cell (3, 1)
    EXPECT_FLOAT_EQ(TInterp(t, g, true, 4.0f, 2.0f), 150.5f); // midway between four centres
    EXPECT_FLOAT_EQ(TInterp(t, g, true, 0.0f, 1.0f), -50.0f); // the axis: half way to the ghost
    EXPECT_EQ(TInterp(t, g, false, 3.0f, 1.0f), 0.0f);        // no field yet

    // Beyond the held outer radius and top the ghost value is read, never past it.
    EXPECT_FLOAT_EQ(TInterp(t, g, true, 100.0f, 1.0f), 400.0f);
    EXPECT_FLOAT_EQ(TInterp(t, g, true, 3.0f, 50.0f), 102.0f);
    // Beyond a zero-flux side (the axis; here also the bottom) a point reads its mirror image.
    EXPECT_EQ(TInterp(t, g, true, -3.0f, 1.0f), 100.0f);
    EXPECT_FLOAT_EQ(TInterp(t, g, true, 3.0f, -0.5f), 99.75f); // as at z = 0.5, 1/4 to the ghost
    EXPECT_FLOAT_EQ(TInterp(t, g, true, -100.0f, -100.0f), 402.0f);
    FieldGeometry held = g; // every side but the axis held: the ghosts' rule holds beyond them
    held.ibcs = {0, 1, 1, 1};
    EXPECT_FLOAT_EQ(TInterp(t, held, true, 3.0f, -50.0f), 99.0f);
    FieldGeometry open = g; // the outer radius and the top insulated
    open.ibcs = {0, 0, 0, 1};
    EXPECT_FLOAT_EQ(TInterp(t, open, true, 9.0f, 5.0f), 301.0f); // as at (7, 3)
    EXPECT_TRUE(std::isfinite(TInterp(t, g, true, NAN, 1.0f)));
    EXPECT_TRUE(std::isfinite(TInterp(t, open, true, -INFINITY, INFINITY)));

    // The gradient on the axis from points 0.25 mm either side of z0.
    GhostField<float> tz(4, 2);
    for (int i = -1; i <= 4; ++i)
        for (int j = -1; j <= 2; ++j)
            tz(i, j) = static_cast<float>(10 * j);
    EXPECT_NEAR(ThermocoupleGradient(tz, g, true, 2.0f, 0.25f), 5.0f, 1e-5f); // 10 deg per 2 mm
    EXPECT_EQ(ThermocoupleGradient(tz, g, true, 2.0f, 0.0f), 0.0f);
    // On the mirror plane of a model with an insulated bottom the gradient is 0; a held bottom
    // reads its ghost (here 10 deg below the first row) and keeps the gradient.
    EXPECT_EQ(ThermocoupleGradient(tz, g, true, 0.0f, 0.25f), 0.0f);
    EXPECT_NEAR(ThermocoupleGradient(tz, held, true, 0.0f, 0.25f), 5.0f, 1e-5f);
}

TEST(Flowout, CountsOnlyTheIsothermalSidesAndScalesWithMirrorFactor)
{
    // c = 1 everywhere; each ghost lies 1 deg below its interior neighbour on the outer radius
    // and the top, 3 deg below on the bottom, and 7 deg below on the axis.
    const int nr = 4, nz = 8;
    FieldGeometry g = Geometry(nr, nz, 2.0f, 4.0f); // dr = dz = 0.5
    GhostField<float> t(nr, nz, 100.0f), c(nr, nz, 1.0f);
    for (int j = 0; j < nz; ++j) {
        t(nr, j) = 99.0f;
        t(-1, j) = 93.0f;
    }
    for (int i = 0; i < nr; ++i) {
        t(i, nz) = 99.0f;
        t(i, -1) = 97.0f;
    }
    const double twoPi = kTwoPiFlow;
    // Outer radius: sum dz rmax (1 / dr) = zmax rmax / dr = 16; top: sum dr r (1 / dz) =
    // (rmax^2 / 2) / dz = 4; bottom: 3 x 4 = 12.
    g.ibcs = {0, 1, 1, 0};
    EXPECT_NEAR(flowout(t, c, g), (16.0 + 4.0) * twoPi, 1e-4);
    g.ibcs = {1, 0, 0, 1};
    EXPECT_NEAR(flowout(t, c, g), 12.0 * twoPi, 1e-4);
    g.ibcs = {0, 1, 1, 0};
    g.MirrorFactor = 2;
    EXPECT_NEAR(flowout(t, c, g), 2.0 * (16.0 + 4.0) * twoPi, 1e-4);

    // Arrays of another size than the grid give no flow rather than reading outside.
    GhostField<float> small(2, 2, 1.0f);
    EXPECT_EQ(flowout(small, c, g), 0.0f);
}

TEST(PressHeatSink, EquivalentSphereBoundaryTemperatureAndShift)
{
    FieldGeometry g = Geometry(8, 8, 3.0f, 4.0f);
    // V = rmax^2 pi zmax = 36 pi; R = (3 V / (4 pi))^(1/3) = 27^(1/3) = 3.
    EXPECT_NEAR(EquivalentRadius(g), 3.0f, 1e-5f);
    g.MirrorFactor = 2; // the volume doubles
    EXPECT_NEAR(std::pow(double(EquivalentRadius(g)), 3.0), 54.0, 1e-3);

    // TB = 25 + P / (4 pi 50) (1 / 0.003 - 1 / 0.114): 200 pi W give 25 + (333.33 - 8.77).
    const float P = static_cast<float>(200.0 * 3.14159274);
    const std::optional<float> TB = BoundaryTemperature(P, 3.0f, 0.114f);
    ASSERT_TRUE(TB.has_value());
    EXPECT_NEAR(*TB, 25.0 + 1000.0 / 3.0 - 1.0 / 0.114, 1e-2);
    EXPECT_FALSE(BoundaryTemperature(P, 0.0f, 0.114f).has_value());
    EXPECT_FALSE(BoundaryTemperature(P, 3.0f, 0.0f).has_value());
    EXPECT_FALSE(BoundaryTemperature(NAN, 3.0f, 0.114f).has_value());

    GhostField<float> t(2, 3, 100.0f);
    t(-1, -1) = 10.0f;
    float tbc = 25.0f;
    ShiftTemperature(t, tbc, 5.5f);
    EXPECT_FLOAT_EQ(t(-1, -1), 15.5f);
    EXPECT_FLOAT_EQ(t(2, 3), 105.5f);
    EXPECT_FLOAT_EQ(t(1, 1), 105.5f);
    EXPECT_FLOAT_EQ(tbc, 30.5f);
}

TEST(ElectricalTexts, RoundedPrintFormsAndUndefinedWithoutCurrent)
{
    ResultTexts r;
    // P = 1234.5678 W at 100 A: R = 0.123456 ohm, V = 12.345678 V.
    ElectricalTexts(r, 1234.5678f, 100.0f);
    EXPECT_EQ(r.picIntegratedPower, "1234.5677"); // shortest form of the Single
    EXPECT_EQ(r.picAmps, " 100");
    EXPECT_EQ(r.picResistance, " 0.12346");
    EXPECT_EQ(r.picVolts, " 12.346");

    ElectricalTexts(r, 0.0f, 0.0f);
    EXPECT_EQ(r.picIntegratedPower, "0");
    EXPECT_EQ(r.picAmps, " 0");
    EXPECT_EQ(r.picResistance, kUndefined);
    EXPECT_EQ(r.picVolts, kUndefined);

    ElectricalTexts(r, 5.0f, -2.0f); // a negative current is not formed either
    EXPECT_EQ(r.picAmps, "-2");
    EXPECT_EQ(r.picVolts, kUndefined);

    // Ohm's law: the mirrored assembly has twice the half model's resistance.
    OhmsLawTexts(r, 0.0123456f, 100.0f, 2);
    EXPECT_EQ(r.picTheorResist, " 0.02469");
    EXPECT_EQ(r.picTheorVolt, " 2.469");
    OhmsLawTexts(r, INFINITY, 100.0f, 1);
    EXPECT_EQ(r.picTheorResist, kUndefined);
}

TEST(ResultTexts, ThermocouplesHeatBalanceAndResiduals)
{
    const std::array<std::int32_t, 3> colours{1, 2, 3};
    auto lines = ThermocoupleLines(true, {1234.5f, 999.5f, 1000.5f}, 5.649f, colours);
    EXPECT_EQ(lines[0].text, "1234 (5.6)"); // halves to even
    EXPECT_TRUE(lines[0].bold);
    EXPECT_EQ(lines[1].text, "1000");
    EXPECT_FALSE(lines[1].bold);
    EXPECT_EQ(lines[2].text, "1000");
    EXPECT_EQ(lines[2].colour, 3);
    EXPECT_EQ(ThermocoupleLines(true, {20.0f, 0.0f, 0.0f}, -0.04f, colours)[0].text, "20 (0)");
    EXPECT_EQ(ThermocoupleLines(false, {1.0f, 2.0f, 3.0f}, 1.0f, colours)[0].text, "");

    EXPECT_EQ(HeatBalanceText(98.76f, 100.0f), "98.8 percent.");
    EXPECT_EQ(HeatBalanceText(50.0f, 50.0f), "100 percent.");
    EXPECT_EQ(HeatBalanceText(1.0f, 0.5f), ""); // too little power: cleared
    EXPECT_FALSE(HeatBalancePercent(1.0f, 0.5f).has_value());
    EXPECT_NEAR(*HeatBalancePercent(98.76f, 100.0f), 98.76, 1e-4);

    EXPECT_EQ(ResidualText(0.0075f, 1.25e-5f), "0.0075\n1.25e-05");
}

TEST(AverageResistivity, OhmsLawOfTheWholeFurnaceScaledByItsResistivity)
{
    // 2 V at 100 A is 0.02 ohm; the model gives 0.01 ohm with rho0 = 0.5, so rho = 1.
    EXPECT_FLOAT_EQ(*AverageResistivity(2.0f, 100.0f, 0.01f, 0.5f, 1), 1.0f);
    // Mirrored, 0.01 ohm is half the furnace the 2 V were measured across: rho = 0.5.
    EXPECT_FLOAT_EQ(*AverageResistivity(2.0f, 100.0f, 0.01f, 0.5f, 2), 0.5f);
    EXPECT_EQ(*AverageResistivity(0.0f, 100.0f, 0.01f, 0.5f, 1), 0.0f);
    EXPECT_FALSE(AverageResistivity(2.0f, 0.0f, 0.01f, 0.5f, 1).has_value());
    EXPECT_FALSE(AverageResistivity(2.0f, 100.0f, 0.0f, 0.5f, 2).has_value());
    EXPECT_FALSE(AverageResistivity(2.0f, 1e-30f, 1e-30f, 3e38f, 1).has_value());
}

TEST(RoundToDecimals, HalvesToEvenWithoutNegativeZero)
{
    EXPECT_FLOAT_EQ(RoundToDecimals(2.5, 0), 2.0f);
    EXPECT_FLOAT_EQ(RoundToDecimals(3.5, 0), 4.0f);
    EXPECT_FLOAT_EQ(RoundToDecimals(0.123456, 5), 0.12346f);
    EXPECT_FALSE(std::signbit(RoundToDecimals(-0.04, 1)));
}

} // namespace
} // namespace tarsen
