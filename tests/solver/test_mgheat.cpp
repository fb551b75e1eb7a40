#include "common/frontend.h"
#include "solver/clsmgheat.h"
#include "solver/cond_kernels.h"
#include "test_allgrid_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace tarsen {
namespace {

CondCoefficients Coef(float c0, float c1 = 0, float c2 = 0, float c3 = 0, float c4 = 0,
                      float c5 = 0, float cm1 = 0)
{
    return {c0, c1, c2, c3, c4, c5, cm1};
}

/// The arrays of one heat problem on an nr x nz grid: every point one material, t uniform.
struct HeatFields {
    int nr, nz;
    GhostField<float> t, c, f, cr, cz;
    GhostField<CondCoefficients> a;
    HeatFields(int nr_, int nz_, CondCoefficients k, float t0, float f0 = 0.0f)
        : nr(nr_), nz(nz_), t(nr_, nz_, t0), c(nr_, nz_), f(nr_, nz_), cr(nr_, nz_), cz(nr_, nz_),
          a(nr_, nz_, k)
    {
        for (int i = 0; i < nr; ++i)
            for (int j = 0; j < nz; ++j)
                f(i, j) = f0;
    }
    std::int16_t Nr() const { return static_cast<std::int16_t>(nr); }
    std::int16_t Nz() const { return static_cast<std::int16_t>(nz); }
};

clsMgHeat MakeHeat(FrontEnd* fe = nullptr)
{
    clsMgHeat heat(fe);
    heat.tmax = 2319.0f;
    heat.tmin = 25.0f;
    return heat;
}

TEST(MgHeatCond, LawAtThePointTemperatureOrAtTbc)
{
    clsMgHeat heat = MakeHeat();
    HeatFields p(2, 2, Coef(2.0f), 500.0f);
    ASSERT_TRUE(heat.cond(p.a, p.c, p.t, p.cr, p.cz, true, p.Nr(), p.Nz(), 25.0f));
    EXPECT_FLOAT_EQ(p.c(0, 0), 0.002f); // a constant law whatever the temperature
    EXPECT_FLOAT_EQ(p.c(-1, 2), 0.002f);

    HeatFields q(2, 2, Coef(1.0f, 0.01f), 100.0f);
    heat.cond(q.a, q.c, q.t, q.cr, q.cz, true, q.Nr(), q.Nz(), 25.0f);
    EXPECT_FLOAT_EQ(q.c(1, 1), 0.002f);
    heat.BoundaryT = true;
    heat.cond(q.a, q.c, q.t, q.cr, q.cz, true, q.Nr(), q.Nz(), 25.0f);
    EXPECT_FLOAT_EQ(q.c(1, 1), 0.00125f);
    heat.BoundaryT = false;

    // A ghost mirror value below tbc is evaluated at tbc: a C5 law stays finite and a falling
    // polynomial does not turn negative there.
    HeatFields g(2, 2, Coef(1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 10.0f), 25.0f);
    g.t(-1, 0) = -300.0f;
    heat.cond(g.a, g.c, g.t, g.cr, g.cz, true, g.Nr(), g.Nz(), 25.0f);
    EXPECT_FLOAT_EQ(g.c(-1, 0), g.c(0, 0));
    EXPECT_FLOAT_EQ(g.c(0, 0), static_cast<float>(0.001 * (1.0 + 10.0 / 5.0)));

    // A law that gives nothing, less than nothing or overflows stores the floor value, so no
    // mean or diagonal divides by zero.
    for (const CondCoefficients& k : {Coef(0.0f), Coef(-5.0f), Coef(1.0f, 0, 0, 0, 3.0e38f)}) {
        HeatFields z(2, 2, k, 2000.0f);
        heat.cond(z.a, z.c, z.t, z.cr, z.cz, true, z.Nr(), z.Nz(), 25.0f);
        EXPECT_EQ(z.c(0, 0), kMinConductivity);
        EXPECT_EQ(z.cr(1, 1), kMinConductivity);
    }
}

TEST(MgHeatCond, EveryInstructionSetGivesTheSameLawAndFaceMeans)
{
    // Laws with every term, zero terms, and sums that vanish or overflow; temperatures below
    // tlow, at 1 deg C, huge, infinite and NaN; a count that leaves a ragged tail.
    const std::vector<CondCoefficients> laws = {
        Coef(2.0f, -1.2e-3f, 4.0e-7f),
        Coef(60.6f, -0.162f, 2.141e-4f, -1.346e-7f, 3.179e-11f),
        Coef(5.0f, 0, 0, 0, 0, 30.0f, 100.0f),
        Coef(0.0f),
        Coef(-5.0f, 1e-3f),
        Coef(1.0f, 0, 0, 0, 3.0e38f),
        Coef(-0.0f, 0.0f, -0.0f)};
    const float inf = std::numeric_limits<float>::infinity();
    const std::vector<float> special = {-300.0f, 0.5f, 1.0f, 3.0e38f, inf, -inf, std::nanf("")};
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> temperature(-100.0f, 2500.0f);
    const std::size_t n = 203;
    std::vector<CondCoefficients> a(n);
    std::vector<float> t(n);
    for (std::size_t k = 0; k < n; ++k) {
        a[k] = laws[(k / 3) % laws.size()];
        t[k] = k % 5 == 0 ? special[(k / 5) % special.size()] : temperature(rng);
    }
    test::ForEachKernelIsa([&] {
        for (bool fixed : {false, true}) {
            std::vector<float> c(n);
            point_conductivities(a[0].data(), t.data(), c.data(), n, 25.0f, fixed);
            for (std::size_t k = 0; k < n; ++k) {
                const float T = fixed ? 25.0f : (t[k] > 25.0f ? t[k] : 25.0f);
                const float want = point_conductivity(a[k].data(), T);
                EXPECT_EQ(std::memcmp(&c[k], &want, sizeof want), 0)
                    << "point " << k << ": " << c[k] << " vs " << want;
            }
            // The faces, the points read as columns of 13 beside each other.
            const std::size_t s = 13;
            const bool FluxMatch = !fixed;
            std::vector<float> cr(n), cz(n);
            face_conductivities(a[0].data(), c.data(), cr.data(), cz.data(), s, n, s, FluxMatch);
            for (std::size_t k = s; k < n; ++k) {
                const float wantR =
                    face_conductivity(c[k - s], c[k], FluxMatch && a[k - s][0] != a[k][0]);
                const float wantZ =
                    face_conductivity(c[k - 1], c[k], FluxMatch && a[k - 1][0] != a[k][0]);
                EXPECT_EQ(std::memcmp(&cr[k], &wantR, sizeof wantR), 0) << "r-face " << k;
                EXPECT_EQ(std::memcmp(&cz[k], &wantZ, sizeof wantZ), 0) << "z-face " << k;
            }
        }
    });
}

TEST(MgHeatCond, FaceMeansHarmonicOnlyAcrossMaterialsWithFluxMatch)
{
    clsMgHeat heat = MakeHeat();
    // Points (0, j) and (1, j) of different materials with c = 1 and 3 W/mm/K.
    HeatFields p(2, 1, Coef(1000.0f), 25.0f);
    for (int j = -1; j <= 1; ++j) {
        p.a(1, j) = Coef(3000.0f);
        p.a(2, j) = Coef(3000.0f);
    }
    heat.cond(p.a, p.c, p.t, p.cr, p.cz, true, p.Nr(), p.Nz(), 25.0f);
    EXPECT_FLOAT_EQ(p.cr(1, 0), 1.5f);
    EXPECT_FLOAT_EQ(p.cr(2, 0), 3.0f);
    EXPECT_FLOAT_EQ(p.cz(0, 0), 1.0f);
    heat.cond(p.a, p.c, p.t, p.cr, p.cz, false, p.Nr(), p.Nz(), 25.0f);
    EXPECT_FLOAT_EQ(p.cr(1, 0), 2.0f);

    // One material (same C0) with c = 1 and 3 from its temperatures: arithmetic either way.
    HeatFields q(2, 1, Coef(0.0f, 10.0f), 100.0f);
    for (int j = -1; j <= 1; ++j)
        for (int i = 1; i <= 2; ++i)
            q.t(i, j) = 300.0f;
    heat.cond(q.a, q.c, q.t, q.cr, q.cz, true, q.Nr(), q.Nz(), 25.0f);
    EXPECT_FLOAT_EQ(q.c(0, 0), 1.0f);
    EXPECT_FLOAT_EQ(q.c(1, 0), 3.0f);
    EXPECT_FLOAT_EQ(q.cr(1, 0), 2.0f);

    // Fields of the wrong size are refused; outputs of the wrong size are reallocated.
    GhostField<float> small(1, 1);
    EXPECT_FALSE(heat.cond(q.a, q.c, small, q.cr, q.cz, true, q.Nr(), q.Nz(), 25.0f));
    GhostField<float> c2, cr2, cz2;
    EXPECT_TRUE(heat.cond(q.a, c2, q.t, cr2, cz2, true, q.Nr(), q.Nz(), 25.0f));
    EXPECT_EQ(cr2.N1(), 2);
    EXPECT_FLOAT_EQ(cr2(1, 0), 2.0f);
}

TEST(MgHeatApplybc, GhostRingForEachCode)
{
    const clsMgHeat heat = MakeHeat();
    GhostField<float> t(3, 2);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 2; ++j)
            t(i, j) = 30.0f + 10.0f * i + j;

