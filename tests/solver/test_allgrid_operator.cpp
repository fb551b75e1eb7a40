// The multigrid solver's conduction operator: face conductivities, ghost rules, the operator,
// the residual and the relaxation with its clamps.
#include "solver/allgrid_kernels.h"
#include "solver/clsallgrid_axisym.h"
#include "test_allgrid_util.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>

namespace tarsen {
namespace {

using test::ForEachKernelIsa;
using test::Problem;
using test::Storage;

TEST(AllgridFaces, HarmonicAndArithmeticMeans)
{
    // 20 cells a row: the cells below lie in whole vector blocks on every instruction set.
    ForEachKernelIsa([] {
        Problem p = test::HeatedCylinder(20, 4, 1.0f, 0.0f);
        p.c(1, 0) = 3.0f; // beside (0, 0) in r
        p.c(0, 1) = 3.0f; // above it in z
        p.c(2, 2) = 0.0f; // two cells that do not conduct, side by side
        p.c(3, 2) = 0.0f;
        p.c(2, 3) = -1.0f; // a sum below zero
        p.c(3, 3) = 0.5f;
        for (bool flux : {true, false}) {
            clsAllgrid_axisym mg;
            Storage s = test::Load(mg, p, true, flux);
            EXPECT_EQ(s.at(1, 0, kSlotCondBase + 1), flux ? 1.5f : 2.0f);
            EXPECT_EQ(s.at(0, 1, kSlotCondBase + 2), flux ? 1.5f : 2.0f);
            EXPECT_EQ(s.at(3, 2, kSlotCondBase + 1), 0.0f);
            EXPECT_EQ(s.at(3, 3, kSlotCondBase + 1), flux ? 0.0f : -0.25f);
            EXPECT_EQ(s.at(2, 1, kSlotCondBase + 1), 1.0f); // equal neighbours
        }
    });
}

TEST(AllgridFaces, CoarseConductivitiesAreAveragesWithCopiedGhosts)
{
    Problem p = test::HeatedCylinder(4, 4, 1.0f, 0.0f);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            p.c(i, j) = float(1 + i + 4 * j);
    clsAllgrid_axisym mg;
    Storage s = test::Load(mg, p);
    // Level 2 is 2 x 2 cells; cell (1, 0) averages fine cells (2..3, 0..1).
    EXPECT_EQ(s.at(1, 0, 2, 2, kSlotCondBase), 0.25f * (3 + 4 + 7 + 8));
    EXPECT_EQ(s.at(0, 1, 2, 2, kSlotCondBase), 0.25f * (9 + 10 + 13 + 14));
    // Ghosts copy their interior neighbour, rows first, so a corner takes the corner cell.
    EXPECT_EQ(s.at(-1, 0, 2, 2, kSlotCondBase), s.at(0, 0, 2, 2, kSlotCondBase));
    EXPECT_EQ(s.at(2, 1, 2, 2, kSlotCondBase), s.at(1, 1, 2, 2, kSlotCondBase));
    EXPECT_EQ(s.at(-1, -1, 2, 2, kSlotCondBase), s.at(0, 0, 2, 2, kSlotCondBase));
    EXPECT_EQ(s.at(2, 2, 2, 2, kSlotCondBase), s.at(1, 1, 2, 2, kSlotCondBase));
    // Level 1 is the mean of all sixteen.
    EXPECT_EQ(s.at(0, 0, 1, 1, kSlotCondBase), 8.5f);
}

TEST(AllgridBoundaries, GhostRulesOfEachCode)
{
    // ibcs: axis zero flux, r = rmax isothermal, top "2" (left alone), bottom isothermal.
    const SideCodes nbc = clsAllgrid_axisym::BuildSideCodes(BoundaryCodes{0, 1, 2, 1});
    EXPECT_EQ(nbc, (SideCodes{kIsothermalCode, 0, kZeroFluxCode, kIsothermalCode}));

    Problem p = test::HeatedCylinder(4, 4, 1.0f, 0.0f);
    p.tbc = 30.0f;
    for (int i = -1; i <= 4; ++i)
        for (int j = -1; j <= 4; ++j)
            p.t(i, j) = (i < 0 || j < 0 || i == 4 || j == 4) ? -99.0f : float(40 + i + 10 * j);
    for (bool correction : {false, true}) {
        clsAllgrid_axisym mg;
        Storage s = test::Load(mg, p);
        mg.enforce_bcs(nbc, s.u, 4, 4, s.np, s.nl, s.ngrid, kSlotTemp, correction);
        const double tb = correction ? 0.0 : 30.0;
        for (int i = 0; i < 4; ++i) {
            // Bottom isothermal: the ghost and its neighbour average to tb.
            EXPECT_EQ(s.at(i, -1, kSlotTemp), float(2 * tb - s.at(i, 0, kSlotTemp)));
            EXPECT_EQ(s.at(i, 4, kSlotTemp), -99.0f); // top left alone
        }
        for (int j = 0; j < 4; ++j) {
            EXPECT_EQ(s.at(-1, j, kSlotTemp), s.at(0, j, kSlotTemp)); // axis copies
            EXPECT_EQ(s.at(4, j, kSlotTemp), float(2 * tb - s.at(3, j, kSlotTemp)));
        }
        // Corners are written last by the r sides, from the z ghosts just set.
        EXPECT_EQ(s.at(-1, -1, kSlotTemp), s.at(0, -1, kSlotTemp));
        EXPECT_EQ(s.at(4, -1, kSlotTemp), float(2 * tb - s.at(3, -1, kSlotTemp)));
        EXPECT_EQ(s.at(-1, 4, kSlotTemp), -99.0f);
        EXPECT_EQ(s.at(4, 4, kSlotTemp), float(2 * tb + 99.0));
    }
}

/// An 8 x 8 grid with h = 1 mm, unit conductivity and T = r^2 + z^2 at the cell centres, its
/// ghosts included: every value is an exact binary fraction, and L(T) = 6 r exactly.
Problem Quadratic()
{
    Problem p = test::HeatedCylinder(8, 8, 1.0f, 0.0f);
    p.rmax = 8.0f;
    p.ibcs = {2, 2, 2, 2}; // leave the ghosts as given
    for (int i = -1; i <= 8; ++i)
        for (int j = -1; j <= 8; ++j)
            p.t(i, j) = float((i + 0.5) * (i + 0.5) + (j + 0.5) * (j + 0.5));
    return p;
}

TEST(AllgridOperator, ExactOnAQuadraticAndResidualOfItsSource)
{
    Problem p = Quadratic();
    clsAllgrid_axisym mg;
    Storage s = test::Load(mg, p);
    mg.tmax = 1e6f;
    mg.tmin = -1e6f;
    mg.operator_poisson(s.u, 8, 8, s.np, s.nl, s.ngrid, kSlotTemp, kSlotUtilBase + 2, kSlotCondBase,
                        s.nbc);
    for (int i = 0; i < 8; ++i)
        for (int j = 0; j < 8; ++j) {
            EXPECT_EQ(s.at(i, j, kSlotUtilBase + 2), float(6 * (i + 0.5))) << i << ", " << j;
            s.at(i, j, kSlotSource) = float(6 * (i + 0.5)); // make T the solution
        }
    float resrms = -1.0f;
    mg.residual_poisson(s.u, 8, 8, s.np, s.nl, s.ngrid, resrms, kSlotTemp, kSlotSource,
                        kSlotCondBase, kSlotUtilBase, s.nbc);
    EXPECT_EQ(resrms, 0.0f);
    EXPECT_EQ(s.at(5, 5, kSlotUtilBase), 0.0f);
    // Relaxing the solution changes nothing, in either order.
    for (bool redBlack : {true, false}) {
        mg.StoreSettings(p.tbc, p.rmax, p.zmax(), redBlack);
        float rms = -1.0f;
        float first = -1.0f;
        mg.relax_poisson(s.u, 8, 8, s.np, s.nl, s.ngrid, 3, resrms, kSlotTemp, kSlotSource,
                         kSlotCondBase, s.nbc, rms, first);
        EXPECT_EQ(first, 0.0f);
        EXPECT_EQ(rms, 0.0f);
        for (int i = -1; i <= 8; ++i)
            for (int j = -1; j <= 8; ++j)
                EXPECT_EQ(s.at(i, j, kSlotTemp), p.t(i, j));
    }
    // A residual of 1 in one cell of 64 gives rms 1/8.
    s.at(2, 3, kSlotSource) += 1.0f;
    mg.residual_poisson(s.u, 8, 8, s.np, s.nl, s.ngrid, resrms, kSlotTemp, kSlotSource,
                        kSlotCondBase, kSlotUtilBase, s.nbc);
    EXPECT_EQ(resrms, 0.125f);
    EXPECT_EQ(s.at(2, 3, kSlotUtilBase), 1.0f); // S - L
}

TEST(AllgridOperator, TheAxisGhostNeverEntersTheEquations)
{
    Problem p = test::HeatedCylinder(16, 16);
    p.ibcs = {0, 1, 1, 0};
    clsAllgrid_axisym a;
    clsAllgrid_axisym b;
    Storage sa = test::Load(a, p);
    p.ibcs[0] = 1;
    Storage sb = test::Load(b, p);
    float r[3] = {};
    float q[3] = {};
    a.relax_poisson(sa.u, 16, 16, sa.np, sa.nl, sa.ngrid, 4, r[0], kSlotTemp, kSlotSource,
                    kSlotCondBase, sa.nbc, r[1], r[2]);
    b.relax_poisson(sb.u, 16, 16, sb.np, sb.nl, sb.ngrid, 4, q[0], kSlotTemp, kSlotSource,
                    kSlotCondBase, sb.nbc, q[1], q[2]);
    EXPECT_EQ(r[0], q[0]);
    EXPECT_EQ(r[2], q[2]);
    for (int i = 0; i < 16; ++i)
        for (int j = 0; j < 16; ++j)
            EXPECT_EQ(sa.at(i, j, kSlotTemp), sb.at(i, j, kSlotTemp));
    EXPECT_EQ(sa.at(-1, 5, kSlotTemp), sa.at(0, 5, kSlotTemp));
    EXPECT_NE(sb.at(-1, 5, kSlotTemp), sb.at(0, 5, kSlotTemp));
}

TEST(AllgridRelax, ClampsAndCorrections)
{
    // A source far too strong (or too weak) for the clamps, on a grid wide enough for the
    // vector path and its scalar tail.
    for (float q : {1.0e4f, -1.0e4f}) {
        for (bool redBlack : {true, false}) {
            Problem p = test::HeatedCylinder(52, 4, 0.01f, q);
            p.ibcs = {0, 0, 0, 0};
            clsAllgrid_axisym mg;
            Storage s = test::Load(mg, p, redBlack);
            mg.tmax = 2319.0f;
            mg.tmin = 25.0f;
            float r[3] = {};
            mg.relax_poisson(s.u, 52, 4, s.np, s.nl, s.ngrid, 1, r[0], kSlotTemp, kSlotSource,
                             kSlotCondBase, s.nbc, r[1], r[2]);
            for (int i = 0; i < 52; ++i)
                for (int j = 0; j < 4; ++j)
                    ASSERT_EQ(s.at(i, j, kSlotTemp), q > 0 ? 2319.0f : 25.0f) << i << ", " << j;
            // A correction is neither clamped nor mirrored about tb.
            for (int i = -1; i <= 52; ++i)
                for (int j = -1; j <= 4; ++j)
                    s.at(i, j, kSlotTemp) = 0.0f;
            const SideCodes iso = clsAllgrid_axisym::BuildSideCodes({0, 1, 1, 1});
            mg.relax_poisson(s.u, 52, 4, s.np, s.nl, s.ngrid, 1, r[0], kSlotTemp, kSlotSource,
                             kSlotCondBase, iso, r[1], r[2], true);
            const float v = s.at(10, 1, kSlotTemp);
            EXPECT_TRUE(q > 0 ? v > 2319.0f : v < 25.0f) << v;
            EXPECT_EQ(s.at(52, 1, kSlotTemp), -s.at(51, 1, kSlotTemp));
        }
    }
}

TEST(AllgridRelax, FirstAndLastSweepErrors)
{
    Problem p = test::HeatedCylinder(16, 16);
    clsAllgrid_axisym mg;
    Storage s = test::Load(mg, p);
    Storage copy = s;
    float resrms = 0.0f;
    float rmserror = 0.0f;
    float first = 0.0f;
    mg.relax_poisson(s.u, 16, 16, s.np, s.nl, s.ngrid, 1000, resrms, kSlotTemp, kSlotSource,
                     kSlotCondBase, s.nbc, rmserror, first);
    EXPECT_EQ(resrms, rmserror);
    EXPECT_LT(rmserror, first * 1e-3f);

    float r1 = 0.0f;
    float e1 = 0.0f;
    float f1 = 0.0f;
    mg.relax_poisson(copy.u, 16, 16, copy.np, copy.nl, copy.ngrid, 1, r1, kSlotTemp, kSlotSource,
                     kSlotCondBase, copy.nbc, e1, f1);
    EXPECT_EQ(f1, first);
    EXPECT_EQ(e1, r1);
    EXPECT_EQ(r1, first);
    mg.relax_poisson(copy.u, 16, 16, copy.np, copy.nl, copy.ngrid, 998, r1, kSlotTemp, kSlotSource,
                     kSlotCondBase, copy.nbc, e1, f1);
    mg.relax_poisson(copy.u, 16, 16, copy.np, copy.nl, copy.ngrid, 1, r1, kSlotTemp, kSlotSource,
                     kSlotCondBase, copy.nbc, e1, f1);
    EXPECT_EQ(r1, rmserror); // the 1000th sweep
    EXPECT_EQ(copy.u, s.u);

    // nits = 0 makes no sweep and leaves the outputs.
    mg.relax_poisson(copy.u, 16, 16, copy.np, copy.nl, copy.ngrid, 0, r1, kSlotTemp, kSlotSource,
                     kSlotCondBase, copy.nbc, e1, f1);
    EXPECT_EQ(r1, rmserror);
    EXPECT_EQ(copy.u, s.u);
}

/// Red/black relaxation written out as the equations state it: colour passes with the ghosts
/// refreshed after each, every cell in j-outer order, the Single sum in that order.
float ReferenceRedBlackSweep(const clsAllgrid_axisym& mg, Storage& s, int nx, int nz, float tb,
                             float rmax)
{
    const double h = static_cast<float>(double(rmax) / nx);
    const double h2 = static_cast<float>(std::pow(1.0 / h, 2));
    const auto T = [&](int i, int j) -> float& { return s.at(i, j, kSlotTemp); };
    float sum = 0.0f;
    for (int colour = 0; colour <= 1; ++colour) {
        for (int j = 0; j < nz; ++j)
            for (int i = (colour + j) % 2; i < nx; i += 2) {
                const double rc = (i + 0.5) * h;
                const double rp = rc + 0.5 * h;
                const double rm = rc - 0.5 * h;
                const double kW = s.at(i, j, kSlotCondBase + 1);
                const double kE = s.at(i + 1, j, kSlotCondBase + 1);
                const double kS = s.at(i, j, kSlotCondBase + 2);
                const double kN = s.at(i, j + 1, kSlotCondBase + 2);
                const double t = T(i, j);
                const double L = (rm * kW * (T(i - 1, j) - t) + rp * kE * (T(i + 1, j) - t) +
                                  rc * kN * (T(i, j + 1) - t) + rc * kS * (T(i, j - 1) - t)) *
                                 h2;
                const double D = (rp * kE + rm * kW + rc * kN + rc * kS) * h2;
                const double R = L - s.at(i, j, kSlotSource);
                float x = static_cast<float>(t + 0.75 * R / D);
                x = x > mg.tmax ? mg.tmax : (x < mg.tmin ? mg.tmin : x);
                if (D > 0.0)
                    T(i, j) = x;
                sum = sum + static_cast<float>(R * R);
            }
        for (int i = -1; i <= nx; ++i) {
            T(i, -1) = static_cast<float>(2.0 * tb - T(i, 0)); // isothermal ends
            T(i, nz) = static_cast<float>(2.0 * tb - T(i, nz - 1));
        }
        for (int j = -1; j <= nz; ++j) {
            T(-1, j) = T(0, j); // axis
            T(nx, j) = static_cast<float>(2.0 * tb - T(nx - 1, j));
        }
    }
    return static_cast<float>(std::sqrt(double(sum) / double(float(nx * nz))));
}

TEST(AllgridRelax, RedBlackSweepsGiveTheBitsOfTheWrittenOutEquations)
{
    // Rows of 52 cells use whole vector blocks and a scalar tail in both colours (blocks of 4 and
    // of 8 cells), on every instruction set.
    ForEachKernelIsa([] {
        for (auto [nx, nz] : {std::pair{52, 4}, std::pair{64, 64}, std::pair{40, 8}}) {
            Problem p = test::HeatedCylinder(nx, nz);
            p.ibcs = {0, 1, 1, 1};
            std::mt19937 rng(7);
            std::uniform_real_distribution<float> cond(0.001f, 0.05f);
            std::uniform_real_distribution<float> temp(20.0f, 2400.0f);
            for (int i = -1; i <= nx; ++i)
                for (int j = -1; j <= nz; ++j) {
                    p.c(i, j) = cond(rng);
                    p.t(i, j) = temp(rng);
                }
            p.c(5, 2) = p.c(4, 2) = p.c(6, 2) = p.c(5, 1) = p.c(5, 3) = 0.0f; // a cell with D = 0
            clsAllgrid_axisym mg;
            Storage s = test::Load(mg, p);
            Storage ref = s;
            for (int sweep = 0; sweep < 3; ++sweep) {
                float resrms = 0.0f;
                float rmserror = 0.0f;
                float first = 0.0f;
                mg.relax_poisson(s.u, p.nx, p.nz, s.np, s.nl, s.ngrid, 1, resrms, kSlotTemp,
                                 kSlotSource, kSlotCondBase, s.nbc, rmserror, first);
                if (sweep == 0) { // the reference starts from refreshed ghosts, as the routine does
                    mg.enforce_bcs(ref.nbc, ref.u, p.nx, p.nz, ref.np, ref.nl, ref.ngrid,
                                   kSlotTemp);
                }
                const float expected = ReferenceRedBlackSweep(mg, ref, nx, nz, p.tbc, p.rmax);
                EXPECT_EQ(resrms, expected) << nx << " sweep " << sweep;
                for (int i = -1; i <= nx; ++i)
                    for (int j = -1; j <= nz; ++j)
                        ASSERT_EQ(s.at(i, j, kSlotTemp), ref.at(i, j, kSlotTemp))
                            << nx << " sweep " << sweep << " at " << i << ", " << j;
            }
            EXPECT_EQ(s.at(5, 2, kSlotTemp), p.t(5, 2)) << "a cell with D = 0 keeps its value";
        }
    });
}

TEST(AllgridRelax, EveryInstructionSetGivesTheSameSolution)
{
    Problem reference = test::Composite(64);
    clsAllgrid_axisym mg;
    float rms = 0.0f;
    float first = 0.0f;
    mg.AllGrid(reference.t, reference.c, reference.f, 64, 64, reference.ibcs, reference.tbc,
               reference.rmax, reference.zmax(), true, 3, true, 10, rms, first);
    ForEachKernelIsa([&] {
        Problem p = test::Composite(64);
        float r = 0.0f;
        float f = 0.0f;
        mg.AllGrid(p.t, p.c, p.f, 64, 64, p.ibcs, p.tbc, p.rmax, p.zmax(), true, 3, true, 10, r, f);
        EXPECT_EQ(r, rms);
        EXPECT_EQ(f, first);
        for (int i = -1; i <= 64; ++i)
            for (int j = -1; j <= 64; ++j)
                ASSERT_EQ(p.t(i, j), reference.t(i, j)) << i << ", " << j;
    });
}

} // namespace
} // namespace tarsen
