// The raster surface: pixel access, lines on whole pixels, text placed by its top-left corner,
// and the border flood fill.
#include "common/colour.h"
#include "graphics/rastersurface.h"

#include <gtest/gtest.h>

namespace tarsen {
namespace {

constexpr std::int32_t kGreen = RGB(0, 200, 0);

int CountColour(const RasterSurface& s, std::int32_t colour)
{
    int n = 0;
    for (int y = 0; y < s.Height(); ++y)
        for (int x = 0; x < s.Width(); ++x)
            n += s.Point(x, y) == colour ? 1 : 0;
    return n;
}

TEST(RasterSurface, PixelsAreBoundsCheckedAndKeepTheirColour)
{
    RasterSurface s(8, 6, kWhite);
    EXPECT_EQ(s.Point(0, 0), kWhite);
    s.SetPixel(3, 2, RGB(12, 34, 56));
    EXPECT_EQ(s.Point(3, 2), RGB(12, 34, 56));
    s.SetPixel(-1, 2, kBlack); // ignored
    s.SetPixel(8, 0, kBlack);
    s.SetPixel(0, 6, kBlack);
    EXPECT_EQ(CountColour(s, kBlack), 0);
    EXPECT_EQ(s.Point(8, 0), -1);
    EXPECT_EQ(s.Point(-3, -3), -1);
    s.Clear(kBlue);
    EXPECT_EQ(CountColour(s, kBlue), 48);

    RasterSurface empty;
    empty.Line(0, 0, 5, 5, kBlack, 1);
    empty.SetPixel(0, 0, kBlack);
    EXPECT_FALSE(empty.FloodFillBorder(0, 0, kBlack, kRed));
    EXPECT_EQ(empty.Point(0, 0), -1);
}

TEST(RasterSurface, LinesCoverBothEndsOnWholePixels)
{
    RasterSurface s(20, 20, kWhite);
    s.Line(2, 5, 12, 5, kBlack, 1);
    for (int x = 2; x <= 12; ++x)
        EXPECT_EQ(s.Point(x, 5), kBlack) << x;
    EXPECT_EQ(s.Point(1, 5), kWhite);
    EXPECT_EQ(s.Point(13, 5), kWhite);
    EXPECT_EQ(s.Point(7, 4), kWhite);
    EXPECT_EQ(s.Point(7, 6), kWhite);

    // A diagonal line: exactly one pixel per column, no anti-aliased shades.
    s.Clear(kWhite);
    s.Line(0, 0, 9, 9, kRed, 0);
    for (int x = 0; x <= 9; ++x)
        EXPECT_EQ(s.Point(x, x), kRed) << x;
    EXPECT_EQ(CountColour(s, kRed), 10);
    EXPECT_EQ(CountColour(s, kWhite), 390);

    // A wide line covers pixels on both sides; a wide dotted one is solid.
    s.Clear(kWhite);
    s.Line(2, 10, 17, 10, kBlack, 3, true);
    for (int x = 3; x <= 16; ++x) {
        EXPECT_EQ(s.Point(x, 9), kBlack) << x;
        EXPECT_EQ(s.Point(x, 10), kBlack) << x;
        EXPECT_EQ(s.Point(x, 11), kBlack) << x;
    }
    // A thin dotted line leaves gaps.
    s.Clear(kWhite);
    s.Line(0, 3, 19, 3, kBlack, 1, true);
    const int dots = CountColour(s, kBlack);
    EXPECT_GT(dots, 4);
    EXPECT_LT(dots, 16);

    // A zero-length line is its one pixel.
    s.Clear(kWhite);
    s.Line(4, 4, 4, 4, kBlack, 1);
    EXPECT_EQ(s.Point(4, 4), kBlack);
    EXPECT_EQ(CountColour(s, kBlack), 1);
}

TEST(RasterSurface, CirclesAndTextLandWhereAsked)
{
    RasterSurface s(60, 60, kWhite);
    s.Circle(30, 30, 10, kRed, 1);
    EXPECT_EQ(s.Point(30, 30), kWhite); // open circle
    EXPECT_EQ(s.Point(40, 30), kRed);
    EXPECT_EQ(s.Point(30, 20), kRed);
    s.Circle(30, 30, 5, kBlack, 1, kBlack);
    EXPECT_EQ(s.Point(30, 30), kBlack);
    EXPECT_EQ(s.Point(32, 31), kBlack);

    // Text goes below and to the right of its position, starting near its top.
    RasterSurface t(80, 60, kWhite);
    t.Print(20, 20, QStringLiteral("HH"), kBlack);
    int top = 1000, left = 1000, inked = 0;
    for (int y = 0; y < t.Height(); ++y)
        for (int x = 0; x < t.Width(); ++x)
            if (t.Point(x, y) != kWhite) {
                ++inked;
                top = std::min(top, y);
                left = std::min(left, x);
            }
    ASSERT_GT(inked, 0);
    EXPECT_GE(top, 20);
    EXPECT_LE(top, 26); // the ascent above capitals is small
    EXPECT_GE(left, 20);
    EXPECT_LE(left, 24);
}

TEST(RasterSurface, BorderFillStopsAtTheBorderColourOnly)
{
    // A closed square outline in green with a red line crossing its inside.
    RasterSurface s(30, 30, kWhite);
    s.Line(5, 5, 20, 5, kGreen, 1);
    s.Line(20, 5, 20, 20, kGreen, 1);
    s.Line(20, 20, 5, 20, kGreen, 1);
    s.Line(5, 20, 5, 5, kGreen, 1);
    s.Line(6, 12, 19, 12, kRed, 1);
    EXPECT_TRUE(s.FloodFillBorder(10, 10, kGreen, kBlue));
    // Inside (both sides of the red line, which is not the border) is filled...
    EXPECT_EQ(s.Point(10, 10), kBlue);
    EXPECT_EQ(s.Point(10, 12), kBlue);
    EXPECT_EQ(s.Point(19, 19), kBlue);
    EXPECT_EQ(s.Point(6, 6), kBlue);
    // ...the border stays, and nothing outside it changes.
    EXPECT_EQ(s.Point(5, 10), kGreen);
    EXPECT_EQ(s.Point(20, 20), kGreen);
    EXPECT_EQ(s.Point(4, 10), kWhite);
    EXPECT_EQ(s.Point(25, 25), kWhite);
    EXPECT_EQ(CountColour(s, kBlue), 14 * 14);

    // A seed on the border, or off the surface, fills nothing.
    EXPECT_FALSE(s.FloodFillBorder(5, 5, kGreen, kRed));
    EXPECT_FALSE(s.FloodFillBorder(-1, 5, kGreen, kRed));
    EXPECT_FALSE(s.FloodFillBorder(5, 30, kGreen, kRed));
    EXPECT_EQ(CountColour(s, kBlue), 14 * 14);

    // Filling with a colour the area already has still finishes and covers it all (the
    // outside here: everything but the outline and the filled square).
    EXPECT_TRUE(s.FloodFillBorder(0, 0, kGreen, kWhite));
    EXPECT_EQ(CountColour(s, kWhite), 900 - 16 * 16);
}

TEST(RasterSurface, BorderFillIsFourConnected)
{
    // A one-pixel diagonal line (8-connected) separates the two triangles of the square.
    RasterSurface s(12, 12, kWhite);
    s.Line(0, 0, 11, 11, kGreen, 1);
    ASSERT_TRUE(s.FloodFillBorder(11, 0, kGreen, kRed));
    EXPECT_EQ(s.Point(11, 0), kRed);
    EXPECT_EQ(s.Point(6, 5), kRed);
    EXPECT_EQ(s.Point(0, 11), kWhite);
    EXPECT_EQ(s.Point(5, 6), kWhite);
    EXPECT_EQ(CountColour(s, kRed), 66);
}

TEST(RasterSurface, BorderFillOfALargeMazeNeedsNoRecursion)
{
    // A serpentine corridor in a 1200 x 1200 picture: one fill walks all of it.
    const int n = 1200;
    RasterSurface s(n, n, kWhite);
    for (int x = 2; x < n; x += 4) {
        const bool fromTop = (x / 4) % 2 == 0;
        s.Line(x, fromTop ? 0 : 2, x, fromTop ? n - 3 : n - 1, kBlack, 1);
    }
    ASSERT_TRUE(s.FloodFillBorder(0, 0, kBlack, kRed));
    EXPECT_EQ(s.Point(n - 1, n - 1), kRed);
    EXPECT_EQ(s.Point(n / 2 + 1, n / 2), kRed);
    EXPECT_EQ(CountColour(s, kWhite), 0);
}

TEST(RasterSurface, CopiesAreWholeAndIndependent)
{
    RasterSurface a(10, 10, kWhite);
    a.SetPixel(2, 3, kRed);
    const QImage saved = a.Image().copy();
    a.SetPixel(2, 3, kBlue);
    RasterSurface b(4, 4, kBlack);
    b.CopyFrom(saved);
    EXPECT_EQ(b.Width(), 10);
    EXPECT_EQ(b.Point(2, 3), kRed);
    b.SetPixel(2, 3, kBlack);
    EXPECT_EQ(ColourOf(saved.pixel(2, 3)), kRed);
    EXPECT_EQ(a.Point(2, 3), kBlue);
}

} // namespace
} // namespace tarsen
