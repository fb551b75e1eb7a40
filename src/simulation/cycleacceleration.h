// Faster convergence of a run to its steady field. Each run cycle maps the field it starts from
// to a new one. Near the steady field that map shrinks what is left of the error by a nearly
// constant factor per cycle, which on fine grids comes close to 1: the heat source and the
// conductivities follow the temperatures a cycle late, and multigrid cycles whose residual sits
// at the Single floor remove only part of the smooth error. Mixing the results of the last few
// cycles so that their combined change is smallest (Anderson mixing) removes those slow parts in
// a few cycles. A steady field, which a cycle leaves as it is, stays where it is.
#pragma once

#include <cstddef>
#include <vector>

namespace tarsen {

class CycleAcceleration {
public:
    /// How many earlier cycles are mixed with the latest.
    static constexpr int kDepth = 3;

    /// Forgets every cycle seen.
    void Reset();

    /// One cycle. `change` measures what it changed: the change of the state, or of a summary
    /// of it that leaves out what is only rounding noise (the same length every cycle); `to` is
    /// the state it produced (the same length every cycle). With an earlier cycle remembered,
    /// `to` becomes the mix whose change is smallest and true is returned; otherwise, or when
    /// the mix cannot be formed (changes that are all zero or dependent, values that are not
    /// finite), `to` stays and false is returned. Sums are made in a fixed order, so the mix
    /// does not depend on the number of threads.
    bool Mix(const std::vector<double>& change, std::vector<float>& to);

private:
    /// A buffer of n values, from the spare ones when there is one.
    std::vector<float> Spare(std::size_t n);

    // The remembered cycles' changes and results, oldest first; buffers the results gave back,
    // kept for the next ones (a fine grid's state is megabytes).
    std::vector<std::vector<double>> m_change;
    std::vector<std::vector<float>> m_result;
    std::vector<std::vector<float>> m_spare;
};

} // namespace tarsen
