// The bodies of the level kernels, compiled once per instruction set by allgrid_kernels.cpp, which
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

constexpr int VW = TARSEN_VW; // the widest block; rows too short for it use blocks of 4

/// The vector types of a block of N cells.
template <int N> struct Lanes;
template <> struct Lanes<4> {
    typedef double d __attribute__((vector_size(32)));    // the cells in double
    typedef long long m __attribute__((vector_size(32))); // their masks
    typedef float f __attribute__((vector_size(16)));     // the cells in Single
    typedef int mf __attribute__((vector_size(16)));      // their masks
    typedef float row __attribute__((vector_size(32)));   // 2 N consecutive row values
};
template <> struct Lanes<8> {
    typedef double d __attribute__((vector_size(64)));
    typedef long long m __attribute__((vector_size(64)));
    typedef float f __attribute__((vector_size(32)));
    typedef int mf __attribute__((vector_size(32)));
    typedef float row __attribute__((vector_size(64)));
};
typedef Lanes<VW>::f vf;
typedef Lanes<VW>::mf vmf;

#define TARSEN_KERNEL_INLINE static inline __attribute__((always_inline)) TARSEN_KERNEL_TARGET

template <class V> TARSEN_KERNEL_INLINE V load(const void* p)
{
    V v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
template <class D, class F, std::size_t... I>
TARSEN_KERNEL_INLINE D widen(F a, std::index_sequence<I...>)
{
    return D{double(a[I])...};
}
template <class F, class D, std::size_t... I>
TARSEN_KERNEL_INLINE F narrow(D a, std::index_sequence<I...>)
{
    return F{static_cast<float>(a[I])...};
}
template <class MF, class M, std::size_t... I>
TARSEN_KERNEL_INLINE MF narrow_mask(M a, std::index_sequence<I...>)
{
    return MF{static_cast<int>(a[I])...};
}

// The lane shuffles of each width: even and odd lanes of a row pair, the odd lanes shifted one
// lane up with the last lane of the previous block in front, and new even lanes beside the old
// odd ones.
TARSEN_KERNEL_INLINE Lanes<4>::f even_f(Lanes<4>::row a)
{
    return __builtin_shufflevector(a, a, 0, 2, 4, 6);
}
TARSEN_KERNEL_INLINE Lanes<4>::f odd_f(Lanes<4>::row a)
{
    return __builtin_shufflevector(a, a, 1, 3, 5, 7);
}
TARSEN_KERNEL_INLINE Lanes<4>::d shift_in(Lanes<4>::d prev, Lanes<4>::d cur)
{
    return __builtin_shufflevector(prev, cur, 3, 4, 5, 6);
}
TARSEN_KERNEL_INLINE Lanes<4>::row interleave(Lanes<4>::f x, Lanes<4>::row row)
{
    const Lanes<4>::row wide = __builtin_shufflevector(x, x, 0, 1, 2, 3, 0, 1, 2, 3);
    return __builtin_shufflevector(wide, row, 0, 9, 1, 11, 2, 13, 3, 15);
}
TARSEN_KERNEL_INLINE Lanes<8>::f even_f(Lanes<8>::row a)
{
    return __builtin_shufflevector(a, a, 0, 2, 4, 6, 8, 10, 12, 14);
}
TARSEN_KERNEL_INLINE Lanes<8>::f odd_f(Lanes<8>::row a)
{
    return __builtin_shufflevector(a, a, 1, 3, 5, 7, 9, 11, 13, 15);
}
TARSEN_KERNEL_INLINE Lanes<8>::d shift_in(Lanes<8>::d prev, Lanes<8>::d cur)
{
    return __builtin_shufflevector(prev, cur, 7, 8, 9, 10, 11, 12, 13, 14);
}
TARSEN_KERNEL_INLINE Lanes<8>::row interleave(Lanes<8>::f x, Lanes<8>::row row)
{
    const Lanes<8>::row wide =
        __builtin_shufflevector(x, x, 0, 1, 2, 3, 4, 5, 6, 7, 0, 1, 2, 3, 4, 5, 6, 7);
    return __builtin_shufflevector(wide, row, 0, 17, 1, 19, 2, 21, 3, 23, 4, 25, 5, 27, 6, 29, 7,
                                   31);
}

template <int N> TARSEN_KERNEL_INLINE typename Lanes<N>::d even(typename Lanes<N>::row a)
{
    return widen<typename Lanes<N>::d>(even_f(a), std::make_index_sequence<N>{});
}
template <int N> TARSEN_KERNEL_INLINE typename Lanes<N>::d odd(typename Lanes<N>::row a)
{
    return widen<typename Lanes<N>::d>(odd_f(a), std::make_index_sequence<N>{});
}

template <class MF, class F> TARSEN_KERNEL_INLINE MF finite_mask(F x)
{
    return ((MF)x & 0x7f800000) != 0x7f800000;
}

/// The update of one cell on the scalar paths: returns the value to store and sets q2 = R^2.
TARSEN_KERNEL_INLINE float relax_cell(const float* t, const float* s, const float* kr,
                                      const float* kz, std::ptrdiff_t W, int i, double rc,
                                      double rp, double rm, double h2inv, const RelaxParams& p,
                                      float& q2)
{
    const double T = t[i];
    double L = 0.0;
    double D = 0.0;
    poisson_stencil<double>(T, t[i - 1], t[i + 1], t[i + W], t[i - W], kr[i], kr[i + 1], kz[i],
                            kz[i + W], rc, rp, rm, h2inv, L, D);
    const double R = L - double(s[i]);
    float x = static_cast<float>(relaxed_value<double>(T, R, D, p.omega));
    if (p.clamp)
        x = x > p.tmax ? p.tmax : (x < p.tmin ? p.tmin : x);
    q2 = static_cast<float>(R * R);
    const bool ok = D > 0.0 && D <= DBL_MAX && std::isfinite(x);
    return ok ? x : t[i];
}

/// Blocks of N cells of one colour from cell i (the k-th of its colour) while a whole block
/// fits the row; returns the first cell left. Clamp: clamp to tmin ... tmax; CheckFinite: keep
/// a new value that is not finite (needed unless clamped to finite bounds); Squares: q[k] = R^2.
template <int N, bool Clamp, bool CheckFinite, bool Squares>
TARSEN_KERNEL_INLINE int relax_blocks(float* t, const float* s, const float* kr, const float* kz,
                                      std::ptrdiff_t W, int i, int& k, int nx, const double* rc,
                                      const double* rp, const double* rm, double h2inv,
                                      const RelaxParams& p, float* q)
{
    typedef typename Lanes<N>::d vd;
    typedef typename Lanes<N>::f vfN;
    typedef typename Lanes<N>::mf vmfN;
    typedef typename Lanes<N>::row vrow;
    constexpr auto lanes = std::make_index_sequence<N>{};
    if (i + 2 * N - 1 > nx) // no whole block: spare the set-up on the small levels
        return i;
    const vd h2 = vd{} + h2inv;
    const vd om = vd{} + p.omega;
    const vfN vmax = vfN{} + p.tmax;
    const vfN vmin = vfN{} + p.tmin;
    const vd dmax = vd{} + double(p.tmax);
    const vd dmin = vd{} + double(p.tmin);
    vd eprev = vd{} + double(t[i - 1]); // its last lane is t(i - 1) of the first block
    for (; i + 2 * N - 1 <= nx; i += 2 * N, k += N) {
        const vrow row = load<vrow>(t + i);
        const vd T = even<N>(row);
        const vd E = odd<N>(row);
        const vd Wv = shift_in(eprev, E);
        eprev = E;
        const vrow faceR = load<vrow>(kr + i);
        vd L;
        vd D;
        poisson_stencil<vd>(T, Wv, E, even<N>(load<vrow>(t + i + W)),
                            even<N>(load<vrow>(t + i - W)), even<N>(faceR), odd<N>(faceR),
                            even<N>(load<vrow>(kz + i)), even<N>(load<vrow>(kz + i + W)),
                            load<vd>(rc + k), load<vd>(rp + k), load<vd>(rm + k), h2, L, D);
        const vd R = L - even<N>(load<vrow>(s + i));
        vfN x;
        if constexpr (Clamp && !CheckFinite) {
            // Clamping before the rounding to Single gives the same value (the rounding is
            // monotone and the bounds are Singles, tmin <= tmax), and keeps the masks in double.
            vd xd = relaxed_value<vd>(T, R, D, om);
            xd = xd > dmax ? dmax : (xd < dmin ? dmin : xd);
            xd = ((D > 0.0) & (D <= DBL_MAX)) ? xd : T;
            x = narrow<vfN>(xd, lanes);
        } else {
            x = narrow<vfN>(relaxed_value<vd>(T, R, D, om), lanes);
            vmfN ok = narrow_mask<vmfN>((D > 0.0) & (D <= DBL_MAX), lanes);
            if constexpr (Clamp)
                x = x > vmax ? vmax : (x < vmin ? vmin : x);
            if constexpr (CheckFinite)
                ok &= finite_mask<vmfN>(x);
            x = ok ? x : even_f(row);
        }
        const vrow merged = interleave(x, row);
        std::memcpy(t + i, &merged, sizeof merged);
        if constexpr (Squares) {
            const vfN q2 = narrow<vfN>(R * R, lanes);
            std::memcpy(q + k, &q2, sizeof q2);
        }
    }
    return i;
}

template <bool Clamp, bool CheckFinite, bool Squares>
TARSEN_KERNEL_INLINE void
relax_row_redblack_as(float* t, const float* s, const float* kr, const float* kz, std::ptrdiff_t W,
                      int first, int nx, const double* rc, const double* rp, const double* rm,
                      double h2inv, const RelaxParams& p, float* q)
{
    int k = 0;
    int i = first;
    if constexpr (VW == 8)
        i = relax_blocks<8, Clamp, CheckFinite, Squares>(t, s, kr, kz, W, i, k, nx, rc, rp, rm,
                                                         h2inv, p, q);
    i = relax_blocks<4, Clamp, CheckFinite, Squares>(t, s, kr, kz, W, i, k, nx, rc, rp, rm, h2inv,
                                                     p, q);
    for (; i < nx; i += 2, ++k) {
        float q2 = 0.0f;
        t[i] = relax_cell(t, s, kr, kz, W, i, rc[k], rp[k], rm[k], h2inv, p, q2);
        if constexpr (Squares)
            q[k] = q2;
    }
}

/// One colour of one row: cells i = first, first + 2, ... < nx; q[k] = R^2 of its k-th cell.
TARSEN_KERNEL_INLINE void relax_row_redblack(float* t, const float* s, const float* kr,
                                             const float* kz, std::ptrdiff_t W, int first, int nx,
                                             const double* rc, const double* rp, const double* rm,
                                             double h2inv, const RelaxParams& p, float* q)
{
    const bool clampFinite =
        p.clamp && std::isfinite(p.tmin) && std::isfinite(p.tmax) && p.tmin <= p.tmax;
#define TARSEN_ROW(C, F, Q)                                                                        \
    relax_row_redblack_as<C, F, Q>(t, s, kr, kz, W, first, nx, rc, rp, rm, h2inv, p, q)
    if (clampFinite) {
        if (q)
            TARSEN_ROW(true, false, true);
        else
            TARSEN_ROW(true, false, false);
    } else if (p.clamp) {
        if (q)
            TARSEN_ROW(true, true, true);
        else
            TARSEN_ROW(true, true, false);
    } else {
        if (q)
            TARSEN_ROW(false, true, true);
        else
            TARSEN_ROW(false, true, false);
    }
#undef TARSEN_ROW
}

/// One row in increasing i, each cell seeing the values already updated.
TARSEN_KERNEL_INLINE void relax_row_lexicographic(float* t, const float* s, const float* kr,
                                                  const float* kz, std::ptrdiff_t W, int nx,
                                                  const double* rc, const double* rp,
                                                  const double* rm, double h2inv,
                                                  const RelaxParams& p, float* q)
{
    for (int i = 0; i < nx; ++i) {
        float q2 = 0.0f;
        t[i] = relax_cell(t, s, kr, kz, W, i, rc[i], rp[i], rm[i], h2inv, p, q2);
        if (q)
            q[i] = q2;
    }
}

TARSEN_KERNEL_INLINE void operator_row(const float* __restrict t, const float* __restrict kr,
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

/// sum[i] = sum[i] + L(T)(i) rounded to Single, and copy[i] = t[i], for the cells of a row.
TARSEN_KERNEL_INLINE void operator_add_row(const float* __restrict t, const float* __restrict kr,
                                           const float* __restrict kz, std::ptrdiff_t W, int nx,
                                           const double* rc, const double* rp, const double* rm,
                                           double h2inv, float* __restrict sum,
                                           float* __restrict copy)
{
    for (int i = 0; i < nx; ++i) {
        double L = 0.0;
        double D = 0.0;
        poisson_stencil<double>(t[i], t[i - 1], t[i + 1], t[i + W], t[i - W], kr[i], kr[i + 1],
                                kz[i], kz[i + W], rc[i], rp[i], rm[i], h2inv, L, D);
        sum[i] = sum[i] + static_cast<float>(L); // a Single sum: the double sum rounded once
        copy[i] = t[i];
    }
}

TARSEN_KERNEL_INLINE void residual_row(const float* __restrict t, const float* __restrict s,
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
/// not is tried again as one block, which goes term by term if it fails too; the runs then grow
/// again, doubling after each success. A sum that is negative, subnormal or not finite, and the
/// last few terms, go term by term; a sum of +0 passes over zero terms at once.
TARSEN_KERNEL_INLINE float running_sum(float s, const float* q, std::int32_t n)
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
        if (bits == 0) { // +0 stays +0 over zero terms of either sign
            for (; k + VW <= n; k += VW) {
                vf x;
                std::memcpy(&x, q + k, sizeof x);
                const vmf zero = x == 0.0f;
                int all = -1;
                for (int l = 0; l < VW; ++l)
                    all &= zero[l];
                if (all == 0)
                    break;
            }
            while (k < n && q[k] == 0.0f)
                ++k;
            if (k < n) {
                s = s + q[k];
                ++k;
            }
            continue;
        }
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
            run = std::min(2 * run, kMaxRun);
        } else if (len > kStep) {
            run = kStep; // start again from one block, doubling after each success
        } else {
            for (std::int32_t j = 0; j < len; ++j)
                s = s + q[k + j];
            k += len;
        }
    }
    return s;
}

