// The temperature law of thermal conductivity, shared by the material table, the grid builders
// and the heat solver (which evaluates it for every grid point from the coefficients copied into
// the coefficient array).
#pragma once

#include <cmath>

namespace tarsen {

/// Number of conductivity coefficients per material and per grid point, in the order
/// C0, C1, C2, C3, C4, C5, CMinus1.
inline constexpr int kCondCoefficients = 7;

/// k(T) = C0 + C1 T + C2 T^2 + C3 T^3 + C4 T^4 + C5 / sqrt(T) + CMinus1 / T, T in deg C.
/// The terms with C2 ... CMinus1 are added only when their coefficient is non-zero. Powers are
/// formed in double, the result is stored as Single. The C5 and CMinus1 terms are evaluated at
/// max(T, 1 deg C) so the law stays finite at and below 0 deg C; a result that is still not
/// finite (huge coefficients) becomes 0, which the solver's guards treat as no conduction.
inline float conductivity_law(const float* coef, double T)
{
    double k = double(coef[0]) + double(coef[1]) * T;
    if (coef[2] != 0.0f)
        k += double(coef[2]) * T * T;
    if (coef[3] != 0.0f)
        k += double(coef[3]) * T * T * T;
    if (coef[4] != 0.0f)
        k += double(coef[4]) * T * T * T * T;
    const double Tpos = T > 1.0 ? T : 1.0;
    if (coef[5] != 0.0f)
        k += double(coef[5]) / std::sqrt(Tpos);
    if (coef[6] != 0.0f)
        k += double(coef[6]) / Tpos;
    const float kf = static_cast<float>(k);
    return std::isfinite(kf) ? kf : 0.0f;
}

} // namespace tarsen