    heat.applybc(t, 3, 2, BoundaryCodes{0, 1, 1, 0}, 25.0f);
    for (int j = -1; j <= 2; ++j) {
        EXPECT_EQ(t(-1, j), t(0, j)) << j;
        EXPECT_FLOAT_EQ(0.5f * (t(2, j) + t(3, j)), 25.0f) << j;
    }
    for (int i = -1; i <= 3; ++i) {
        EXPECT_FLOAT_EQ(0.5f * (t(i, 1) + t(i, 2)), 25.0f) << i; // top held at tbc
        EXPECT_EQ(t(i, -1), t(i, 0)) << i;                       // bottom insulated
    }

    // Any non-zero code holds a side at tbc; the axis stays zero flux even when asked to be
    // isothermal, and applybc itself shows nothing.
    RecordingFrontEnd fe;
    clsMgHeat quiet(&fe);
    quiet.applybc(t, 3, 2, BoundaryCodes{1, 0, 0, 7}, 100.0f);
    for (int j = -1; j <= 2; ++j) {
        EXPECT_EQ(t(-1, j), t(0, j));
        EXPECT_EQ(t(3, j), t(2, j));
    }
    for (int i = -1; i <= 3; ++i)
        EXPECT_FLOAT_EQ(t(i, -1), 200.0f - t(i, 0));
    // Corners follow the z sides, written last: bottom corner of the outer ghost column.
    EXPECT_FLOAT_EQ(t(3, -1), 200.0f - t(3, 0));
    EXPECT_TRUE(fe.m_messages.empty());
}

