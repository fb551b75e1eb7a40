// The multigrid solver's grid hierarchy: level counts and offsets, the grid rule, the slot
// arithmetic and the two grid transfers.
#include "solver/allgrid_kernels.h"
#include "solver/clsallgrid_axisym.h"
#include "test_allgrid_util.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace tarsen {
namespace {

using test::Storage;

/// Storage for an nx x nz grid with every value set to fill.
Storage Blank(std::int16_t nx, std::int16_t nz, float fill)
{
    clsAllgrid_axisym mg;
    Storage s;
    s.nx = nx;
    s.nz = nz;
    EXPECT_FALSE(mg.check_init_etc(nx, nz, s.np, s.nl, s.ngrid).has_value());
    s.u.assign(8 * static_cast<std::size_t>(s.np) + 1, fill);
    return s;
}

TEST(AllgridLevels, CountsAndOffsets)
{
    clsAllgrid_axisym mg;
    std::int32_t np = 0;
    LevelOffsets nl{};
    nl.fill(77);
    std::int16_t ngrid = 0;

    ASSERT_FALSE(mg.check_init_etc(64, 64, np, nl, ngrid).has_value());
    EXPECT_EQ(ngrid, 7);
    EXPECT_EQ(nl[1], 0);
    EXPECT_EQ(nl[2], 9);      // level 1: one cell and its ghost frame, 3 x 3
    EXPECT_EQ(nl[3], 9 + 16); // level 2: 2 x 2 cells, 4 x 4
    EXPECT_EQ(np, 9 + 16 + 36 + 100 + 324 + 1156 + 4356);
    for (std::size_t k = 8; k < nl.size(); ++k)
        EXPECT_EQ(nl[k], 0) << "nl(" << k << ") is cleared";

    // Taller than wide: every level is twice as tall as wide; level 1 is 1 x 2 cells.
    ASSERT_FALSE(mg.check_init_etc(64, 128, np, nl, ngrid).has_value());
    EXPECT_EQ(ngrid, 7);
    std::int32_t expected = 0;
    for (int igrid = 1, k = 1; igrid <= 7; ++igrid, k *= 2) {
        EXPECT_EQ(nl[static_cast<std::size_t>(igrid)], expected);
        std::int16_t nxg = 0;
        std::int16_t nzg = 0;
        clsAllgrid_axisym::SetupSizes(static_cast<std::int16_t>(igrid), 64, 128, nxg, nzg);
        EXPECT_EQ(nxg, k);
        EXPECT_EQ(nzg, 2 * k);
        expected += (k + 2) * (2 * k + 2);
    }
    EXPECT_EQ(np, expected);

    // Wider than tall.
    std::int16_t nxg = 0;
    std::int16_t nzg = 0;
    clsAllgrid_axisym::SetupSizes(1, 384, 128, nxg, nzg);
    EXPECT_EQ(nxg, 3);
    EXPECT_EQ(nzg, 1);
    clsAllgrid_axisym::SetupSizes(8, 384, 128, nxg, nzg);
    EXPECT_EQ(nxg, 384);
    EXPECT_EQ(nzg, 128);

    // A single cell is one level.
    ASSERT_FALSE(mg.check_init_etc(1, 1, np, nl, ngrid).has_value());
    EXPECT_EQ(ngrid, 1);
    EXPECT_EQ(np, 9);
}

TEST(AllgridLevels, IndexFunction)
{
    const Storage s = Blank(64, 128, 0.0f);
    const auto ip = [&](int i, int j, int igrid, int nxl, int ia) {
        return clsAllgrid_axisym::ip(i, j, igrid, nxl, s.np, s.nl, ia);
    };
    EXPECT_EQ(ip(-1, -1, 1, 1, 1), 1);          // index 0 is never used
    EXPECT_EQ(ip(1, 2, 1, 1, 1), 3 * 4);        // the last value of level 1, slot 1
    EXPECT_EQ(ip(-1, -1, 2, 2, 1), 13);         // level 2 follows at once
    EXPECT_EQ(ip(64, 128, 7, 64, 8), 8 * s.np); // the last value of all
    // Constant neighbour offsets: +-1 in r, +-(nxl + 2) in z, +np to the next slot.
    EXPECT_EQ(ip(11, 20, 7, 64, 3) - ip(10, 20, 7, 64, 3), 1);
    EXPECT_EQ(ip(10, 21, 7, 64, 3) - ip(10, 20, 7, 64, 3), 66);
    EXPECT_EQ(ip(10, 20, 7, 64, 4) - ip(10, 20, 7, 64, 3), s.np);
}

TEST(AllgridLevels, GridRuleRefusals)
{
    using S = AllGridStatus;
    for (auto [nx, nz] : std::vector<std::pair<int, int>>{
             {45, 64}, {100, 100}, {64, 96}, {5, 10}, {10, 5}, {0, 64}, {64, 0}, {-8, 8}}) {
        const auto r = clsAllgrid_axisym::CheckGrid(nx, nz);
        ASSERT_TRUE(r.has_value()) << nx << " x " << nz;
        EXPECT_EQ(*r, S::kGridNotSuitable) << nx << " x " << nz;
    }
    for (auto [nx, nz] : std::vector<std::pair<int, int>>{
             {1, 1}, {1, 7}, {64, 64}, {64, 128}, {32, 96}, {384, 128}, {512, 512}})
        EXPECT_FALSE(clsAllgrid_axisym::CheckGrid(nx, nz).has_value()) << nx << " x " << nz;

    EXPECT_EQ(clsAllgrid_axisym::CheckGrid(1 << 21, 1 << 21), S::kTooManyLevels);
    EXPECT_FALSE(clsAllgrid_axisym::CheckGrid(1 << 19, 1 << 19) == S::kTooManyLevels);
    EXPECT_EQ(clsAllgrid_axisym::CheckGrid(16384, 16384), S::kGridTooLarge);
    EXPECT_EQ(RefusalMessage(S::kGridNotSuitable), kMsgGridNotSuitable);

    clsAllgrid_axisym mg;
    std::int32_t np = -5;
    LevelOffsets nl{};
    std::int16_t ngrid = -5;
    EXPECT_EQ(mg.check_init_etc(45, 64, np, nl, ngrid), S::kGridNotSuitable);
    EXPECT_EQ(np, -5);
    EXPECT_EQ(ngrid, -5);
}

TEST(AllgridSlots, WholeBlockArithmeticCoversTheGhostFrameOnly)
{
    // Level 3 of a 16 x 32 grid is 4 x 8 cells; everything outside its block must stay 9.
    Storage s = Blank(16, 32, 9.0f);
    clsAllgrid_axisym mg;
    const std::int16_t lv = 3;
    const std::int16_t nxl = 4;
    const std::int16_t nzl = 8;
    for (int i = -1; i <= nxl; ++i)
        for (int j = -1; j <= nzl; ++j) {
            s.at(i, j, lv, nxl, 1) = float(i + 10 * j);
            s.at(i, j, lv, nxl, 2) = 0.5f;
        }
    mg.add_arrays(s.u, nxl, nzl, s.np, s.nl, lv, 1, 2, 3);
    mg.subtract_arrays(s.u, nxl, nzl, s.np, s.nl, lv, 1, 2, 4);
    mg.copy_array(s.u, nxl, nzl, s.np, s.nl, lv, 1, 5);
    mg.zero_grid(s.u, nxl, nzl, s.np, s.nl, lv, 6);
    for (int i = -1; i <= nxl; ++i)
        for (int j = -1; j <= nzl; ++j) {
            const float v = float(i + 10 * j);
            EXPECT_EQ(s.at(i, j, lv, nxl, 3), v + 0.5f);
            EXPECT_EQ(s.at(i, j, lv, nxl, 4), v - 0.5f);
            EXPECT_EQ(s.at(i, j, lv, nxl, 5), v);
            EXPECT_EQ(s.at(i, j, lv, nxl, 6), 0.0f);
        }
    // The levels beside the block and the other slots are untouched.
    for (int ia = 3; ia <= 8; ++ia) {
        EXPECT_EQ(s.at(nxl / 2, nzl / 2, lv - 1, nxl / 2, ia), 9.0f) << ia; // just before
        EXPECT_EQ(s.at(-1, -1, lv + 1, 2 * nxl, ia), 9.0f) << ia;           // just after
    }
    EXPECT_EQ(s.at(-1, -1, lv, nxl, 7), 9.0f);

    // rmsvalue and minmax see the interior only.
    for (int i = -1; i <= nxl; ++i)
        for (int j = -1; j <= nzl; ++j) {
            const bool ghost = i < 0 || j < 0 || i == nxl || j == nzl;
            s.at(i, j, lv, nxl, 7) = ghost ? 100.0f : 2.0f;
        }
    s.at(1, 2, lv, nxl, 7) = -2.0f;
    EXPECT_EQ(mg.rmsvalue(s.u, nxl, nzl, s.np, s.nl, lv, 7), 2.0f);
    float umin = 0.0f;
    float umax = 0.0f;
    mg.minmax(s.u, nxl, nzl, s.np, s.nl, lv, 7, umin, umax);
    EXPECT_EQ(umin, -2.0f);
    EXPECT_EQ(umax, 2.0f);
}

TEST(AllgridSlots, RmsValueCountsCellsIn32Bits)
{
    // 256 x 256 cells would overflow a 16-bit product.
    Storage s = Blank(256, 256, 3.0f);
    clsAllgrid_axisym mg;
    EXPECT_FLOAT_EQ(mg.rmsvalue(s.u, 256, 256, s.np, s.nl, s.ngrid, 2), 3.0f);
}

TEST(AllgridSlots, FieldsMoveInAndOutWithTheirGhostFrame)
{
    const std::int16_t nx = 8;
    const std::int16_t nz = 16;
    Storage s = Blank(nx, nz, 0.0f);
    clsAllgrid_axisym mg;
    GhostField<float> a(nx, nz);
    for (int i = -1; i <= nx; ++i)
        for (int j = -1; j <= nz; ++j)
            a(i, j) = float(1000 * i + j);
    mg.square_to_ag(a, s.u, nx, nz, s.np, s.nl, s.ngrid, 4);
    EXPECT_EQ(s.at(-1, -1, 4), -1001.0f);
    EXPECT_EQ(s.at(3, 7, 4), 3007.0f);
    EXPECT_EQ(s.at(nx, nz, 4), float(1000 * nx + nz));
    GhostField<float> back(nx, nz, -1.0f);
    mg.ag_to_square(back, s.u, nx, nz, s.np, s.nl, s.ngrid, 4);
    for (int i = -1; i <= nx; ++i)
        for (int j = -1; j <= nz; ++j)
            EXPECT_EQ(back(i, j), a(i, j));
}

TEST(AllgridTransfers, ConstantsAndLinearFieldsPassBothWays)
{
    // Level 4 (8 x 16) of a 16 x 32 grid and level 3 (4 x 8) below it.
    Storage s = Blank(16, 32, -7.0f);
    clsAllgrid_axisym mg;
    const std::int16_t fine = 4;
    const std::int16_t nxf = 8;
    const std::int16_t nzf = 16;
    const std::int16_t nxc = 4;
    const std::int16_t nzc = 8;

    // A coarse constant, ghost frame included, prolongs to the same constant on every fine value.
    for (int i = -1; i <= nxc; ++i)
        for (int j = -1; j <= nzc; ++j)
            s.at(i, j, fine - 1, nxc, 2) = 3.25f;
    mg.coarse_to_fine(s.u, nxf, nzf, s.np, s.nl, fine, 1, 2);
    for (int i = -1; i <= nxf; ++i)
        for (int j = -1; j <= nzf; ++j)
            EXPECT_EQ(s.at(i, j, fine, nxf, 1), 3.25f) << i << ", " << j;
    // Restricting it back gives the constant on the coarse interior and leaves the coarse ghosts.
    mg.fine_to_coarse(s.u, nxf, nzf, s.np, s.nl, fine, 1, 3);
    for (int i = -1; i <= nxc; ++i)
        for (int j = -1; j <= nzc; ++j) {
            const bool ghost = i < 0 || j < 0 || i == nxc || j == nzc;
            EXPECT_EQ(s.at(i, j, fine - 1, nxc, 3), ghost ? -7.0f : 3.25f) << i << ", " << j;
        }

    // Bilinear interpolation between cell centres reproduces a linear field exactly (the
    // weights and these values are exact binary fractions). Coarse centres are at 2 ic + 0.5 in
    // fine cell units, fine centres at i.
    const auto linear = [](double x, double y) { return 2.0 * x - 3.0 * y + 1.0; };
    for (int i = -1; i <= nxc; ++i)
        for (int j = -1; j <= nzc; ++j)
            s.at(i, j, fine - 1, nxc, 2) = float(linear(2 * i + 0.5, 2 * j + 0.5));
    mg.coarse_to_fine(s.u, nxf, nzf, s.np, s.nl, fine, 1, 2);
    for (int i = -1; i <= nxf; ++i)
        for (int j = -1; j <= nzf; ++j)
            EXPECT_EQ(s.at(i, j, fine, nxf, 1), float(linear(i, j))) << i << ", " << j;
    // Interpolated onto the fine values instead of over them (a correction added to a
    // solution), it doubles them, ghosts included.
    allgrid::prolong_add_level(&s.at(-1, -1, fine - 1, nxc, 2), nxc + 2,
                               &s.at(-1, -1, fine, nxf, 1), nxf + 2, nxc, nzc);
    for (int i = -1; i <= nxf; ++i)
        for (int j = -1; j <= nzf; ++j)
            EXPECT_EQ(s.at(i, j, fine, nxf, 1), float(2.0 * linear(i, j))) << i << ", " << j;
    mg.coarse_to_fine(s.u, nxf, nzf, s.np, s.nl, fine, 1, 2);
    // And the plain average of four fine cells is the linear field at the coarse centre.
    mg.fine_to_coarse(s.u, nxf, nzf, s.np, s.nl, fine, 1, 3);
    for (int i = 0; i < nxc; ++i)
        for (int j = 0; j < nzc; ++j)
            EXPECT_EQ(s.at(i, j, fine - 1, nxc, 3), float(linear(2 * i + 0.5, 2 * j + 0.5)));
}

} // namespace
} // namespace tarsen