TARSEN_KERNEL_TARGET float ordered_sum(float s, const float* q, std::int32_t n)
{
    return running_sum(s, q, n);
}

/// count values ghost[k step] from inner[k step] by one side's rule.
TARSEN_KERNEL_INLINE void ghost_side(std::int16_t code, float* ghost, const float* inner,
                                     std::ptrdiff_t step, int count, double twoTb)
{
    if (code == kGhostCopy) {
        for (int k = 0; k < count; ++k)
            ghost[k * step] = inner[k * step];
    } else if (code == kGhostMirror) {
        for (int k = 0; k < count; ++k)
            ghost[k * step] = static_cast<float>(twoTb - double(inner[k * step]));
    }
}

TARSEN_KERNEL_INLINE void ghost_rules(float* t, std::ptrdiff_t W, int nx, int nz,
                                      const GhostRules& g)
{
    ghost_side(g.code[0], t - W - 1, t - 1, 1, nx + 2, g.twoTb); // row -1 from row 0
    ghost_side(g.code[1], t + nz * W - 1, t + (nz - 1) * W - 1, 1, nx + 2, g.twoTb);
    ghost_side(g.code[2], t - W - 1, t - W, W, nz + 2, g.twoTb); // column -1 from column 0
    ghost_side(g.code[3], t - W + nx, t - W + nx - 1, W, nz + 2, g.twoTb);
}

