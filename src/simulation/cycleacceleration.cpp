#include "simulation/cycleacceleration.h"

#include "common/numeric.h"
#include "common/parallel.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

namespace tarsen {

namespace {

constexpr int kDepth = CycleAcceleration::kDepth;
constexpr std::size_t kParallelValues = 16384; // fewer values stay on the calling thread
using Matrix = std::array<std::array<double, kDepth>, kDepth>;
using Vector = std::array<double, kDepth>;

/// Solves a x = b for the symmetric positive definite a of order n (Cholesky); false when a is
/// not positive definite.
bool SolveSymmetric(Matrix a, Vector& x, int n)
{
    for (int j = 0; j < n; ++j) {
        double d = a[j][j];
        for (int k = 0; k < j; ++k)
            d -= a[j][k] * a[j][k];
        if (!(d > 0.0))
            return false;
        a[j][j] = std::sqrt(d);
        for (int i = j + 1; i < n; ++i) {
            double s = a[i][j];
            for (int k = 0; k < j; ++k)
                s -= a[i][k] * a[j][k];
            a[i][j] = s / a[j][j];
        }
    }
    for (int i = 0; i < n; ++i) {
        for (int k = 0; k < i; ++k)
            x[i] -= a[i][k] * x[k];
        x[i] /= a[i][i];
    }
    for (int i = n - 1; i >= 0; --i) {
        for (int k = i + 1; k < n; ++k)
            x[i] -= a[k][i] * x[k];
        x[i] /= a[i][i];
    }
    return true;
}

} // namespace

void CycleAcceleration::Reset()
{
    m_change.clear();
    for (std::vector<float>& r : m_result)
        m_spare.push_back(std::move(r));
    m_result.clear();
}

bool CycleAcceleration::Mix(const std::vector<double>& change, std::vector<float>& to)
{
    if (!m_change.empty() &&
        (m_change.back().size() != change.size() || m_result.back().size() != to.size()))
        Reset();
    // With d_i = change - change_i over the remembered cycles i, the weights g minimise
    // |change - sum g_i d_i|, and the mixed state is to - sum g_i (to - result_i).
    const int m = static_cast<int>(m_change.size());
    bool mixed = false;
    if (m > 0) {
        Matrix a{};
        Vector b{};
        for (std::size_t k = 0; k < change.size(); ++k) {
            Vector d{};
            for (int i = 0; i < m; ++i)
                d[i] = change[k] - m_change[static_cast<std::size_t>(i)][k];
            for (int i = 0; i < m; ++i) {
                for (int j = 0; j <= i; ++j)
                    a[i][j] += d[i] * d[j];
                b[i] += d[i] * change[k];
            }
        }
        double trace = 0.0;
        for (int i = 0; i < m; ++i) {
            for (int j = 0; j < i; ++j)
                a[j][i] = a[i][j];
            trace += a[i][i];
        }
        // A slight damping keeps nearly dependent changes from giving huge weights.
        for (int i = 0; i < m; ++i)
            a[i][i] += 1e-10 * trace;
        Vector g = b;
        if (trace > 0.0 && std::isfinite(trace) && SolveSymmetric(a, g, m)) {
            const std::size_t n = to.size();
            std::vector<float> next = Spare(n);
            std::array<int, kRowBlocks> finite{};
            const auto part = [&](int blk) {
                const RowRange r = RowsOfBlock(static_cast<int>(n), kRowBlocks, blk);
                bool ok = true;
                for (int k = r.begin; k < r.end; ++k) {
                    const auto kk = static_cast<std::size_t>(k);
                    double v = to[kk];
                    for (int i = 0; i < m; ++i)
                        v -= g[i] *
                             (double(to[kk]) - double(m_result[static_cast<std::size_t>(i)][kk]));
                    next[kk] = Sng(v);
                    ok = ok && std::isfinite(next[kk]);
                }
                finite[static_cast<std::size_t>(blk)] = ok ? 1 : 0;
            };
            if (n < kParallelValues)
                for (int blk = 0; blk < kRowBlocks; ++blk)
                    part(blk);
            else
                ParallelFor(kRowBlocks, part);
            mixed = true;
            for (int ok : finite)
                mixed = mixed && ok != 0;
            if (mixed) {
                m_change.push_back(change);
                m_result.push_back(std::move(to));
                to = std::move(next);
            } else {
                m_spare.push_back(std::move(next));
            }
        }
        if (!mixed)
            Reset();
    }
    if (!mixed) {
        m_change.push_back(change);
        std::vector<float> kept = Spare(to.size());
        std::copy(to.begin(), to.end(), kept.begin());
        m_result.push_back(std::move(kept));
    }
    if (static_cast<int>(m_change.size()) > kDepth) {
        m_change.erase(m_change.begin());
        m_spare.push_back(std::move(m_result.front()));
        m_result.erase(m_result.begin());
    }
    return mixed;
}

std::vector<float> CycleAcceleration::Spare(std::size_t n)
{
    std::vector<float> v;
    if (!m_spare.empty()) {
        v = std::move(m_spare.back());
        m_spare.pop_back();
    }
    v.resize(n);
    return v;
}

} // namespace tarsen
