#include "common/colour.h"
#include "materials/clsmaterialproperties.h"
#include "model/clstarsen.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <string>

namespace tarsen {
namespace {

clsAssemblyPart& AddPart(clsTarsen& t, int i, float inner, float outer, float minH, float maxH,
                         std::int32_t heating = kNonHeating, std::int16_t material = -1)
{
    clsAssemblyPart& p = t.CellPart(i);
    p.Include = true;
    p.Name = "P" + std::to_string(i);
    p.InnerRadius(inner);
    p.OuterRadius(outer);
    p.MinHeight(minH);
    p.MaxHeight(maxH);
    p.HeatingType = heating;
    p.MaterialIndex = material;
    return p;
}

std::int16_t Owner(const clsTarsen& t, float r, float z, float rmax = 100, float zmax = 100)
{
    std::int16_t mat = 99;
    const std::int16_t part = t.CellPartAtPoint(r, z, rmax, zmax, mat);
    EXPECT_EQ(mat, part < 0 ? -1 : t.CellPart(part).MaterialIndex);
    return part;
}

/// The names of parts 0 ... 31 and the addresses of the part objects, which a move must keep.
std::multiset<std::string> Names(const clsTarsen& t)
{
    std::multiset<std::string> names;
    for (int i = 0; i <= 31; ++i)
        names.insert(t.CellPart(i).Name);
    return names;
}

std::set<const clsAssemblyPart*> Objects(const clsTarsen& t)
{
    std::set<const clsAssemblyPart*> objects;
    for (int i = -1; i <= 31; ++i)
        objects.insert(&t.CellPart(i));
    return objects;
}

TEST(Tarsen, FreshObjectDefaultsAndColourTable)
{
    clsTarsen t;
    EXPECT_EQ(t.MaxIndexOfParts, 31.0f);
    EXPECT_EQ(t.PressRadius, 0.0f);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 2; ++j)
            EXPECT_EQ(t.ThermocouplePosition(i, j), 0.0f);
    EXPECT_EQ(t.MaterialColors(-1), kRed);
    EXPECT_EQ(t.MaterialColors(0), RGB(250, 250, 250));
    EXPECT_EQ(t.MaterialColors(8), RGB(100, 100, 250));
    EXPECT_EQ(t.MaterialColors(10), kBlack);
    EXPECT_EQ(t.MaterialColors(11), RGB(232, 184, 128));
    EXPECT_EQ(t.MaterialColors(17), kBlack);
    EXPECT_EQ(t.MaterialColors(18), RGB(255, 255, 204));
    EXPECT_EQ(t.MaterialColors(30), kBlack);
    // Every part slot yields a fresh part; out-of-range indices read the "no part" entry.
    EXPECT_EQ(t.CellPart(31).Name, ".");
    EXPECT_EQ(&t.CellPart(32), &t.CellPart(-1));
    EXPECT_EQ(&t.CellPart(-2), &t.CellPart(-1));

