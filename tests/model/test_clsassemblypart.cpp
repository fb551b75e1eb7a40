#include "model/clsassemblypart.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tarsen {
namespace {

clsAssemblyPart Sleeve(float inner, float outer, float minH, float maxH)
{
    clsAssemblyPart p;
    p.InnerRadius(inner);
    p.OuterRadius(outer);
    p.MinHeight(minH);
    p.MaxHeight(maxH);
    return p;
}

struct Corners {
    float r[4];
    float z[4];
};

Corners CornersOf(const clsAssemblyPart& p)
{
    Corners c{};
    p.FourCorners(c.r[0], c.z[0], c.r[1], c.z[1], c.r[2], c.z[2], c.r[3], c.z[3]);
    return c;
}

TEST(AssemblyPart, NewAndResetPartsAreEmpty)
{
    clsAssemblyPart p;
    EXPECT_EQ(p.Name, ".");
    EXPECT_EQ(p.MaterialIndex, -1);
    EXPECT_FALSE(p.Include);
    EXPECT_EQ(p.HeatingType, kNonHeating);
    EXPECT_EQ(p.TaperAngle(), 90.0f);
    EXPECT_EQ(p.FlareAngle(), 90.0f);
    EXPECT_EQ(p.Length(), 0.0f);
    EXPECT_EQ(p.AxialArea(), 0.0f);
    const Corners c = CornersOf(p);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(c.r[k], 0.0f) << k;
        EXPECT_EQ(c.z[k], 0.0f) << k;
    }

    // Reset keeps the legacy Material number and clears everything else.
    clsAssemblyPart q = Sleeve(1, 2, 3, 4);
    q.Material = 4;
    q.MaterialIndex = 6;
    q.Name = "Furnace";
    q.Include = true;
    q.HeatingType = kAxialHeating;
    q.TaperAngle(60);
    q.FlareAngle(120);
    q.Reset();
    EXPECT_EQ(q.Material, 4);
    EXPECT_EQ(q.MaterialIndex, -1);
    EXPECT_EQ(q.Name, ".");
    EXPECT_FALSE(q.Include);
    EXPECT_EQ(q.HeatingType, kNonHeating);
    EXPECT_EQ(q.InnerRadius(), 0.0f);
    EXPECT_EQ(q.OuterRadius(), 0.0f);
    EXPECT_EQ(q.MinHeight(), 0.0f);
    EXPECT_EQ(q.MaxHeight(), 0.0f);
    EXPECT_EQ(q.TaperAngle(), 90.0f);
    EXPECT_EQ(q.FlareAngle(), 90.0f);
}

TEST(AssemblyPart, AreasAndVolumeOfAnAnnulusIgnoreTaperAndFlare)
{
    clsAssemblyPart p = Sleeve(2, 3, 0, 10);
    EXPECT_FLOAT_EQ(p.AxialArea(), 5.0f * 3.1415927f);
    EXPECT_FLOAT_EQ(p.Length(), 10.0f);
    EXPECT_FLOAT_EQ(p.Volume(), 50.0f * 3.1415927f);
    EXPECT_FLOAT_EQ(p.RadialArea(2), 40.0f * 3.1415927f);
    EXPECT_FLOAT_EQ(p.RadialArea(-2), -40.0f * 3.1415927f); // r as passed
    p.TaperAngle(60);
    p.FlareAngle(120);
    EXPECT_FLOAT_EQ(p.Volume(), 50.0f * 3.1415927f);

    // Inverted geometry is stored as given and yields negative quantities.
    clsAssemblyPart q = Sleeve(3, 2, 10, 0);
    EXPECT_FLOAT_EQ(q.Length(), -10.0f);
    EXPECT_FLOAT_EQ(q.AxialArea(), -5.0f * 3.1415927f);
    EXPECT_FLOAT_EQ(q.Volume(), 50.0f * 3.1415927f);
}

TEST(AssemblyPart, CornersFollowTaperAndFlare)
{
    {
        const Corners c = CornersOf(Sleeve(2, 3, 0, 10));
        const float r[4] = {2, 3, 3, 2}, z[4] = {0, 0, 10, 10};
        for (int k = 0; k < 4; ++k) {
            EXPECT_FLOAT_EQ(c.r[k], r[k]) << k;
            EXPECT_FLOAT_EQ(c.z[k], z[k]) << k;
        }
    }
    // Taper 45: the wall comes in one mm of radius per mm of height. The tangent of the Single
    // pi is a few ULP off -1, hence the tolerance.
    clsAssemblyPart cone = Sleeve(0, 4, 0, 2);
    cone.TaperAngle(45);
    Corners c = CornersOf(cone);
    EXPECT_NEAR(c.r[2], 2.0f, 1e-5);
    EXPECT_NEAR(c.z[2], 2.0f, 1e-5);

    // The taper line passes through the bottom outer corner wherever MinHeight is.
    clsAssemblyPart raised = Sleeve(0, 4, 3, 5);
    raised.TaperAngle(45);
    c = CornersOf(raised);
    EXPECT_NEAR(c.r[2], 2.0f, 1e-5);
    EXPECT_NEAR(c.z[2], 5.0f, 1e-5);
    EXPECT_FLOAT_EQ(c.r[1], 4.0f);
    EXPECT_FLOAT_EQ(c.z[1], 3.0f);

    // Flare 135: the top rises outward from the inner wall.
    clsAssemblyPart dome = Sleeve(1, 3, 0, 5);
    dome.FlareAngle(135);
    c = CornersOf(dome);
    EXPECT_NEAR(c.r[2], 3.0f, 1e-5);
    EXPECT_NEAR(c.z[2], 7.0f, 1e-5);
    EXPECT_FLOAT_EQ(c.r[3], 1.0f);
    EXPECT_FLOAT_EQ(c.z[3], 5.0f);

    // Both: wall r = 4 - z (from (4, 0)), top z = 2 + 0.5 (r - 0) => r = 4 - 2 - 0.5 r => 4/3.
    clsAssemblyPart both = Sleeve(0, 4, 0, 2);
    both.TaperAngle(45);
    both.FlareAngle(90.0f + static_cast<float>(std::atan(0.5) * 180.0 / 3.141592653589793));
    c = CornersOf(both);
    EXPECT_NEAR(c.r[2], 4.0 / 3.0, 1e-5);
    EXPECT_NEAR(c.z[2], 2.0 + 2.0 / 3.0, 1e-5);
}

