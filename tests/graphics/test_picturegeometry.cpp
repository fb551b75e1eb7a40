// Picture geometry, colours and brushes, field extremes and the small settings helpers.
#include "common/colour.h"
#include "graphics/colourmaps.h"
#include "graphics/picturestate.h"
#include "materials/clsmaterialproperties.h"
#include "model/clstarsen.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tarsen {
namespace {

struct Fixture {
    clsTarsen Tarsen;
    clsMaterialProperties materials;
    ModelGrid grid;
    PictureModel Model() { return PictureModel{Tarsen, materials, grid}; }
};

TEST(PictureGeometry, MapsTheModelIntoTheSquarePicture)
{
    Fixture fx;
    fx.grid.rmax = 20.0f;
    fx.grid.zmax = 40.0f;
    PictureState st;
    PictureSurface pic(400);
    st.InitializePic(fx.Model(), pic);
    EXPECT_FLOAT_EQ(st.PicSide, 42.0f);
    EXPECT_FLOAT_EQ(st.PicToMM, 0.105f);
    EXPECT_FLOAT_EQ(st.PicFrameR, 11.0f);
    EXPECT_FLOAT_EQ(st.PicFrameZ, 1.0f);
    EXPECT_NEAR(st.PixelX(0.0f), 104.76f, 0.005f); // the axis
    EXPECT_NEAR(st.PixelY(40.0f), 390.48f, 0.005f);

    // Equal extents: both offsets are the frame; a wider model keeps z centred instead.
    fx.grid.zmax = 20.0f;
    st.InitializePic(fx.Model(), pic);
    EXPECT_FLOAT_EQ(st.PicFrameR, 1.0f);
    EXPECT_FLOAT_EQ(st.PicFrameZ, 1.0f);
    fx.grid.zmax = 10.0f;
    st.InitializePic(fx.Model(), pic);
    EXPECT_FLOAT_EQ(st.PicSide, 22.0f);
    EXPECT_FLOAT_EQ(st.PicFrameR, 1.0f);
    EXPECT_FLOAT_EQ(st.PicFrameZ, 6.0f);

    // Only the height counts, and a frame that is not above 0 is not taken.
    st.PicFrame = 0.0f;
    PictureSurface tall;
    tall.image.Resize(200, 100);
    st.InitializePic(fx.Model(), tall);
    EXPECT_FLOAT_EQ(st.PicFrame, 1.0f);
    EXPECT_FLOAT_EQ(st.PicToMM, 22.0f / 100.0f);
    st.PicFrame = -3.0f;
    st.InitializePic(fx.Model(), pic);
    EXPECT_GT(st.PicFrame, 0.0f);

    // The pixel to mm conversion of the probe: x = 200 on the first picture is r = 10 mm.
    fx.grid.zmax = 40.0f;
    st.InitializePic(fx.Model(), pic);
    EXPECT_EQ(st.MMOfPixelX(200), 10.0f);
}

TEST(PictureColours, BlackenAndGreyFollowTheChannelRules)
{
    EXPECT_EQ(Blacken(kWhite, 0.5f), 0x808080);
    EXPECT_EQ(Blacken(255, 0.5f), RGB(128, 0, 0));
    EXPECT_EQ(Blacken(RGB(10, 20, 30), 1.0f), RGB(10, 20, 30));
    EXPECT_EQ(Blacken(RGB(10, 20, 30), 0.0f), kBlack);
    EXPECT_EQ(Blacken(RGB(100, 200, 50), 2.0f), RGB(200, 255, 100)); // brightened, clamped
    EXPECT_EQ(Blacken(RGB(100, 200, 50), -1.0f), kBlack);
    EXPECT_EQ(Blacken(RGB(100, 200, 50), std::nanf("")), kBlack);
    EXPECT_EQ(Blacken(RGB(5, 0, 0), 0.5f), RGB(2, 0, 0)); // 2.5 rounds to even

    EXPECT_EQ(GreyOf(kRed), RGB(85, 85, 85));
    EXPECT_EQ(GreyOf(RGB(1, 2, 2)), RGB(2, 2, 2)); // 5 / 3 = 1.67
    EXPECT_EQ(GreyOf(kWhite), kWhite);
}

TEST(PictureColours, BrushesFollowTheMaterialsInColourOrGrey)
{
    Fixture fx;
    ASSERT_TRUE(fx.materials.NumberOfMaterials(3));
    fx.Tarsen.MaterialColors(-1, RGB(255, 0, 0));
    fx.Tarsen.MaterialColors(0, RGB(10, 20, 30));
    fx.Tarsen.MaterialColors(1, RGB(200, 100, 0));
    fx.Tarsen.MaterialColors(2, RGB(0, 0, 90));
    PictureState st;
    st.SetLocalMatColors(fx.Model());
    ASSERT_EQ(st.MaterialBrushes.size(), 3u);
    EXPECT_EQ(st.PartColors(0), RGB(10, 20, 30));
    EXPECT_EQ(st.PartColors(2), RGB(0, 0, 90));
    // -1, the unused entry N and anything beyond take the colour of unassigned cells.
    EXPECT_EQ(st.PartColors(-1), kRed);
    EXPECT_EQ(st.PartColors(3), kRed);
    EXPECT_EQ(st.PartColors(40), kRed);
    EXPECT_EQ(st.PartColors(-7), kRed);
    EXPECT_EQ(st.MaterialBrush(1).color(), QColor(200, 100, 0));
    EXPECT_EQ(st.MaterialBrush(-1).color(), QColor(255, 0, 0));
    EXPECT_EQ(st.MaterialBrush(3).color(), QColor(255, 0, 0));
    EXPECT_EQ(st.RedBrush.color(), QColor(255, 0, 0));
    EXPECT_EQ(st.MarginBrush.color(), QColor(255, 255, 255));

    st.Greyscale = true;
    st.CreateBrushes(fx.Model());
    EXPECT_EQ(st.MaterialBrush(0).color(), QColor(20, 20, 20));
    EXPECT_EQ(st.MaterialBrush(1).color(), QColor(100, 100, 100));
    EXPECT_EQ(st.MaterialBrush(2).color(), QColor(30, 30, 30));
    EXPECT_EQ(st.MaterialBrush(-1).color(), QColor(85, 85, 85));
    // The colours that bound the fills stay those of the materials.
    EXPECT_EQ(st.PartColors(1), RGB(200, 100, 0));
}

TEST(PictureFields, LimitsStartFromTheirSentinelsAndSkipTheGhostRing)
{
    GhostField<float> t(3, 2, 0.0f);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 2; ++j)
            t(i, j) = static_cast<float>(10 * i + j);
    t(-1, 0) = -500.0f; // ghosts are not looked at
    t(3, 1) = 9000.0f;
    float lo = 0.0f, hi = 0.0f;
    TLimits(t, 3, 2, lo, hi);
    EXPECT_EQ(lo, 0.0f);
    EXPECT_EQ(hi, 21.0f);

