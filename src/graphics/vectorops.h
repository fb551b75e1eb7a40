// Plane vector operations of the smooth line drawing, on Single components computed in double.
#pragma once

#include <cmath>

namespace tarsen {

/// x1 x2 + y1 y2.
inline double DotProd(float x1, float y1, float x2, float y2)
{
    return double(x1) * double(x2) + double(y1) * double(y2);
}
/// |y1 x2 - x1 y2|, the area of the parallelogram of the two vectors.
inline double Mag2DCrossProd(float x1, float y1, float x2, float y2)
{
    return std::fabs(double(y1) * double(x2) - double(x1) * double(y2));
}
/// sqrt(x^2 + y^2).
inline double Length(float x, float y) { return std::sqrt(double(x) * x + double(y) * y); }
/// The cosine of the angle between the two vectors; 1 when either is the zero vector (a pixel
/// on a corner point belongs to both of its segments).
inline double NormDotProd(float x1, float y1, float x2, float y2)
{
    const double l = Length(x1, y1) * Length(x2, y2);
    if (!(l > 0.0))
        return 1.0;
    return DotProd(x1, y1, x2, y2) / l;
}
/// True when n is even.
inline bool IsEven(long long n) { return n % 2 == 0; }

} // namespace tarsen
