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

#include "solver/allgrid_stencil.h"

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
    decltype(&generic::apply_ghost_rules) ghostRules;
    decltype(&generic::operator_level) operatorLevel;
    decltype(&generic::residual_level) residualLevel;
    decltype(&generic::face_means) faceMeans;
    decltype(&generic::restrict_level) restrictLevel;
    decltype(&generic::prolong_level) prolongLevel;
    decltype(&generic::ordered_sum) orderedSum;
};

#define TARSEN_KERNEL_TABLE(ns)                                                                    \
    KernelTable                                                                                    \
    {                                                                                              \
        &ns::relax_sweeps, &ns::apply_ghost_rules, &ns::operator_level, &ns::residual_level,       \
            &ns::face_means, &ns::restrict_level, &ns::prolong_level, &ns::ordered_sum             \
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

void relax_sweeps(const LevelView& v, const RelaxParams& p, const GhostRules& g, std::int32_t nits,
                  bool wantFirst, bool wantLast, float* q, float& firstSum, float& lastSum)
{
    Current().table->relaxSweeps(v, p, g, nits, wantFirst, wantLast, q, firstSum, lastSum);
}

void operator_level(const LevelView& v, float* out) { Current().table->operatorLevel(v, out); }

void residual_level(const LevelView& v, float* out, float* squares, float* row)
{
    Current().table->residualLevel(v, out, squares, row);
}

void face_means(const float* c, float* fr, float* fz, std::ptrdiff_t W, int nx, int nz,
                bool harmonic)
{
    Current().table->faceMeans(c, fr, fz, W, nx, nz, harmonic);
}

void restrict_level(const float* fine, std::ptrdiff_t Wf, float* coarse, std::ptrdiff_t Wc, int nxc,
                    int nzc)
{
    Current().table->restrictLevel(fine, Wf, coarse, Wc, nxc, nzc);
}

void prolong_level(const float* coarse, std::ptrdiff_t Wc, float* fine, std::ptrdiff_t Wf, int nxc,
                   int nzc)
{
    Current().table->prolongLevel(coarse, Wc, fine, Wf, nxc, nzc);
}

float ordered_sum(float sum, const float* q, std::int32_t n)
{
    return Current().table->orderedSum(sum, q, n);
}

} // namespace tarsen::allgrid
