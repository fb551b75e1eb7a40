#include "simulation/runcontrol.h"

#include "common/numeric.h"

#include <algorithm>
#include <cmath>

namespace tarsen {

void PrecisionFloor::Reset() { *this = PrecisionFloor(); }

bool PrecisionFloor::Observe(float firstError, const std::array<float, 3>& temperatures)
{
    const bool lower = firstError < m_lowest;
    if (lower)
        m_lowest = firstError;
    bool still = m_haveLast;
    for (std::size_t k = 0; k < temperatures.size() && still; ++k)
        still =
            std::fabs(double(temperatures[k]) - double(m_last[k])) < double(kFloorTemperatureStep);
    m_last = temperatures;
    m_haveLast = true;
    m_quiet = lower || !still ? 0 : m_quiet + 1;
    return m_quiet >= kFloorCycles;
}

CurrentSearch::CurrentSearch(float target, float damping, float baseT)
    : m_target(target), m_baseT(baseT), m_damping(damping), m_minDamping(damping / 16.0f)
{}

SearchStep CurrentSearch::Next(float Q, float T, float tbc)
{
    SearchStep step;
    const double miss = double(T) - double(m_target);
    // An overshoot that did not at least halve the miss: the feedback is too strong for the
    // lag of the field, so the next updates move less.
    if (m_lastMiss && (miss > 0.0) != (*m_lastMiss > 0.0) &&
        std::fabs(miss) > 0.5 * std::fabs(*m_lastMiss))
        m_damping = std::max(m_minDamping, m_damping / 2.0f);
    m_lastMiss = miss;
    if (std::fabs(miss) < 0.99 * m_bestMiss) {
        m_bestMiss = std::fabs(miss);
        m_stale = 0;
    } else if (++m_stale >= kSearchPatience) {
        step.kind = SearchStep::Kind::NoProgress;
        return step;
    }

    if (!(double(m_target) > double(m_baseT))) {
        step.kind = SearchStep::Kind::NegativePower;
        return step;
    }
    // The power is scaled by the ratio of the wanted to the present rise above tbc. With the
    // press the boundary itself rises with the power and can pass the target on the way; the
    // limit below then lowers the current as far as one trial may.
    const double rise = double(T) - double(tbc);
    const double wanted = double(m_target) - double(tbc);
    const double q = double(Q);
    double next = q + double(m_damping) * q * (wanted / rise - 1.0);
    // The first update is taken as it comes; later ones are limited.
    const double f2 = kSearchCurrentFactor * kSearchCurrentFactor;
    if (!std::isfinite(next))
        next = miss > 0.0 ? q / f2 : q * f2;
    if (++m_trials > 1)
        next = std::clamp(next, q / f2, q * f2);
    else if (!(next > 0.0))
        next = q / f2;
    step.Q = Sng(next);
    return step;
}

FieldVerdict JudgeField(float hottest, float tmax, std::optional<double> balance, bool converged)
{
    if (hottest >= tmax)
        return FieldVerdict::AtTemperatureLimit;
    if (balance && (*balance < 0.0 || (converged && (*balance < kConvergedBalanceLow ||
                                                     *balance > kConvergedBalanceHigh))))
        return FieldVerdict::HeatImbalance;
    return FieldVerdict::Plausible;
}

} // namespace tarsen
