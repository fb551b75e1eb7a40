#include "common/colour.h"
#include "simulation/clscolor.h"

#include <gtest/gtest.h>

using namespace tarsen;

namespace {

clsColor ColourOf(int red, int green, int blue)
{
    clsColor c;
    c.RGBValues(0, red);
    c.RGBValues(1, green);
    c.RGBValues(2, blue);
    return c;
}

} // namespace

TEST(clsColor, IntCompressGivesSixLevels)
{
    struct Row {
        int in, out;
    };
    for (const Row r : {Row{0, 0}, Row{42, 0}, Row{43, 51}, Row{84, 51}, Row{85, 102},
                        Row{127, 102}, Row{128, 153}, Row{169, 153}, Row{170, 204}, Row{212, 204},
                        Row{213, 255}, Row{254, 255}, Row{255, 255}})
        EXPECT_EQ(clsColor::IntCompress(r.in), r.out) << r.in;
    // Values outside a component's range are clamped before compressing.
    EXPECT_EQ(clsColor::IntCompress(-7), 0);
    EXPECT_EQ(clsColor::IntCompress(400), 255);
}

TEST(clsColor, StartsWhiteAndClampsEveryComponentWrite)
{
    clsColor c;
    EXPECT_EQ(c.LongColor(), kWhite);
    EXPECT_EQ(c.HexColor(), "FFFFFF");
    c.RGBValues(0, 300); // an out-of-range pick
    c.RGBValues(1, -20);
    c.RGBValues(2, 256);
    EXPECT_EQ(c.RGBValues(0), 255);
    EXPECT_EQ(c.RGBValues(1), 0);
    EXPECT_EQ(c.RGBValues(2), 255);
    // Still two digits per channel: the channels never run into each other.
    EXPECT_EQ(c.HexColor(), "FF00FF");
    c.RGBValues(3, 10); // no such component: ignored
    EXPECT_EQ(c.LongColor(), RGB(255, 0, 255));
}

TEST(clsColor, HexTextIsBlueGreenRedInSixDigits)
{
    clsColor c;
    ASSERT_TRUE(c.LongColor(kRed));
    EXPECT_EQ(c.HexColor(), "0000FF");
    EXPECT_EQ(c.RGBValues(0), 255);
    EXPECT_EQ(c.RGBValues(1), 0);
    ASSERT_TRUE(c.LongColor(0));
    EXPECT_EQ(c.HexColor(), "000000");
    ASSERT_TRUE(c.LongColor(RGB(0x12, 0x34, 0x56)));
    EXPECT_EQ(c.HexColor(), "563412");
}

TEST(clsColor, RGBFromHexPadsOnTheLeftAndRefusesBadText)
{
    clsColor c;
    ASSERT_TRUE(c.RGBFromHex("FF"));
    EXPECT_EQ(c.RGBValues(0), 255);
    EXPECT_EQ(c.RGBValues(1), 0);
    EXPECT_EQ(c.RGBValues(2), 0);
    ASSERT_TRUE(c.RGBFromHex(" ff00 "));
    EXPECT_EQ(c.LongColor(), RGB(0, 255, 0));
    ASSERT_TRUE(c.HexColor("&HFF0000"));
    EXPECT_EQ(c.LongColor(), kBlue);
    ASSERT_TRUE(c.RGBFromHex("00563412")); // leading zeros are not significant digits
    EXPECT_EQ(c.LongColor(), RGB(0x12, 0x34, 0x56));

    // Text that is not a colour leaves the colour as it was.
    for (const char* bad : {"", "  ", "zz", "12 34", "1234567", "-FF", "&H", "0x12"}) {
        EXPECT_FALSE(c.RGBFromHex(bad)) << bad;
        EXPECT_EQ(c.LongColor(), RGB(0x12, 0x34, 0x56)) << bad;
    }
    EXPECT_EQ(clsColor::LongFromHex("FFFFFF").value(), kWhite);
    EXPECT_FALSE(clsColor::LongFromHex("G").has_value());
}

TEST(clsColor, LongColorKeepsTwentyFourBitsAndRefusesNegatives)
{
    clsColor c;
    ASSERT_TRUE(c.LongColor(0x01FFFFFF));
    EXPECT_EQ(c.LongColor(), kWhite);
    EXPECT_EQ(c.HexColor(), "FFFFFF");
    ASSERT_TRUE(c.LongColor(kRed));
    EXPECT_FALSE(c.LongColor(-1));
    EXPECT_EQ(c.LongColor(), kRed);
}