    // White, the largest colour, survives the Single store exactly.
    t.MaterialColors(5, kWhite);
    EXPECT_EQ(t.MaterialColors(5), kWhite);
    t.MaterialColors(31, kBlue); // ignored
    EXPECT_EQ(t.MaterialColors(31), kRed);
    t.ThermocouplePosition(2, 1, 7.5f);
    EXPECT_EQ(t.ThermocouplePosition(2, 1), 7.5f);
    t.ThermocouplePosition(3, 0, 1.0f); // ignored
    EXPECT_EQ(t.ThermocouplePosition(3, 0), 0.0f);
}

TEST(Tarsen, CopiesAreDeep)
{
    clsTarsen a;
    AddPart(a, 0, 0, 5, 0, 10);
    clsTarsen b(a);
    b.CellPart(0).Name = "changed";
    EXPECT_EQ(a.CellPart(0).Name, "P0");
    clsTarsen c;
    c = b;
    c.CellPart(0).OuterRadius(1);
    EXPECT_EQ(b.CellPart(0).OuterRadius(), 5.0f);
    EXPECT_EQ(c.CellPart(0).Name, "changed");
}

TEST(Tarsen, PointOwnershipBoundsAndTieBreak)
{
    clsTarsen t;
    AddPart(t, 0, 0, 5, 0, 10, kNonHeating, 3);
    AddPart(t, 1, 2, 3, 2, 8, kNonHeating, 4);

    EXPECT_EQ(Owner(t, 2.5f, 5), 0);  // overlap: the lower index wins
    EXPECT_EQ(Owner(t, 5, 10), 0);    // outer wall and top face are inclusive
    EXPECT_EQ(Owner(t, 2.5f, 0), -1); // bottom face is strict
    EXPECT_EQ(Owner(t, 0, 5), -1);    // the axis lies on the strict inner wall
    EXPECT_EQ(Owner(t, 5.0001f, 5), -1);
    EXPECT_EQ(Owner(t, 4, 10.001f), -1);
    EXPECT_EQ(Owner(t, -2.5f, -5), 0); // |r| and |z|

    // Beyond the model the point is taken on its edge.
    EXPECT_EQ(Owner(t, 50, 5, 5, 10), 0);
    EXPECT_EQ(Owner(t, 50, 5, 6, 10), -1);
    EXPECT_EQ(Owner(t, 1, 50, 5, 10), 0);

    // A part that is not included is never found; the next one down takes the point.
    t.CellPart(0).Include = false;
    EXPECT_EQ(Owner(t, 2.5f, 5), 1);
    EXPECT_EQ(Owner(t, 1, 5), -1);

    // Only a negative inner radius claims the axis.
    AddPart(t, 2, -1, 1, 0, 10, kNonHeating, 5);
    EXPECT_EQ(Owner(t, 0, 5), 2);
}

TEST(Tarsen, PointOwnershipFollowsTaperAndFlare)
{
    clsTarsen t;
    clsAssemblyPart& cone = AddPart(t, 0, 0, 4, 0, 2);
    cone.TaperAngle(45); // wall r = 4 - z
    EXPECT_EQ(Owner(t, 2.9f, 1), 0);
    EXPECT_EQ(Owner(t, 3.1f, 1), -1);
    cone.TaperAngle(90);
    cone.FlareAngle(135); // top z = 2 + r
    EXPECT_EQ(Owner(t, 3, 4.9f), 0);
    EXPECT_EQ(Owner(t, 3, 5.1f), -1);
}

TEST(Tarsen, BringToFrontKeepsEveryPart)
{
    clsTarsen t;
    AddPart(t, 0, 0, 5, 0, 10);
    AddPart(t, 1, 2, 3, 2, 8);
    AddPart(t, 2, 0, 1, 0, 1);
    const auto names = Names(t);
    const auto objects = Objects(t);

    std::int16_t index = 1;
    t.BringToFront(index);
    EXPECT_EQ(index, 0);
    EXPECT_EQ(t.CellPart(0).Name, "P1");
    EXPECT_EQ(t.CellPart(1).Name, "P0");
    EXPECT_EQ(t.CellPart(2).Name, "P2");
    EXPECT_EQ(Owner(t, 2.5f, 5), 0); // the former part 1 now wins the overlap
    EXPECT_EQ(t.CellPart(0).InnerRadius(), 2.0f);

    index = 2;
    t.BringToFront(index);
    EXPECT_EQ(t.CellPart(0).Name, "P2");
    EXPECT_EQ(t.CellPart(1).Name, "P1");
    EXPECT_EQ(t.CellPart(2).Name, "P0");

    // Nothing selected (-1) and indices beyond the assembly are refused.
    for (std::int16_t bad : {std::int16_t(-1), std::int16_t(31), std::int16_t(-5)}) {
        index = bad;
        t.BringToFront(index);
        EXPECT_EQ(index, bad);
    }
    EXPECT_EQ(t.CellPart(0).Name, "P2");
    EXPECT_EQ(t.CellPart(-1).Name, ".");
    EXPECT_EQ(Names(t), names);
    EXPECT_EQ(Objects(t), objects);
}

TEST(Tarsen, MoveToBackKeepsEveryPart)
{
    clsTarsen t;
    AddPart(t, 0, 0, 5, 0, 10);
    AddPart(t, 1, 2, 3, 2, 8);
    AddPart(t, 2, 0, 1, 0, 1);
    const auto names = Names(t);
    const auto objects = Objects(t);

    std::int16_t index = 0;
    t.MoveToBack(index);
    EXPECT_EQ(index, 2);
    EXPECT_EQ(t.CellPart(0).Name, "P1");
    EXPECT_EQ(t.CellPart(1).Name, "P2");
    EXPECT_EQ(t.CellPart(2).Name, "P0");
    EXPECT_EQ(t.CellPart(3).Name, ".");

    // The highest included part, parts above it and refused indices stay put.
    for (std::int16_t same : {std::int16_t(2), std::int16_t(5), std::int16_t(-1), std::int16_t(31),
                              std::int16_t(32767)}) {
        index = same;
        t.MoveToBack(index);
        EXPECT_EQ(index, same);
    }
    EXPECT_EQ(t.CellPart(2).Name, "P0");
    EXPECT_EQ(t.CellPart(-1).Name, ".");

    // A non-included part among included ones is moved like any other.
    t.CellPart(1).Include = false;
    index = 1;
    t.MoveToBack(index);
    EXPECT_EQ(index, 2);
    EXPECT_EQ(t.CellPart(1).Name, "P0");
    EXPECT_EQ(t.CellPart(2).Name, "P2");
    EXPECT_EQ(Names(t), names);
    EXPECT_EQ(Objects(t), objects);
}

TEST(Tarsen, MoveToBackStaysWithinTheSavedParts)
{
    // Slot 31 is outside the assembly; even when it is marked included a part moved to the back
    // stays at index 30 or below, where the file, the editor and the point test see it.
    clsTarsen t;
    for (int i = 0; i <= 30; ++i)
        AddPart(t, i, 0, 1, 0, 1);
    t.CellPart(31).Include = true;
    t.CellPart(31).Name = "spare";
    std::int16_t index = 0;
    t.MoveToBack(index);
    EXPECT_EQ(index, 30);
    EXPECT_EQ(t.CellPart(30).Name, "P0");
    EXPECT_EQ(t.CellPart(31).Name, "spare");
    EXPECT_EQ(t.CellPart(0).Name, "P1");
}

TEST(Tarsen, CreateCellPartOnlyIncludesAssemblySlots)
{
    clsTarsen t;
    EXPECT_TRUE(t.CreateCellPart(4, "Capsule"));
    EXPECT_TRUE(t.CellPart(4).Include);
    EXPECT_EQ(t.CellPart(4).Name, "Capsule");
    EXPECT_FALSE(t.CreateCellPart(4, "Other"));
    EXPECT_EQ(t.CellPart(4).Name, "Capsule");
    EXPECT_FALSE(t.CreateCellPart(-1, "x"));
    EXPECT_FALSE(t.CreateCellPart(31, "x"));
    EXPECT_FALSE(t.CellPart(-1).Include);
    EXPECT_FALSE(t.CellPart(31).Include);
}

TEST(Tarsen, HighestPartsAndFurnace)
{
    clsTarsen t;
    EXPECT_EQ(t.HighestIncludedPart(), 0);
    EXPECT_EQ(t.FurnaceIndex(), 0);
    AddPart(t, 3, 0, 1, 0, 1, kAxialHeating);
    AddPart(t, 7, 0, 1, 0, 1);
    AddPart(t, 9, 0, 1, 0, 1, kRadialHeating);
    t.CellPart(12).HeatingType = kAxialHeating; // not included
    EXPECT_EQ(t.HighestIncludedPart(), 9);
    EXPECT_EQ(t.FurnaceIndex(), 9);
    t.MaxIndexOfParts = 8.5f;
    EXPECT_EQ(t.HighestIncludedPart(), 7);
    // A meaningless scan limit never reaches an int conversion.
    t.MaxIndexOfParts = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(t.HighestIncludedPart(), 0);
    t.MaxIndexOfParts = 1e30f;
    EXPECT_EQ(t.HighestIncludedPart(), 9);
    t.MaxIndexOfParts = -1e30f;
    EXPECT_EQ(t.HighestIncludedPart(), 0);
}

TEST(Tarsen, NumberOfMaterialsCountsEveryPart)
{
    clsTarsen t;
    EXPECT_EQ(t.NumberOfMaterials(), 0);
    AddPart(t, 0, 0, 1, 0, 1, kNonHeating, 2);
    EXPECT_EQ(t.NumberOfMaterials(), 3);
    t.CellPart(20).MaterialIndex = 7; // not included
    EXPECT_EQ(t.NumberOfMaterials(), 8);
    t.CellPart(31).MaterialIndex = 20; // slot 31 is not an assembly part
    EXPECT_EQ(t.NumberOfMaterials(), 8);
    t.CellPart(5).MaterialIndex = 32767;
    EXPECT_EQ(t.NumberOfMaterials(), 32767); // saturated, never a negative count
}

TEST(Tarsen, CurrentDensityByHeatingType)
{
    clsTarsen t;
    clsAssemblyPart& p = AddPart(t, 0, 2, 3, 0, 10, kAxialHeating);
    const float I = 100;
    EXPECT_FLOAT_EQ(t.CurrentDensityAtPoint(2.5f, 5, 10, 10, I), I / (5 * 3.1415927f));
    p.HeatingType = kRadialHeating;
    EXPECT_FLOAT_EQ(t.CurrentDensityAtPoint(2.5f, 5, 10, 10, I), I / (20 * 3.1415927f * 2.5f));
    // Radial uses r as passed: a negative r gives a negative density.
    EXPECT_FLOAT_EQ(t.CurrentDensityAtPoint(-2.5f, 5, 10, 10, I), -I / (20 * 3.1415927f * 2.5f));
    p.HeatingType = kFlatPlateHeating;
    EXPECT_FLOAT_EQ(t.CurrentDensityAtPoint(2.5f, 5, 10, 10, I), I / (2 * 10 * 3.0f));
    p.HeatingType = 7;
    EXPECT_EQ(t.CurrentDensityAtPoint(2.5f, 5, 10, 10, I), 0.0f);
    p.HeatingType = kNonHeating;
    EXPECT_EQ(t.CurrentDensityAtPoint(2.5f, 5, 10, 10, I), 0.0f);
    p.HeatingType = kAxialHeating;
    EXPECT_EQ(t.CurrentDensityAtPoint(8, 8, 10, 10, I), 0.0f); // no part there

    // A heating part with a degenerate geometry carries no current density instead of inf.
    clsTarsen d;
    clsAssemblyPart& flat = AddPart(d, 0, 0, 0, 0, 10, kFlatPlateHeating);
    flat.TaperAngle(135); // owns points although its outer radius is 0
    ASSERT_EQ(Owner(d, 1, 5), 0);
    EXPECT_EQ(d.CurrentDensityAtPoint(1, 5, 10, 10, I), 0.0f);
    flat.HeatingType = kAxialHeating;
    EXPECT_EQ(d.CurrentDensityAtPoint(1, 5, 10, 10, I), 0.0f);
    // A tiny but non-zero area whose quotient overflows a Single.
    clsAssemblyPart& thin = AddPart(d, 0, 0, 1e-20f, 0, 10, kAxialHeating);
    thin.TaperAngle(135);
    EXPECT_EQ(d.CurrentDensityAtPoint(1, 5, 10, 10, 1e30f), 0.0f);
}

class TarsenElectrical : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(materials.NumberOfMaterials(3));
        materials.Entry(0).R0 = 1e-5f; // 0.01 ohm mm
        materials.Entry(1).R0 = 2e-5f; // 0.02 ohm mm
        materials.Entry(2).r1 = 1e-7f; // 1e-4 T ohm mm
        materials.Entry(-1).R0 = 0.0f;
    }
    clsMaterialProperties materials;
};

