// Row kernels of the multigrid solver. The red/black row is written with the compiler's generic
// vector types: a block of four cells of one colour spans eight consecutive values of a row, so
// one load gives the cells (even lanes) and their neighbours at i + 1 (odd lanes), and the west
// neighbours are the odd lanes shifted by one, carried from the previous block (reloading them
// would read across the block just stored and stall the store forwarding). The other colour's
// values are written back unchanged with the new ones. Arithmetic is the double arithmetic of
// allgrid_stencil.h lane by lane, so the vector path and the scalar tail give identical bits.
#if defined(__GNUC__) && !defined(__clang__)
// Passing the vector types between the inline helpers below is never an external interface.
#pragma GCC diagnostic ignored "-Wpsabi"
#endif

#include "solver/allgrid_kernels.h"

#include "solver/allgrid_stencil.h"

#include <cfloat>
#include <cmath>
#include <cstring>

// The hot kernels are compiled for AVX2 and for the baseline instruction set, chosen when the
// program loads; no fused multiply-add is formed (-ffp-contract=off), so both give the same
// results. Not under the sanitizers, whose start-up runs after the choice is made.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) &&                             \
    !defined(__SANITIZE_ADDRESS__)
#define TARSEN_ALLGRID_CLONES __attribute__((target_clones("arch=x86-64-v3", "default")))
#else
#define TARSEN_ALLGRID_CLONES
#endif

#define TARSEN_INLINE inline __attribute__((always_inline))

