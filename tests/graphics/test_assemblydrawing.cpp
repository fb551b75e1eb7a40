// The assembly drawing on a small picture: parts in their colours and order, the margin, axis,
// boundaries, thermocouples, smooth lines, and the point-by-point field pictures.
#include "common/colour.h"
#include "graphics/colourmaps.h"
#include "graphics/picturestate.h"
#include "materials/clsmaterialproperties.h"
#include "model/clstarsen.h"

#include <gtest/gtest.h>

namespace tarsen {
namespace {

constexpr std::int32_t kMat0 = RGB(10, 160, 10);
constexpr std::int32_t kMat1 = RGB(230, 200, 40);
constexpr std::int32_t kMat2 = RGB(40, 120, 220);

// rmax = zmax = 10 mm on a 120-pixel picture: 0.1 mm per pixel, the model from pixel 10 to 110.
// Part 0 (material 0) covers r 0 ... 5, z 2 ... 6 in front of part 1 (material 1), which fills
// the model; thermocouple k sits at pixel (90, 90), (40, 100) and (100, 40) unless moved.
struct Assembly {
    clsTarsen Tarsen;
    clsMaterialProperties materials;
    ModelGrid grid;
    PictureState st;
    PictureSurface pic{120};

    Assembly()
    {
        EXPECT_TRUE(materials.NumberOfMaterials(3));
        Tarsen.MaterialColors(-1, kRed);
        Tarsen.MaterialColors(0, kMat0);
        Tarsen.MaterialColors(1, kMat1);
        Tarsen.MaterialColors(2, kMat2);
        AddPart(0, 0, 0.0f, 5.0f, 2.0f, 6.0f);
        AddPart(1, 1, 0.0f, 10.0f, 0.0f, 10.0f);
        const float tc[3][2] = {{8.0f, 8.0f}, {3.0f, 9.0f}, {9.0f, 3.0f}};
        for (int k = 0; k < 3; ++k) {
            Tarsen.ThermocouplePosition(k, 0, tc[k][0]);
            Tarsen.ThermocouplePosition(k, 1, tc[k][1]);
        }
        grid.rmax = grid.zmax = 10.0f;
        grid.nr = grid.nz = 10;
        st.SetLocalMatColors(Model());
    }
    void AddPart(int index, int material, float r0, float r1, float z0, float z1)
    {
        Tarsen.CreateCellPart(index, "part");
        clsAssemblyPart& p = Tarsen.CellPart(index);
        p.MaterialIndex = static_cast<std::int16_t>(material);
        p.InnerRadius(r0);
        p.OuterRadius(r1);
        p.MinHeight(z0);
        p.MaxHeight(z1);
    }
    PictureModel Model() { return PictureModel{Tarsen, materials, grid}; }
    std::int32_t At(int x, int y) const { return pic.image.Point(x, y); }
};

TEST(AssemblyDrawing, PartsInTheirColoursWithPartZeroInFront)
{
    Assembly fx;
    fx.st.DrawCartoon(fx.Model(), fx.pic);
    EXPECT_EQ(fx.At(35, 50), kMat0);  // r 2.5, z 4: part 0 over part 1
    EXPECT_EQ(fx.At(85, 50), kMat1);  // beside it
    EXPECT_EQ(fx.At(35, 90), kMat1);  // below it
    EXPECT_EQ(fx.At(35, 30), kBlack); // part 0's border at z = 2
    EXPECT_EQ(fx.At(60, 50), kBlack); // and at r = 5
    // The whole inside of part 0 is its colour.
    for (int x = 12; x < 60; ++x)
        for (int y = 31; y < 70; ++y)
            ASSERT_EQ(fx.At(x, y), kMat0) << x << "," << y;
    // Swapping the order brings part 1 to the front everywhere.
    std::int16_t index = 1;
    fx.Tarsen.BringToFront(index);
    fx.st.DrawCartoon(fx.Model(), fx.pic);
    EXPECT_EQ(fx.At(35, 50), kMat1);
}

TEST(AssemblyDrawing, MarginIsTheBorderColourAndStaysOutOfTheModel)
{
    Assembly fx;
    // Part 2 reaches beyond the model radius: outside it is margin, inside its colour.
    fx.AddPart(2, 2, 5.0f, 15.0f, 6.0f, 10.0f);
    std::int16_t index = 2;
    fx.Tarsen.BringToFront(index); // now part 0; the others move back by one
    fx.st.DrawCartoon(fx.Model(), fx.pic);
    for (const auto& [x, y] : {std::pair{5, 60},
                               {115, 60},
                               {60, 5},
                               {60, 116},
                               {0, 0},
                               {119, 119},
                               {115, 90},
                               {119, 80}})
        EXPECT_EQ(fx.At(x, y), kWhite) << x << "," << y;
    EXPECT_EQ(fx.At(100, 90), kMat2);
    EXPECT_EQ(fx.At(108, 80), kMat2);
    EXPECT_EQ(fx.At(35, 50), kMat0);
    // Inside the frame nothing is white.
    for (int x = 11; x < 110; ++x)
        for (int y = 11; y < 110; ++y)
            ASSERT_NE(fx.At(x, y), kWhite) << x << "," << y;

    // A different border colour fills the margin in that colour.
    fx.st.BorderColor = RGB(250, 240, 230);
    fx.st.CreateBrushes(fx.Model());
    fx.st.DrawCartoon(fx.Model(), fx.pic);
    EXPECT_EQ(fx.At(5, 60), RGB(250, 240, 230));
    EXPECT_EQ(fx.At(115, 90), RGB(250, 240, 230));
    EXPECT_EQ(fx.At(100, 90), kMat2);
}

TEST(AssemblyDrawing, PartOutsideTheModelAndNoPartDrawNoFill)
{
    Assembly fx;
    fx.AddPart(3, 2, 10.5f, 11.5f, 2.0f, 4.0f); // starts beyond rmax
    fx.st.InitializePic(fx.Model(), fx.pic);
    fx.pic.image.Clear(kWhite);
    fx.st.drawpart(3, kMat2, true, fx.Model(), fx.pic);
    EXPECT_EQ(fx.At(115, 35), kMat2); // the outline in the part's colour
    EXPECT_EQ(fx.At(117, 30), kMat2);
    EXPECT_EQ(fx.At(117, 35), kWhite); // not filled
    int black = 0;
    for (int x = 0; x < 120; ++x)
        for (int y = 0; y < 120; ++y)
            black += fx.At(x, y) == kBlack ? 1 : 0;
    EXPECT_EQ(black, 0); // and no border

    fx.pic.image.Clear(kWhite);
    fx.st.drawpart(-1, kMat2, true, fx.Model(), fx.pic);
    fx.st.drawpart(32, kMat2, true, fx.Model(), fx.pic);
    for (int x = 0; x < 120; ++x)
        for (int y = 0; y < 120; ++y)
            ASSERT_EQ(fx.At(x, y), kWhite);
}

TEST(AssemblyDrawing, GreyscaleFillsGreyBoundedByTheColours)
{
    Assembly fx;
    fx.st.Greyscale = true;
    fx.st.CreateBrushes(fx.Model());
    fx.st.ThermocouplePointSize = 0;
    fx.st.DrawCartoon(fx.Model(), fx.pic);
    EXPECT_EQ(fx.At(35, 50), GreyOf(kMat0));
    EXPECT_EQ(fx.At(85, 50), GreyOf(kMat1));
    // Boundaries are one black path, dashed where the side is isothermal (the outer side and
    // the top in the default 0, 1, 1, 0).
    int axisBlack = 0, outerBlack = 0;
    for (int y = 12; y < 108; ++y) {
        axisBlack += fx.At(10, y) == kBlack ? 1 : 0;
        outerBlack += fx.At(110, y) == kBlack ? 1 : 0;
    }
    EXPECT_EQ(axisBlack, 96);
    EXPECT_GT(outerBlack, 30);
    EXPECT_LT(outerBlack, 66);
}

TEST(AssemblyDrawing, AxisBoundariesAndThermocouplesFollowTheirSettings)
{
    Assembly fx;
    fx.st.DrawCartoon(fx.Model(), fx.pic);
    EXPECT_EQ(fx.At(10, 5), kBlack);           // the axis through the top margin
    EXPECT_EQ(fx.At(10, 116), kBlack);         // and the bottom margin
    EXPECT_EQ(fx.At(10, 60), kRed);            // side 1 zero flux
    EXPECT_EQ(fx.At(110, 60), kBlue);          // side 2 isothermal
    EXPECT_EQ(fx.At(60, 110), kBlue);          // side 3 (z = zmax) isothermal
    EXPECT_EQ(fx.At(60, 10), kRed);            // side 4 (z = 0) zero flux
    EXPECT_EQ(fx.At(93, 90), RGB(50, 0, 150)); // thermocouple circles of radius 3
    EXPECT_EQ(fx.At(40, 97), RGB(150, 0, 150));
    EXPECT_EQ(fx.At(100, 43), RGB(150, 0, 50));

    fx.st.AxisWeight = 0.01f;
    fx.st.BoundaryWeight = 0.1f;
    fx.st.ThermocouplePointSize = 0;
    fx.st.DrawCartoon(fx.Model(), fx.pic);
    EXPECT_EQ(fx.At(10, 5), kWhite);
    EXPECT_NE(fx.At(110, 60), kBlue);
    EXPECT_NE(fx.At(60, 10), kRed);
    EXPECT_EQ(fx.At(93, 90), kMat1);
    fx.st.AxisWeight = 0.02f;
    fx.st.DrawCartoon(fx.Model(), fx.pic);
    EXPECT_EQ(fx.At(10, 5), kBlack);

    // Boundary types out of range draw as isothermal, never past the colour table.
    PictureModel m = fx.Model();
    m.ibcs = {0, 0, 2, -3, 0};
    fx.st.BoundaryWeight = 1.0f;
    fx.st.DrawCartoon(m, fx.pic);
    EXPECT_EQ(fx.At(110, 60), kBlue);
    EXPECT_EQ(fx.At(60, 110), kBlue);

    // Greyscale: one filled black circle at thermocouple 0 only, and later circles are open.
    fx.Tarsen.ThermocouplePosition(1, 0, 3.0f);
    fx.Tarsen.ThermocouplePosition(1, 1, 3.0f);
    fx.st.ThermocouplePointSize = 3;
    fx.st.Greyscale = true;
    fx.st.CreateBrushes(fx.Model());
    fx.st.DrawCartoon(fx.Model(), fx.pic);
    EXPECT_EQ(fx.At(90, 90), kBlack);
    EXPECT_EQ(fx.At(43, 40), GreyOf(kMat0)); // no circle at thermocouple 1
    fx.st.Greyscale = false;
    fx.st.DrawThermocouples(fx.Model(), fx.pic);
    EXPECT_EQ(fx.At(40, 40), GreyOf(kMat0)); // its centre stays unfilled
    EXPECT_EQ(fx.At(43, 40), RGB(150, 0, 150));
}

TEST(SmoothLines, FineLineIsABlackBandWithSquareEndsAndDashes)
{
    Assembly fx;
    fx.pic.image.Clear(kWhite);
    fx.st.FineLine(10.0f, 20.0f, 50.0f, 20.0f, 4.0f, kRed, false, fx.pic);
    EXPECT_EQ(fx.At(30, 20), kBlack);
    EXPECT_EQ(fx.At(30, 22), kBlack); // half the weight away
    EXPECT_EQ(fx.At(30, 18), kBlack);
    EXPECT_EQ(fx.At(30, 23), kWhite);
    EXPECT_EQ(fx.At(10, 20), kBlack);
    EXPECT_EQ(fx.At(9, 20), kWhite); // behind the end
    EXPECT_EQ(fx.At(51, 20), kWhite);

    fx.pic.image.Clear(kWhite);
    fx.st.FineLine(10.0f, 40.0f, 50.0f, 40.0f, 2.0f, kBlack, true, fx.pic); // dashes of 10
    EXPECT_EQ(fx.At(15, 40), kBlack);
    EXPECT_EQ(fx.At(25, 40), kWhite);
    EXPECT_EQ(fx.At(35, 40), kBlack);
    fx.st.DotLength = 0.0f; // no dash length: solid
    fx.st.FineLine(10.0f, 60.0f, 50.0f, 60.0f, 2.0f, kBlack, true, fx.pic);
    EXPECT_EQ(fx.At(25, 60), kBlack);

    // Nothing for a zero-length line, a weight not above 0, or a box off the surface.
    fx.pic.image.Clear(kWhite);
    fx.st.FineLine(30.0f, 30.0f, 30.0f, 30.0f, 4.0f, kBlack, false, fx.pic);
    fx.st.FineLine(10.0f, 30.0f, 50.0f, 30.0f, 0.0f, kBlack, false, fx.pic);
    fx.st.FineLine(10.0f, 30.0f, 50.0f, 30.0f, -2.0f, kBlack, false, fx.pic);
    fx.st.FineLine(-500.0f, -500.0f, -400.0f, -400.0f, 3.0f, kBlack, false, fx.pic);
    fx.st.FineLine(100.0f, 100.0f, 1e9f, 100.0f, 1e6f, kBlack, false, fx.pic);
    EXPECT_EQ(fx.At(30, 30), kWhite);
    EXPECT_EQ(fx.At(110, 5), kBlack); // the last one covers the picture right of x = 100
    EXPECT_EQ(fx.At(99, 5), kWhite);
}

TEST(SmoothLines, FourPathHasSoftEdgesAndSurvivesAZeroLengthSide)
{
    Assembly fx;
    fx.pic.image.Clear(kWhite);
    // A triangle given as four points, its second side of zero length.
    fx.st.FourPath({10.0f, 50.0f, 50.0f, 10.0f}, {10.0f, 10.0f, 10.0f, 40.0f},
                   {false, false, false, false}, 2.0f, kRed, fx.pic);
    EXPECT_EQ(fx.At(30, 10), kBlack);
    EXPECT_EQ(fx.At(10, 25), kBlack);
    EXPECT_EQ(fx.At(30, 25), kBlack); // on the slanted side from (50, 10) to (10, 40)
    EXPECT_EQ(fx.At(30, 11), Blacken(kWhite, 0.9f)); // one pixel off a weight-2 path
    EXPECT_EQ(fx.At(30, 12), kWhite);
    EXPECT_EQ(fx.At(52, 10), kWhite); // the corner is mitred, not extended

    // Each pixel is darkened once even where two segments claim it.
    fx.pic.image.Clear(kWhite);
    fx.st.FourPath({20.0f, 60.0f, 60.0f, 20.0f}, {20.0f, 20.0f, 60.0f, 60.0f},
                   {false, false, false, false}, 4.0f, kBlack, fx.pic);
    EXPECT_EQ(fx.At(21, 21), Blacken(kWhite, 0.1f)); // 1 px from both sides at the corner
    EXPECT_EQ(fx.At(20, 20), kBlack);

    // The anti-aliased part borders use it whatever FastPlot says.
    fx.st.AntiAliasing = true;
    fx.st.FastPlot = true;
    fx.st.PartBorderWeight = 2.0f;
    fx.st.DrawCartoon(fx.Model(), fx.pic);
    EXPECT_EQ(fx.At(35, 30), kBlack);
    EXPECT_EQ(fx.At(35, 31), Blacken(kMat0, 0.9f));
    EXPECT_EQ(fx.At(35, 32), kMat0);
}

TEST(FieldPictures, ModelMapAndHeatOutputPointByPoint)
{
    Assembly fx;
    fx.grid.MatMat.Resize(10, 10, 1);
    fx.grid.MatMat(0, 0) = 0;
    fx.grid.MatMat(4, 2) = 2;
    fx.st.BoundaryWeight = 0.0f;
    fx.st.ThermocouplePointSize = 0;
    fx.st.DrawModel(fx.Model(), fx.pic);
    EXPECT_EQ(fx.At(15, 15), kMat0); // cell (0, 0): r = z = 0.5 mm
    EXPECT_EQ(fx.At(55, 35), kMat2); // cell (4, 2)
    EXPECT_EQ(fx.At(65, 35), kMat1);
    EXPECT_EQ(fx.At(60, 35), kWhite); // between the cell points
    EXPECT_EQ(fx.At(10, 4), kBlack);  // the axis
    // A map that does not match the grid is not read.
    fx.grid.MatMat.Resize(3, 3, 2);
    fx.st.DrawModel(fx.Model(), fx.pic);
    EXPECT_EQ(fx.At(15, 15), kWhite);

    // Heat output: red by f / fmax, ghosts included; initialization asked for first.
    fx.grid.f.Resize(10, 10, 0.0f);
    fx.grid.f(0, 0) = 8.0f;
    fx.grid.f(3, 3) = 4.0f;
    int asked = 0;
    fx.st.BoundaryWeight = 1.0f;
    fx.st.DrawHeatOutput(fx.Model(), fx.pic, [&] {
        ++asked;
        fx.grid.Initialized = true;
        return true;
    });
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(fx.At(15, 15), RGB(255, 0, 0));
    EXPECT_EQ(fx.At(45, 45), RGB(128, 0, 0)); // 127.5 rounds to even
    EXPECT_EQ(fx.At(25, 25), RGB(0, 0, 0));
    EXPECT_EQ(fx.At(110, 60), kBlue); // and the boundaries
    fx.st.DrawHeatOutput(fx.Model(), fx.pic, {});
    EXPECT_EQ(asked, 1);
    // A zero source, a failed initialization or a source of another size: boundaries only.
    fx.grid.f.Fill(0.0f);
    fx.st.DrawHeatOutput(fx.Model(), fx.pic, {});
    EXPECT_EQ(fx.At(15, 15), kWhite);
    EXPECT_EQ(fx.At(110, 60), kBlue);
    fx.grid.Initialized = false;
    fx.grid.f.Resize(4, 4, 5.0f);
    fx.st.DrawHeatOutput(fx.Model(), fx.pic, [] { return true; });
    EXPECT_EQ(fx.At(15, 15), kWhite);
    fx.grid.f.Resize(10, 10, 5.0f);
    fx.st.DrawHeatOutput(fx.Model(), fx.pic, [] { return false; });
    EXPECT_EQ(fx.At(15, 15), kWhite);
    EXPECT_EQ(fx.At(110, 60), kBlue);
}

} // namespace
} // namespace tarsen
