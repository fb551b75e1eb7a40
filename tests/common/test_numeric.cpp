#include "common/colour.h"
#include "common/ghostfield.h"
#include "common/numeric.h"
#include "common/runningsum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

using namespace tarsen;

TEST(Rounding, HalvesGoToTheEvenNeighbour)
{
    EXPECT_EQ(CInt(2.5), 2);
    EXPECT_EQ(CInt(3.5), 4);
    EXPECT_EQ(CInt(-2.5), -2);
    EXPECT_EQ(CInt(-3.5), -4);
    EXPECT_EQ(CInt(0.5), 0);
    EXPECT_EQ(CInt(1.5), 2);
    EXPECT_EQ(CInt(2.4999), 2);
    EXPECT_EQ(CInt(2.5001), 3);
    EXPECT_EQ(CLng(1e6 + 0.5), 1000000);
    EXPECT_EQ(CLng(1e6 + 1.5), 1000002);
    // 45 x 1.5 = 67.5 rounds to 68, the example of a grid whose nz is rounded.
    EXPECT_EQ(CInt(45 * 1.5), 68);
}

TEST(Rounding, IntIsFloor)
{
    EXPECT_EQ(Int(-0.5), -1.0);
    EXPECT_EQ(Int(2.9), 2.0);
    EXPECT_EQ(Int(-3.0), -3.0);
}

TEST(Rounding, OutOfRangeIsRefusedOrSaturatedNeverWrapped)
{
    EXPECT_FALSE(TryCInt(32767.5).has_value()); // rounds to 32768
    EXPECT_EQ(TryCInt(32767.4).value(), 32767);
    EXPECT_EQ(TryCInt(-32768.5).value(), -32768); // halves to even: -32768
    EXPECT_FALSE(TryCInt(40000.0).has_value());
    EXPECT_FALSE(TryCInt(std::nan("")).has_value());
    EXPECT_FALSE(TryCLng(3e9).has_value());
    EXPECT_FALSE(TryCLng(std::numeric_limits<double>::infinity()).has_value());
    EXPECT_EQ(CInt(40000.0), 32767);
    EXPECT_EQ(CInt(-40000.0), -32768);
    EXPECT_EQ(CInt(std::nan("")), 0);
    EXPECT_FALSE(TryInt16(512 * 128).has_value());
    EXPECT_EQ(TryInt16(512 * 64 - 1).value(), 32767);
}

TEST(Colour, LongLayoutIsRedGreenBlueFromTheLowByte)
{
    EXPECT_EQ(RGB(255, 0, 0), 255);
    EXPECT_EQ(RGB(0, 0, 255), 16711680);
    EXPECT_EQ(RGB(255, 255, 255), 16777215);
    const auto c = RGB(170, 226, 219);
    EXPECT_EQ(RedOf(c), 170);
    EXPECT_EQ(GreenOf(c), 226);
    EXPECT_EQ(BlueOf(c), 219);
}

TEST(GhostField, SpansTheGhostRingAndKeepsNeighbourOffsets)
{
    GhostField<float> t(4, 3, 1.5f);
    EXPECT_EQ(t.N1(), 4);
    EXPECT_EQ(t.N2(), 3);
    EXPECT_TRUE(t.InRange(-1, -1));
    EXPECT_TRUE(t.InRange(4, 3));
    EXPECT_FALSE(t.InRange(5, 0));
    EXPECT_FALSE(t.InRange(0, -2));
    t(-1, -1) = 7.0f;
    t(4, 3) = 9.0f;
    EXPECT_EQ(t.Data()[0], 7.0f);
    EXPECT_EQ(t.Data()[t.Index(4, 3)], 9.0f);
    EXPECT_EQ(t.Index(1, 2) + 1, t.Index(1, 3));
    EXPECT_EQ(t.Index(1, 2) + t.Stride(), t.Index(2, 2));
    EXPECT_EQ(t(2, 2), 1.5f);
    GhostField<float> empty;
    EXPECT_FALSE(empty.InRange(0, 0));
}

// The blocked sum must give the bits of the term-by-term loop: long runs, sums crossing powers of
// two, terms that land exactly on a half of the spacing, zeros, and the terms that must go one
// at a time (negative, NaN, infinite, overflowing).
TEST(Rounding, RunningSumOfProductsIsTheTermByTermSum)
{
    const auto plain = [](float sum, float r, const std::vector<float>& f) {
        for (float v : f)
            sum = Sng(double(sum) + double(r) * double(v));
        return sum;
    };
    const auto same = [](float a, float b) {
        return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b));
    };
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> mantissa(0.0f, 1.0f);
    std::uniform_int_distribution<int> exponent(-30, 10);
    std::uniform_int_distribution<int> pick(0, 99);
    for (int trial = 0; trial < 400; ++trial) {
        const std::size_t n = 1 + static_cast<std::size_t>(rng() % 3000);
        std::vector<float> f(n);
        const float r = trial % 7 == 0 ? 1.0f : std::ldexp(mantissa(rng) + 0.5f, exponent(rng) / 3);
        for (float& v : f) {
            const int kind = pick(rng);
            if (kind < 10)
                v = 0.0f;
            else if (kind < 20)
                v = std::ldexp(1.0f, exponent(rng)); // powers of two: halves of the spacing
            else if (kind < 25)
                v = std::ldexp(3.0f, exponent(rng));
            else
                v = std::ldexp(mantissa(rng), exponent(rng) + (trial % 4) * 8);
        }
        if (trial % 50 == 1)
            f[n / 2] = -f[n / 2] - 1.0f;
        if (trial % 50 == 2)
            f[n / 3] = std::numeric_limits<float>::quiet_NaN();
        if (trial % 50 == 3)
            f[n / 3] = std::numeric_limits<float>::infinity();
        if (trial % 50 == 4)
            f[n - 1] = std::numeric_limits<float>::max();
        const float start = trial % 3 == 0 ? 0.0f : mantissa(rng) * 1000.0f;
        const float expected = plain(start, r, f);
        const float got = running_sum_of_products(start, r, f.data(), f.size());
        EXPECT_TRUE(same(expected, got)) << "trial " << trial << ": " << expected << " " << got;
    }
    // Terms just below half the spacing, whose sum with s rounds in double to exactly a half and
    // then to the even neighbour: 8388609 + 0.49999... gives 8388610.
    const std::vector<float> nearHalf(100, 0.5f * (1.0f - std::ldexp(1.0f, -23)));
    const float r1 = 1.0f + std::ldexp(1.0f, -23);
    EXPECT_EQ(plain(8388609.0f, r1, nearHalf), 8388610.0f);
    EXPECT_EQ(running_sum_of_products(8388609.0f, r1, nearHalf.data(), nearHalf.size()),
              8388610.0f);
    // A negative factor goes term by term.
    const std::vector<float> g{1.5f, 2.25f, 1.0e-3f};
    EXPECT_TRUE(same(plain(3.0f, -0.5f, g), running_sum_of_products(3.0f, -0.5f, g.data(), 3)));
}
