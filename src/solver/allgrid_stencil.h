// The pointwise five-point stencil of the multigrid solver's operator, shared by the operator,
// the residual and both relaxation orders. V is double for one cell or a vector of doubles for
// several; either way every operation is the same IEEE double operation in the same order, so
// a cell gets the same bits whichever path computes it. Both are forced inline: the kernels
// that use them are compiled for more than one instruction set, and a vector passed by value to
// an out-of-line copy built for another one would arrive in the wrong registers.
#pragma once

#if defined(__GNUC__)
#define TARSEN_STENCIL_INLINE inline __attribute__((always_inline))
#else
#define TARSEN_STENCIL_INLINE inline
#endif

namespace tarsen::allgrid {

/// L(T) = [rm kW (Tw - T) + rp kE (Te - T) + rc kN (Tn - T) + rc kS (Ts - T)] (1/h)^2 and the
/// diagonal D = (rp kE + rm kW + rc kN + rc kS) (1/h)^2 of one cell: kW, kE are its r-face
/// conductivities at radii rm, rp (rm = 0 at the axis), kS, kN its z-faces; rc its radius.
template <class V>
TARSEN_STENCIL_INLINE void poisson_stencil(V T, V Tw, V Te, V Tn, V Ts, V kW, V kE, V kS, V kN,
                                           V rc, V rp, V rm, V h2inv, V& L, V& D)
{
    const V aW = rm * kW;
    const V aE = rp * kE;
    const V aN = rc * kN;
    const V aS = rc * kS;
    L = (aW * (Tw - T) + aE * (Te - T) + aN * (Tn - T) + aS * (Ts - T)) * h2inv;
    D = (aE + aW + aN + aS) * h2inv;
}

/// The damped Gauss-Seidel value T + omega R / D for the residual R = L - S.
template <class V> TARSEN_STENCIL_INLINE V relaxed_value(V T, V R, V D, V omega)
{
    return T + omega * R / D;
}

} // namespace tarsen::allgrid
