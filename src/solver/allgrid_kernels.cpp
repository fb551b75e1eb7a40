// Row kernels of the multigrid solver, compiled from allgrid_kernels_impl.h once for the
// baseline instruction set and, with GCC on x86-64, once each for AVX2 and AVX-512; the best
// the processor has is chosen at the first call. Every copy does the same IEEE double operations
// in the same order (no fused multiply-add: -ffp-contract=off), so the results do not depend on
// the choice.
#if defined(__GNUC__) && !defined(__clang__)
// The vector types passed between the inline helpers are never an external interface.
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
    decltype(&generic::relax_row_redblack) relaxRedBlack;
    decltype(&generic::relax_row_lexicographic) relaxLexicographic;
    decltype(&generic::operator_row) operatorRow;
    decltype(&generic::residual_row) residualRow;
    decltype(&generic::ordered_sum) orderedSum;
};

constexpr KernelTable kGeneric{&generic::relax_row_redblack, &generic::relax_row_lexicographic,
                               &generic::operator_row, &generic::residual_row,
                               &generic::ordered_sum};
#if TARSEN_MULTI_ISA
constexpr KernelTable kAvx2{&avx2::relax_row_redblack, &avx2::relax_row_lexicographic,
                            &avx2::operator_row, &avx2::residual_row, &avx2::ordered_sum};
constexpr KernelTable kAvx512{&avx512::relax_row_redblack, &avx512::relax_row_lexicographic,
                              &avx512::operator_row, &avx512::residual_row, &avx512::ordered_sum};
#endif

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

void relax_row_redblack(float* t, const float* s, const float* kr, const float* kz,
                        std::ptrdiff_t W, int first, int nx, const double* rc, const double* rp,
                        const double* rm, const RelaxParams& p, float* q)
{
    Current().table->relaxRedBlack(t, s, kr, kz, W, first, nx, rc, rp, rm, p, q);
}

void relax_row_lexicographic(float* t, const float* s, const float* kr, const float* kz,
                             std::ptrdiff_t W, int nx, const double* rc, const double* rp,
                             const double* rm, const RelaxParams& p, float* q)
{
    Current().table->relaxLexicographic(t, s, kr, kz, W, nx, rc, rp, rm, p, q);
}

void operator_row(const float* t, const float* kr, const float* kz, std::ptrdiff_t W, int nx,
                  const double* rc, const double* rp, const double* rm, double h2inv, float* out)
{
    Current().table->operatorRow(t, kr, kz, W, nx, rc, rp, rm, h2inv, out);
}

void residual_row(const float* t, const float* s, const float* kr, const float* kz,
                  std::ptrdiff_t W, int nx, const double* rc, const double* rp, const double* rm,
                  double h2inv, float* out, float* q)
{
    Current().table->residualRow(t, s, kr, kz, W, nx, rc, rp, rm, h2inv, out, q);
}

float ordered_sum(float sum, const float* q, std::int32_t n)
{
    return Current().table->orderedSum(sum, q, n);
}

} // namespace tarsen::allgrid
