#include "common/frontend.h"
#include "materials/clsmaterialproperties.h"
#include "model/clstarsen.h"
#include "simulation/modelgrid.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tarsen {
namespace {

/// Three materials: 0 a sleeve (k = 2 W/m/K), 1 a furnace with a temperature-dependent law and
/// resistivity 0.01 ohm mm, 2 without thermal data.
clsMaterialProperties MakeMaterials()
{
    clsMaterialProperties m;
    m.NumberOfMaterials(3);
    m.Entry(0).cond = {2.0f, 0, 0, 0, 0, 0, 0};
    m.Entry(0).HasThermal = true;
    m.Entry(1).cond = {20.0f, 0.01f, 0, 0, 0, 0, 0};
    m.Entry(1).R0 = 1.0e-5f;
    m.Entry(1).r1 = 1.0e-8f;
    m.Entry(1).HasThermal = true;
    m.Entry(1).HasElectrical = true;
    m.Entry(2).MaterialNames = "Unknown stuff";
    return m;
}

void SetPart(clsTarsen& a, int k, int material, int heating, float inner, float outer, float zmin,
             float zmaxp)
{
    a.CreateCellPart(k, "part");
    clsAssemblyPart& p = a.CellPart(k);
    p.MaterialIndex = static_cast<std::int16_t>(material);
    p.HeatingType = heating;
    p.InnerRadius(inner);
    p.OuterRadius(outer);
    p.MinHeight(zmin);
    p.MaxHeight(zmaxp);
}

/// A furnace tube 1 < r <= 2 over the whole height inside a sleeve that fills 0 ... 5 x 0 ... 6.
clsTarsen MakeAssembly()
{
    clsTarsen a;
    SetPart(a, 0, 1, kAxialHeating, 1.0f, 2.0f, 0.0f, 6.0f);
    SetPart(a, 1, 0, kNonHeating, 0.0f, 5.0f, 0.0f, 6.0f);
    return a;
}

ModelGrid MakeGrid(std::int16_t nr, float rmax, float AspectRatio)
{
    ModelGrid g;
    g.nr = nr;
    g.rmax = rmax;
    g.AspectRatio = AspectRatio;
    g.ApplyAspectRatio();
    return g;
}

TEST(ModelGridConversions, AxialCellsAndIndexRoundings)
{
    EXPECT_EQ(NzForGrid(64, 1.0f), 64);
    EXPECT_EQ(NzForGrid(5, 0.5f), 2); // 2.5 to even
    EXPECT_EQ(NzForGrid(7, 0.5f), 4); // 3.5 to even
    EXPECT_EQ(NzForGrid(512, 4.0f), 2048);

    ModelGrid g = MakeGrid(64, 5.0f, 1.2f);
    EXPECT_EQ(g.nz, 77); // 76.8
    EXPECT_FLOAT_EQ(g.zmax, 6.0f);
    const float dr = g.dr(), dz = g.dz();
    float R = 0, Z = 0, is = 0, js = 0;
    g.GridToMM(0, 0, R, Z);
    EXPECT_FLOAT_EQ(R, 0.5f * dr);
    EXPECT_FLOAT_EQ(Z, 0.5f * dz);
    g.MMtoGridExact(R, Z, is, js);
    EXPECT_NEAR(is, 0.0f, 1e-6f); // Single round trip
    EXPECT_NEAR(js, 0.0f, 1e-6f);
    g.GridToMMExact(10.25f, -1.0f, R, Z);
    g.MMtoGridExact(R, Z, is, js);
    EXPECT_NEAR(is, 10.25f, 1e-5f);
    EXPECT_NEAR(js, -1.0f, 1e-5f);

    // MMtoGrid gives the nearest face: r = 0.6 dr lies in cell 0 but rounds to 1; exact halves
    // go to the even index. rmax = 4, nr = 64 makes every multiple of dr / 2 exact.
    ModelGrid h = MakeGrid(64, 4.0f, 1.0f);
    const float hd = h.dr();
    std::int16_t I = 0, J = 0;
    h.MMtoGrid(0.6f * hd, 0.0f, I, J);
    EXPECT_EQ(I, 1);
    EXPECT_EQ(J, 0);
    h.MMtoGrid(0.5f * hd, 2.5f * hd, I, J);
    EXPECT_EQ(I, 0);
    EXPECT_EQ(J, 2);
    h.MMtoGrid(1.5f * hd, 3.5f * hd, I, J);
    EXPECT_EQ(I, 2);
    EXPECT_EQ(J, 4);
    h.MMtoGrid(-10.0f, 100.0f, I, J); // outside the model: outside 0 ... n - 1, unchecked
    EXPECT_EQ(I, -160);
    EXPECT_EQ(J, 1600);

    // An empty model gives finite numbers, not infinities.
    ModelGrid e;
    e.MMtoGridExact(1.0f, 1.0f, is, js);
    EXPECT_TRUE(std::isfinite(is) && std::isfinite(js));
}

TEST(ModelGridBuilders, InitialTemperatureAndReportLines)
{
    RecordingFrontEnd fe;
    ModelGrid g = MakeGrid(8, 5.0f, 1.0f);
    float tbc = 100.0f;
    g.make_initial_t(tbc, false, ReportTo(fe));
    EXPECT_TRUE(g.TemperatureReady);
    EXPECT_EQ(g.t.N1(), 8);
    EXPECT_EQ(g.t(-1, -1), 100.0f);
    EXPECT_EQ(g.t(8, 8), 100.0f);
    // With the press included both start and boundary temperature become 25.
    g.make_initial_t(tbc, true, ReportTo(fe));
    EXPECT_EQ(tbc, 25.0f);
    EXPECT_EQ(g.t(3, 4), 25.0f);

    const clsTarsen assembly = MakeAssembly();
    const clsMaterialProperties materials = MakeMaterials();
    clsMgHeat heat;
    g.make_MatMat(assembly, materials, tbc, ReportTo(fe));
    g.make_a(materials, ReportTo(fe));
    g.make_c(heat, true, tbc, ReportTo(fe));
    g.make_f(assembly, materials, heat, tbc, 100.0f, nullptr);
    const std::vector<std::string> expected{"make_initial_t", "make_initial_t", "Materials...",
                                            "make_a...", "make_c..."};
    EXPECT_EQ(fe.m_report, expected);
}

TEST(ModelGridBuilders, MaterialsCoefficientsAndConductivities)
{
    const clsTarsen assembly = MakeAssembly();
    const clsMaterialProperties materials = MakeMaterials();
    ModelGrid g = MakeGrid(10, 5.0f, 1.2f); // dr = 0.5, nz = 12, dz = 0.5
    float tbc = 25.0f;
    g.make_initial_t(tbc, false, nullptr);
    g.Runnable = false;
    g.make_MatMat(assembly, materials, tbc, nullptr);
    EXPECT_TRUE(g.Runnable);
    EXPECT_FALSE(g.UnassignedPoint || g.MissingMaterial || g.NoFurnace);
    EXPECT_GT(g.TotalResistance, 0.0f);
    // Cells 2 and 3 (points at r = 1.25, 1.75) are the furnace, the rest the sleeve; every
    // ghost copies its interior neighbour, corners their diagonal one.
    for (int j = -1; j <= 12; ++j) {
        EXPECT_EQ(g.MatMat(-1, j), 0);
        EXPECT_EQ(g.MatMat(1, j), 0);
        EXPECT_EQ(g.MatMat(2, j), 1);
        EXPECT_EQ(g.MatMat(3, j), 1);
        EXPECT_EQ(g.MatMat(10, j), 0);
    }

    g.make_a(materials, nullptr);
    EXPECT_EQ(g.a(2, -1), materials.Entry(1).cond);
    EXPECT_EQ(g.a(10, 12), materials.Entry(0).cond);

    clsMgHeat heat;
    g.make_c(heat, true, tbc, nullptr);
    EXPECT_FLOAT_EQ(g.c(2, 5), 0.001f * (20.0f + 0.25f));
    EXPECT_FLOAT_EQ(g.c(5, 5), 0.002f);
    const double c1 = 0.002, c2 = 0.02025;
    EXPECT_FLOAT_EQ(g.cr(2, 5), static_cast<float>(2 * c1 * c2 / (c1 + c2))); // sleeve | furnace
    EXPECT_FLOAT_EQ(g.cz(2, 5), g.c(2, 5));                                   // within one
    EXPECT_FLOAT_EQ(g.cmatrix(5, 5), 0.002f);
}

TEST(ModelGridBuilders, ReadinessFlags)
{
    const clsMaterialProperties materials = MakeMaterials();
    ModelGrid g = MakeGrid(10, 5.0f, 1.2f);

    // The sleeve ends at r = 4: points beyond lie in no part. The last one found is named, and
    // the table's entry -1 has no thermal data, so the material is missing as well.
    clsTarsen gap = MakeAssembly();
    gap.CellPart(1).OuterRadius(4.0f);
    g.make_MatMat(gap, materials, 25.0f, nullptr);
    EXPECT_TRUE(g.UnassignedPoint);
    EXPECT_EQ(g.UnassignedPointIJ[0], 9);
    EXPECT_EQ(g.UnassignedPointIJ[1], 11);
    EXPECT_TRUE(g.MissingMaterial);
    EXPECT_EQ(g.MissingMaterialIndex, -1);
    EXPECT_FALSE(g.NoFurnace);
    EXPECT_FALSE(g.Runnable);
    EXPECT_EQ(g.MatMat(9, 3), -1);
    EXPECT_EQ(g.MatMat(10, 3), -1);

    // A material without thermal data, and one past the end of the table.
    clsTarsen noData = MakeAssembly();
    noData.CellPart(1).MaterialIndex = 2;
    g.make_MatMat(noData, materials, 25.0f, nullptr);
    EXPECT_FALSE(g.UnassignedPoint);
    EXPECT_TRUE(g.MissingMaterial);
    EXPECT_EQ(g.MissingMaterialIndex, 2);
    EXPECT_EQ(g.MissingMaterialName(materials), "Unknown stuff");
    EXPECT_FALSE(g.Runnable);
    noData.CellPart(1).MaterialIndex = 7;
    g.make_MatMat(noData, materials, 25.0f, nullptr);
    EXPECT_EQ(g.MissingMaterialIndex, 7);
    EXPECT_EQ(g.MissingMaterialName(materials), "Material 7");
    EXPECT_FALSE(g.Runnable);

    // No heating part: no furnace, whatever else is complete.
    clsTarsen cold = MakeAssembly();
    cold.CellPart(0).HeatingType = kNonHeating;
    g.make_MatMat(cold, materials, 25.0f, nullptr);
    EXPECT_TRUE(g.NoFurnace);
    EXPECT_EQ(g.TotalResistance, 0.0f);
    EXPECT_FALSE(g.Runnable);
    EXPECT_FALSE(g.UnassignedPoint || g.MissingMaterial);

    // Mended: runnable again.
    g.make_MatMat(MakeAssembly(), materials, 25.0f, nullptr);
    EXPECT_TRUE(g.Runnable);
    EXPECT_FALSE(g.NoFurnace);

    // A grid without cells owns no point.
    ModelGrid empty = MakeGrid(0, 5.0f, 1.0f);
    empty.make_MatMat(MakeAssembly(), materials, 25.0f, nullptr);
    EXPECT_FALSE(empty.Runnable);
    EXPECT_TRUE(empty.UnassignedPoint);
}

TEST(ModelGridBuilders, JouleHeatAndIntegratedPower)
{
    // One axially heated cylinder filling the model: J = I / (pi R^2) everywhere, so the
    // integrated power is I^2 times the part's resistance rho L / (pi R^2).
    clsMaterialProperties materials = MakeMaterials();
    materials.Entry(1).r1 = 0.0f;
    clsTarsen assembly;
    SetPart(assembly, 0, 1, kAxialHeating, 0.0f, 5.0f, 0.0f, 6.0f);
    ModelGrid g = MakeGrid(32, 5.0f, 1.2f);
    float tbc = 25.0f;
    g.make_initial_t(tbc, false, nullptr);
    g.make_MatMat(assembly, materials, tbc, nullptr);
    ASSERT_TRUE(g.Runnable);
    clsMgHeat heat;
    g.make_f(assembly, materials, heat, tbc, 100.0f, nullptr);
    const double pi = 3.1415927;
    const double J = 100.0 / (pi * 25.0), rho = 0.01;
    EXPECT_FLOAT_EQ(g.f(0, 0), static_cast<float>(J * J * rho));
    EXPECT_EQ(g.f(-1, 0), 0.0f); // the ghost ring stays 0
    EXPECT_EQ(g.f(32, 38), 0.0f);
    // The midpoint sum of r dr is exact; what is left is the Single running sum over 1216
    // points (relative ~1e-5) and the two values of pi.
    const double expected = 100.0 * 100.0 * double(g.TotalResistance);
    EXPECT_NEAR(g.IntegratedPower, expected, 1e-4 * expected);
    const float single = g.IntegratedPower;
    g.MirrorFactor = 2;
    g.make_f(assembly, materials, heat, tbc, 100.0f, nullptr);
    EXPECT_EQ(g.IntegratedPower, 2.0f * single);

    // Resistivity follows the local temperature unless BoundaryT.
    materials.Entry(1).r1 = 1.0e-7f;
    g.t(3, 3) = 1025.0f;
    g.make_f(assembly, materials, heat, tbc, 100.0f, nullptr);
    EXPECT_GT(g.f(3, 3), g.f(3, 4));
    heat.BoundaryT = true;
    g.make_f(assembly, materials, heat, tbc, 100.0f, nullptr);
    EXPECT_EQ(g.f(3, 3), g.f(3, 4));

    // No current: no heat anywhere.
    g.make_f(assembly, materials, heat, tbc, 0.0f, nullptr);
    for (int i = -1; i <= g.nr; ++i)
        for (int j = -1; j <= g.nz; ++j)
            EXPECT_EQ(g.f(i, j), 0.0f);
    EXPECT_EQ(g.IntegratedPower, 0.0f);
}

TEST(ModelGridArrays, GridChangeAndAccessorsStayInTheirArrays)
{
    const clsMaterialProperties materials = MakeMaterials();
    ModelGrid g = MakeGrid(8, 5.0f, 1.0f);
    EXPECT_EQ(g.tmatrix(0, 0), 0.0f); // nothing built yet
    EXPECT_EQ(g.pubMatMat(0, 0), -1);
    float tbc = 25.0f;
    g.make_initial_t(tbc, false, nullptr);
    g.make_MatMat(MakeAssembly(), materials, tbc, nullptr);
    g.make_a(materials, nullptr);
    EXPECT_EQ(g.pubMatMat(8, 8), 0);
    EXPECT_EQ(g.pubMatMat(9, 0), -1);
    EXPECT_EQ(g.tmatrix(-2, 0), 0.0f);
    EXPECT_EQ(g.tmatrix(8, -1), 25.0f);

    // Doubling the grid: every array but t follows at once, MatMat to "no material".
    g.nr = 16;
    g.ApplyAspectRatio();
    g.ResizeFields();
    for (const auto* field : {&g.c, &g.cr, &g.cz, &g.f}) {
        EXPECT_EQ(field->N1(), 16);
        EXPECT_EQ(field->N2(), 16);
    }
    EXPECT_EQ(g.a.N1(), 16);
    EXPECT_EQ(g.MatMat(16, 16), -1);
    EXPECT_EQ(g.pubMatMat(3, 3), -1);
    EXPECT_EQ(g.tmatrix(12, 12), 0.0f); // t still has the old size and says so
}

TEST(ModelGridTransfer, ConstantsAreKept)
{
    GhostField<float> fine(8, 6, 42.5f);
    GhostField<float> coarse;
    scalar_to_coarse(fine, coarse, 8, 6);
    EXPECT_EQ(coarse.N1(), 4);
    EXPECT_EQ(coarse.N2(), 3);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 3; ++j)
            EXPECT_EQ(coarse(i, j), 42.5f);
    EXPECT_EQ(coarse(-1, 0), 0.0f); // ghosts are left for applybc
    EXPECT_EQ(coarse(4, 3), 0.0f);