TARSEN_KERNEL_TARGET void apply_ghost_rules(float* t, std::ptrdiff_t W, int nx, int nz,
                                            const GhostRules& g)
{
    ghost_rules(t, W, nx, nz, g);
}

/// Where the squares of row j go in the squares of one red/black colour pass: after those of
/// the rows before it, of which the rows with first cell 0 hold (nx + 1) / 2 cells, the others
/// nx / 2.
TARSEN_KERNEL_INLINE std::ptrdiff_t colour_offset(int nx, int colour, int j)
{
    const std::ptrdiff_t fromZero = colour == 0 ? (j + 1) / 2 : j / 2;
    return fromZero * ((nx + 1) / 2) + (j - fromZero) * (nx / 2);
}

TARSEN_KERNEL_TARGET void relax_colour_rows(const LevelView& v, const RelaxParams& p, int colour,
                                            int j0, int j1, float* q)
{
    for (int j = j0; j < j1; ++j) {
        const int start = (colour + j) % 2;
        const std::ptrdiff_t o = j * v.W;
        relax_row_redblack(v.t + o, v.s + o, v.kr + o, v.kz + o, v.W, start, v.nx,
                           v.rcColour[start], v.rpColour[start], v.rmColour[start], v.h2inv, p,
                           q ? q + colour_offset(v.nx, colour, j) : nullptr);
    }
}

