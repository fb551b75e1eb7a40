// Decisions of the run loop that need nothing but the numbers a cycle leaves behind: when a run
// has reached the precision its Single field allows, the next trial current of the temperature
// search with the safeguards that keep it from oscillating or running away, and whether the
// field at the end of a run can be a steady solution at all.
#pragma once

#include <array>
#include <cstddef>
#include <limits>
#include <optional>

namespace tarsen {

/// Cycles in a row without a new lowest FirstError, and the largest change of any thermocouple
/// in each of them (deg C), after which a run counts as converged at the precision limit.
inline constexpr int kFloorCycles = 6;
inline constexpr float kFloorTemperatureStep = 0.002f;

/// Watches a run cycle by cycle for the floor of its convergence measure. The residual of a
/// field stored in Single precision cannot fall below a level that grows about fourfold with
/// each halving of the cell; a target below it is never reached. The floor counts as reached
/// when FirstError has made no new minimum for kFloorCycles cycles and no thermocouple moved by
/// kFloorTemperatureStep or more in any of them. A converging run makes a new minimum nearly
/// every cycle, so it is never taken for one at its floor.
class PrecisionFloor {
public:
    /// Forgets every cycle seen; call when a run starts.
    void Reset();
    /// One cycle's convergence measure and thermocouple temperatures (finite). Returns true
    /// while the run sits at its floor.
    bool Observe(float firstError, const std::array<float, 3>& temperatures);
    /// The lowest FirstError seen since the last Reset (infinity before any cycle).
    float Lowest() const { return m_lowest; }

private:
    float m_lowest = std::numeric_limits<float>::infinity();
    std::array<float, 3> m_last{};
    bool m_haveLast = false;
    int m_quiet = 0; // cycles in a row without a new minimum and with still thermocouples
};

/// The largest movement of any thermocouple still to come, deg C, with which a run to a residual
/// may count as converged.
inline constexpr double kSettledDrift = 0.003;

/// The same for a run whose cycles are mixed (CycleAcceleration), which leaves no slow creep
/// for the estimate to miss.
inline constexpr double kMixedSettledDrift = 0.001;
/// Cycles, and the largest movement of any thermocouple over them (deg C), that count as
/// standing still: a few steps of Single temperatures near 1000 deg C.
inline constexpr int kStillCycles = 3;
inline constexpr double kStillDrift = 0.0005;

/// Estimates how far the thermocouples will still move as a run goes on. A residual measure says
/// how well the present coefficients are satisfied, not how far the field still has to go: the
/// single-grid sweeps reduce smooth errors slowly, and the conductivities and heat source follow
/// the temperatures cycle by cycle, so a run can meet its residual target while its
/// thermocouples still creep towards their steady values by hundredths of a degree.
///
/// The estimate extrapolates the recent movement as a geometric series: over the last w cycles
/// (w = 1, 2, 3) the thermocouples moved by D1, over the w before by D0, and what is still to
/// come is D1 q / (1 - q) with q = D1 / D0; the largest of the three is taken. Movement that
/// does not shrink (q near 1) counts as unsettled, unless it is only rounding noise: a
/// thermocouple that wanders back and forth over the last six cycles, getting no further than
/// half the way it travelled.
class ThermocoupleDrift {
public:
    /// Starts a run at the thermocouple temperatures it starts from.
    void Reset(const std::array<float, 3>& temperatures);
    /// The temperatures after one more cycle.
    void Observe(const std::array<float, 3>& temperatures);
    /// The estimated movement still to come, deg C (infinity while it cannot be told).
    double Remaining() const;
    bool Settled() const { return Remaining() <= kSettledDrift; }
    /// No thermocouple moved by more than kStillDrift over the last kStillCycles cycles. Only a
    /// run whose slow components are removed as it goes (mixed cycles) may take that for
    /// settled: a plain run can creep by less per cycle and still have far to go.
    bool Still() const;

private:
    static constexpr std::size_t kKept = 7; // the start and six cycles
    /// The largest movement of any thermocouple between the samples back a and back b (a < b).
    double Moved(std::size_t a, std::size_t b) const;
    std::array<std::array<float, 3>, kKept> m_ring{};
    std::size_t m_count = 0; // samples held, at most kKept
    std::size_t m_next = 0;  // where the next sample goes
};

/// Trials in a row without the miss of thermocouple 0 shrinking by at least 1 percent, after
/// which the search gives up.
inline constexpr int kSearchPatience = 30;
/// The largest factor by which one trial may raise or lower the current.
inline constexpr double kSearchCurrentFactor = 2.0;

/// What the search does after a trial.
struct SearchStep {
    enum class Kind {
        NextTrial,     //!< run the next trial at Q
        NegativePower, //!< the target lies at or below the unheated boundary temperature
        NoProgress     //!< the miss has not shrunk for kSearchPatience trials
    };
    Kind kind = Kind::NextTrial;
    float Q = 0.0f; //!< the squared current of the next trial, A^2
};

/// The current search's update. Each trial scales the power by the ratio of the wanted to the
/// present rise of thermocouple 0 above the boundary temperature,
///     Qnew = Q + D Q ((target - tbc) / (T - tbc) - 1),
/// which with D = 1 jumps to the power the last field predicts. The field of one trial lags
/// behind its current (conductivities, resistivities and the press boundary follow the
/// temperature cycle by cycle), so with few cycles per trial this feedback can overshoot for
/// ever. Two safeguards leave a converging search untouched: when the miss changes sign without
/// at least halving, D is halved (down to 1/16 of its start); and no trial after the first
/// changes the current by more than kSearchCurrentFactor either way (which also turns a power
/// that would have to be negative into the largest allowed step down).
class CurrentSearch {
public:
    /// target and baseT in deg C: baseT is the boundary temperature without any heat (tbc, or
    /// 25 with the press, which lifts tbc with the power); damping is D of the first trial.
    CurrentSearch(float target, float damping, float baseT);
    /// The step after a trial that ran at Q (A^2, > 0) and left thermocouple 0 at T with the
    /// boundary at tbc (T > tbc, both finite).
    SearchStep Next(float Q, float T, float tbc);
    /// The damping factor the next update uses.
    float Damping() const { return m_damping; }

private:
    float m_target;
    float m_baseT;
    float m_damping;
    float m_minDamping;
    std::optional<double> m_lastMiss;
    double m_bestMiss = std::numeric_limits<double>::infinity();
    int m_stale = 0;
    int m_trials = 0;
};

/// Why the field at the end of a run is not a steady solution.
enum class FieldVerdict {
    Plausible,          //!< nothing speaks against it
    AtTemperatureLimit, //!< some cell sits at (or beyond) the solver's upper clamp
    HeatImbalance       //!< heat out over heat in is negative, or far from 100 % once converged
};

/// Heat out over heat in (percent) that a converged run may show: outside this band the field is
/// far from the balance a steady state has.
inline constexpr double kConvergedBalanceLow = 50.0;
inline constexpr double kConvergedBalanceHigh = 200.0;

/// Judges the field a run ended with: hottest is its highest interior temperature and tmax the
/// solvers' upper clamp (deg C); balance is heat out over heat in in percent, nothing when too
/// little power is made to form it; converged says the run claims a steady state. A heated field
/// always loses heat through its held sides, so a negative balance is never a solution.
FieldVerdict JudgeField(float hottest, float tmax, std::optional<double> balance, bool converged);

} // namespace tarsen