TEST_F(TarsenElectrical, ResistivityOfTheHighestHeatingPart)
{
    clsTarsen t;
    EXPECT_EQ(t.Resistivity(materials, 25), 0.0f);
    AddPart(t, 0, 2, 3, 0, 10, kAxialHeating, 0);
    AddPart(t, 4, 2, 3, 0, 10, kRadialHeating, 1);
    AddPart(t, 6, 2, 3, 0, 10, kNonHeating, 2);
    AddPart(t, 8, 2, 3, 0, 10, kAxialHeating, 2).Include = false;
    EXPECT_FLOAT_EQ(t.Resistivity(materials, 25), 0.02f);
    // An index beyond the table reads entry -1 instead of memory past the table.
    t.CellPart(4).MaterialIndex = 12;
    materials.Entry(-1).R0 = 3e-5f;
    EXPECT_FLOAT_EQ(t.Resistivity(materials, 25), 0.03f);
}

TEST_F(TarsenElectrical, TotalResistanceSumsIncludedParts)
{
    clsTarsen t;
    EXPECT_EQ(t.TotalElectricalResistance(materials, 25), 0.0f);
    AddPart(t, 0, 2, 3, 0, 10, kAxialHeating, 0);     // 0.1 / (5 pi)
    AddPart(t, 1, 2, 3, 0, 10, kFlatPlateHeating, 1); // 2 * 0.02 * 3 / 30
    AddPart(t, 2, 2, 3, 0, 10, kNonHeating, 1);       // 0
    AddPart(t, 3, 0, 3, 0, 10, kRadialHeating, 0);    // no value: counts 0
    AddPart(t, 4, 2, 3, 0, 10, kAxialHeating, 1).Include = false;
    const double expected = double(float(0.1 / (5 * 3.14159265))) + 0.004;
    EXPECT_NEAR(t.TotalElectricalResistance(materials, 25), expected, 1e-8);

    // The resistivity follows the temperature.
    clsTarsen u;
    AddPart(u, 0, 2, 3, 0, 10, kFlatPlateHeating, 2);
    EXPECT_FLOAT_EQ(u.TotalElectricalResistance(materials, 1000), 0.1f * 2 * 3 / 30);
}

