// The bodies of the row kernels, compiled once per instruction set by allgrid_kernels.cpp, which
// defines before each inclusion:
//   TARSEN_KERNEL_NS      the namespace of this copy
//   TARSEN_KERNEL_TARGET  the function attribute that selects the instruction set (or nothing)
//   TARSEN_VW             cells per vector block, 4 or 8
// Only that file includes this one. The vector types are the compiler's generic vectors; every
// conversion between Single and double is written lane by lane, which the compiler turns into
// one instruction (its own vector conversion builtin splits the wider ones into halves).
//
// A red/black block of VW cells of one colour spans 2 VW consecutive values of a row: one load
// gives the cells (even lanes) and their neighbours at i + 1 (odd lanes); the neighbours at
// i - 1 are the odd lanes shifted by one, carried from the previous block (reloading them would
// read across the block just stored and stall the store forwarding). The other colour's values
// are written back unchanged beside the new ones.

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

namespace tarsen::allgrid::TARSEN_KERNEL_NS {

constexpr int VW = TARSEN_VW;

typedef double vd __attribute__((vector_size(8 * VW)));    // VW cells in double
typedef long long vm __attribute__((vector_size(8 * VW))); // their masks
typedef float vf __attribute__((vector_size(4 * VW)));     // VW cells in Single
typedef int vmf __attribute__((vector_size(4 * VW)));      // their masks
typedef float vrow __attribute__((vector_size(8 * VW)));   // 2 VW consecutive row values

#define TARSEN_KERNEL_INLINE static inline __attribute__((always_inline)) TARSEN_KERNEL_TARGET

TARSEN_KERNEL_INLINE vrow load_row(const float* p)
{
    vrow v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
TARSEN_KERNEL_INLINE vd load_d(const double* p)
{
    vd v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
template <std::size_t... I> TARSEN_KERNEL_INLINE vd widen(vf a, std::index_sequence<I...>)
{
    return vd{double(a[I])...};
}
TARSEN_KERNEL_INLINE vd widen(vf a) { return widen(a, std::make_index_sequence<VW>{}); }
template <std::size_t... I> TARSEN_KERNEL_INLINE vf narrow(vd a, std::index_sequence<I...>)
{
    return vf{static_cast<float>(a[I])...};
}
TARSEN_KERNEL_INLINE vf narrow(vd a) { return narrow(a, std::make_index_sequence<VW>{}); }
template <std::size_t... I> TARSEN_KERNEL_INLINE vmf narrow_mask(vm a, std::index_sequence<I...>)
{
    return vmf{static_cast<int>(a[I])...};
}
TARSEN_KERNEL_INLINE vmf narrow_mask(vm a)
{
    return narrow_mask(a, std::make_index_sequence<VW>{});
}

#if TARSEN_VW == 4
TARSEN_KERNEL_INLINE vf even_f(vrow a) { return __builtin_shufflevector(a, a, 0, 2, 4, 6); }
TARSEN_KERNEL_INLINE vf odd_f(vrow a) { return __builtin_shufflevector(a, a, 1, 3, 5, 7); }
/// (last lane of prev, lanes 0 ... VW - 2 of cur)
TARSEN_KERNEL_INLINE vd shift_in(vd prev, vd cur)
{
    return __builtin_shufflevector(prev, cur, 3, 4, 5, 6);
}
/// x in the even lanes, the odd lanes of row.
TARSEN_KERNEL_INLINE vrow interleave(vf x, vrow row)
{
    const vrow wide = __builtin_shufflevector(x, x, 0, 1, 2, 3, 0, 1, 2, 3);
    return __builtin_shufflevector(wide, row, 0, 9, 1, 11, 2, 13, 3, 15);
}
#elif TARSEN_VW == 8
TARSEN_KERNEL_INLINE vf even_f(vrow a)
{
    return __builtin_shufflevector(a, a, 0, 2, 4, 6, 8, 10, 12, 14);
}
TARSEN_KERNEL_INLINE vf odd_f(vrow a)
{
    return __builtin_shufflevector(a, a, 1, 3, 5, 7, 9, 11, 13, 15);
}
TARSEN_KERNEL_INLINE vd shift_in(vd prev, vd cur)
{
    return __builtin_shufflevector(prev, cur, 7, 8, 9, 10, 11, 12, 13, 14);
}
TARSEN_KERNEL_INLINE vrow interleave(vf x, vrow row)
{
    const vrow wide = __builtin_shufflevector(x, x, 0, 1, 2, 3, 4, 5, 6, 7, 0, 1, 2, 3, 4, 5, 6, 7);
    return __builtin_shufflevector(wide, row, 0, 17, 1, 19, 2, 21, 3, 23, 4, 25, 5, 27, 6, 29, 7,
                                   31);
}
#else
#error "TARSEN_VW must be 4 or 8"
#endif

TARSEN_KERNEL_INLINE vd even(vrow a) { return widen(even_f(a)); }
TARSEN_KERNEL_INLINE vd odd(vrow a) { return widen(odd_f(a)); }
TARSEN_KERNEL_INLINE vmf finite_mask(vf x) { return ((vmf)x & 0x7f800000) != 0x7f800000; }

/// The update of one cell on the scalar paths: returns the value to store and sets q2 = R^2.
TARSEN_KERNEL_INLINE float relax_cell(const float* t, const float* s, const float* kr,
                                      const float* kz, std::ptrdiff_t W, int i, double rc,
                                      double rp, double rm, const RelaxParams& p, float& q2)
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

TARSEN_KERNEL_TARGET void relax_row_redblack(float* t, const float* s, const float* kr,
                                             const float* kz, std::ptrdiff_t W, int first, int nx,
                                             const double* rc, const double* rp, const double* rm,
                                             const RelaxParams& p, float* q)
{
    const vd h2 = vd{} + p.h2inv;
    const vd om = vd{} + p.omega;
    const vf vmax = vf{} + p.tmax;
    const vf vmin = vf{} + p.tmin;
    const bool clampFinite = p.clamp && std::isfinite(p.tmin) && std::isfinite(p.tmax);
    int i = first;
    int k = 0;
    vd eprev = vd{} + double(t[i - 1]); // its last lane is t(i - 1) of the first block
    for (; i + 2 * VW - 1 <= nx; i += 2 * VW, k += VW) {
        const vrow row = load_row(t + i);
        const vd T = even(row);
        const vd E = odd(row);
        const vd Wv = shift_in(eprev, E);
        eprev = E;
        const vrow faceR = load_row(kr + i);
        vd L;
        vd D;
        poisson_stencil<vd>(T, Wv, E, even(load_row(t + i + W)), even(load_row(t + i - W)),
                            even(faceR), odd(faceR), even(load_row(kz + i)),
                            even(load_row(kz + i + W)), load_d(rc + k), load_d(rp + k),
                            load_d(rm + k), h2, L, D);
        const vd R = L - even(load_row(s + i));
        vf x = narrow(relaxed_value<vd>(T, R, D, om));
        vmf ok = narrow_mask((D > 0.0) & (D <= DBL_MAX));
        if (p.clamp)
            x = x > vmax ? vmax : (x < vmin ? vmin : x);
        if (!clampFinite) // a value clamped to finite bounds is finite; D alone can spoil it
            ok &= finite_mask(x);
        x = ok ? x : even_f(row);
        const vrow merged = interleave(x, row);
        std::memcpy(t + i, &merged, sizeof merged);
        if (q) {
            const vf q2 = narrow(R * R);
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

TARSEN_KERNEL_TARGET void relax_row_lexicographic(float* t, const float* s, const float* kr,
                                                  const float* kz, std::ptrdiff_t W, int nx,
                                                  const double* rc, const double* rp,
                                                  const double* rm, const RelaxParams& p, float* q)
{
    for (int i = 0; i < nx; ++i) {
        float q2 = 0.0f;
        t[i] = relax_cell(t, s, kr, kz, W, i, rc[i], rp[i], rm[i], p, q2);
        if (q)
            q[i] = q2;
    }
}

TARSEN_KERNEL_TARGET void operator_row(const float* __restrict t, const float* __restrict kr,
                                       const float* __restrict kz, std::ptrdiff_t W, int nx,
                                       const double* rc, const double* rp, const double* rm,
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

TARSEN_KERNEL_TARGET void residual_row(const float* __restrict t, const float* __restrict s,
                                       const float* __restrict kr, const float* __restrict kz,
                                       std::ptrdiff_t W, int nx, const double* rc, const double* rp,
                                       const double* rm, double h2inv, float* __restrict out,
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

/// The Single running sum, exactly as term-by-term addition gives it, but many terms at a time:
/// while the sum s stays between two powers of two, every value it takes is a whole multiple of
/// its spacing u there, so s + q rounds to s + u RNE(q / u) unless q / u ends in exactly one
/// half (then the result depends on s). A run of terms that keeps s below the next power of
/// two and holds no such half therefore adds up as whole numbers, in any order. A run that does
/// not is tried again at half the length, down to one block, which then goes term by term; so
/// do a sum that is zero, negative, subnormal or not finite, and the last few terms.
TARSEN_KERNEL_TARGET float ordered_sum(float s, const float* q, std::int32_t n)
{
    constexpr std::int32_t kStep = 4 * VW; // four accumulators, for the adder's latency
    constexpr std::int32_t kMaxRun = 64 * kStep;
    constexpr float kTwo23 = 8388608.0f;  // x + 2^23 - 2^23 rounds 0 <= x < 2^23 to a whole
    constexpr float kTwo24 = 16777216.0f; // number, halves to even
    const vf two23 = vf{} + kTwo23;
    std::int32_t k = 0;
    std::int32_t run = kMaxRun;
    while (k < n) {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &s, sizeof bits);
        const std::uint32_t exponent = bits >> 23; // the sign bit makes it > 255
        const std::int32_t len = std::min(run, n - k) / kStep * kStep;
        if (exponent < 24 || exponent > 254 || len == 0) {
            s = s + q[k];
            ++k;
            continue;
        }
        // s in [2^(e - 127), 2^(e - 126)): spacing u = 2^(e - 150), s = m u, 2^23 <= m < 2^24.
        const std::uint32_t uBits = (exponent - 23) << 23;
        const std::uint32_t invBits = (277 - exponent) << 23;
        float u = 0.0f;
        float inv = 0.0f;
        std::memcpy(&u, &uBits, sizeof u);
        std::memcpy(&inv, &invBits, sizeof inv);
        const float m = s * inv;
        const vf vinv = vf{} + inv;
        vf acc[4] = {};
        vmf bad{};
        for (std::int32_t j = 0; j < len; j += kStep)
            for (int a = 0; a < 4; ++a) {
                vf x;
                std::memcpy(&x, q + k + j + a * VW, sizeof x);
                x = x * vinv; // exact: a power of two
                const vf d = (x + two23) - two23;
                const vf frac = (vf)((vmf)(x - d) & 0x7fffffff);
                bad |= ~((x >= 0.0f) & (x < two23)) | (frac == 0.5f);
                acc[a] += d; // whole numbers: exact below 2^24, else the test below fails
            }
        const vf total = (acc[0] + acc[1]) + (acc[2] + acc[3]);
        float whole = 0.0f;
        int anyBad = 0;
        for (int l = 0; l < VW; ++l) {
            whole += total[l];
            anyBad |= bad[l];
        }
        if (anyBad == 0 && whole < kTwo24 - m) {
            s = (m + whole) * u;
            k += len;
            run = kMaxRun;
        } else if (len > kStep) {
            run = len / 2;
        } else {
            for (std::int32_t j = 0; j < len; ++j)
                s = s + q[k + j];
            k += len;
            run = kMaxRun;
        }
    }
    return s;
}

#undef TARSEN_KERNEL_INLINE

} // namespace tarsen::allgrid::TARSEN_KERNEL_NS
