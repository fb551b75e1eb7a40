// Whole-number conversions and Single storage shared by every layer: floor, rounding halves to
// the even neighbour into 16- and 32-bit values, and the narrowing of double results to Single.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

namespace tarsen {

/// Nearest whole number, halves to the even neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2), whatever
/// the rounding mode. NaN and infinities come back unchanged.
inline double round_half_even(double x)
{
    if (!std::isfinite(x))
        return x;
    double r = std::floor(x);
    const double d = x - r;
    if (d > 0.5 || (d == 0.5 && std::fmod(r, 2.0) != 0.0))
        r += 1.0;
    return r;
}

/// The largest whole number not above x (Int(-0.5) = -1).
inline double Int(double x) { return std::floor(x); }

/// x rounded half-to-even into a 16-bit Integer, or nothing when the result does not fit or x
/// is not finite. Use this for every value that comes from a file or from typed text.
inline std::optional<std::int16_t> TryCInt(double x)
{
    const double r = round_half_even(x);
    if (!(r >= std::numeric_limits<std::int16_t>::min() &&
          r <= std::numeric_limits<std::int16_t>::max()))
        return std::nullopt;
    return static_cast<std::int16_t>(r);
}

/// x rounded half-to-even into a 32-bit Long, or nothing when it does not fit.
inline std::optional<std::int32_t> TryCLng(double x)
{
    const double r = round_half_even(x);
    if (!(r >= std::numeric_limits<std::int32_t>::min() &&
          r <= std::numeric_limits<std::int32_t>::max()))
        return std::nullopt;
    return static_cast<std::int32_t>(r);
}

/// CInt for values the caller knows to be in range. Out-of-range values are never wrapped: they
/// saturate at the nearer limit, and NaN gives 0.
inline std::int16_t CInt(double x)
{
    if (std::isnan(x))
        return 0;
    if (auto v = TryCInt(x))
        return *v;
    return x < 0 ? std::numeric_limits<std::int16_t>::min()
                 : std::numeric_limits<std::int16_t>::max();
}

/// CLng for values the caller knows to be in range; saturates like CInt.
inline std::int32_t CLng(double x)
{
    if (std::isnan(x))
        return 0;
    if (auto v = TryCLng(x))
        return *v;
    return x < 0 ? std::numeric_limits<std::int32_t>::min()
                 : std::numeric_limits<std::int32_t>::max();
}

/// Narrow a double result to Single storage (the one place a computed value is rounded to float).
inline float Sng(double x) { return static_cast<float>(x); }

/// An int computed in 32 bits, narrowed to a 16-bit field only when it fits.
inline std::optional<std::int16_t> TryInt16(long long v)
{
    if (v < std::numeric_limits<std::int16_t>::min() ||
        v > std::numeric_limits<std::int16_t>::max())
        return std::nullopt;
    return static_cast<std::int16_t>(v);
}

} // namespace tarsen