TARSEN_KERNEL_TARGET void relax_sweeps(const LevelView& v, const RelaxParams& p,
                                       const GhostRules& g, std::int32_t nits, bool wantFirst,
                                       bool wantLast, float* q, float& firstSum, float& lastSum)
{
    const std::ptrdiff_t W = v.W;
    ghost_rules(v.t, W, v.nx, v.nz, g);
    // The ghost a cell reads mirrors that same cell, which the other colour's pass does not
    // change; so refreshing the ghosts after each colour pass would change nothing a sweep
    // reads, and one refresh after each sweep leaves the same values, ghosts included.
    for (std::int32_t iteration = 1; iteration <= nits; ++iteration) {
        const bool first = iteration == 1 && wantFirst;
        const bool last = iteration == nits && wantLast;
        float* squares = (first || last) ? q : nullptr;
        float sum = 0.0f;
        if (p.redBlack) {
            for (int colour = 0; colour <= 1; ++colour) {
                relax_colour_rows(v, p, colour, 0, v.nz, squares);
                if (squares)
                    sum = running_sum(sum, squares,
                                      static_cast<std::int32_t>(colour_offset(v.nx, colour, v.nz)));
            }
        } else {
            for (int j = 0; j < v.nz; ++j) {
                const std::ptrdiff_t o = j * W;
                relax_row_lexicographic(v.t + o, v.s + o, v.kr + o, v.kz + o, W, v.nx, v.rc, v.rp,
                                        v.rm, v.h2inv, p, squares);
                if (squares)
                    sum = running_sum(sum, squares, v.nx);
            }
        }
        ghost_rules(v.t, W, v.nx, v.nz, g);
        if (first)
            firstSum = sum;
        if (last)
            lastSum = sum;
    }
}

