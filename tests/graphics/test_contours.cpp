// Isotherms: automatic levels, the segments traced through a grid, the contour commands, and
// the darkening of the smooth method.
#include "common/colour.h"
#include "graphics/clsconrec.h"
#include "graphics/colourmaps.h"
#include "graphics/picturestate.h"
#include "graphics/temperaturesampler.h"
#include "materials/clsmaterialproperties.h"
#include "model/clstarsen.h"
#include "simulation/results.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace tarsen {
namespace {

TEST(ContourLevels, AutomaticLevelsSpanTheFieldAboveItsMinimum)
{
    EXPECT_EQ(AutomaticLevels(23.4f, 512.0f, 100.0f),
              (std::vector<float>{100.0f, 200.0f, 300.0f, 400.0f, 500.0f}));
    // A level equal to tmin is not drawn, one equal to tmax is.
    EXPECT_EQ(AutomaticLevels(100.0f, 300.0f, 100.0f), (std::vector<float>{200.0f, 300.0f}));
    EXPECT_EQ(AutomaticLevels(0.0f, 300.0f, 50.0f),
              (std::vector<float>{50.0f, 100.0f, 150.0f, 200.0f, 250.0f, 300.0f}));
    // tmin just above a multiple, and below zero.
    EXPECT_EQ(AutomaticLevels(60.0f, 250.0f, 100.0f), (std::vector<float>{100.0f, 200.0f}));
    EXPECT_EQ(AutomaticLevels(-120.0f, 20.0f, 50.0f), (std::vector<float>{-100.0f, -50.0f, 0.0f}));
    // Levels are multiples, not sums: no drift after many steps of a fraction.
    const std::vector<float> fine = AutomaticLevels(0.0f, 100.0f, 0.1f);
    ASSERT_EQ(fine.size(), 1000u);
    EXPECT_FLOAT_EQ(fine[999], 100.0f);
    // None: no interval, no range, no numbers; and never more than the cap.
    EXPECT_TRUE(AutomaticLevels(0.0f, 300.0f, 0.0f).empty());
    EXPECT_TRUE(AutomaticLevels(0.0f, 300.0f, -100.0f).empty());
    EXPECT_TRUE(AutomaticLevels(1e10f, -1e6f, 100.0f).empty());
    EXPECT_TRUE(AutomaticLevels(0.0f, std::nanf(""), 100.0f).empty());
    EXPECT_TRUE(AutomaticLevels(400.0f, 450.0f, 100.0f).empty());
    EXPECT_EQ(AutomaticLevels(25.0f, 1500.0f, 0.001f).size(),
              static_cast<std::size_t>(kMaxContourLevelsPerClass));
    // An interval too fine for Single at this temperature gives up instead of hanging.
    EXPECT_TRUE(AutomaticLevels(1000.0f, 1000.0f, 1e-9f).empty());
}

// A linear field d = 2 i + 3 j on coordinates x = 10 i, y = 5 j: every segment must lie on
// the straight isotherm 2 x / 10 + 3 y / 5 = level.
TEST(Conrec, SegmentsOfALinearFieldLieOnItsIsotherms)
{
    const int n1 = 6, n2 = 5;
    GhostField<float> d(n1, n2);
    std::vector<float> x, y;
    for (int i = -1; i <= n1; ++i) {
        x.push_back(10.0f * i);
        for (int j = -1; j <= n2; ++j)
            d(i, j) = static_cast<float>(2 * i + 3 * j);
    }
    for (int j = -1; j <= n2; ++j)
        y.push_back(5.0f * j);
    const std::vector<float> z{7.25f, 12.0f, 100.0f};
    std::vector<int> count(3, 0);
    double length = 0.0;
    clsConrec().conrec(d, x, y, 3, z, -1, n1, -1, n2, -5.0, 25.0,
                       [&](double x1, double y1, double x2, double y2, int k) {
                           ++count[static_cast<std::size_t>(k)];
                           const double level = z[static_cast<std::size_t>(k)];
                           EXPECT_NEAR(2.0 * x1 / 10.0 + 3.0 * y1 / 5.0, level, 1e-9);
                           EXPECT_NEAR(2.0 * x2 / 10.0 + 3.0 * y2 / 5.0, level, 1e-9);
                           EXPECT_GE(x1, -10.0);
                           EXPECT_LE(x1, 60.0);
                           if (k == 0)
                               length += std::hypot(x2 - x1, y2 - y1);
                       });
    EXPECT_GT(count[0], 0);
    EXPECT_GT(count[1], 0);
    EXPECT_EQ(count[2], 0); // outside the field
    // The pieces of level 7.25 add up to the isotherm's length inside the grid, from
    // (x, y) = (51.25, -5) to (-10, 15.4167).
    EXPECT_NEAR(length, std::hypot(61.25, 61.25 / 3.0), 1e-9);

    // Cells outside the field's extremes passed in are not looked at.
    int none = 0;
    clsConrec().conrec(d, x, y, 3, z, -1, n1, -1, n2, 30.0, 40.0,
                       [&](double, double, double, double, int) { ++none; });
    EXPECT_EQ(none, 0);
    // Corners that are not numbers, or beyond 1E37, keep their cells out.
    d.Fill(std::nanf(""));
    clsConrec().conrec(d, x, y, 3, z, -1, n1, -1, n2, -5.0, 25.0,
                       [&](double, double, double, double, int) { ++none; });
    d.Fill(2e37f);
    clsConrec().conrec(d, x, y, 3, z, -1, n1, -1, n2, -5.0, 1e38,
                       [&](double, double, double, double, int) { ++none; });
    EXPECT_EQ(none, 0);
}

// rmax = zmax = 10 mm on 10 x 10 cells, t = 8 r (deg C, ghosts included), on a 96-pixel picture:
// 0.125 mm per pixel, the model from pixel 8 to 88, and one degree per pixel along r.
struct LinearField {
    clsTarsen Tarsen;
    clsMaterialProperties materials;
    ModelGrid grid;
    PictureState st;
    PictureSurface pic{96};

