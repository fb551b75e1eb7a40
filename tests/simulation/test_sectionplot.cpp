#include "simulation/condplot.h"
#include "simulation/sectionplot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace tarsen;

namespace {

/// A 64 x 64 grid of radius 5 mm and height 10 mm whose temperature rises linearly outwards,
/// t(i, j) = 100 + i + 1000 j, with an interpolation that is exact for it.
struct LinearField {
    GhostField<float> t{64, 64};
    SectionSource source;

    LinearField()
    {
        for (int i = -1; i <= 64; ++i)
            for (int j = -1; j <= 64; ++j)
                t(i, j) = static_cast<float>(100 + i + 1000 * j);
        source.nr = 64;
        source.nz = 64;
        source.rmax = 5.0f;
        source.zmax = 10.0f;
        source.TemperatureReady = true;
        source.t = &t;
        // R = (i + 0.5) dr with dr = 5 / 64, Z likewise with dz = 10 / 64; between the
        // boundary and the first cell centre the value of that cell.
        source.TInterp = [](float R, float Z) {
            return static_cast<float>(100.0 + std::max(0.0, R / (5.0 / 64) - 0.5) +
                                      1000.0 * std::max(0.0, Z / (10.0 / 64) - 0.5));
        };
    }
};

} // namespace

TEST(SectionRanges, DefaultsAreTheFirstAndLastCellCentres)
{
    const SectionRange mm = SetUpMM(SectionDirection::Radial, 5.0f, 10.0f, 64, 64);
    EXPECT_EQ(mm.Start, "0.0390625");
    EXPECT_EQ(mm.Finish, "4.9609375");
    EXPECT_EQ(mm.Step, "0.078125");
    const SectionRange axial = SetUpMM(SectionDirection::Axial, 5.0f, 10.0f, 64, 32);
    EXPECT_EQ(axial.Start, "0.15625");
    EXPECT_EQ(axial.Finish, "9.84375");
    EXPECT_EQ(axial.Step, "0.3125");
    const SectionRange ij = SetUpIJ(SectionDirection::Radial, 64, 32);
    EXPECT_EQ(ij.Start, "0");
    EXPECT_EQ(ij.Finish, "63");
    EXPECT_EQ(ij.Step, "1");
    EXPECT_EQ(SetUpIJ(SectionDirection::Axial, 64, 32).Finish, "31");
}

TEST(SectionProfiles, DefaultMillimetreRangeSpansThePlot)
{
    LinearField field;
    const SectionRange r = SetUpMM(SectionDirection::Radial, 5.0f, 10.0f, 64, 64);
    const SectionProfile p = ComputeSection(field.source, SectionDirection::Radial,
                                            SectionUnits::Millimetres, r.Start, r.Finish, r.Step);
    ASSERT_TRUE(p.ok) << p.message;
    ASSERT_TRUE(p.plottable);
    ASSERT_EQ(p.points.size(), 64u);
    EXPECT_EQ(p.axisLeft, 0.0);
    EXPECT_DOUBLE_EQ(p.axisRight, 5.0); // Finish - Start + dr = rmax
    // The maximum along the mid-plane line is the outermost cell, t(63, 0).
    EXPECT_EQ(p.Tmax, 163.0f);
    EXPECT_EQ(p.points.front().label, "0.0390625");
    EXPECT_EQ(p.points.back().label, "4.9609375");
    EXPECT_DOUBLE_EQ(p.points.front().xFraction, 0.0390625 / 5.0);
    EXPECT_DOUBLE_EQ(p.points.back().xFraction, 4.9609375 / 5.0);
    // Cell centres, so TInterp returns the cell values: 100 ... 163.
    EXPECT_FLOAT_EQ(p.points.front().T, 100.0f);
    EXPECT_FLOAT_EQ(p.points.back().T, 163.0f);
    EXPECT_DOUBLE_EQ(p.points.back().yFraction, 0.0);
    EXPECT_NEAR(p.points.front().yFraction, 63.0 / 163.0, 1e-6); // T is a Single
    for (const SectionPoint& pt : p.points) {
        EXPECT_GT(pt.xFraction, 0.0);
        EXPECT_LT(pt.xFraction, 1.0);
    }

    // The axial line next to the axis reads the first column.
    const SectionRange a = SetUpMM(SectionDirection::Axial, 5.0f, 10.0f, 64, 64);
    const SectionProfile q = ComputeSection(field.source, SectionDirection::Axial,
                                            SectionUnits::Millimetres, a.Start, a.Finish, a.Step);
    ASSERT_TRUE(q.ok);
    ASSERT_EQ(q.points.size(), 64u);
    EXPECT_EQ(q.Tmax, 63100.0f);
    EXPECT_FLOAT_EQ(q.points[1].T, 1100.0f);
}