namespace tarsen::allgrid {

namespace {

typedef double vd __attribute__((vector_size(32)));    // 4 cells in double
typedef long long vm __attribute__((vector_size(32))); // their masks
typedef float vf4 __attribute__((vector_size(16)));    // 4 cells in Single
typedef int vm4 __attribute__((vector_size(16)));      // their masks
typedef float vf8 __attribute__((vector_size(32)));    // 8 consecutive values of a row

TARSEN_INLINE vf8 load8(const float* p)
{
    vf8 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
TARSEN_INLINE vd load4d(const double* p)
{
    vd v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
TARSEN_INLINE vd even(vf8 a)
{
    return __builtin_convertvector(__builtin_shufflevector(a, a, 0, 2, 4, 6), vd);
}
TARSEN_INLINE vd odd(vf8 a)
{
    return __builtin_convertvector(__builtin_shufflevector(a, a, 1, 3, 5, 7), vd);
}
TARSEN_INLINE vd broadcast(double x) { return vd{x, x, x, x}; }
TARSEN_INLINE vf4 broadcast4(float x) { return vf4{x, x, x, x}; }
TARSEN_INLINE vf4 select4(vm4 m, vf4 a, vf4 b) { return (vf4)((m & (vm4)a) | (~m & (vm4)b)); }
TARSEN_INLINE vm4 finite4(vf4 x)
{
    const vm4 exponent = (vm4)x & 0x7f800000;
    return exponent != 0x7f800000;
}

/// The update of one cell, shared by the scalar paths: returns the stored value and sets q2.
TARSEN_INLINE float relax_cell(const float* t, const float* s, const float* kr, const float* kz,
                               std::ptrdiff_t W, int i, double rc, double rp, double rm,
                               const RelaxParams& p, float& q2)
{
    const double T = t[i];
    double L = 0.0;
    double D = 0.0;
    poisson_stencil<double>(T, t[i - 1], t[i + 1], t[i + W], t[i - W], kr[i], kr[i + 1], kz[i],
                            kz[i + W], rc, rp, rm, p.h2inv, L, D);
    const double R = L - double(s[i]);
    float x = static_cast<float>(relaxed_value<double>(T, R, D, p.omega));
    if (p.clamp)
        x = x > p.tmax ? p.tmax : (x < p.tmin ? p.tmin : x);
    q2 = static_cast<float>(R * R);
    const bool ok = D > 0.0 && D <= DBL_MAX && std::isfinite(x);
    return ok ? x : t[i];
}

} // namespace

TARSEN_ALLGRID_CLONES
void relax_row_redblack(float* t, const float* s, const float* kr, const float* kz,
                        std::ptrdiff_t W, int first, int nx, const double* rc, const double* rp,
                        const double* rm, const RelaxParams& p, float* q)
{
    const vd h2 = broadcast(p.h2inv);
    const vd om = broadcast(p.omega);
    const vf4 vmax = broadcast4(p.tmax);
    const vf4 vmin = broadcast4(p.tmin);
    int i = first;
    int k = 0;
    // Lane 3 carries t(i - 1) of the block's first cell.
    vd eprev = broadcast(double(t[i - 1]));
    for (; i + 7 <= nx; i += 8, k += 4) {
        const vf8 row = load8(t + i);
        const vd T = even(row);
        const vd E = odd(row);
        const vd Wv = __builtin_shufflevector(eprev, E, 3, 4, 5, 6);
        eprev = E;
        const vf8 faceR = load8(kr + i);
        vd L;
        vd D;
        poisson_stencil<vd>(T, Wv, E, even(load8(t + i + W)), even(load8(t + i - W)), even(faceR),
                            odd(faceR), even(load8(kz + i)), even(load8(kz + i + W)),
                            load4d(rc + k), load4d(rp + k), load4d(rm + k), h2, L, D);
        const vd R = L - even(load8(s + i));
        vf4 x = __builtin_convertvector(relaxed_value<vd>(T, R, D, om), vf4);
        if (p.clamp)
            x = select4(x > vmax, vmax, select4(x < vmin, vmin, x));
        const vm okD = (D > 0.0) & (D <= DBL_MAX);
        const vm4 ok = __builtin_convertvector(okD, vm4) & finite4(x);
        const vf4 old = __builtin_shufflevector(row, row, 0, 2, 4, 6);
        x = select4(ok, x, old);
        const vf8 wide = __builtin_shufflevector(x, x, 0, 1, 2, 3, 0, 1, 2, 3);
        const vf8 merged = __builtin_shufflevector(wide, row, 0, 9, 1, 11, 2, 13, 3, 15);
        std::memcpy(t + i, &merged, sizeof merged);
        if (q) {
            const vf4 q2 = __builtin_convertvector(R * R, vf4);
            std::memcpy(q + k, &q2, sizeof q2);
        }
    }
    for (; i < nx; i += 2, ++k) {
        float q2 = 0.0f;
        t[i] = relax_cell(t, s, kr, kz, W, i, rc[k], rp[k], rm[k], p, q2);
        if (q)
            q[k] = q2;
    }
}

void relax_row_lexicographic(float* t, const float* s, const float* kr, const float* kz,
                             std::ptrdiff_t W, int nx, const double* rc, const double* rp,
                             const double* rm, const RelaxParams& p, float* q)
{
    for (int i = 0; i < nx; ++i) {
        float q2 = 0.0f;
        t[i] = relax_cell(t, s, kr, kz, W, i, rc[i], rp[i], rm[i], p, q2);
        if (q)
            q[i] = q2;
    }
}

TARSEN_ALLGRID_CLONES
void operator_row(const float* __restrict t, const float* __restrict kr, const float* __restrict kz,
                  std::ptrdiff_t W, int nx, const double* rc, const double* rp, const double* rm,
                  double h2inv, float* __restrict out)
{
    for (int i = 0; i < nx; ++i) {
        double L = 0.0;
        double D = 0.0;
        poisson_stencil<double>(t[i], t[i - 1], t[i + 1], t[i + W], t[i - W], kr[i], kr[i + 1],
                                kz[i], kz[i + W], rc[i], rp[i], rm[i], h2inv, L, D);
        out[i] = static_cast<float>(L);
    }
}

TARSEN_ALLGRID_CLONES
void residual_row(const float* __restrict t, const float* __restrict s, const float* __restrict kr,
                  const float* __restrict kz, std::ptrdiff_t W, int nx, const double* rc,
                  const double* rp, const double* rm, double h2inv, float* __restrict out,
                  float* __restrict q)
{
    // Two loops, so that each is a plain vectorisable loop.
    if (q) {
        for (int i = 0; i < nx; ++i) {
            double L = 0.0;
            double D = 0.0;
            poisson_stencil<double>(t[i], t[i - 1], t[i + 1], t[i + W], t[i - W], kr[i], kr[i + 1],
                                    kz[i], kz[i + W], rc[i], rp[i], rm[i], h2inv, L, D);
            const double R = L - double(s[i]);
            out[i] = static_cast<float>(-R);
            q[i] = static_cast<float>(R * R);
        }
        return;
    }
    for (int i = 0; i < nx; ++i) {
        double L = 0.0;
        double D = 0.0;
        poisson_stencil<double>(t[i], t[i - 1], t[i + 1], t[i + W], t[i - W], kr[i], kr[i + 1],
                                kz[i], kz[i + W], rc[i], rp[i], rm[i], h2inv, L, D);
        out[i] = static_cast<float>(-(L - double(s[i])));
    }
}

float ordered_sum(float sum, const float* q, std::int32_t n)
{
    for (std::int32_t k = 0; k < n; ++k)
        sum = sum + q[k];
    return sum;
}

} // namespace tarsen::allgrid
