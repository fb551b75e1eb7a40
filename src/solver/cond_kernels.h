// The conductivity law at every point of a field and the means at the faces between points,
// eight (or four) points at a time where the processor has AVX-512 (or AVX2), with the same bits
// as one point or face at a time.
#pragma once

#include "common/numeric.h"

#include <cstddef>

namespace tarsen {

/// c[k] = point_conductivity(a + 7 k, T) for k = 0 ... n - 1, with T = tlow when fixed and
/// max(t[k], tlow) otherwise; a holds the seven coefficients of each point one after another.
/// Runs on the instruction set the multigrid kernels run on (allgrid::ActiveKernelIsa).
void point_conductivities(const float* a, const float* t, float* c, std::size_t n, float tlow,
                          bool fixed);

/// Face conductivity between two points: the harmonic mean 2 c1 c2 / (c1 + c2) when harmonic,
/// else the arithmetic mean, in double and rounded to Single. Both points are positive.
inline float face_conductivity(float c1, float c2, bool harmonic)
{
    if (harmonic)
        return Sng(2.0 * double(c1) * double(c2) / (double(c1) + double(c2)));
    return Sng(0.5 * (double(c1) + double(c2)));
}

/// cr[k] = face_conductivity(c[k - s], c[k], FluxMatch and C0 differs between the two points)
/// and cz[k] the same with point k - 1, for k = k0 ... k1 - 1; a, c as for
/// point_conductivities, s the distance between neighbouring columns.
void face_conductivities(const float* a, const float* c, float* cr, float* cz, std::size_t k0,
                         std::size_t k1, std::size_t s, bool FluxMatch);

} // namespace tarsen