TEST(SectionProfiles, MillimetrePositionsOutsideTheModelAreSkipped)
{
    LinearField field;
    const SectionProfile p = ComputeSection(field.source, SectionDirection::Radial,
                                            SectionUnits::Millimetres, "-1", "6", "0.5");
    ASSERT_TRUE(p.ok);
    // -1 ... 6 in steps of 0.5 is 15 positions; 0 ... 5 of them lie inside.
    ASSERT_EQ(p.points.size(), 11u);
    EXPECT_EQ(p.points.front().label, "0");
    EXPECT_EQ(p.points.back().label, "5");
    EXPECT_DOUBLE_EQ(p.axisRight, 7.078125);
}

TEST(SectionProfiles, IndexUnitsTakeEveryIndexInTheRange)
{
    LinearField field;
    SectionProfile p = ComputeSection(field.source, SectionDirection::Radial, SectionUnits::Indices,
                                      "0", "63", "1");
    ASSERT_TRUE(p.ok);
    ASSERT_EQ(p.points.size(), 64u);
    EXPECT_EQ(p.points.front().label, "0");
    EXPECT_DOUBLE_EQ(p.points.front().xFraction, 0.5 / 64.0);
    EXPECT_DOUBLE_EQ(p.points.back().xFraction, 63.5 / 64.0);
    EXPECT_EQ(p.axisLeft, -0.5);
    EXPECT_EQ(p.axisRight, 63.5);

    // Step plays no part; the ghost cells -1 and nr belong to the line.
    p = ComputeSection(field.source, SectionDirection::Radial, SectionUnits::Indices, "-5", "99",
                       "not used");
    ASSERT_TRUE(p.ok);
    ASSERT_EQ(p.points.size(), 66u);
    EXPECT_EQ(p.points.front().label, "-1");
    EXPECT_EQ(p.points.front().T, 99.0f);
    EXPECT_EQ(p.points.back().label, "64");

    // Start above Finish plots nothing and is no error.
    p = ComputeSection(field.source, SectionDirection::Radial, SectionUnits::Indices, "10", "5",
                       "1");
    EXPECT_TRUE(p.ok);
    EXPECT_TRUE(p.points.empty());
    EXPECT_FALSE(p.plottable);

    p = ComputeSection(field.source, SectionDirection::Axial, SectionUnits::Indices, "2.5", "4",
                       "1");
    ASSERT_EQ(p.points.size(), 2u);
    EXPECT_EQ(p.points[0].T, 3100.0f);
}

TEST(SectionProfiles, RefusedRangesAndFields)
{
    LinearField field;
    auto mm = [&](const char* s, const char* f, const char* st) {
        return ComputeSection(field.source, SectionDirection::Radial, SectionUnits::Millimetres, s,
                              f, st);
    };
    EXPECT_EQ(mm("0", "5", "0").message, kMsgStepNotPositive);
    EXPECT_EQ(mm("0", "5", "-0.1").message, kMsgStepNotPositive);
    EXPECT_EQ(mm("0", "5", "1e-9").message, kMsgTooManyPoints);
    EXPECT_EQ(mm("0", "5", "1e-300").message, kMsgTooManyPoints);
    EXPECT_TRUE(mm("0", "5", "0.00005").ok); // exactly 100000 steps
    EXPECT_EQ(mm("a", "5", "1").message, kMsgRangeNotNumber);
    EXPECT_EQ(mm("0", "", "1").message, kMsgRangeNotNumber);
    EXPECT_EQ(mm("0", "5", "x").message, kMsgRangeNotNumber);
    EXPECT_FALSE(mm("0", "5", "x").ok);

    // A grid changed under the open window: the old field is not read with the new bounds.
    field.source.nr = 128;
    EXPECT_EQ(mm("0", "5", "1").message, kMsgFieldMismatch);
    field.source.nr = 64;
    field.source.TemperatureReady = false;
    EXPECT_EQ(mm("0", "5", "1").message, kMsgNoTemperature);
    field.source.TemperatureReady = true;
    GhostField<float> empty;
    field.source.t = &empty;
    EXPECT_EQ(mm("0", "5", "1").message, kMsgNoTemperature);
}

