// Sampling the parts by the volume they cover: the shares against volumes known in closed form,
// and the builders against centre sampling where both must agree.
#include "materials/clsmaterialproperties.h"
#include "model/clstarsen.h"
#include "simulation/cellsampling.h"
#include "simulation/modelgrid.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tarsen {
namespace {

constexpr double kPi = 3.141592653589793;

void SetPart(clsTarsen& a, int k, int material, int heating, float inner, float outer, float zmin,
             float zmaxp, float taper = 90.0f)
{
    a.CreateCellPart(k, "part");
    clsAssemblyPart& p = a.CellPart(k);
    p.MaterialIndex = static_cast<std::int16_t>(material);
    p.HeatingType = heating;
    p.InnerRadius(inner);
    p.OuterRadius(outer);
    p.MinHeight(zmin);
    p.MaxHeight(zmaxp);
    p.TaperAngle(taper);
}

/// 0: a sleeve of k = 2 W/m/K; 1: a heater of k = 40 - 0.01 T and resistivity 0.01 ohm mm.
clsMaterialProperties Materials()
{
    clsMaterialProperties m;
    m.NumberOfMaterials(2);
    m.Entry(0).cond = {2.0f, 0, 0, 0, 0, 0, 0};
    m.Entry(0).HasThermal = true;
    m.Entry(1).cond = {40.0f, -0.01f, 0, 0, 0, 0, 0};
    m.Entry(1).R0 = 1.0e-5f;
    m.Entry(1).HasThermal = true;
    m.Entry(1).HasElectrical = true;
    return m;
}

/// Volume each part owns, summed over the cells from their shares.
std::array<double, 4> OwnedVolumes(const CellCover& cover, double rmax, double zmax)
{
    std::array<double, 4> v{};
    const double dr = rmax / cover.Nr(), dz = zmax / cover.Nz();
    for (int i = 0; i < cover.Nr(); ++i)
        for (int j = 0; j < cover.Nz(); ++j) {
            const double cell = kPi * dr * dr * (2 * i + 1) * dz;
            double sum = 0.0;
            for (const PartShare& s : cover.Shares(i, j)) {
                v[static_cast<std::size_t>(s.part)] += s.fraction * cell;
                sum += s.fraction;
            }
            EXPECT_NEAR(sum, 1.0, 1e-6) << i << "," << j;
        }
    return v;
}

/// A grid of nr cells over rmax (aspect ratio 1.2) with every array built, the temperature a
/// plane rising outwards and falling upwards.
ModelGrid BuildGrid(const clsTarsen& a, std::int16_t nr, float rmax, bool exact)
{
    const clsMaterialProperties materials = Materials();
    const clsMgHeat heat;
    ModelGrid g;
    g.ExactSampling = exact;
    g.nr = nr;
    g.rmax = rmax;
    g.AspectRatio = 1.2f;
    g.ApplyAspectRatio();
    float tbc = 25.0f;
    g.make_initial_t(tbc, false, nullptr);
    for (int i = -1; i <= g.nr; ++i)
        for (int j = -1; j <= g.nz; ++j)
            g.t(i, j) = static_cast<float>(25.0 + 40.0 * i - 7.0 * j);
    g.make_MatMat(a, materials, tbc, nullptr);
    g.make_a(materials, nullptr);
    g.make_c(heat, true, tbc, nullptr);
    g.make_f(a, materials, heat, tbc, 200.0f, nullptr);
    return g;
}

TEST(CellCover, SharesAreTheVolumesThePartsCover)
{
    // A heater tube with boundaries off the cell faces, in front of a sleeve whose outer wall
    // leans inwards by 10 degrees, over a base plate, all inside a medium that fills the
    // model; the tube overlaps the sleeve and wins.
    clsTarsen a;
    SetPart(a, 0, 1, kAxialHeating, 1.3f, 2.45f, 0.7f, 4.1f);
    SetPart(a, 1, 0, kNonHeating, 0.0f, 5.0f, 0.5f, 6.0f, 80.0f);
    SetPart(a, 2, 0, kNonHeating, 0.0f, 5.3f, 0.0f, 0.5f);
    SetPart(a, 3, 0, kNonHeating, 0.0f, 5.3f, 0.0f, 6.0f);
    const float rmax = 5.3f, zmax = 6.0f;
    const double tanT = std::tan(-10.0 * 3.14159 / 180.0);
    const double tube = kPi * (2.45 * 2.45 - 1.3 * 1.3) * 3.4;
    // The sleeve is a cone frustum of radius 5 + tanT (z - 0.5) over 0.5 ... 6.
    const double r1 = 5.0, r2 = 5.0 + tanT * 5.5;
    const double sleeve = kPi * 5.5 / 3.0 * (r1 * r1 + r1 * r2 + r2 * r2) - tube;
    const double plate = kPi * 5.3 * 5.3 * 0.5;
    const double medium = kPi * 5.3 * 5.3 * 6.0 - tube - sleeve - plate;
    for (const int nr : {23, 64}) {
        CellCover cover;
        cover.Build(a, rmax, zmax, nr, nr + 7);
        const std::array<double, 4> v = OwnedVolumes(cover, rmax, zmax);
        EXPECT_NEAR(v[0], tube, 1e-5 * tube) << nr;
        EXPECT_NEAR(v[1], sleeve, 1e-5 * sleeve) << nr;
        EXPECT_NEAR(v[2], plate, 1e-5 * plate) << nr;
        EXPECT_NEAR(v[3], medium, 1e-5 * medium) << nr;
    }

    // A piece that no part covers is left out and the rest scaled up.
    a.CellPart(3).Include = false;
    CellCover gaps;
    gaps.Build(a, rmax, zmax, 23, 30);
    EXPECT_EQ(gaps.Shares(22, 29).size(), 0u);
    ASSERT_EQ(gaps.Shares(22, 0).size(), 1u);
    EXPECT_EQ(gaps.Shares(22, 0)[0].fraction, 1.0f);

    // Boundaries on the cell faces leave every cell whole.
    clsTarsen aligned;
    SetPart(aligned, 0, 1, kAxialHeating, 1.0f, 2.0f, 0.5f, 4.0f);
    SetPart(aligned, 1, 0, kNonHeating, 0.0f, 5.0f, 0.0f, 6.0f);
    CellCover cover;
    cover.Build(aligned, 5.0f, 6.0f, 40, 48);
    for (int i = 0; i < 40; ++i)
        for (int j = 0; j < 48; ++j)
            ASSERT_EQ(cover.Shares(i, j).size(), 1u) << i << "," << j;
}

TEST(CellCover, MixturesInSeriesAndSideBySide)
{
    const clsMaterialProperties m = Materials();
    // A quarter of heater beside three quarters of sleeve.
    const PartShare shares[] = {{1, 0, 0.75f, -0.125f, 0.0f}, {0, 1, 0.25f, 0.375f, 0.0f}};
    CellMixture mix;
    ASSERT_TRUE(MakeMixture(shares, m, mix));
    const double k0 = 2.0, k1 = 40.0 - 0.01 * 500.0;
    auto at500 = [](const CondCoefficients& c) { return c[0] + c[1] * 500.0; };
    // Layers in series at T, and side by side (a law of its own, right at every T).
    EXPECT_NEAR(at500(MixCoefficients(mix, 500.0f, 1.0f)), 1.0 / (0.75 / k0 + 0.25 / k1), 1e-4);
    EXPECT_NEAR(at500(MixCoefficients(mix, 0.0f, 0.0f)), 0.75 * k0 + 0.25 * k1, 1e-4);
    // A material without thermal data takes no part.
    const PartShare unknown[] = {{1, 0, 0.5f, 0, 0}, {2, 5, 0.5f, 0, 0}};
    ASSERT_TRUE(MakeMixture(unknown, m, mix));
    EXPECT_EQ(mix.n, 1);
    EXPECT_EQ(MixCoefficients(mix, 500.0f, 1.0f), m.Entry(0).cond);
}

TEST(ModelGridExact, PowerOnEveryGridAndCentreSamplingOnCellFaces)
{
    const auto build = [](const clsTarsen& a, std::int16_t nr, float rmax, bool exact) {
        return BuildGrid(a, nr, rmax, exact);
    };

    // Boundaries on the cell faces: the same arrays and power as centre sampling.
    clsTarsen aligned;
    SetPart(aligned, 0, 1, kAxialHeating, 1.0f, 2.0f, 0.5f, 4.0f);
    SetPart(aligned, 1, 0, kNonHeating, 0.0f, 5.0f, 0.0f, 6.0f);
    const ModelGrid ea = build(aligned, 40, 5.0f, true), ca = build(aligned, 40, 5.0f, false);
    for (int i = -1; i <= 40; ++i)
        for (int j = -1; j <= ea.nz; ++j) {
            ASSERT_EQ(ea.a(i, j), ca.a(i, j)) << i << "," << j;
            ASSERT_EQ(ea.c(i, j), ca.c(i, j)) << i << "," << j;
            ASSERT_EQ(ea.cr(i, j), ca.cr(i, j)) << i << "," << j;
            ASSERT_EQ(ea.cz(i, j), ca.cz(i, j)) << i << "," << j;
            ASSERT_EQ(ea.f(i, j), ca.f(i, j)) << i << "," << j;
        }
    EXPECT_EQ(ea.IntegratedPower, ca.IntegratedPower);
    EXPECT_EQ(ea.Faces(), nullptr);

    // Boundaries off the faces: the heater's power is its volume times J^2 rho on every grid,
    // where centre sampling moves the walls; the materials shown stay those at the centres.
    clsTarsen off;
    SetPart(off, 0, 1, kAxialHeating, 1.3f, 2.45f, 0.7f, 4.1f);
    SetPart(off, 1, 0, kNonHeating, 0.0f, 5.3f, 0.0f, 6.0f);
    const double area = 3.14159274 * (2.45 * 2.45 - 1.3 * 1.3);
    const double J = 200.0 / area, exact = J * J * 0.01 * area * 3.4;
    for (const std::int16_t nr : {16, 23, 64}) {
        const ModelGrid e = build(off, nr, 5.3f, true), c = build(off, nr, 5.3f, false);
        EXPECT_NEAR(e.IntegratedPower, exact, 2e-5 * exact) << nr;
        for (int i = -1; i <= nr; ++i)
            for (int j = -1; j <= e.nz; ++j)
                ASSERT_EQ(e.MatMat(i, j), c.MatMat(i, j));
        // A cut cell conducts between its two materials, and so do the ghosts beside it.
        const CellCover* cover = e.Cover();
        ASSERT_NE(cover, nullptr);
        int cut = 0;
        for (int i = 0; i < nr; ++i)
            for (int j = 0; j < e.nz; ++j)
                if (cover->IsCut(i, j)) {
                    ++cut;
                    const double T = std::max(e.t(i, j), 25.0f);
                    EXPECT_GE(e.c(i, j), 0.002f * 0.9999f);
                    EXPECT_LE(e.c(i, j), 0.001 * (40.0 - 0.01 * T) * 1.0001);
                }
        EXPECT_GT(cut, 0);
        EXPECT_EQ(c.Cover(), nullptr);
    }
    const ModelGrid c23 = build(off, 23, 5.3f, false);
    EXPECT_GT(std::fabs(c23.IntegratedPower - exact), 0.01 * exact);

    // The faces beside the heater's inner wall r = 1.3 at nr 23 (cells of 0.2304 mm, cell 5
    // cut) in row 12, halfway up the heater. Heat crossing the wall meets the medium and the
    // heater in series: the wall lies in the rectangle between points 5 and 6 (r = 1.2676 and
    // 1.4980), at 0.1413 of a cell from point 5. Heat along the wall meets them side by side,
    // by the areas of their rings in cell 5 (1.1522 ... 1.3 and 1.3 ... 1.3826).
    const ModelGrid e23 = build(off, 23, 5.3f, true);
    ASSERT_NE(e23.Faces(), nullptr);
    // The radii as the parts and the grid store them (Single).
    const double dr = double(5.3f) / 23, r5 = 5.5 * dr, wall = double(1.3f);
    const auto k = [&](int material, int i, int j) {
        const double T = std::max(e23.t(i, j), 25.0f);
        return material == 0 ? 0.002 : 0.001 * (40.0 - 0.01 * T);
    };
    const double lm = (wall - r5) / dr;
    EXPECT_NEAR(e23.cr(6, 12),
                1.0 / (lm / k(0, 5, 12) + (0.5 - lm) / k(1, 5, 12) + 0.5 / k(1, 6, 12)),
                1e-6 * e23.cr(6, 12)); // Single lengths and conductivities
    const double a0 = wall * wall - 25 * dr * dr, a1 = 36 * dr * dr - wall * wall;
    const auto along = [&](int j) { return (a0 * k(0, 5, j) + a1 * k(1, 5, j)) / (a0 + a1); };
    EXPECT_NEAR(e23.cz(5, 12), 2.0 / (1.0 / along(11) + 1.0 / along(12)), 2e-6 * e23.cz(5, 12));
    // The other face of the cut cell holds the medium alone, at the temperatures of both points.
    EXPECT_NEAR(e23.cr(5, 12), 0.002, 1e-9);
    // Walls along r and z carry no cross flux: the solver takes f itself.
    for (const CutFace& face : e23.Faces()->Faces())
        ASSERT_EQ(face.lean, 0.0f) << face.i << "," << face.j;
    ModelGrid g23 = e23;
    EXPECT_EQ(&g23.SolverSource(25.0f, false), &g23.f);
}

TEST(ModelGridExact, CrossFluxBesideALeaningWall)
{
    // The heater's outer wall leans inwards by 6 degrees, r = 2.45 + s (z - 0.7).
    clsTarsen a;
    SetPart(a, 0, 1, kAxialHeating, 1.3f, 2.45f, 0.7f, 4.1f, 84.0f);
    SetPart(a, 1, 0, kNonHeating, 0.0f, 5.3f, 0.0f, 6.0f);
    const double s = std::tan(-6.0 * 3.14159 / 180.0), lean = -s / (1.0 + s * s);
    for (const std::int16_t nr : {23, 64}) {
        ModelGrid g = BuildGrid(a, nr, 5.3f, true);
        ASSERT_NE(g.Faces(), nullptr);
        // Every face the wall crosses alone knows its normal; the faces by the straight inner
        // wall and the flat ends have none.
        int leaning = 0, straight = 0;
        for (const CutFace& face : g.Faces()->Faces()) {
            if (face.lean == 0.0f) {
                ++straight;
                continue;
            }
            ++leaning;
            EXPECT_NEAR(face.lean, lean, 1e-5) << nr << ": " << face.i << "," << face.j;
            EXPECT_GT(face.i * (5.3 / nr), 2.45 + s * 3.4 - 5.3 / nr) << nr;
        }
        EXPECT_GT(leaning, g.nz / 3) << nr;
        EXPECT_GT(straight, 0) << nr;

        // The cross flux only moves heat between cells: it adds none in all, and none where the
        // temperature is uniform.
        const GhostField<float> f = g.f;
        const GhostField<float> source = g.SolverSource(25.0f, false);
        double moved = 0.0, net = 0.0;
        for (int i = 0; i < nr; ++i)
            for (int j = 0; j < g.nz; ++j) {
                const double d = (double(source(i, j)) - f(i, j)) * (i + 0.5);
                moved += std::fabs(d);
                net += d;
            }
        EXPECT_GT(moved, 0.0) << nr;
        EXPECT_NEAR(net, 0.0, 1e-5 * moved) << nr;
        for (int i = -1; i <= g.nr; ++i)
            for (int j = -1; j <= g.nz; ++j)
                g.t(i, j) = 800.0f;
        const GhostField<float>& flat = g.SolverSource(25.0f, false);
        for (int i = 0; i < nr; ++i)
            for (int j = 0; j < g.nz; ++j)
                ASSERT_EQ(flat(i, j), f(i, j)) << nr << ": " << i << "," << j;
    }
}

} // namespace
} // namespace tarsen