TEST(AssemblyPart, ParallelTaperAndFlareGiveAFiniteCornerOnAFlatTop)
{
    for (float angle : {45.0f, 135.0f}) {
        clsAssemblyPart p = Sleeve(1, 4, 1, 3);
        p.TaperAngle(angle);
        p.FlareAngle(angle);
        const Corners c = CornersOf(p);
        ASSERT_TRUE(std::isfinite(c.r[2]) && std::isfinite(c.z[2])) << angle;
        // The outer wall where it reaches MaxHeight: r = 4 -+ (3 - 1).
        EXPECT_NEAR(c.r[2], angle < 90 ? 2.0 : 6.0, 1e-5) << angle;
        EXPECT_FLOAT_EQ(c.z[2], 3.0f) << angle;
    }
}

TEST(AssemblyPart, ResistanceOfEachHeatingType)
{
    clsAssemblyPart p = Sleeve(2, 3, 0, 10);
    const float rho = 0.01f;
    p.HeatingType = kAxialHeating;
    ASSERT_TRUE(p.ElectricalResistance(rho).has_value());
    EXPECT_NEAR(*p.ElectricalResistance(rho), 0.01 * 10 / (5 * 3.14159265), 1e-8);
    // The axial result is a Single.
    EXPECT_EQ(*p.ElectricalResistance(rho), double(float(*p.ElectricalResistance(rho))));

    p.HeatingType = kRadialHeating;
    ASSERT_TRUE(p.ElectricalResistance(rho).has_value());
    EXPECT_NEAR(*p.ElectricalResistance(rho), std::log(1.5) * 0.01 / (20 * 3.14159265), 1e-10);

    p.HeatingType = kFlatPlateHeating;
    ASSERT_TRUE(p.ElectricalResistance(rho).has_value());
    EXPECT_NEAR(*p.ElectricalResistance(rho), 0.002, 1e-9);

    p.HeatingType = kNonHeating;
    EXPECT_EQ(p.ElectricalResistance(rho), 0.0);
    EXPECT_EQ(p.ElectricalResistance(-1.0f), 0.0); // whatever the resistivity
}

TEST(AssemblyPart, ResistanceRefusesWhatCannotBeComputed)
{
    struct Row {
        const char* what;
        std::int32_t type;
        float inner, outer, minH, maxH, rho;
    };
    const Row rows[] = {
        {"negative rho", kAxialHeating, 2, 3, 0, 10, -0.01f},
        {"negative rho radial", kRadialHeating, 2, 3, 0, 10, -1e-9f},
        {"unknown type", 4, 2, 3, 0, 10, 0.01f},
        {"negative type", -1, 2, 3, 0, 10, 0.01f},
        {"axial, no annulus", kAxialHeating, 3, 3, 0, 10, 0.01f},
        {"axial, no length", kAxialHeating, 2, 3, 5, 5, 0.01f},
        {"radial, axis inner radius", kRadialHeating, 0, 3, 0, 10, 0.01f},
        {"radial, negative radius", kRadialHeating, -1, 3, 0, 10, 0.01f},
        {"radial, no length", kRadialHeating, 2, 3, 4, 4, 0.01f},
        {"flat, no outer radius", kFlatPlateHeating, 0, 0, 0, 10, 0.01f},
        {"flat, no length", kFlatPlateHeating, 2, 3, 1, 1, 0.01f},
        {"axial, overflow to infinity", kAxialHeating, 0, 1e-20f, 0, 1e20f, 3e38f},
        {"nan rho", kAxialHeating, 2, 3, 0, 10, std::nanf("")},
    };
    for (const Row& row : rows) {
        clsAssemblyPart p = Sleeve(row.inner, row.outer, row.minH, row.maxH);
        p.HeatingType = row.type;
        EXPECT_FALSE(p.ElectricalResistance(row.rho).has_value()) << row.what;
    }
    // A zero resistivity is a value.
    clsAssemblyPart p = Sleeve(2, 3, 0, 10);
    p.HeatingType = kAxialHeating;
    EXPECT_EQ(p.ElectricalResistance(0.0f), 0.0);
}

} // namespace
} // namespace tarsen