TEST(Tarsen, VolumeReductionScalesLengthsAndThermocouples)
{
    clsTarsen t;
    clsAssemblyPart& p = AddPart(t, 0, 2, 4, 1, 9);
    p.TaperAngle(80);
    t.CellPart(30).OuterRadius(8); // included or not
    t.ThermocouplePosition(1, 0, 1.0f);
    t.ThermocouplePosition(1, 1, 3.0f);
    const double volume = t.CellPart(0).Volume();
    ASSERT_TRUE(t.ApplyVolumeReduction(0.5f));
    const float s = 0.7937005f; // cube root of 0.5
    EXPECT_FLOAT_EQ(p.InnerRadius(), 2 * s);
    EXPECT_FLOAT_EQ(p.OuterRadius(), 4 * s);
    EXPECT_FLOAT_EQ(p.MinHeight(), 1 * s);
    EXPECT_FLOAT_EQ(p.MaxHeight(), 9 * s);
    EXPECT_EQ(p.TaperAngle(), 80.0f);
    EXPECT_FLOAT_EQ(t.CellPart(30).OuterRadius(), 8 * s);
    EXPECT_FLOAT_EQ(t.ThermocouplePosition(1, 0), s);
    EXPECT_FLOAT_EQ(t.ThermocouplePosition(1, 1), 3 * s);
    EXPECT_NEAR(p.Volume(), 0.5 * volume, 1e-5 * volume);

    // Factors that would give NaN or infinite lengths are refused and nothing changes.
    for (float bad : {0.0f, -1.0f, std::numeric_limits<float>::infinity(), std::nanf("")}) {
        EXPECT_FALSE(t.ApplyVolumeReduction(bad));
        EXPECT_FLOAT_EQ(p.OuterRadius(), 4 * s);
    }
}

TEST(Tarsen, RedoTarsenTrimsInnerPartsToTheOuterWall)
{
    clsTarsen t;
    AddPart(t, 0, 3, 5, 0, 10);  // outer sleeve
    AddPart(t, 1, 0, 4, 2, 8);   // plug reaching into the sleeve: trimmed to r = 3
    AddPart(t, 2, 0, 4, 10, 12); // touches the sleeve's top only: untouched
    AddPart(t, 3, 0, 4, 5, 6).Include = false;
    t.RedoTarsen();
    EXPECT_EQ(t.CellPart(1).OuterRadius(), 3.0f);
    EXPECT_EQ(t.CellPart(2).OuterRadius(), 4.0f);
    EXPECT_EQ(t.CellPart(3).OuterRadius(), 4.0f);
    EXPECT_EQ(t.CellPart(0).OuterRadius(), 5.0f);
}

} // namespace
} // namespace tarsen