TARSEN_KERNEL_TARGET void operator_rows(const LevelView& v, float* out, int j0, int j1)
{
    for (int j = j0; j < j1; ++j) {
        const std::ptrdiff_t o = j * v.W;
        operator_row(v.t + o, v.kr + o, v.kz + o, v.W, v.nx, v.rc, v.rp, v.rm, v.h2inv, out + o);
    }
}

TARSEN_KERNEL_TARGET void operator_add_rows(const LevelView& v, float* sum, float* copy, int j0,
                                            int j1)
{
    for (int j = j0; j < j1; ++j) {
        const std::ptrdiff_t o = j * v.W;
        operator_add_row(v.t + o, v.kr + o, v.kz + o, v.W, v.nx, v.rc, v.rp, v.rm, v.h2inv, sum + o,
                         copy + o);
        // The ghost columns of the copy.
        copy[o - 1] = v.t[o - 1];
        copy[o + v.nx] = v.t[o + v.nx];
    }
}

TARSEN_KERNEL_TARGET void residual_rows(const LevelView& v, float* out, float* squares, float* row,
                                        int j0, int j1)
{
    for (int j = j0; j < j1; ++j) {
        const std::ptrdiff_t o = j * v.W;
        residual_row(v.t + o, v.s + o, v.kr + o, v.kz + o, v.W, v.nx, v.rc, v.rp, v.rm, v.h2inv,
                     out + o, squares ? row : nullptr);
        if (squares)
            for (int i = 0; i < v.nx; ++i)
                squares[static_cast<std::ptrdiff_t>(i) * v.nz + j] = row[i];
    }
}

TARSEN_KERNEL_TARGET void face_rows(const float* __restrict c, float* __restrict fr,
                                    float* __restrict fz, std::ptrdiff_t W, int nx, bool harmonic,
                                    int j0, int j1)
{
    for (int j = j0; j < j1; ++j) {
        const float* cc = c + j * W;
        float* r = fr + j * W;
        float* z = fz + j * W;
        if (harmonic) {
            // Keeps the flux continuous across a jump of conductivity; two cells that do not
            // conduct give a face that does not either. Blocks of VW faces divide in every lane
            // and then keep 0 where the sum is not positive.
            typedef Lanes<VW>::d vd;
            constexpr auto lanes = std::make_index_sequence<VW>{};
            const vd two = vd{} + 2.0;
            int i = 0;
            for (; i + VW - 1 <= nx; i += VW) {
                const vd a = widen<vd>(load<vf>(cc + i), lanes);
                const vd west = widen<vd>(load<vf>(cc + i - 1), lanes);
                const vd south = widen<vd>(load<vf>(cc + i - W), lanes);
                const vd sw = a + west;
                const vd ss = a + south;
                const vf hr = narrow<vf>(two * a * west / sw, lanes);
                const vf hz = narrow<vf>(two * a * south / ss, lanes);
                const vf rr = narrow_mask<vmf>(sw > 0.0, lanes) ? hr : vf{};
                const vf zz = narrow_mask<vmf>(ss > 0.0, lanes) ? hz : vf{};
                std::memcpy(r + i, &rr, sizeof rr);
                std::memcpy(z + i, &zz, sizeof zz);
            }
            for (; i <= nx; ++i) {
                const double a = cc[i];
                const double west = cc[i - 1];
                const double south = cc[i - W];
                const double sw = a + west;
                const double ss = a + south;
                r[i] = sw > 0.0 ? static_cast<float>(2.0 * a * west / sw) : 0.0f;
                z[i] = ss > 0.0 ? static_cast<float>(2.0 * a * south / ss) : 0.0f;
            }
        } else {
            for (int i = 0; i <= nx; ++i) {
                const double a = cc[i];
                r[i] = static_cast<float>(0.5 * (a + double(cc[i - 1])));
                z[i] = static_cast<float>(0.5 * (a + double(cc[i - W])));
            }
        }
    }
}

