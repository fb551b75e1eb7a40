// The multigrid solver's cycles and AllGrid: accuracy on problems with known solutions, the FAS
// stop rules, the other methods, and the refusals that leave the caller's field alone.
#include "common/frontend.h"
#include "solver/clsallgrid_axisym.h"
#include "solver/clsmgheat.h"
#include "solver/cutfaces.h"
#include "test_allgrid_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace tarsen {
namespace {

using test::Problem;
using test::Storage;

struct Outcome {
    AllGridStatus status = AllGridStatus::kCycleLimit;
    float rmserror = -1.0f;
    float FirstError = -1.0f;
};

Outcome Call(clsAllgrid_axisym& mg, Problem& p, std::int16_t method = 3, std::int16_t NInner = 10,
             bool RedBlack = true)
{
    Outcome o;
    o.status = mg.AllGrid(p.t, p.c, p.f, p.nx, p.nz, p.ibcs, p.tbc, p.rmax, p.zmax(), true, method,
                          RedBlack, NInner, o.rmserror, o.FirstError);
    return o;
}

/// Repeated calls, as the run loop makes them; four cut the residual by 1e8 at least.
void Converge(clsAllgrid_axisym& mg, Problem& p, bool RedBlack = true)
{
    for (int call = 0; call < 4; ++call) {
        const Outcome o = Call(mg, p, 3, 10, RedBlack);
        ASSERT_TRUE(Solved(o.status));
    }
}

/// Largest |T - exact(r) - offset| over the interior.
template <class Exact> double MaxError(const Problem& p, Exact exact, double offset = 0.0)
{
    double e = 0.0;
    for (int i = 0; i < p.nx; ++i)
        for (int j = 0; j < p.nz; ++j)
            e = std::max(e, std::fabs(double(p.t(i, j)) - exact(double(p.Radius(i))) - offset));
    return e;
}

double CylinderExact(const Problem& p, double r)
{
    // q / (4 k) = 1 K/mm^2 for the defaults of HeatedCylinder.
    const double R = p.rmax;
    return p.tbc + (R * R - r * r);
}

TEST(AllgridAccuracy, HeatedCylinderToSecondOrder)
{
    // The scheme is exact for a quadratic profile in the interior; the mirror ghost puts the
    // boundary face's mean, not its value, at tbc, which lifts the whole discrete solution by
    // q h^2 / (16 k) = h^2 / 4. So the error is that offset, and falls fourfold per halving.
    double previous = 0.0;
    for (int n : {16, 32, 64, 128}) {
        Problem p = test::HeatedCylinder(n, n);
        clsAllgrid_axisym mg;
        Converge(mg, p);
        const double h = p.rmax / n;
        const auto exact = [&](double r) { return CylinderExact(p, r); };
        // Single round-off of temperatures near 125 (ulp 7.6e-6) accumulated over the sweeps.
        EXPECT_NEAR(MaxError(p, exact, h * h / 4), 0.0, 1e-4) << n;
        const double e = MaxError(p, exact);
        if (previous > 0.0) {
            EXPECT_NEAR(previous / e, 4.0, 0.1) << n;
        }
        previous = e;
        EXPECT_FLOAT_EQ(mg.tmin, p.tbc);
    }
}

TEST(AllgridAccuracy, TallGridAndLexicographicOrder)
{
    // 64 x 128 cells: every level twice as tall as wide, the coarsest 1 x 2.
    Problem p = test::HeatedCylinder(64, 128);
    clsAllgrid_axisym mg;
    Converge(mg, p);
    const double h = p.rmax / 64;
    const auto exact = [&](double r) { return CylinderExact(p, r); };
    EXPECT_NEAR(MaxError(p, exact, h * h / 4), 0.0, 1e-4);

    Problem lex = test::HeatedCylinder(32, 32);
    Converge(mg, lex, false);
    EXPECT_NEAR(MaxError(
                    lex, [&](double r) { return CylinderExact(lex, r); },
                    (lex.rmax / 32) * (lex.rmax / 32) / 4),
                0.0, 1e-4);
}

TEST(AllgridAccuracy, CompositeConvergesAndMatchesTheSingleGridSolver)
{
    double previous = 0.0;
    for (int n : {32, 64, 128}) {
        Problem p = test::Composite(n);
        clsAllgrid_axisym mg;
        Converge(mg, p);
        const double e = MaxError(p, [&](double r) { return test::CompositeExact(p, r); });
        // The temperatures span 25 ... 180; the discretisation error is some 0.1 % of that on
        // the coarsest grid and falls with h^2.
        EXPECT_LT(e, 0.3) << n;
        if (previous > 0.0) {
            EXPECT_GT(previous / e, 3.5) << n;
            EXPECT_LT(previous / e, 4.5) << n;
        }
        previous = e;
    }

    // The single-grid solver converged on the same discrete problem gives the same field.
    Problem p = test::Composite(32);
    clsAllgrid_axisym mg;
    Converge(mg, p);
    Problem q = test::Composite(32);
    GhostField<CondCoefficients> a(32, 32, CondCoefficients{});
    for (int i = -1; i <= 32; ++i)
        for (int j = -1; j <= 32; ++j)
            a(i, j)[0] = i < 16 ? 30.0f : 3.0f; // conductivities of 0.03 and 0.003 W/mm/K
    GhostField<float> cr;
    GhostField<float> cz;
    clsMgHeat heat;
    heat.tmax = 2319.0f;
    float rms = 0.0f;
    float first = 0.0f;
    ASSERT_TRUE(heat.MgHeat(q.t, q.c, q.f, a, cr, cz, 32, 32, q.ibcs, q.tbc, q.rmax, q.zmax(), true,
                            1, 6000, 1.9f, rms, first));
    double diff = 0.0;
    for (int i = 0; i < 32; ++i)
        for (int j = 0; j < 32; ++j)
            diff = std::max(diff, std::fabs(double(p.t(i, j)) - double(q.t(i, j))));
    // Both are at their Single round-off floors: temperatures near 180 (ulp 1.5e-5) give
    // residuals that the smallest eigenvalue of a 32 x 32 problem turns into some 0.01 K.
    EXPECT_LT(diff, 0.01);
}

TEST(AllgridAccuracy, FacesGivenForACoreBoundaryInsideACell)
{
    // The composite with the core's radius R1 = 3.7 mm inside a cell. The cell holding it gets
    // the core's heat in proportion to its volume; the face whose rectangle the boundary
    // crosses conducts as its two pieces in series. Given that face, the field is second
    // order again; the cut cell's volume mixture alone errs by the first order.
    const double k1 = 0.03, k2 = 0.003, q = 0.05, R1 = 3.7;
    for (int n : {32, 64, 128}) {
        Problem p = test::HeatedCylinder(n, n, float(k1), float(q));
        const double h = p.rmax / n, R = p.rmax;
        const int ic = static_cast<int>(R1 / h);
        const double phi = (R1 * R1 - ic * h * ic * h) / (h * h * (2 * ic + 1));
        for (int i = -1; i <= n; ++i)
            for (int j = -1; j <= n; ++j) {
                const int ii = std::clamp(i, 0, n - 1);
                p.c(i, j) =
                    ii < ic ? float(k1) : (ii > ic ? float(k2) : float(phi * k1 + (1 - phi) * k2));
                if (i >= 0 && i < n && j >= 0 && j < n)
                    p.f(i, j) = ii < ic ? float(q) : (ii > ic ? 0.0f : float(phi * q));
            }
        CutFaces cut;
        const std::uint16_t core = cut.AddCoefficients({float(1000 * k1), 0, 0, 0, 0, 0, 0});
        const std::uint16_t sleeve = cut.AddCoefficients({float(1000 * k2), 0, 0, 0, 0, 0, 0});
        // The faces on both sides of the cut cell; the one whose rectangle holds R1 has both
        // pieces in its strip.
        for (const int i : {ic, ic + 1}) {
            const double a0 = (i - 0.5) * h, am = i * h, a1 = (i + 0.5) * h;
            const double split = std::clamp(R1, a0, a1);
            FaceStrip strip;
            strip.weight = 1.0f;
            strip.length[0] = {float((std::min(split, am) - a0) / h),
                               float((std::max(split, am) - am) / h)};
            strip.length[1] = {float((am - std::min(split, am)) / h),
                               float((a1 - std::max(split, am)) / h)};
            for (int j = 0; j < n; ++j) {
                CutFace face;
                face.i = static_cast<std::int16_t>(i);
                face.j = static_cast<std::int16_t>(j);
                face.pieces = 2;
                face.coef = {core, sleeve, 0, 0};
                cut.Add(face, std::span<const FaceStrip>(&strip, 1));
            }
        }
        GhostField<float> cr(n, n), cz(n, n);
        ASSERT_TRUE(cut.Apply(p.t, p.tbc, false, cr, cz));
        const FinestFaces faces{cut, cr, cz};
        Problem plain = p;
        clsAllgrid_axisym mg;
        for (int call = 0; call < 4; ++call) {
            Outcome o;
            o.status = mg.AllGrid(p.t, p.c, p.f, p.nx, p.nz, p.ibcs, p.tbc, p.rmax, p.zmax(), true,
                                  3, true, 10, o.rmserror, o.FirstError, &faces);
            ASSERT_TRUE(Solved(o.status));
        }
        Converge(mg, plain);
        const auto exact = [&](double r) {
            const double tI = p.tbc + q * R1 * R1 / (2.0 * k2) * std::log(R / R1);
            return r <= R1 ? tI + q * (R1 * R1 - r * r) / (4.0 * k1)
                           : p.tbc + q * R1 * R1 / (2.0 * k2) * std::log(R / r);
        };
        const double e = MaxError(p, exact);
        // Second order, its constant depending on where R1 falls in its cell (0.84, 0.68 and
        // 0.36 of the way across): 0.047, 0.010 and 0.0045 deg C. The volume mixture alone
        // stays above 1 deg C.
        EXPECT_LT(e, 0.08 * (32.0 / n) * (32.0 / n)) << n;
        EXPECT_LT(10.0 * e, MaxError(plain, exact)) << n;
    }
}

TEST(AllgridCycles, ResidualReductionPerVCycle)
{
    for (int n : {64, 256}) {
        for (bool composite : {false, true}) {
            Problem p = composite ? test::Composite(n) : test::HeatedCylinder(n, n);
            clsAllgrid_axisym mg;
            const Outcome o = Call(mg, p);
            EXPECT_EQ(o.status, AllGridStatus::kTolerance);
            const std::vector<float>& h = mg.CycleResiduals();
            ASSERT_GE(h.size(), 2u);
            EXPECT_EQ(h.size(), static_cast<std::size_t>(mg.CyclesDone()) + 1);
            EXPECT_EQ(h.front(), o.FirstError);
            EXPECT_EQ(h.back(), o.rmserror);
            const char* what = composite ? " composite" : " cylinder";
            if (!composite) {
                // One material: some 60-fold per cycle.
                for (std::size_t k = 1; k < h.size(); ++k)
                    EXPECT_GT(h[k - 1] / h[k], 10.0f) << n << what << " cycle " << k;
            } else {
                // A tenfold jump of conductivity: the bilinear prolongation of the large first
                // correction across it raises the residual in the first cycle; the later ones
                // cut it 3 to 25-fold, and the call still ends within five.
                EXPECT_LE(mg.CyclesDone(), 5) << n << what;
                for (std::size_t k = 2; k < h.size(); ++k)
                    EXPECT_GT(h[k - 1] / h[k], 3.0f) << n << what << " cycle " << k;
            }
            // The call stops at the first cycle below 1 % of the first sweep's residual.
            for (std::size_t k = 1; k + 1 < h.size(); ++k)
                EXPECT_GE(h[k] / h[0], 0.01f);
            EXPECT_LT(h.back() / h[0], 0.01f);
        }
    }
}

TEST(AllgridCycles, StopRules)
{
    {
        // Clamps that hold every value at tbc: the residual never falls, and five bad steps
        // end the call however many cycles were allowed.
        Problem p = test::HeatedCylinder(32, 32);
        clsAllgrid_axisym mg;
        mg.tmax = p.tbc;
        const Outcome o = Call(mg, p, 3, 10);
        EXPECT_EQ(o.status, AllGridStatus::kStalled);
        EXPECT_EQ(mg.CyclesDone(), 5);
        EXPECT_EQ(o.rmserror, o.FirstError);
    }
    {
        // A field already converged: the first cycle cannot lower the residual below its Single
        // floor and ends the call, where the plain rules make four more bad cycles. The field
        // stays within the Single round-off of the plain rules' one (ulp 7.6e-6 near 125, a
        // few of them gathered over the sweeps, as in the accuracy tests).
        for (bool composite : {false, true}) {
            Problem p = composite ? test::Composite(128) : test::HeatedCylinder(128, 128);
            clsAllgrid_axisym mg;
            Converge(mg, p);
            Problem plain = p;
            clsAllgrid_axisym ref;
            ref.SetFloorStop(false);
            const Outcome o = Call(mg, p);
            EXPECT_EQ(o.status, AllGridStatus::kFloorReached) << composite;
            EXPECT_EQ(mg.CyclesDone(), 1) << composite;
            EXPECT_EQ(Call(ref, plain).status, AllGridStatus::kStalled) << composite;
            EXPECT_EQ(ref.CyclesDone(), 5) << composite;
            for (int i = 0; i < p.nx; ++i)
                for (int j = 0; j < p.nz; ++j)
                    ASSERT_NEAR(p.t(i, j), plain.t(i, j), 1e-4)
                        << composite << " " << i << ", " << j;
        }
    }
    {
        // NInner = 0: the first sweep only, which is what relax_poisson makes of the field.
        Problem p = test::HeatedCylinder(32, 32);
        clsAllgrid_axisym mg;
        const Outcome o = Call(mg, p, 3, 0);
        EXPECT_EQ(o.status, AllGridStatus::kCycleLimit);
        EXPECT_EQ(mg.CyclesDone(), 0);
        EXPECT_EQ(o.rmserror, o.FirstError);
        Problem q = test::HeatedCylinder(32, 32);
        clsAllgrid_axisym ref;
        Storage s = test::Load(ref, q);
        float resrms = 0.0f;
        float rmserror = 0.0f;
        float first = 0.0f;
        ref.relax_poisson(s.u, 32, 32, s.np, s.nl, s.ngrid, 1, resrms, kSlotTemp, kSlotSource,
                          kSlotCondBase, s.nbc, rmserror, first);
        ref.ag_to_square(q.t, s.u, 32, 32, s.np, s.nl, s.ngrid, kSlotTemp);
        EXPECT_EQ(first, o.FirstError);
        for (int i = -1; i <= 32; ++i)
            for (int j = -1; j <= 32; ++j)
                ASSERT_EQ(p.t(i, j), q.t(i, j));

        // NInner = 1: that sweep, then one cycle with twice the two sweeps per smoothing.
        Problem r = test::HeatedCylinder(32, 32);
        Call(mg, r, 3, 1);
        float vrms = 0.0f;
        ref.fas_vcycle(s.u, 32, 32, s.np, s.nl, s.ngrid, 4, resrms, 1, kSlotTemp, kSlotSource,
                       kSlotUtilBase, kSlotCondBase, s.nbc, vrms);
        ref.ag_to_square(q.t, s.u, 32, 32, s.np, s.nl, s.ngrid, kSlotTemp);
        EXPECT_EQ(mg.CycleResiduals().back(), resrms);
        for (int i = -1; i <= 32; ++i)
            for (int j = -1; j <= 32; ++j)
                ASSERT_EQ(r.t(i, j), q.t(i, j));
    }
    {
        // A field that already solves its equations: stop at once, no message.
        Problem p = test::HeatedCylinder(16, 16, 0.01f, 0.0f);
        p.ibcs = {0, 1, 1, 1};
        RecordingFrontEnd fe;
        clsAllgrid_axisym mg(&fe);
        const Outcome o = Call(mg, p);
        EXPECT_EQ(o.status, AllGridStatus::kZeroResidual);
        EXPECT_EQ(o.rmserror, 0.0f);
        EXPECT_EQ(o.FirstError, 0.0f);
        EXPECT_EQ(mg.CyclesDone(), 0);
        EXPECT_TRUE(fe.m_messages.empty());
        EXPECT_EQ(p.t(7, 7), p.tbc);
    }
}

TEST(AllgridCycles, TheLowerClampFollowsTheBoundaryTemperature)
{
    Problem p = test::HeatedCylinder(16, 16);
    p.tbc = 100.0f;
    p.t.Fill(100.0f);
    clsAllgrid_axisym mg;
    Call(mg, p);
    EXPECT_EQ(mg.tmin, 100.0f);
    // A lower boundary temperature later: the field must be free to fall below the old one.
    p.tbc = 25.0f;
    Converge(mg, p);
    EXPECT_EQ(mg.tmin, 25.0f);
    EXPECT_NEAR(p.t(15, 8), CylinderExact(p, p.Radius(15)) + 0.390625 / 4, 1e-4);
}

TEST(AllgridCycles, RelaxedTemperaturesStayWithinTheClamps)
{
    Problem p = test::Composite(32, 0.03f, 0.003f, 5.0f); // hundreds of times too much heat
    clsAllgrid_axisym mg;
    for (int call = 0; call < 3; ++call) {
        const Outcome o = Call(mg, p);
        EXPECT_LE(mg.CyclesDone(), 10);
        EXPECT_TRUE(std::isfinite(o.rmserror));
    }
    for (int i = 0; i < 32; ++i)
        for (int j = 0; j < 32; ++j) {
            ASSERT_GE(p.t(i, j), p.tbc);
            ASSERT_LE(p.t(i, j), mg.tmax);
        }
    EXPECT_EQ(p.t(0, 0), mg.tmax);
}

TEST(AllgridMethods, OtherMethodsAndTheirMessages)
{
    const auto cylinderError = [](const Problem& p) {
        const double h = p.rmax / p.nx;
        return MaxError(
            p, [&](double r) { return CylinderExact(p, r); }, h * h / 4);
    };
    {
        // Correction scheme: corrections are relaxed without the clamp and with homogeneous
        // ghosts, so the cycles converge; the closing text comes once.
        Problem p = test::HeatedCylinder(32, 32);
        RecordingFrontEnd fe;
        clsAllgrid_axisym mg(&fe);
        for (int call = 0; call < 3; ++call)
            EXPECT_TRUE(Solved(Call(mg, p, 2).status));
        EXPECT_EQ(fe.m_messages, std::vector<std::string>(3, std::string(kMsgCsPoisson)));
        // Each call stops once the residual is below 1 % of the source's rms.
        EXPECT_LT(cylinderError(p), 0.01);
    }
    {
        // Plain relaxation in blocks of 100 sweeps, on a grid small enough for it.
        Problem p = test::HeatedCylinder(8, 8);
        RecordingFrontEnd fe;
        clsAllgrid_axisym mg(&fe);
        const Outcome o = Call(mg, p, 4);
        EXPECT_EQ(o.status, AllGridStatus::kTolerance);
        EXPECT_EQ(o.rmserror, -1.0f); // methods other than 3 leave the outputs
        EXPECT_EQ(fe.m_messages, std::vector<std::string>{std::string(kMsgIteratePoisson)});
        EXPECT_LT(cylinderError(p), 1.0); // within 1 % of the 100 K rise, as for method 2
        // A thousand sweeps.
        Problem q = test::HeatedCylinder(8, 8);
        EXPECT_EQ(Call(mg, q, 5).status, AllGridStatus::kCycleLimit);
        EXPECT_LT(cylinderError(q), 1e-3);
        EXPECT_EQ(fe.m_messages.size(), 1u);
    }
    {
        // No source: methods 2 and 4 stop at once, silently, and report zero errors.
        for (std::int16_t method : {2, 4}) {
            Problem p = test::HeatedCylinder(8, 8, 0.01f, 0.0f);
            p.t(3, 3) = 40.0f;
            RecordingFrontEnd fe;
            clsAllgrid_axisym mg(&fe);
            const Outcome o = Call(mg, p, method);
            EXPECT_EQ(o.status, AllGridStatus::kZeroResidual);
            EXPECT_EQ(o.rmserror, 0.0f);
            EXPECT_EQ(o.FirstError, 0.0f);
            EXPECT_TRUE(fe.m_messages.empty());
            EXPECT_EQ(p.t(3, 3), 40.0f);
        }
    }
    {
        // Full multigrid on a grid twice as wide as tall.
        Problem p = test::HeatedCylinder(64, 32);
        RecordingFrontEnd fe;
        clsAllgrid_axisym mg(&fe);
        EXPECT_TRUE(Solved(Call(mg, p, 1).status));
        EXPECT_TRUE(fe.m_messages.empty());
        for (int i = 0; i < 64; ++i)
            for (int j = 0; j < 32; ++j)
                ASSERT_TRUE(p.t(i, j) >= p.tbc && p.t(i, j) <= mg.tmax);
    }
}

TEST(AllgridRefusals, TheFieldComesBackUntouched)
{
    struct Case {
        const char* what;
        std::int16_t nx, nz, method;
        AllGridStatus status;
        std::string_view message;
    };
    const Case cases[] = {
        {"method 6", 16, 16, 6, AllGridStatus::kMethodNotValid, kMsgMethodNotValid},
        {"method 0", 16, 16, 0, AllGridStatus::kMethodNotValid, kMsgMethodNotValid},
        {"nr 45", 45, 64, 3, AllGridStatus::kGridNotSuitable, kMsgGridNotSuitable},
        {"aspect 1.5", 64, 96, 3, AllGridStatus::kGridNotSuitable, kMsgGridNotSuitable},
        {"halved to 5", 5, 5, 3, AllGridStatus::kGridNotSuitable, kMsgGridNotSuitable},
        {"fmg tall", 16, 32, 1, AllGridStatus::kFmgNeedsWideGrid, kMsgFmgNeedsWideGrid},
    };
    for (const Case& k : cases) {
        Problem p = test::HeatedCylinder(k.nx, k.nz);
        p.t(3, 4) = 77.0f;
        p.t(-1, -1) = -5.0f;
        const GhostField<float> before = p.t;
        RecordingFrontEnd fe;
        clsAllgrid_axisym mg(&fe);
        const Outcome o = Call(mg, p, k.method);
        EXPECT_EQ(o.status, k.status) << k.what;
        EXPECT_EQ(fe.m_messages, std::vector<std::string>{std::string(k.message)}) << k.what;
        EXPECT_EQ(o.rmserror, -1.0f) << k.what;
        EXPECT_EQ(o.FirstError, -1.0f) << k.what;
        for (int i = -1; i <= k.nx; ++i)
            for (int j = -1; j <= k.nz; ++j)
                ASSERT_EQ(p.t(i, j), before(i, j)) << k.what;
    }

    // Fields that cannot be used.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const auto refused = [&](auto spoil, AllGridStatus status, std::string_view message) {
        Problem p = test::HeatedCylinder(16, 16);
        spoil(p);
        const GhostField<float> before = p.t;
        RecordingFrontEnd fe;
        clsAllgrid_axisym mg(&fe);
        const Outcome o = Call(mg, p);
        EXPECT_EQ(o.status, status);
        EXPECT_EQ(fe.m_messages, std::vector<std::string>{std::string(message)});
        for (int i = -1; i <= 16; ++i)
            for (int j = -1; j <= 16; ++j) {
                const bool same = p.t(i, j) == before(i, j) ||
                                  (std::isnan(p.t(i, j)) && std::isnan(before(i, j)));
                ASSERT_TRUE(same);
            }
    };
    refused([&](Problem& p) { p.c(4, 4) = nan; }, AllGridStatus::kNotFinite, kMsgNotFinite);
    refused([&](Problem& p) { p.t(-1, 4) = inf; }, AllGridStatus::kNotFinite, kMsgNotFinite);
    refused([&](Problem& p) { p.f(15, 15) = 3e38f; }, AllGridStatus::kNotFinite, kMsgNotFinite);
    refused([&](Problem& p) { p.rmax = 0.0f; }, AllGridStatus::kNotFinite, kMsgNotFinite);
    refused([&](Problem& p) { p.c.Resize(16, 8, 0.01f); }, AllGridStatus::kFieldMismatch,
            kMsgFieldMismatch);
}

TEST(AllgridRefusals, ConductorsThatConductNothing)
{
    // A block of cells with zero conductivity: their faces are 0 and their diagonals too, so
    // they keep their values; nothing becomes NaN and the rest is still solved.
    Problem p = test::HeatedCylinder(32, 32);
    for (int i = 10; i < 14; ++i)
        for (int j = 10; j < 14; ++j)
            p.c(i, j) = 0.0f;
    clsAllgrid_axisym mg;
    for (int call = 0; call < 3; ++call) {
        const Outcome o = Call(mg, p);
        ASSERT_TRUE(std::isfinite(o.rmserror) && std::isfinite(o.FirstError));
    }
    for (int i = -1; i <= 32; ++i)
        for (int j = -1; j <= 32; ++j)
            ASSERT_TRUE(std::isfinite(p.t(i, j)));
    EXPECT_GT(p.t(0, 0), p.tbc + 50.0f);
}

} // namespace
} // namespace tarsen