TEST(MgHeatIterate, ClampsAndSweepCounts)
{
    clsMgHeat heat = MakeHeat();
    // A source far too strong for the conductivity: every relaxed value stops at tmax.
    HeatFields p(4, 4, Coef(1.0f), 25.0f, 1.0e6f);
    heat.cond(p.a, p.c, p.t, p.cr, p.cz, true, p.Nr(), p.Nz(), 25.0f);
    float rms = -1.0f, first = -1.0f;
    const BoundaryCodes ibcs{0, 1, 1, 0};
    EXPECT_EQ(heat.iterate(p.cr, p.cz, p.c, p.t, p.f, ibcs, p.Nr(), p.Nz(), 0.25f, 0.25f, 1.8f, 3,
                           rms, 25.0f, first),
              3);
    EXPECT_EQ(p.t(0, 0), 2319.0f);
    EXPECT_GT(first, 0.0f);
    EXPECT_TRUE(std::isfinite(rms));

    // A sink pulls values down to tmin, never below.
    HeatFields q(4, 4, Coef(1.0f), 25.0f, -1.0e6f);
    heat.cond(q.a, q.c, q.t, q.cr, q.cz, true, q.Nr(), q.Nz(), 25.0f);
    heat.iterate(q.cr, q.cz, q.c, q.t, q.f, ibcs, q.Nr(), q.Nz(), 0.25f, 0.25f, 1.8f, 2, rms, 25.0f,
                 first);
    EXPECT_EQ(q.t(1, 1), 25.0f);

    // No sweep: rmserror 0, FirstError untouched, t untouched.
    rms = 5.0f;
    first = 7.0f;
    EXPECT_EQ(heat.iterate(p.cr, p.cz, p.c, p.t, p.f, ibcs, p.Nr(), p.Nz(), 0.25f, 0.25f, 1.8f, 0,
                           rms, 25.0f, first),
              0);
    EXPECT_EQ(rms, 0.0f);
    EXPECT_EQ(first, 7.0f);

    // A zero cell size cannot be relaxed: nothing is touched, nothing becomes NaN.
    EXPECT_EQ(heat.iterate(q.cr, q.cz, q.c, q.t, q.f, ibcs, q.Nr(), q.Nz(), 0.0f, 0.25f, 1.8f, 2,
                           rms, 25.0f, first),
              0);
    EXPECT_EQ(q.t(1, 1), 25.0f);
}