TEST(clsColor, GreyScaleTakesTheRoundedMean)
{
    clsColor c = ColourOf(10, 20, 40); // mean 23.33
    c.GreyScale();
    EXPECT_EQ(c.LongColor(), RGB(23, 23, 23));
    c = ColourOf(255, 0, 0);
    c.GreyScale();
    EXPECT_EQ(c.LongColor(), RGB(85, 85, 85));
    c = ColourOf(0, 1, 1); // mean 0.67
    c.GreyScale();
    EXPECT_EQ(c.LongColor(), RGB(1, 1, 1));
    c = ColourOf(255, 255, 254); // mean 254.67
    c.GreyScale();
    EXPECT_EQ(c.LongColor(), kWhite);
}

TEST(clsColor, CompressionAppliesToEveryReadAndToTheReturnedColour)
{
    clsColor c = ColourOf(100, 150, 200);
    c.bool216 = true;
    EXPECT_EQ(c.RGBValues(0), 102);
    EXPECT_EQ(c.RGBValues(1), 153);
    EXPECT_EQ(c.RGBValues(2), 204);
    EXPECT_EQ(c.HexColor(), "CC9966");
    EXPECT_EQ(c.LongColor(), RGB(102, 153, 204));
    // The stored components are kept: switching compression off gives them back.
    c.bool216 = false;
    EXPECT_EQ(c.LongColor(), RGB(100, 150, 200));
}

TEST(clsColor, AxisSchemesPlaceTheComponents)
{
    EXPECT_EQ(AxisCaptions(AxisScheme::Option1), (std::array<std::string_view, 3>{"R", "G", "B"}));
    EXPECT_EQ(AxisCaptions(AxisScheme::Option2), (std::array<std::string_view, 3>{"B", "R", "G"}));
    EXPECT_EQ(AxisCaptions(AxisScheme::Option3), (std::array<std::string_view, 3>{"G", "B", "R"}));
    EXPECT_EQ(PlaneColour(AxisScheme::Option1, 10, 20, 30, false), RGB(10, 20, 30));
    EXPECT_EQ(PlaneColour(AxisScheme::Option2, 10, 20, 30, false), RGB(20, 30, 10));
    EXPECT_EQ(PlaneColour(AxisScheme::Option3, 10, 20, 30, false), RGB(30, 10, 20));
    EXPECT_EQ(PlaneColour(AxisScheme::Option1, 100, 150, 200, true), RGB(102, 153, 204));
}

TEST(clsColor, GradientBarsRunFromTheColourTowardsWhiteGreyAndBlack)
{
    const clsColor c = ColourOf(0, 128, 255);
    const auto steps = GradientSteps(c);
    EXPECT_EQ(steps, (std::array<float, 9>{255, 127, 0, 128, 0, -127, 0, -128, -255}));
    for (GradientBar bar : {GradientBar::Whiten, GradientBar::Grayen, GradientBar::Blacken})
        EXPECT_EQ(GradientColour(c, steps, bar, 0), RGB(0, 128, 255));
    // Column 255 is one step short of the target: 255 * 255 / 256 = 254.004.
    EXPECT_EQ(GradientColour(c, steps, GradientBar::Whiten, 255), RGB(254, 255, 255));
    EXPECT_EQ(GradientColour(c, steps, GradientBar::Grayen, 255), RGB(128, 128, 128));
    EXPECT_EQ(GradientColour(c, steps, GradientBar::Blacken, 255), RGB(0, 0, 1));
    // Column 128 of the blackening bar halves every component: 64 and 127.5 -> 128 (even).
    EXPECT_EQ(GradientColour(c, steps, GradientBar::Blacken, 128), RGB(0, 64, 128));
}

TEST(clsColor, TypedWholeNumbersRoundHalfToEvenOrAreRefused)
{
    EXPECT_EQ(ParseWholeNumber("255").value(), 255);
    EXPECT_EQ(ParseWholeNumber(" 12.5 ").value(), 12);
    EXPECT_EQ(ParseWholeNumber("13.5").value(), 14);
    EXPECT_EQ(ParseWholeNumber("-3").value(), -3);
    EXPECT_FALSE(ParseWholeNumber("abc").has_value());
    EXPECT_FALSE(ParseWholeNumber("").has_value());
    EXPECT_FALSE(ParseWholeNumber("1e12").has_value());
}
