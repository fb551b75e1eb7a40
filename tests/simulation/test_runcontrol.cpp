// The search update on a model plant whose answer is known: a thermocouple that rises above the
// boundary in proportion to the power of the trial before, the lag that made the plain update
// swing for ever. The drift estimate on thermocouples that approach their steady values as the
// solvers make them: geometrically, slowly, or wandering in rounding noise. The mixing of
// cycles on a linear cycle with slow modes.
#include "simulation/cycleacceleration.h"
#include "simulation/runcontrol.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

namespace tarsen {
namespace {

TEST(CurrentSearch, SettlesWhereTheUndampedUpdateSwingsAndGivesUpOnADeadPlant)
{
    // T = tbc + g Q_(k-1): each trial reads the field of the power before. The plain update
    // with D = 1 then only alternates between two powers; the safeguards must settle on
    // Q = (target - tbc) / g.
    const float tbc = 25.0f, target = 1200.0f;
    const double g = 0.02; // deg C per A^2
    CurrentSearch search(target, 1.0f, tbc);
    float Q = 10000.0f, Qlast = 2000.0f;
    int trials = 0;
    for (; trials < 200; ++trials) {
        const float T = static_cast<float>(tbc + g * Qlast);
        if (std::fabs(T - target) < 0.1f)
            break;
        const SearchStep step = search.Next(Q, T, tbc);
        ASSERT_EQ(step.kind, SearchStep::Kind::NextTrial);
        Qlast = Q;
        Q = step.Q;
    }
    EXPECT_LT(trials, 100);
    EXPECT_NEAR(Q, (target - tbc) / g, 0.001 * (target - tbc) / g);
    EXPECT_LT(search.Damping(), 1.0f);

    // A thermocouple that does not answer to the current: the search stops by itself.
    CurrentSearch dead(target, 1.0f, tbc);
    SearchStep step;
    int n = 0;
    while (step.kind == SearchStep::Kind::NextTrial && n < 1000) {
        step = dead.Next(Q, 500.0f, tbc);
        Q = step.kind == SearchStep::Kind::NextTrial ? step.Q : Q;
        ++n;
    }
    EXPECT_EQ(step.kind, SearchStep::Kind::NoProgress);
    EXPECT_EQ(n, kSearchPatience + 1);

    // A target at or below the unheated boundary needs a negative power.
    EXPECT_EQ(CurrentSearch(20.0f, 1.0f, tbc).Next(Q, 600.0f, tbc).kind,
              SearchStep::Kind::NegativePower);
}

TEST(ThermocoupleDrift, TellsARunStillOnItsWayFromOneAtItsSteadyValue)
{
    // T_k = 1000 - 1 * q^k: after k cycles the thermocouples still have q^k deg C to go.
    auto approach = [](double q, int cycles) {
        ThermocoupleDrift drift;
        auto at = [q](int k) {
            const float t = static_cast<float>(1000.0 - std::pow(q, k));
            return std::array<float, 3>{t, t - 50.0f, t - 200.0f};
        };
        drift.Reset(at(0));
        for (int k = 1; k <= cycles; ++k)
            drift.Observe(at(k));
        return drift;
    };
    // Fast and moderate convergence: the estimate is close to what is left.
    for (const double q : {0.3, 0.7}) {
        for (const int k : {4, 8, 12}) {
            const double left = std::pow(q, k);
            if (left < 1e-3)
                continue;
            EXPECT_NEAR(approach(q, k).Remaining(), left, 0.25 * left) << q << " " << k;
        }
    }
    EXPECT_FALSE(approach(0.7, 12).Settled()); // 0.014 deg C to go
    EXPECT_TRUE(approach(0.3, 8).Settled());
    // A slow creep never counts as settled while it moves, however small each step.
    EXPECT_FALSE(approach(0.98, 200).Settled()); // 0.018 to go, 0.0004 per cycle
    // Too few cycles to tell.
    EXPECT_FALSE(approach(0.3, 1).Settled());

    // Rounding noise around a steady value settles after six cycles; a field that does not
    // change at all at once.
    ThermocoupleDrift noise;
    const std::array<float, 3> steady{1159.4376f, 1168.5265f, 1080.632f};
    noise.Reset(steady);
    const float wobble[] = {2e-4f, -1e-4f, 3e-4f, 0.0f, -2e-4f, 1e-4f};
    for (int k = 0; k < 6; ++k) {
        EXPECT_FALSE(noise.Settled()) << k;
        noise.Observe({steady[0] + wobble[k], steady[1] - wobble[k], steady[2]});
    }
    EXPECT_TRUE(noise.Settled());
    ThermocoupleDrift still;
    still.Reset(steady);
    still.Observe(steady);
    EXPECT_EQ(still.Remaining(), 0.0);
}

TEST(CycleAcceleration, MixingRemovesSlowModesAndLeavesASteadyStateWhereItIs)
{
    // A linear cycle x -> a x + b over 64 values whose modes shrink by 0.3 to 0.97 per cycle
    // (the slow ones are what a run's creep is made of); its steady state is b / (1 - a).
    const std::size_t n = 64;
    std::vector<double> a(n), b(n), steady(n);
    for (std::size_t k = 0; k < n; ++k) {
        a[k] = k % 4 == 0 ? 0.97 : k % 4 == 1 ? 0.9 : k % 4 == 2 ? 0.6 : 0.3;
        b[k] = 10.0 + double(k % 7);
        steady[k] = b[k] / (1.0 - a[k]);
    }
    const auto error = [&](const std::vector<float>& x) {
        double most = 0.0;
        for (std::size_t k = 0; k < n; ++k)
            most = std::max(most, std::fabs(double(x[k]) - steady[k]));
        return most;
    };
    const auto run = [&](bool mixed, int cycles) {
        CycleAcceleration acceleration;
        std::vector<float> x(n, 25.0f), y(n);
        for (int c = 0; c < cycles; ++c) {
            std::vector<double> change(n);
            for (std::size_t k = 0; k < n; ++k) {
                y[k] = static_cast<float>(a[k] * x[k] + b[k]);
                change[k] = double(y[k]) - double(x[k]);
            }
            if (mixed)
                acceleration.Mix(change, y);
            x = y;
        }
        return x;
    };
    const double start = error(std::vector<float>(n, 25.0f));
    EXPECT_GT(error(run(false, 15)), 0.5 * start); // the plain cycle has far to go
    EXPECT_LT(error(run(true, 15)), 1e-5 * start);

    // A state the cycle leaves as it is stays; a change that is not finite is not mixed in.
    CycleAcceleration acceleration;
    std::vector<float> x(steady.begin(), steady.end());
    for (int c = 0; c < 3; ++c) {
        std::vector<float> y = x;
        acceleration.Mix(std::vector<double>(n, 0.0), y);
        EXPECT_EQ(y, x);
    }
    std::vector<float> y = x;
    y[5] = std::numeric_limits<float>::quiet_NaN();
    EXPECT_FALSE(acceleration.Mix(std::vector<double>(n, 1.0), y));
}

} // namespace
} // namespace tarsen