TEST(MgHeatDriver, CountsMessagesPumpAndRefusals)
{
    RecordingFrontEnd fe;
    clsMgHeat heat = MakeHeat(&fe);
    HeatFields p(4, 4, Coef(1000.0f), 25.0f, 1.0f);
    const BoundaryCodes ibcs{0, 1, 1, 0};
    float rms = 3.0f, first = 4.0f;

    // niters = 0: no sweep, one conductivity update, both errors unchanged.
    EXPECT_TRUE(heat.MgHeat(p.t, p.c, p.f, p.a, p.cr, p.cz, p.Nr(), p.Nz(), ibcs, 40.0f, 1.0f, 1.0f,
                            true, 0, 10, 1.8f, rms, first));
    EXPECT_EQ(rms, 3.0f);
    EXPECT_EQ(first, 4.0f);
    EXPECT_FLOAT_EQ(p.c(0, 0), 1.0f);
    EXPECT_EQ(heat.tmin, 40.0f);
    EXPECT_EQ(p.t(0, 0), 25.0f);

    // ntits = 0: no sweep and FirstError becomes 0.
    heat.MgHeat(p.t, p.c, p.f, p.a, p.cr, p.cz, p.Nr(), p.Nz(), ibcs, 25.0f, 1.0f, 1.0f, true, 2, 0,
                1.8f, rms, first);
    EXPECT_EQ(first, 0.0f);
    EXPECT_EQ(rms, 0.0f);

    // The pump runs after every sweep only while switched on.
    heat.MgHeat(p.t, p.c, p.f, p.a, p.cr, p.cz, p.Nr(), p.Nz(), ibcs, 25.0f, 1.0f, 1.0f, true, 2, 3,
                1.8f, rms, first);
    EXPECT_EQ(fe.m_pumps, 0);
    heat.SetPumpEvents(true);
    heat.MgHeat(p.t, p.c, p.f, p.a, p.cr, p.cz, p.Nr(), p.Nz(), ibcs, 25.0f, 1.0f, 1.0f, true, 2, 3,
                1.8f, rms, first);
    EXPECT_EQ(fe.m_pumps, 6);
    EXPECT_GT(first, 0.0f);
    EXPECT_TRUE(fe.m_messages.empty());

    // An isothermal axis is reported once per solve, not after every sweep.
    heat.MgHeat(p.t, p.c, p.f, p.a, p.cr, p.cz, p.Nr(), p.Nz(), BoundaryCodes{1, 1, 1, 0}, 25.0f,
                1.0f, 1.0f, true, 3, 4, 1.8f, rms, first);
    ASSERT_EQ(fe.m_messages.size(), 1u);
    EXPECT_EQ(fe.m_messages[0], kMsgIsothermalAxis);

    // Fields that do not match the grid, or an empty model, are refused untouched.
    GhostField<float> f3(3, 4);
    const float before = p.t(1, 1);
    EXPECT_FALSE(heat.MgHeat(p.t, p.c, f3, p.a, p.cr, p.cz, p.Nr(), p.Nz(), ibcs, 25.0f, 1.0f, 1.0f,
                             true, 2, 3, 1.8f, rms, first));
    EXPECT_FALSE(heat.MgHeat(p.t, p.c, p.f, p.a, p.cr, p.cz, p.Nr(), p.Nz(), ibcs, 25.0f, 0.0f,
                             1.0f, true, 2, 3, 1.8f, rms, first));
    EXPECT_EQ(p.t(1, 1), before);
}

/// A front end whose event processing reallocates the temperature field, as a click on "double
/// the grid" would.
struct ResizingFrontEnd : RecordingFrontEnd {
    GhostField<float>* t = nullptr;
    void PumpEvents() override
    {
        RecordingFrontEnd::PumpEvents();
        t->Resize(t->N1() * 2, t->N2() * 2, 25.0f);
    }
};

TEST(MgHeatDriver, StopsWhenAFieldChangesSizeDuringThePump)
{
    ResizingFrontEnd fe;
    clsMgHeat heat = MakeHeat(&fe);
    heat.SetPumpEvents(true);
    HeatFields p(4, 4, Coef(1000.0f), 25.0f, 1.0f);
    fe.t = &p.t;
    float rms = 0.0f, first = 0.0f;
    EXPECT_FALSE(heat.MgHeat(p.t, p.c, p.f, p.a, p.cr, p.cz, p.Nr(), p.Nz(),
                             BoundaryCodes{0, 1, 1, 0}, 25.0f, 1.0f, 1.0f, true, 3, 5, 1.8f, rms,
                             first));
    EXPECT_EQ(fe.m_pumps, 1);
    EXPECT_EQ(p.t.N1(), 8);
}

