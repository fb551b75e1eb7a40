// Level kernels of the multigrid solver, compiled from allgrid_kernels_impl.h once for the
// baseline instruction set and, with GCC on x86-64, once each for AVX2 and AVX-512; the best
// the processor has is chosen at the first call. Every copy does the same IEEE double operations
// in the same order (no fused multiply-add: -ffp-contract=off), so the results do not depend on
// the choice.
// The vector types passed between the inline helpers are never an external interface.
#if defined(__clang__)
#pragma clang diagnostic ignored "-Wpsabi"
#elif defined(__GNUC__)
#pragma GCC diagnostic ignored "-Wpsabi"
#endif

#include "solver/allgrid_kernels.h"

#include "common/parallel.h"
#include "solver/allgrid_stencil.h"

#include <algorithm>

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define TARSEN_MULTI_ISA 1
#else
#define TARSEN_MULTI_ISA 0
#endif

#define TARSEN_KERNEL_NS generic
#define TARSEN_KERNEL_TARGET
#define TARSEN_VW 4
#include "solver/allgrid_kernels_impl.h"
#undef TARSEN_KERNEL_NS
#undef TARSEN_KERNEL_TARGET
#undef TARSEN_VW

#if TARSEN_MULTI_ISA
#define TARSEN_KERNEL_NS avx2
#define TARSEN_KERNEL_TARGET __attribute__((target("arch=x86-64-v3")))
#define TARSEN_VW 4
#include "solver/allgrid_kernels_impl.h"
#undef TARSEN_KERNEL_NS
#undef TARSEN_KERNEL_TARGET
#undef TARSEN_VW

#define TARSEN_KERNEL_NS avx512
#define TARSEN_KERNEL_TARGET __attribute__((target("arch=x86-64-v4")))
#define TARSEN_VW 8
#include "solver/allgrid_kernels_impl.h"
#undef TARSEN_KERNEL_NS
#undef TARSEN_KERNEL_TARGET
#undef TARSEN_VW
#endif