TEST(SectionProfiles, ZeroScalesGivePointsForExportButNoPlot)
{
    LinearField field;
    field.t.Fill(-5.0f); // Tmax stays at its start value 0
    SectionProfile p = ComputeSection(field.source, SectionDirection::Radial, SectionUnits::Indices,
                                      "0", "3", "1");
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.Tmax, 0.0f);
    EXPECT_FALSE(p.plottable);
    EXPECT_EQ(p.points.size(), 4u);

    // Finish - Start + dr = 0 with a single point at Start.
    LinearField warm;
    p = ComputeSection(warm.source, SectionDirection::Radial, SectionUnits::Millimetres, "0.078125",
                       "0", "1");
    ASSERT_TRUE(p.ok);
    EXPECT_FALSE(p.plottable);
    EXPECT_EQ(p.points.size(), 1u);
}

TEST(SectionExport, TwoExportsFillAdjacentColumnPairs)
{
    LinearField field;
    Sheet sheet;
    std::string column = "A";
    const SectionProfile radial = ComputeSection(field.source, SectionDirection::Radial,
                                                 SectionUnits::Indices, "0", "2", "1");
    ASSERT_TRUE(ExportProfile(sheet, ColumnIndex(column).value(), radial));
    column = AdvanceColumn(column, 2).value();
    EXPECT_EQ(column, "C");
    const SectionProfile axial =
        ComputeSection(field.source, SectionDirection::Axial, SectionUnits::Millimetres, "0.078125",
                       "0.234375", "0.15625");
    ASSERT_TRUE(ExportProfile(sheet, ColumnIndex(column).value(), axial));
    EXPECT_EQ(AdvanceColumn(column, 2).value(), "E");

    EXPECT_EQ(std::get<std::string>(*sheet.Cell("A1")), "0");
    EXPECT_EQ(std::get<double>(*sheet.Cell("B1")), 100.0);
    EXPECT_EQ(std::get<std::string>(*sheet.Cell("A3")), "2");
    EXPECT_EQ(std::get<double>(*sheet.Cell("B3")), 102.0);
    EXPECT_EQ(sheet.Cell("A4"), nullptr);
    EXPECT_EQ(std::get<std::string>(*sheet.Cell("C1")), "0.078125");
    EXPECT_EQ(std::get<double>(*sheet.Cell("D1")), 100.0);
    EXPECT_EQ(std::get<std::string>(*sheet.Cell("C2")), "0.234375");
    EXPECT_EQ(std::get<double>(*sheet.Cell("D2")), 1100.0);
    EXPECT_EQ(sheet.LastColumn(), 3);
    EXPECT_EQ(sheet.LastRow(), 3);

    // No room for the temperature column after the last one.
    EXPECT_FALSE(ExportProfile(sheet, kSheetColumns - 1, radial));
    EXPECT_EQ(sheet.LastColumn(), 3);

    EXPECT_EQ(ProfileAsTabText(radial), "0\t100\n1\t101\n2\t102\n");
}

TEST(ConductivityPlot, LimitsOfUniformAndGradedFields)
{
    // A uniform field at 25 deg C of one material with constant conductivity 2.5.
    PlotLimitSet l = ConductivityPlotLimits({25.0f, 25.0f}, {2.5f, 2.5f});
    EXPECT_FLOAT_EQ(l[2], 13.0f);
    EXPECT_FLOAT_EQ(l[3], 37.2f);
    // 2.5 widened by 10 % to 2.25 ... 2.75, then top + 0.05 and bottom - 0.055.
    EXPECT_FLOAT_EQ(l[0], 2.8f);
    EXPECT_FLOAT_EQ(l[1], 2.195f);
    EXPECT_TRUE(CheckPlotLimits(l).empty());

    l = ConductivityPlotLimits({100.0f, 1100.0f}, {0.0f, 0.0f});
    EXPECT_FLOAT_EQ(l[2], 0.0f);
    EXPECT_FLOAT_EQ(l[3], 1210.0f);
    EXPECT_FLOAT_EQ(l[0], 0.0012f);
    EXPECT_FLOAT_EQ(l[1], -0.00122f);
    EXPECT_TRUE(CheckPlotLimits(l).empty());

    l = ConductivityPlotLimits({20.0f, 20.0f}, {-4.0f, -4.0f}); // |k| for the widening
    EXPECT_GT(l[0], l[1]);
    EXPECT_FLOAT_EQ(l[0], -3.52f);

    EXPECT_EQ(CheckPlotLimits({1.0f, 1.0f, 0.0f, 10.0f}), kMsgLimitsOrder);
    EXPECT_EQ(CheckPlotLimits({1.0f, 0.0f, 10.0f, 0.0f}), kMsgLimitsOrder);
    EXPECT_EQ(CheckPlotLimits({std::nanf(""), 0.0f, 0.0f, 1.0f}), kMsgLimitNotNumber);
}