    LinearField()
    {
        grid.rmax = grid.zmax = 10.0f;
        grid.nr = grid.nz = 10;
        grid.t.Resize(10, 10);
        for (int i = -1; i <= 10; ++i)
            for (int j = -1; j <= 10; ++j)
                grid.t(i, j) = 8.0f * (i + 0.5f);
        grid.TemperatureReady = true;
        st.InitializePic(Model(), pic);
    }
    PictureModel Model() { return PictureModel{Tarsen, materials, grid}; }
    std::int32_t At(int x, int y) const { return pic.image.Point(x, y); }
};

TEST(SmoothContours, DarkenByDistanceFromTheIsotherm)
{
    LinearField fx;
    ASSERT_FLOAT_EQ(fx.st.PicToMM, 0.125f);
    // Level 50 lies at r = 6.25 mm, pixel 58; weight 2 is the half-width of the band.
    fx.st.drawfinecontour3(50.0f, kBlack, 2.0f, fx.Model(), fx.pic);
    EXPECT_EQ(fx.At(58, 40), Blacken(kWhite, 0.1f)); // on the isotherm: a tenth stays
    EXPECT_EQ(fx.At(59, 40), 0x808080);              // 1 pixel away: index 5, half stays
    EXPECT_EQ(fx.At(57, 40), 0x808080);
    EXPECT_EQ(fx.At(60, 40), Blacken(kWhite, 0.9f)); // at the weight: nine tenths
    EXPECT_EQ(fx.At(61, 40), kWhite);
    EXPECT_EQ(fx.At(55, 40), kWhite);
    // Only inside the model frame.
    EXPECT_EQ(fx.At(58, 4), kWhite);

    // Level 50.5, half a pixel further: 2.5 pixels away is untouched, 1.5 keeps 0.7; each
    // contour reads the result of the previous ones.
    fx.pic.image.Clear(kWhite);
    fx.st.drawfinecontour3(50.5f, kBlack, 2.0f, fx.Model(), fx.pic);
    EXPECT_EQ(fx.At(61, 40), kWhite);
    EXPECT_EQ(fx.At(56, 40), kWhite);
    EXPECT_EQ(fx.At(60, 40), Blacken(kWhite, 0.7f));
    fx.st.drawfinecontour3(52.0f, kBlack, 2.0f, fx.Model(), fx.pic);
    EXPECT_EQ(fx.At(60, 40), Blacken(Blacken(kWhite, 0.7f), 0.1f));

    // A weight that is not above 0 counts as one pixel; a level outside the field draws nothing.
    fx.pic.image.Clear(kWhite);
    fx.st.drawfinecontour3(50.0f, kBlack, 0.0f, fx.Model(), fx.pic);
    EXPECT_EQ(fx.At(59, 40), Blacken(kWhite, 0.9f)); // index 10 of a one-pixel band
    EXPECT_EQ(fx.At(60, 40), kWhite);
    fx.pic.image.Clear(kWhite);
    fx.st.drawfinecontour3(5000.0f, kBlack, 2.0f, fx.Model(), fx.pic);
    fx.st.drawfinecontour3(-300.0f, kBlack, 2.0f, fx.Model(), fx.pic);
    for (int x = 0; x < 96; ++x)
        ASSERT_EQ(fx.At(x, 40), kWhite) << x;
    // Without a field nothing is drawn.
    fx.grid.TemperatureReady = false;
    fx.st.drawfinecontour3(50.0f, kBlack, 2.0f, fx.Model(), fx.pic);
    EXPECT_EQ(fx.At(58, 40), kWhite);
}

TEST(SmoothContours, SamplerMatchesTheFieldInterpolation)
{
    ModelGrid grid;
    grid.rmax = 7.3f;
    grid.zmax = 11.9f;
    grid.nr = 13;
    grid.nz = 21;
    grid.t.Resize(13, 21);
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> u(20.0f, 1500.0f);
    for (int i = -1; i <= 13; ++i)
        for (int j = -1; j <= 21; ++j)
            grid.t(i, j) = u(rng);
    grid.TemperatureReady = true;
    FieldGeometry g;
    g.nr = grid.nr;
    g.nz = grid.nz;
    g.rmax = grid.rmax;
    g.zmax = grid.zmax;
    // Every side but the axis held, so that beyond them both read the ghost ring (beyond a
    // zero-flux side, the axis included, the field interpolation reflects instead).
    g.ibcs = {0, 1, 1, 1};
    const TemperatureSampler sampler(grid);
    std::uniform_real_distribution<float> ur(0.0f, 8.5f), uz(-1.0f, 13.0f);
    for (int k = 0; k < 2000; ++k) {
        const float r = ur(rng);
        const float z = uz(rng);
        ASSERT_EQ(sampler.TInterp(r, z), TInterp(grid.t, g, true, r, z)) << r << " " << z;
    }
    // Cell points read their own value.
    EXPECT_EQ(sampler.TInterp(0.5f * 7.3f / 13.0f, 0.5f * 11.9f / 21.0f), grid.t(0, 0));
}

TEST(FastContours, SegmentsAreDrawnInBlackAlongTheIsotherm)
{
    LinearField fx;
    fx.st.ContourDraw(2, {50.0f, 2000.0f, 0.0f}, {1.0f, 1.0f, 0.0f}, {0, 0, 0}, fx.Model(), fx.pic);
    for (int y = 10; y < 86; ++y) {
        EXPECT_EQ(fx.At(58, y), kBlack) << y; // the isotherm r = 6.25 mm
        EXPECT_EQ(fx.At(56, y), kWhite) << y;
        EXPECT_EQ(fx.At(60, y), kWhite) << y;
    }
    // A heavier weight widens the line.
    fx.pic.image.Clear(kWhite);
    fx.st.ContourDraw(1, {50.0f}, {3.0f}, {0}, fx.Model(), fx.pic);
    EXPECT_EQ(fx.At(57, 40), kBlack);
    EXPECT_EQ(fx.At(59, 40), kBlack);
    EXPECT_EQ(fx.At(61, 40), kWhite);
}

TEST(FastContours, EachLevelIsWrittenOnceOnItsIsotherm)
{
    LinearField fx;
    fx.st.ContourCount = 3;
    fx.st.ContourLevels = {50.0f, 50.0f, 2000.0f, 0.0f};
    fx.st.ContourWeights = {1.0f, 1.0f, 1.0f, 0.0f};
    fx.st.ContourColors = {0, 0, 0, 0};
    fx.st.ShowValues = false;
    fx.st.DrawAllContours(fx.Model(), fx.pic);
    for (int y = 10; y < 86; ++y)
        ASSERT_EQ(fx.At(58, y), kBlack) << y;

    // "50 °C" in a white box that interrupts the isotherm r = 6.25 mm, inside the model frame;
    // the duplicate and the level outside the field write nothing more.
    fx.pic.image.Clear(kWhite);
    fx.st.ShowValues = true;
    fx.st.DrawAllContours(fx.Model(), fx.pic);
    int gap = 0, textLeft = 0, textRight = 0;
    for (int y = 8; y < 88; ++y) {
        gap += fx.At(58, y) == kWhite ? 1 : 0;
        for (int x = 8; x < 88; ++x) {
            if (fx.At(x, y) == kBlack && x < 56)
                ++textLeft;
            if (fx.At(x, y) == kBlack && x > 60)
                ++textRight;
        }
    }
    EXPECT_GE(gap, 8);
    EXPECT_LE(gap, 20); // one box, one line of text high
    EXPECT_GT(textLeft, 5);
    EXPECT_GT(textRight, 5);
    for (int x = 0; x < 96; ++x) {
        EXPECT_EQ(fx.At(x, 2), kWhite) << x; // nothing in the margin
        EXPECT_EQ(fx.At(x, 93), kWhite) << x;
    }
}

TEST(ContourList, CommandsBuildTheListFromTheField)
{
    LinearField fx;
    // Interior temperatures run from 4 to 76.
    fx.st.ContourIntervals = {20.0f, 0.0f};
    fx.st.PrepareContours(fx.Model());
    EXPECT_EQ(fx.st.ContourCount, 3);
    ASSERT_EQ(fx.st.ContourLevels.size(), 4u); // one entry beyond the count
    EXPECT_EQ(fx.st.ContourLevels[0], 20.0f);
    EXPECT_EQ(fx.st.ContourLevels[2], 60.0f);
    EXPECT_EQ(fx.st.ContourWeights[0], 2.0f);

    ASSERT_TRUE(fx.st.SetContourInterval(1, "25"));
    EXPECT_FALSE(fx.st.SetContourInterval(1, "twenty")); // kept
    EXPECT_FALSE(fx.st.SetContourSize(0, ""));
    fx.st.SetContourScroll(1, 30); // the scroll range ends at 20
    EXPECT_EQ(fx.st.scrContourSize[1], 20);
    EXPECT_EQ(fx.st.ContourSize[1], 20.0f);
    fx.st.SetContourScroll(1, 1);
    fx.st.PrepareContours(fx.Model());
    EXPECT_EQ(fx.st.ContourCount, 6); // 20, 40, 60 and 25, 50, 75
    EXPECT_EQ(fx.st.ContourLevels[3], 25.0f);
    EXPECT_EQ(fx.st.ContourWeights[3], 1.0f);

    // Add Contour grows the list and draws it; Clear empties it.
    fx.st.CmdContour(33.0f, fx.Model(), fx.pic);
    EXPECT_EQ(fx.st.ContourCount, 7);
    EXPECT_EQ(fx.st.ContourLevels[6], 33.0f);
    EXPECT_EQ(fx.st.ContourWeights[6], 1.0f);
    fx.st.cmdClearContours(fx.Model(), fx.pic);
    EXPECT_EQ(fx.st.ContourCount, 0);
    EXPECT_EQ(fx.st.ContourLevels.size(), 1u);
    // With anti-aliasing Add Contour replaces the list by its one level.
    fx.st.AntiAliasing = true;
    fx.st.PrepareContours(fx.Model());
    fx.st.CmdContour(41.0f, fx.Model(), fx.pic);
    EXPECT_EQ(fx.st.ContourCount, 1);
    EXPECT_EQ(fx.st.ContourLevels[0], 41.0f);

    // Without a field: no automatic levels; Add Contour keeps the level but draws nothing.
    fx.grid.TemperatureReady = false;
    fx.st.PrepareContours(fx.Model());
    EXPECT_EQ(fx.st.ContourCount, 0);
    fx.st.AntiAliasing = false;
    fx.st.CmdContour(50.0f, fx.Model(), fx.pic);
    EXPECT_EQ(fx.st.ContourCount, 1);
    fx.pic.image.Clear(kWhite);
    fx.st.DrawAllContours(fx.Model(), fx.pic);
    EXPECT_EQ(fx.At(58, 40), kWhite);
}

} // namespace
} // namespace tarsen
