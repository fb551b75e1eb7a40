// The Single running sum of products that the integrated power forms: term by term, each addition
// done in double and rounded to Single, in order. The loop is a chain of dependent roundings, one
// term at a time; the same result is formed here a run of terms at a time.
//
// While the sum s stays inside one binade [2^(e - 1), 2^e), every value it takes is a whole
// multiple of the Single spacing u = 2^(e - 24) there: s = m u with 2^23 <= m < 2^24. The step
// Sng(s + x) first rounds s + x to double, which keeps x / u to a multiple of 2^-29 (x >= 0), and
// then to Single, which rounds that to a whole number. Unless the double-rounded x / u ends in
// exactly one half (then the result depends on m), each step adds RNE(x / u) whatever m is, so a
// run of non-negative terms whose whole numbers keep m below 2^24 adds up as whole numbers. A
// run that does not, a sum that is negative, subnormal or not finite, and negative or non-finite
// terms go term by term; a sum of +0 passes over zero terms at once.
#pragma once

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstddef>

namespace tarsen {

/// sum + r f[0] + r f[1] + ... + r f[n - 1], each step Sng(double(sum) + double(r) double(f[k]))
/// (the products are exact in double), bit for bit as that loop gives it, overflow to infinity
/// included.
inline float running_sum_of_products(float sum, float r, const float* f, std::size_t n)
{
    constexpr double kTwo23 = 8388608.0;
    constexpr double kTwo24 = 16777216.0;
    constexpr double kTwo52 = 4503599627370496.0;
    constexpr std::size_t kShortRun = 16;
    constexpr std::size_t kLongRun = 4096;
    const double rd = r;
    const auto step = [&](std::size_t k) {
        sum = static_cast<float>(double(sum) + rd * double(f[k]));
    };
    std::size_t k = 0;
    if (!(rd >= 0.0 && rd <= DBL_MAX)) {
        for (; k < n; ++k)
            step(k);
        return sum;
    }
    std::size_t run = 256;
    while (k < n) {
        if (sum == 0.0f && !std::signbit(sum)) {
            // +0 plus a zero product of either sign stays +0.
            while (k < n && f[k] == 0.0f)
                ++k;
            if (k < n) {
                step(k);
                ++k;
            }
            continue;
        }
        const std::size_t len = std::min(run, n - k);
        if (!(sum >= FLT_MIN && sum <= FLT_MAX) || len < kShortRun) {
            step(k);
            ++k;
            continue;
        }
        int e = 0;
        (void)std::frexp(sum, &e); // sum in [2^(e - 1), 2^e)
        const double u = std::ldexp(1.0, e - 24);
        const double inv = std::ldexp(1.0, 24 - e);
        const double m = double(sum) * inv;
        // A term that is negative, NaN or past the binade on its own, or whose rounding is a
        // tie, spoils the run. The whole numbers are exact in any order, so four partial sums
        // keep the adder busy.
        double part[4] = {0.0, 0.0, 0.0, 0.0};
        bool bad = false;
        for (std::size_t j = k; j < k + len; ++j) {
            const double q = rd * double(f[j]) * inv; // exact: a power of two
            const double q29 = (q + kTwo23) - kTwo23; // the double rounding of s + x
            const double d = (q29 + kTwo52) - kTwo52; // halves to even
            bad = bad || !(q >= 0.0 && q < kTwo23) || std::fabs(q29 - d) == 0.5;
            part[(j - k) & 3] += d;
        }
        const double whole = (part[0] + part[1]) + (part[2] + part[3]);
        if (!bad && whole < kTwo24 - m) {
            sum = static_cast<float>((m + whole) * u); // exact: a whole number below 2^24 times u
            k += len;
            run = std::min(2 * run, kLongRun);
        } else if (run > kShortRun) {
            run = kShortRun; // again from a short run, growing after each success
        } else {
            for (std::size_t j = k; j < k + len; ++j)
                step(j);
            k += len;
        }
    }
    return sum;
}

} // namespace tarsen