namespace tarsen::allgrid {

namespace {

struct KernelTable {
    decltype(&generic::relax_sweeps) relaxSweeps;
    decltype(&generic::relax_colour_rows) relaxColourRows;
    decltype(&generic::apply_ghost_rules) ghostRules;
    decltype(&generic::operator_rows) operatorRows;
    decltype(&generic::residual_rows) residualRows;
    decltype(&generic::face_rows) faceRows;
    decltype(&generic::restrict_rows) restrictRows;
    decltype(&generic::prolong_rows) prolongRows;
    decltype(&generic::prolong_add_rows) prolongAddRows;
    decltype(&generic::operator_add_rows) operatorAddRows;
    decltype(&generic::ordered_sum) orderedSum;
};

#define TARSEN_KERNEL_TABLE(ns)                                                                    \
    KernelTable                                                                                    \
    {                                                                                              \
        &ns::relax_sweeps, &ns::relax_colour_rows, &ns::apply_ghost_rules, &ns::operator_rows,     \
            &ns::residual_rows, &ns::face_rows, &ns::restrict_rows, &ns::prolong_rows,             \
            &ns::prolong_add_rows, &ns::operator_add_rows, &ns::ordered_sum                        \
    }
constexpr KernelTable kGeneric = TARSEN_KERNEL_TABLE(generic);
#if TARSEN_MULTI_ISA
constexpr KernelTable kAvx2 = TARSEN_KERNEL_TABLE(avx2);
constexpr KernelTable kAvx512 = TARSEN_KERNEL_TABLE(avx512);
#endif
#undef TARSEN_KERNEL_TABLE

const KernelTable& TableOf(KernelIsa isa)
{
#if TARSEN_MULTI_ISA
    if (isa == KernelIsa::kAvx512)
        return kAvx512;
    if (isa == KernelIsa::kAvx2)
        return kAvx2;
#endif
    (void)isa;
    return kGeneric;
}

struct Active {
    KernelIsa isa;
    const KernelTable* table;
};

KernelIsa Best()
{
    if (KernelIsaSupported(KernelIsa::kAvx512))
        return KernelIsa::kAvx512;
    if (KernelIsaSupported(KernelIsa::kAvx2))
        return KernelIsa::kAvx2;
    return KernelIsa::kGeneric;
}

Active& Current()
{
    static Active active{Best(), &TableOf(Best())};
    return active;
}

} // namespace

bool KernelIsaSupported(KernelIsa isa)
{
    switch (isa) {
    case KernelIsa::kGeneric:
        return true;
#if TARSEN_MULTI_ISA
    case KernelIsa::kAvx2:
        __builtin_cpu_init();
        return __builtin_cpu_supports("x86-64-v3");
    case KernelIsa::kAvx512:
        __builtin_cpu_init();
        return __builtin_cpu_supports("x86-64-v4");
#else
    case KernelIsa::kAvx2:
    case KernelIsa::kAvx512:
        return false;
#endif
    }
    return false;
}

KernelIsa ActiveKernelIsa() { return Current().isa; }

bool SelectKernelIsa(KernelIsa isa)
{
    if (!KernelIsaSupported(isa))
        return false;
    Current() = Active{isa, &TableOf(isa)};
    return true;
}

void apply_ghost_rules(float* t, std::ptrdiff_t W, int nx, int nz, const GhostRules& g)
{
    Current().table->ghostRules(t, W, nx, nz, g);
}

namespace {

// Rough cost of the kernels on one thread, in nanoseconds per value of the rows they pass
// over, from which the pool judges whether a loop repays waking its threads.
constexpr double kRelaxHalfNs = 1.0; // a colour in half of the rows: a quarter of their cells
constexpr double kStencilNs = 1.0;   // operator, residual
constexpr double kFaceNs = 1.5;      // two means, with a division each
constexpr double kTransferNs = 0.4;  // restriction, prolongation

/// Nanoseconds of values values at ns each.
std::int64_t work_ns(std::ptrdiff_t values, double ns)
{
    return static_cast<std::int64_t>(double(values) * ns);
}

/// count rows, cut into the fixed number of blocks; body(first row, end row) for each block,
/// on the thread pool when the level is large enough to repay the hand-over. ns: the cost per
/// value of the rows.
template <class Body>
void for_row_blocks(int count, std::ptrdiff_t rowLength, double ns, const Body& body)
{
    if (count <= 0)
        return;
    const int blocks = std::min(kRowBlocks, count);
    if (blocks < 2 || count * rowLength < kParallelCells) {
        body(0, count);
        return;
    }
    ParallelFor(blocks, work_ns(count * rowLength, ns), [&](int b) {
        const RowRange rows = RowsOfBlock(count, blocks, b);
        body(rows.begin, rows.end);
    });
}

} // namespace

void relax_sweeps(const LevelView& v, const RelaxParams& p, const GhostRules& g, std::int32_t nits,
                  bool wantFirst, bool wantLast, float* q, float& firstSum, float& lastSum)
{
    const KernelTable& k = *Current().table;
    const int blocks = std::min(kRowBlocks, v.nz);
    if (!p.redBlack || blocks < 2 || std::ptrdiff_t{v.nz} * v.W < kParallelCells) {
        k.relaxSweeps(v, p, g, nits, wantFirst, wantLast, q, firstSum, lastSum);
        return;
    }
    // Within one colour pass every cell reads only cells of the other colour, so its rows may
    // be relaxed in any order and the values do not depend on it. The blocks of rows go in two
    // halves, the even blocks and then the odd ones, so that no row is written while a thread
    // reads it as a neighbour (a row's vector stores rewrite the other colour's values as they
    // are). The squares of each pass land at their places in the order of the serial sweep and
    // are summed in that order.
    k.ghostRules(v.t, v.W, v.nx, v.nz, g);
    const std::int64_t halfWork = work_ns(std::ptrdiff_t{v.nz} * v.W / 2, kRelaxHalfNs);
    const std::int32_t perColour[2] = {
        static_cast<std::int32_t>(((v.nx + 1) / 2) * ((v.nz + 1) / 2) + (v.nx / 2) * (v.nz / 2)),
        static_cast<std::int32_t>((v.nx / 2) * ((v.nz + 1) / 2) + ((v.nx + 1) / 2) * (v.nz / 2))};
    for (std::int32_t iteration = 1; iteration <= nits; ++iteration) {
        const bool first = iteration == 1 && wantFirst;
        const bool last = iteration == nits && wantLast;
        float* squares = (first || last) ? q : nullptr;
        float sum = 0.0f;
        for (int colour = 0; colour <= 1; ++colour) {
            for (int half = 0; half <= 1; ++half)
                ParallelFor((blocks + 1 - half) / 2, halfWork, [&](int b) {
                    const RowRange rows = RowsOfBlock(v.nz, blocks, 2 * b + half);
                    k.relaxColourRows(v, p, colour, rows.begin, rows.end, squares);
                });
            if (squares)
                sum = k.orderedSum(sum, squares, perColour[colour]);
        }
        k.ghostRules(v.t, v.W, v.nx, v.nz, g);
        if (first)
            firstSum = sum;
        if (last)
            lastSum = sum;
    }
}

void operator_level(const LevelView& v, float* out)
{
    const KernelTable& k = *Current().table;
    for_row_blocks(v.nz, v.W, kStencilNs, [&](int j0, int j1) { k.operatorRows(v, out, j0, j1); });
}

void operator_add_level(const LevelView& v, float* sum, float* copy)
{
    const KernelTable& k = *Current().table;
    for_row_blocks(v.nz, v.W, kStencilNs,
                   [&](int j0, int j1) { k.operatorAddRows(v, sum, copy, j0, j1); });
    std::copy(v.t - v.W - 1, v.t - v.W + v.nx + 1, copy - v.W - 1); // the ghost rows
    std::copy(v.t + v.nz * v.W - 1, v.t + v.nz * v.W + v.nx + 1, copy + v.nz * v.W - 1);
}

void residual_level(const LevelView& v, float* out, float* squares, float* row)
{
    const KernelTable& k = *Current().table;
    if (squares) { // one row of scratch: a single pass
        k.residualRows(v, out, squares, row, 0, v.nz);
        return;
    }
    for_row_blocks(v.nz, v.W, kStencilNs,
                   [&](int j0, int j1) { k.residualRows(v, out, nullptr, nullptr, j0, j1); });
}

void face_means(const float* c, float* fr, float* fz, std::ptrdiff_t W, int nx, int nz,
                bool harmonic)
{
    const KernelTable& k = *Current().table;
    for_row_blocks(nz + 1, W, kFaceNs,
                   [&](int j0, int j1) { k.faceRows(c, fr, fz, W, nx, harmonic, j0, j1); });
}

void restrict_level(const float* fine, std::ptrdiff_t Wf, float* coarse, std::ptrdiff_t Wc, int nxc,
                    int nzc)
{
    const KernelTable& k = *Current().table;
    for_row_blocks(nzc, 4 * Wc, kTransferNs,
                   [&](int j0, int j1) { k.restrictRows(fine, Wf, coarse, Wc, nxc, j0, j1); });
}

void prolong_level(const float* coarse, std::ptrdiff_t Wc, float* fine, std::ptrdiff_t Wf, int nxc,
                   int nzc)
{
    const KernelTable& k = *Current().table;
    for_row_blocks(2 * nzc + 2, Wf, kTransferNs, [&](int j0, int j1) {
        k.prolongRows(coarse, Wc, fine, Wf, nxc, j0 - 1, j1 - 1);
    });
}

void prolong_add_level(const float* coarse, std::ptrdiff_t Wc, float* fine, std::ptrdiff_t Wf,
                       int nxc, int nzc)
{
    const KernelTable& k = *Current().table;
    for_row_blocks(2 * nzc + 2, Wf, kTransferNs, [&](int j0, int j1) {
        k.prolongAddRows(coarse, Wc, fine, Wf, nxc, j0 - 1, j1 - 1);
    });
}

float ordered_sum(float sum, const float* q, std::int32_t n)
{
    return Current().table->orderedSum(sum, q, n);
}

} // namespace tarsen::allgrid
