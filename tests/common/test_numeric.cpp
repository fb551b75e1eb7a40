#include "common/colour.h"
#include "common/ghostfield.h"
#include "common/numeric.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

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
