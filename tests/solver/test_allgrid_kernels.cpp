// The multigrid solver's Single running sum: whatever blocks it takes at once, it must give the
// bits of adding the terms one by one, on every instruction set.
#include "solver/allgrid_kernels.h"
#include "test_allgrid_util.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace tarsen {
namespace {

float TermByTerm(float s, const std::vector<float>& q)
{
    for (float v : q)
        s = s + v;
    return s;
}

std::uint32_t Bits(float v)
{
    std::uint32_t b = 0;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

void ExpectSameSum(float start, const std::vector<float>& q, const char* what)
{
    const float expected = TermByTerm(start, q);
    const float got = allgrid::ordered_sum(start, q.data(), static_cast<std::int32_t>(q.size()));
    if (std::isnan(expected))
        EXPECT_TRUE(std::isnan(got)) << what;
    else
        EXPECT_EQ(Bits(got), Bits(expected)) << what << ": " << got << " vs " << expected;
}

TEST(AllgridKernels, OrderedSumGivesTheTermByTermBits)
{
    test::ForEachKernelIsa([] {
        std::mt19937 rng(11);
        // Squares of residuals spread over many orders of magnitude, as a sweep produces them.
        for (int round = 0; round < 40; ++round) {
            std::uniform_real_distribution<float> mantissa(-1.0f, 1.0f);
            std::uniform_int_distribution<int> scale(-20, 10);
            std::vector<float> q(static_cast<std::size_t>(50 + 997 * (round % 7)));
            for (float& v : q) {
                const float r = std::ldexp(mantissa(rng), scale(rng));
                v = r * r;
            }
            ExpectSameSum(0.0f, q, "spread");
            ExpectSameSum(1e-3f, q, "from a start value");
        }
        // Terms of equal size, which put every block on exact halves of the spacing.
        ExpectSameSum(0.0f, std::vector<float>(5000, 0.25f), "equal quarters");
        ExpectSameSum(3.0f, std::vector<float>(5000, 1.0f), "ones");
        ExpectSameSum(1.0f, std::vector<float>(3000, 1.0f / 1024), "small equal terms");
        // Terms far below the spacing of the sum: it must not move at all.
        ExpectSameSum(1e8f, std::vector<float>(4000, 1.0f), "absorbed terms");
        // Zeros, subnormals and a sum that starts subnormal.
        std::vector<float> tiny(4000, std::numeric_limits<float>::denorm_min());
        ExpectSameSum(0.0f, tiny, "subnormals");
        ExpectSameSum(std::numeric_limits<float>::min(), tiny, "near the smallest normal");
        ExpectSameSum(5.0f, std::vector<float>(1000, 0.0f), "zeros");
        // Negative terms, overflow to infinity and NaN fall back to term-by-term addition.
        std::vector<float> mixed(2000, 2.5f);
        mixed[700] = -1e5f;
        ExpectSameSum(1.0f, mixed, "a negative term");
        std::vector<float> huge(2000, 3e37f);
        ExpectSameSum(1.0f, huge, "overflow");
        std::vector<float> withNan(2000, 1.5f);
        withNan[1500] = std::numeric_limits<float>::quiet_NaN();
        ExpectSameSum(1.0f, withNan, "NaN");
        ExpectSameSum(-4.0f, std::vector<float>(500, 0.125f), "a negative start");
    });
}

} // namespace
} // namespace tarsen
