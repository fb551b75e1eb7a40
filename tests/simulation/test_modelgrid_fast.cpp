// The fast point query and the builders that use it against the assembly's own per-point
// answers: the results must agree bit for bit.
#include "materials/clsmaterialproperties.h"
#include "model/clstarsen.h"
#include "model/pointquery.h"
#include "simulation/modelgrid.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace tarsen {
namespace {

/// A small deterministic generator, the same on every platform.
struct Lcg {
    std::uint64_t s;
    explicit Lcg(std::uint64_t seed) : s(seed) {}
    double Next() // [0, 1)
    {
        s = s * 6364136223846793005ULL + 1442695040888963407ULL;
        return double(s >> 11) * (1.0 / 9007199254740992.0);
    }
    float In(double lo, double hi) { return static_cast<float>(lo + (hi - lo) * Next()); }
};

/// 31 overlapping parts with tapers, flares, every heating type, some excluded.
clsTarsen RandomAssembly(std::uint64_t seed)
{
    Lcg g(seed);
    clsTarsen a;
    for (int k = 0; k <= 30; ++k) {
        a.CreateCellPart(k, "p");
        clsAssemblyPart& p = a.CellPart(k);
        const float inner = g.In(0.0, 3.0);
        const float zmin = g.In(0.0, 5.0);
        p.InnerRadius(inner);
        p.OuterRadius(inner + g.In(0.2, 3.0));
        p.MinHeight(zmin);
        p.MaxHeight(zmin + g.In(0.2, 4.0));
        p.TaperAngle(g.Next() < 0.5 ? 90.0f : g.In(60.0, 120.0));
        p.FlareAngle(g.Next() < 0.5 ? 90.0f : g.In(70.0, 110.0));
        p.MaterialIndex = static_cast<std::int16_t>(k % 4);
        p.HeatingType = static_cast<std::int32_t>(k % 4);
        p.Include = g.Next() < 0.85;
    }
    // A part covering everything at the back, so most points are owned.
    clsAssemblyPart& back = a.CellPart(30);
    back.InnerRadius(0.0f);
    back.OuterRadius(10.0f);
    back.MinHeight(0.0f);
    back.MaxHeight(10.0f);
    back.TaperAngle(90.0f);
    back.FlareAngle(90.0f);
    back.Include = true;
    return a;
}

clsMaterialProperties Materials()
{
    clsMaterialProperties m;
    m.NumberOfMaterials(4);
    for (int k = 0; k < 4; ++k) {
        m.Entry(k).cond = {1.0f + k, 0.001f * k, 0, 0, 0, 0, 0};
        m.Entry(k).HasThermal = true;
        m.Entry(k).R0 = 1.0e-5f * (k + 1);
        m.Entry(k).r1 = 3.0e-9f * k;
        m.Entry(k).R_Preexp = k == 3 ? 1.0e-3f : 0.0f;
        m.Entry(k).R_Exp = k == 3 ? -5000.0f : 0.0f;
    }
    return m;
}

TEST(PartLocator, SameAnswersAsTheAssembly)
{
    for (std::uint64_t seed = 1; seed <= 4; ++seed) {
        const clsTarsen a = RandomAssembly(seed);
        const PartLocator loc(a);
        Lcg g(seed * 77);
        for (int n = 0; n < 20000; ++n) {
            // Points inside, on the axis, outside and at negative coordinates.
            const float r = g.In(-1.0, 8.0), z = g.In(-1.0, 9.0);
            std::int16_t m1 = 99, m2 = 99;
            const std::int16_t p1 = a.CellPartAtPoint(r, z, 6.3f, 7.7f, m1);
            const std::int16_t p2 = loc.CellPartAtPoint(r, z, 6.3f, 7.7f, m2);
            ASSERT_EQ(p1, p2) << r << " " << z;
            ASSERT_EQ(m1, m2);
            const float J = CurrentDensityInPart(a.CellPart(p2), r, 123.0f);
            ASSERT_EQ(a.CurrentDensityAtPoint(r, z, 6.3f, 7.7f, 123.0f), J);
        }
        // The grid form on points that include the clipped region beyond rmax and zmax.
        std::vector<float> rs, zs;
        for (int i = 0; i < 70; ++i)
            rs.push_back(static_cast<float>((i + 0.5) * 7.0 / 64));
        for (int j = 0; j < 90; ++j)
            zs.push_back(static_cast<float>((j + 0.5) * 9.0 / 80));
        std::vector<std::int8_t> owner;
        loc.LocateGrid(rs, zs, 6.3f, 7.7f, owner);
        for (std::size_t i = 0; i < rs.size(); ++i)
            for (std::size_t j = 0; j < zs.size(); ++j) {
                std::int16_t m = 0;
                ASSERT_EQ(owner[i * zs.size() + j], a.CellPartAtPoint(rs[i], zs[j], 6.3f, 7.7f, m));
            }
    }
    // An assembly with nothing included owns nothing.
    const clsTarsen none;
    std::vector<std::int8_t> owner;
    PartLocator(none).LocateGrid({1.0f}, {1.0f, 2.0f}, 5.0f, 5.0f, owner);
    EXPECT_EQ(owner, (std::vector<std::int8_t>{-1, -1}));
}

TEST(ModelGridFast, BuildersMatchThePointByPointFormulas)
{
    const clsMaterialProperties materials = Materials();
    // Extents whose cell sizes are not exact binary fractions, so (i + 0.5) rmax / nr and
    // (i + 0.5) dr differ in the last bit for some cells.
    const struct {
        std::int16_t nr;
        float rmax, ar;
    } grids[] = {{37, 4.3f, 1.7f}, {64, 6.1f, 1.0f}, {100, 5.9f, 1.33f}};
    for (const auto& gs : grids) {
        for (std::uint64_t seed = 1; seed <= 2; ++seed) {
            clsTarsen a = RandomAssembly(seed);
            ModelGrid g;
            g.ExactSampling = false; // the formulas below sample each cell at its point
            g.nr = gs.nr;
            g.rmax = gs.rmax;
            g.AspectRatio = gs.ar;
            g.ApplyAspectRatio();
            float tbc = 25.0f;
            g.make_initial_t(tbc, false, nullptr);
            for (int i = 0; i < g.nr; ++i)
                for (int j = 0; j < g.nz; ++j)
                    g.t(i, j) = static_cast<float>(25.0 + 3.0 * i + 1.7 * j);
            g.make_MatMat(a, materials, tbc, nullptr);
            for (int i = 0; i < g.nr; ++i)
                for (int j = 0; j < g.nz; ++j) {
                    std::int16_t m = 0;
                    a.CellPartAtPoint(static_cast<float>((i + 0.5) * g.rmax / g.nr),
                                      static_cast<float>((j + 0.5) * g.zmax / g.nz), g.rmax, g.zmax,
                                      m);
                    ASSERT_EQ(g.MatMat(i, j), m) << i << "," << j;
                }

            clsMgHeat heat;
            // Once with the parts make_MatMat saw, once after a part has moved since.
            for (int pass = 0; pass < 2; ++pass) {
                if (pass == 1)
                    a.CellPart(3).OuterRadius(a.CellPart(3).OuterRadius() + 0.37f);
                g.make_f(a, materials, heat, tbc, 250.0f, nullptr);
                const float dr = static_cast<float>(double(g.rmax) / g.nr);
                const float dz = static_cast<float>(double(g.zmax) / g.nz);
                float sum = 0.0f;
                for (int i = 0; i < g.nr; ++i)
                    for (int j = 0; j < g.nz; ++j) {
                        const float r = static_cast<float>((i + 0.5) * dr);
                        const float z = static_cast<float>((j + 0.5) * dz);
                        const float J = a.CurrentDensityAtPoint(r, z, g.rmax, g.zmax, 250.0f);
                        const double rho = materials.Resistivity(g.MatMat(i, j), g.t(i, j));
                        const float f = static_cast<float>(double(J) * double(J) * rho);
                        ASSERT_EQ(g.f(i, j), f) << i << "," << j << " pass " << pass;
                        sum = static_cast<float>(double(sum) + double(r) * double(f));
                    }
                const float power = static_cast<float>(2.0 * sum * double(kMainPi) * dr * dz);
                EXPECT_EQ(g.IntegratedPower, power);
                EXPECT_GT(power, 0.0f);
            }
        }
    }
}

} // namespace
} // namespace tarsen