TEST(ConductivityPlot, RangesAndPixelsOfTheGrid)
{
    ModelGrid grid;
    grid.nr = 2;
    grid.nz = 2;
    // Before Initialize has built c, there are no limits to plot.
    EXPECT_FALSE(ConductivityPlotLimits(grid).has_value());
    grid.t.Resize(2, 2, 1e9f); // ghosts far outside: never part of the range
    grid.c.Resize(2, 2, -1.0f);
    grid.MatMat.Resize(2, 2, -1);
    grid.t(0, 0) = 10.0f;
    grid.t(1, 0) = 20.0f;
    grid.t(0, 1) = 30.0f;
    grid.t(1, 1) = std::numeric_limits<float>::quiet_NaN();
    // The grid works in W/mm/K; the plot shows W/m/K, as the materials file gives them.
    grid.c(0, 0) = 0.001f;
    grid.c(1, 0) = 0.002f;
    grid.c(0, 1) = 0.003f;
    grid.c(1, 1) = 0.004f;
    grid.MatMat(0, 0) = 0;
    grid.MatMat(1, 0) = 1;
    grid.MatMat(0, 1) = 2;
    grid.MatMat(1, 1) = 3;
    const auto range = InteriorRange(grid.t, 2, 2);
    ASSERT_TRUE(range.has_value());
    EXPECT_EQ(range->low, 10.0f);
    EXPECT_EQ(range->high, 30.0f);
    EXPECT_FALSE(InteriorRange(grid.t, 3, 2).has_value()); // the field is of another grid
    const auto limits = ConductivityPlotLimits(grid);
    ASSERT_TRUE(limits.has_value());
    EXPECT_FLOAT_EQ((*limits)[0], 4.3f); // 1 ... 4 W/m/K widened by 10 %
    EXPECT_FLOAT_EQ((*limits)[1], 0.67f);

    // Limits 0 ... 100 deg C over 100 pixels and 8 ... 0 W/m/K over 64: 1 deg C and 0.125 per
    // pixel. The NaN temperature and the point above the top are left out.
    grid.c(0, 1) = 0.009f;
    const auto pixels = ConductivityPlotPixels(grid, {8.0f, 0.0f, 0.0f, 100.0f}, 100, 64);
    ASSERT_EQ(pixels.size(), 2u);
    EXPECT_EQ(pixels[0].x, 10);
    EXPECT_EQ(pixels[0].y, 56);
    EXPECT_EQ(pixels[0].material, 0);
    EXPECT_EQ(pixels[1].x, 20);
    EXPECT_EQ(pixels[1].y, 48);
    EXPECT_EQ(pixels[1].material, 1);
    EXPECT_TRUE(ConductivityPlotPixels(grid, {0.0f, 8.0f, 0.0f, 100.0f}, 100, 64).empty());
}

TEST(ConductivityPlot, AxisTicksAreRoundNumbers)
{
    EXPECT_EQ(AxisTicks(0.0, 10.0, 5), (std::vector<double>{0, 2, 4, 6, 8, 10}));
    EXPECT_EQ(AxisTicks(13.0, 37.2, 5), (std::vector<double>{15, 20, 25, 30, 35}));
    EXPECT_EQ(AxisTicks(-13.2, 12.0, 4), (std::vector<double>{-10, 0, 10}));
    EXPECT_TRUE(AxisTicks(1.0, 1.0, 5).empty());
    EXPECT_TRUE(AxisTicks(0.0, std::numeric_limits<double>::infinity(), 5).empty());
}
