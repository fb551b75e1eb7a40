// Problems with known solutions and storage set-up shared by the multigrid solver's tests.
#pragma once

#include "common/ghostfield.h"
#include "solver/allgrid_kernels.h"
#include "solver/clsallgrid_axisym.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

namespace tarsen::test {

/// Runs check() with the kernels on each instruction set this processor has, then goes back to
/// the best.
template <class F> void ForEachKernelIsa(F check)
{
    using allgrid::KernelIsa;
    const KernelIsa best = allgrid::ActiveKernelIsa();
    for (KernelIsa isa : {KernelIsa::kGeneric, KernelIsa::kAvx2, KernelIsa::kAvx512}) {
        if (!allgrid::SelectKernelIsa(isa))
            continue;
        SCOPED_TRACE(static_cast<int>(isa));
        check();
    }
    allgrid::SelectKernelIsa(best);
}

/// Fields of a model grid and its settings, as the main window passes them to AllGrid.
struct Problem {
    std::int16_t nx = 0;
    std::int16_t nz = 0;
    float rmax = 10.0f;             // mm
    float tbc = 25.0f;              // deg C
    BoundaryCodes ibcs{0, 1, 0, 0}; // axis, r = rmax isothermal, ends insulated
    GhostField<float> t, c, f;

    float dr() const { return rmax / static_cast<float>(nx); }
    float zmax() const { return dr() * static_cast<float>(nz); }
    float Radius(int i) const { return (static_cast<float>(i) + 0.5f) * dr(); }
};

/// A uniformly heated cylinder of conductivity k and source q: T(r) = tbc + q (R^2 - r^2) / (4k)
/// with the outer radius at tbc and both ends insulated, so T does not depend on z.
inline Problem HeatedCylinder(int nx, int nz, float k = 0.01f, float q = 0.04f)
{
    Problem p;
    p.nx = static_cast<std::int16_t>(nx);
    p.nz = static_cast<std::int16_t>(nz);
    p.t.Resize(nx, nz, p.tbc);
    p.c.Resize(nx, nz, k);
    p.f.Resize(nx, nz, 0.0f);
    for (int i = 0; i < nx; ++i)
        for (int j = 0; j < nz; ++j)
            p.f(i, j) = q;
    return p;
}

/// A heated core of radius R1 = rmax / 2 (conductivity k1, source q) inside an unheated sleeve
/// (k2), outer radius at tbc, ends insulated.
inline Problem Composite(int n, float k1 = 0.03f, float k2 = 0.003f, float q = 0.05f)
{
    Problem p = HeatedCylinder(n, n, k1, q);
    for (int i = -1; i <= n; ++i)
        for (int j = -1; j <= n; ++j) {
            const bool core = i < n / 2;
            p.c(i, j) = core ? k1 : k2;
            if (i >= 0 && i < n && j >= 0 && j < n)
                p.f(i, j) = core ? q : 0.0f;
        }
    return p;
}

/// The exact temperature of the composite at radius r.
inline double CompositeExact(const Problem& p, double r, double k1 = 0.03, double k2 = 0.003,
                             double q = 0.05)
{
    const double R = p.rmax;
    const double R1 = R / 2.0;
    const double tInterface = p.tbc + q * R1 * R1 / (2.0 * k2) * std::log(R / R1);
    if (r <= R1)
        return tInterface + q * (R1 * R1 - r * r) / (4.0 * k1);
    return p.tbc + q * R1 * R1 / (2.0 * k2) * std::log(R / r);
}

/// A slot array for an nx x nz grid with the caller's fields loaded as AllGrid loads them (the
/// solver's settings stored, face conductivities set up), for tests of the level routines.
struct Storage {
    std::int32_t np = 0;
    LevelOffsets nl{};
    std::int16_t ngrid = 0;
    SlotStorage u;
    SideCodes nbc{};

    std::int16_t nx = 0;
    std::int16_t nz = 0;

    float& at(int i, int j, int igrid, int nxl, int ia)
    {
        return u[static_cast<std::size_t>(clsAllgrid_axisym::ip(i, j, igrid, nxl, np, nl, ia))];
    }
    float& at(int i, int j, int ia) { return at(i, j, ngrid, nx, ia); }
};

inline Storage Load(clsAllgrid_axisym& mg, const Problem& p, bool RedBlack = true,
                    bool FluxMatch = true)
{
    Storage s;
    s.nx = p.nx;
    s.nz = p.nz;
    mg.StoreSettings(p.tbc, p.rmax, p.zmax(), RedBlack);
    mg.tmin = p.tbc;
    s.nbc = clsAllgrid_axisym::BuildSideCodes(p.ibcs);
    mg.check_init_etc(p.nx, p.nz, s.np, s.nl, s.ngrid);
    s.u.assign(8 * static_cast<std::size_t>(s.np) + 1, 0.0f);
    GhostField<float> source(p.nx, p.nz, 0.0f);
    for (int i = 0; i <= p.nx; ++i)
        for (int j = 0; j <= p.nz; ++j)
            source(i, j) = static_cast<float>(-double(p.Radius(i)) * double(p.f(i, j)));
    mg.square_to_ag(p.t, s.u, p.nx, p.nz, s.np, s.nl, s.ngrid, kSlotTemp);
    mg.square_to_ag(p.c, s.u, p.nx, p.nz, s.np, s.nl, s.ngrid, kSlotCondBase);
    mg.square_to_ag(source, s.u, p.nx, p.nz, s.np, s.nl, s.ngrid, kSlotSource);
    mg.setup_cond(s.u, p.nx, p.nz, s.np, s.nl, s.ngrid, kSlotCondBase, s.nbc, FluxMatch);
    return s;
}

} // namespace tarsen::test
