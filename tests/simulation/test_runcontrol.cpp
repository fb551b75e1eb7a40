// The search update on a model plant whose answer is known: a thermocouple that rises above the
// boundary in proportion to the power of the trial before, the lag that made the plain update
// swing for ever.
#include "simulation/runcontrol.h"

#include <gtest/gtest.h>

#include <cmath>

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

} // namespace
} // namespace tarsen