TARSEN_KERNEL_TARGET void restrict_rows(const float* __restrict fine, std::ptrdiff_t Wf,
                                        float* __restrict coarse, std::ptrdiff_t Wc, int nxc,
                                        int jc0, int jc1)
{
    for (int jc = jc0; jc < jc1; ++jc) {
        const float* f0 = fine + 2 * jc * Wf;
        const float* f1 = f0 + Wf;
        float* c = coarse + jc * Wc;
        for (int ic = 0; ic < nxc; ++ic) {
            const int i = 2 * ic;
            c[ic] = static_cast<float>(
                0.25 * (double(f0[i]) + double(f0[i + 1]) + double(f1[i]) + double(f1[i + 1])));
        }
    }
}

/// Fine rows jf = jf0 ... jf1 - 1 (within -1 ... 2 nzc) of the prolongation; Add: added to
/// the fine values (each sum rounded to Single) rather than stored.
template <bool Add>
TARSEN_KERNEL_INLINE void prolong_rows_as(const float* __restrict coarse, std::ptrdiff_t Wc,
                                          float* __restrict fine, std::ptrdiff_t Wf, int nxc,
                                          int jf0, int jf1)
{
    const double w9 = kProlongOwn;
    const double w3 = kProlongSide;
    const double w1 = kProlongDiag;
    // Fine row jf lies in coarse row a, next to coarse row b; in each row fine column 2 ic lies
    // in coarse column ic, next to ic - 1, and fine column 2 ic - 1 the other way round.
    for (int jf = jf0; jf < jf1; ++jf) {
        const int a = jf >= 0 ? jf / 2 : -1;
        const int b = (jf % 2 == 0) ? a - 1 : a + 1;
        const float* ca = coarse + (a + 1) * Wc; // column -1 of coarse row a
        const float* cb = coarse + (b + 1) * Wc;
        float* f = fine + (jf + 1) * Wf; // column -1 of fine row jf
        for (int ic = 0; ic <= nxc; ++ic) {
            const double Pa = ca[ic]; // coarse (ic - 1, a)
            const double Qa = ca[ic + 1];
            const double Pb = cb[ic];
            const double Qb = cb[ic + 1];
            const float own = static_cast<float>(w9 * Qa + w3 * (Pa + Qb) + w1 * Pb);  // (2 ic)
            const float west = static_cast<float>(w9 * Pa + w3 * (Qa + Pb) + w1 * Qb); // (2 ic - 1)
            if constexpr (Add) {
                f[2 * ic + 1] = f[2 * ic + 1] + own;
                f[2 * ic] = f[2 * ic] + west;
            } else {
                f[2 * ic + 1] = own;
                f[2 * ic] = west;
            }
        }
    }
}

TARSEN_KERNEL_TARGET void prolong_rows(const float* __restrict coarse, std::ptrdiff_t Wc,
                                       float* __restrict fine, std::ptrdiff_t Wf, int nxc, int jf0,
                                       int jf1)
{
    prolong_rows_as<false>(coarse, Wc, fine, Wf, nxc, jf0, jf1);
}

TARSEN_KERNEL_TARGET void prolong_add_rows(const float* __restrict coarse, std::ptrdiff_t Wc,
                                           float* __restrict fine, std::ptrdiff_t Wf, int nxc,
                                           int jf0, int jf1)
{
    prolong_rows_as<true>(coarse, Wc, fine, Wf, nxc, jf0, jf1);
}

#undef TARSEN_KERNEL_INLINE

} // namespace tarsen::allgrid::TARSEN_KERNEL_NS