/// Solves to convergence and returns the axis temperature t(0, 0).
float SolveToConvergence(clsMgHeat& heat, HeatFields& p, const BoundaryCodes& ibcs, float rmax,
                         float zmax, bool fluxMatch)
{
    float rms = 0.0f, first = 0.0f;
    heat.MgHeat(p.t, p.c, p.f, p.a, p.cr, p.cz, p.Nr(), p.Nz(), ibcs, 25.0f, rmax, zmax, fluxMatch,
                1, 6000, 1.8f, rms, first);
    return p.t(0, 0);
}

TEST(MgHeatAccuracy, UniformHeatedCylinderIsSecondOrder)
{
    // One material with k = 1 W/mm/K and f = 16 W/mm^3 in 0 < r <= R = 5 mm, outer radius held
    // at 25 deg C, both ends insulated: T(r) = tbc + f (R^2 - r^2) / (4 k), a rise of 100.
    const double R = 5.0, k = 1.0, f = 16.0, tbc = 25.0;
    double errors[3];
    const int sizes[3] = {8, 16, 32};
    for (int n = 0; n < 3; ++n) {
        clsMgHeat heat = MakeHeat();
        HeatFields p(sizes[n], 4, Coef(1000.0f), 25.0f, 16.0f);
        const double dr = R / sizes[n];
        const float axis = SolveToConvergence(heat, p, BoundaryCodes{0, 1, 0, 0}, 5.0f, 2.0f, true);
        const double r0 = 0.5 * dr;
        const double exact = tbc + f * (R * R - r0 * r0) / (4.0 * k);
        errors[n] = double(axis) - exact;
        // The interior stencil is exact for this quadratic; the mirror ghost at r = R shifts
        // the whole solution by f dr^2 / (16 k). Single round-off of ~125 deg C is ~1e-5.
        EXPECT_NEAR(errors[n], f * dr * dr / (16.0 * k), 2e-3) << sizes[n];
        EXPECT_NEAR(p.t(0, 3), axis, 1e-4); // insulated ends: no axial gradient
    }
    EXPECT_NEAR(errors[0] / errors[1], 4.0, 0.2);
    EXPECT_NEAR(errors[1] / errors[2], 4.0, 0.3);
}

TEST(MgHeatAccuracy, HeatedCoreInInsulatingAnnulusWithFluxMatch)
{
    // Core 0 < r <= R1 = 2 mm, k1 = 10 W/mm/K, f = 10 W/mm^3; annulus R1 < r <= R2 = 4 mm with
    // k2 = 1 and no source; outer radius at tbc, ends insulated. The annulus carries the core's
    // heat f R1^2 / 2 per radian and unit length: T(r) = tbc + f R1^2 / (2 k2) ln(R2 / r) there,
    // and the core adds f (R1^2 - r^2) / (4 k1).
    const double R1 = 2.0, R2 = 4.0, k1 = 10.0, k2 = 1.0, f = 10.0, tbc = 25.0;
    auto exact = [&](double r) {
        const double tR1 = tbc + f * R1 * R1 / (2.0 * k2) * std::log(R2 / R1);
        return r <= R1 ? tR1 + f * (R1 * R1 - r * r) / (4.0 * k1)
                       : tbc + f * R1 * R1 / (2.0 * k2) * std::log(R2 / r);
    };
    auto worstError = [&](int nr, bool fluxMatch) {
        clsMgHeat heat = MakeHeat();
        HeatFields p(nr, 2, Coef(10000.0f), 25.0f);
        for (int i = -1; i <= nr; ++i)
            for (int j = -1; j <= 2; ++j)
                if (i >= nr / 2)
                    p.a(i, j) = Coef(1000.0f);
                else if (i >= 0 && j >= 0 && j < 2)
                    p.f(i, j) = 10.0f;
        SolveToConvergence(heat, p, BoundaryCodes{0, 1, 0, 0}, 4.0f, 1.0f, fluxMatch);
        double worst = 0.0;
        for (int i = 0; i < nr; ++i) {
            const double r = (i + 0.5) * R2 / nr;
            worst = std::max(worst, std::fabs(double(p.t(i, 1)) - exact(r)));
        }
        return worst;
    };
    const double errors[3] = {worstError(8, true), worstError(16, true), worstError(32, true)};
    // About 0.1 deg C on 8 cells out of a rise of 70; the error falls by about 4 per doubling.
    // The arithmetic face mean misjudges the interface resistance: several times worse.
    EXPECT_LT(errors[0], 0.2);
    EXPECT_GT(worstError(16, false), 3.0 * errors[1]);
    EXPECT_NEAR(errors[0] / errors[1], 4.0, 0.6);
    EXPECT_NEAR(errors[1] / errors[2], 4.0, 0.6);
}

} // namespace
} // namespace tarsen