    GhostField<float> hot(2, 2, 2e10f);
    TLimits(hot, 2, 2, lo, hi);
    EXPECT_EQ(lo, 1e10f);
    EXPECT_EQ(hi, 2e10f);
    GhostField<float> cold(2, 2, -5e6f);
    TLimits(cold, 2, 2, lo, hi);
    EXPECT_EQ(lo, -5e6f);
    EXPECT_EQ(hi, -1e6f);

    GhostField<float> c(2, 2, -2e9f);
    CondLimits(c, 2, 2, lo, hi);
    EXPECT_EQ(lo, -2e9f);
    EXPECT_EQ(hi, -1e9f);
    // A field smaller than the grid is scanned within its own extent only.
    GhostField<float> small(1, 1, 4.0f);
    CondLimits(small, 64, 64, lo, hi);
    EXPECT_EQ(lo, 4.0f);
    EXPECT_EQ(hi, 4.0f);
    GhostField<float> none;
    TLimits(none, 4, 4, lo, hi);
    EXPECT_EQ(lo, 1e10f);
    EXPECT_EQ(hi, -1e6f);
}

TEST(PictureSettings, LargePictureSizeAndBoundaryTypes)
{
    EXPECT_EQ(LargePictureSize("1267"), 1267);
    EXPECT_EQ(LargePictureSize(" 800 "), 800);
    EXPECT_EQ(LargePictureSize("64"), 64);
    EXPECT_EQ(LargePictureSize("8000"), 8000);
    EXPECT_EQ(LargePictureSize("63"), kDefaultLargePicture);
    EXPECT_EQ(LargePictureSize("8001"), kDefaultLargePicture);
    EXPECT_EQ(LargePictureSize("big"), kDefaultLargePicture);
    EXPECT_EQ(LargePictureSize(""), kDefaultLargePicture);
    EXPECT_EQ(LargePictureSize("-900"), kDefaultLargePicture);

    std::array<std::int16_t, 5> ibcs{0, 0, 1, 0, 0};
    SetIbcs(ibcs, 2, 0); // sides 3 and 4 are zero flux: side 2 stays isothermal
    EXPECT_EQ(ibcs[2], 1);
    SetIbcs(ibcs, 1, 1); // the axis is always zero flux
    EXPECT_EQ(ibcs[1], 0);
    SetIbcs(ibcs, 3, 7); // any non-zero value is isothermal
    EXPECT_EQ(ibcs[3], 1);
    SetIbcs(ibcs, 2, 0);
    EXPECT_EQ(ibcs[2], 0);
    SetIbcs(ibcs, 3, 0); // now the last isothermal side
    EXPECT_EQ(ibcs[3], 1);
    SetIbcs(ibcs, 4, 1);
    SetIbcs(ibcs, 3, 0);
    EXPECT_EQ(ibcs[3], 0);
    EXPECT_EQ(ibcs[4], 1);
    SetIbcs(ibcs, 9, 1); // no such side
    EXPECT_EQ(ibcs, (std::array<std::int16_t, 5>{0, 0, 0, 0, 1}));
}

} // namespace
} // namespace tarsen
