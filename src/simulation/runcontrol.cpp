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

void ThermocoupleDrift::Reset(const std::array<float, 3>& temperatures)
{
    *this = ThermocoupleDrift();
    Observe(temperatures);
}

void ThermocoupleDrift::Observe(const std::array<float, 3>& temperatures)
{
    m_ring[m_next] = temperatures;
    m_next = (m_next + 1) % kKept;
    m_count = std::min(m_count + 1, kKept);
}

double ThermocoupleDrift::Moved(std::size_t a, std::size_t b) const
{
    const std::array<float, 3>& x = m_ring[(m_next + kKept - 1 - a) % kKept];
    const std::array<float, 3>& y = m_ring[(m_next + kKept - 1 - b) % kKept];
    double most = 0.0;
    for (std::size_t k = 0; k < x.size(); ++k)
        most = std::max(most, std::fabs(double(x[k]) - double(y[k])));
    return most;
}

double ThermocoupleDrift::Remaining() const
{
    constexpr double kNever = std::numeric_limits<double>::infinity();
    const std::size_t steps = m_count == 0 ? 0 : m_count - 1;
    if (steps == 0)
        return kNever;
    if (Moved(0, 1) == 0.0 && (steps == 1 || Moved(1, 2) == 0.0))
        return 0.0; // nothing moved, not even by rounding
    double remaining = 0.0;
    bool shrinking = steps >= 2;
    for (std::size_t w = 1; w <= 3 && 2 * w <= steps; ++w) {
        const double d1 = Moved(0, w), d0 = Moved(w, 2 * w);
        const double q = d0 > 0.0 ? d1 / d0 : (d1 > 0.0 ? kNever : 0.0);
        if (!(q < 0.95)) {
            shrinking = false;
            break;
        }
        remaining = std::max(remaining, d1 * q / (1.0 - q));
    }
    if (shrinking)
        return remaining;
    // Rounding noise: six cycles that got no further than half the way they travelled.
    if (steps < 6)
        return kNever;
    double travelled = 0.0;
    for (std::size_t k = 0; k < 6; ++k)
        travelled += Moved(k, k + 1);
    const double net = Moved(0, 6);
    return net <= 0.5 * travelled ? net : kNever;
}

bool ThermocoupleDrift::Still() const
{
    const std::size_t steps = m_count == 0 ? 0 : m_count - 1;
    constexpr auto cycles = static_cast<std::size_t>(kStillCycles);
    if (steps < cycles)
        return false;
    for (std::size_t k = 1; k <= cycles; ++k)
        if (!(Moved(0, k) <= kStillDrift))
            return false;
    return true;
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