    // A mean of four: (1 + 2 + 3 + 6) / 4.
    fine(0, 0) = 1.0f;
    fine(1, 0) = 2.0f;
    fine(0, 1) = 3.0f;
    fine(1, 1) = 6.0f;
    scalar_to_coarse(fine, coarse, 8, 6);
    EXPECT_EQ(coarse(0, 0), 3.0f);

    // Odd fine counts round the coarse counts to even: 5 / 2 gives 2.
    GhostField<float> odd(5, 7, 1.0f);
    scalar_to_coarse(odd, coarse, 5, 7);
    EXPECT_EQ(coarse.N1(), 2);
    EXPECT_EQ(coarse.N2(), 4);

    // Prolongation of a constant, ghosts included, is the constant everywhere.
    GhostField<float> c2(4, 3, -17.25f);
    GhostField<float> f2;
    scalar_to_fine(c2, f2, 8, 6);
    EXPECT_EQ(f2.N1(), 8);
    for (int i = -1; i <= 8; ++i)
        for (int j = -1; j <= 6; ++j)
            EXPECT_EQ(f2(i, j), -17.25f) << i << "," << j;

    // A fine cell takes 9/16 of its own coarse cell, 3/16 of each side neighbour, 1/16 of the
    // diagonal one: coarse (0, 0) = 16 alone gives fine (0, 0) = 9, (-1, 0) = 3, (-1, -1) = 1.
    GhostField<float> spike(2, 2, 0.0f);
    spike(0, 0) = 16.0f;
    scalar_to_fine(spike, f2, 4, 4);
    EXPECT_EQ(f2(0, 0), 9.0f);
    EXPECT_EQ(f2(1, 1), 9.0f);
    EXPECT_EQ(f2(-1, 0), 3.0f);
    EXPECT_EQ(f2(0, 2), 3.0f);
    EXPECT_EQ(f2(-1, -1), 1.0f);
    EXPECT_EQ(f2(2, 2), 1.0f);
    EXPECT_EQ(f2(3, 3), 0.0f);

    // A coarse field smaller than the fine grid calls for is read within its own extent.
    GhostField<float> small(1, 1, 5.0f);
    scalar_to_fine(small, f2, 8, 8);
    EXPECT_EQ(f2(8, 8), 5.0f);
}

} // namespace
} // namespace tarsen
