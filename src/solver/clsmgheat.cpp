#include "solver/clsmgheat.h"

#include "common/frontend.h"
#include "common/numeric.h"
#include "common/parallel.h"
#include "solver/cond_kernels.h"
#include "solver/cutfaces.h"

#include <cmath>
#include <limits>

namespace tarsen {

namespace {

template <class T> bool spans(const GhostField<T>& field, int nr, int nz)
{
    return !field.Empty() && field.N1() == nr && field.N2() == nz;
}

constexpr float kSingleMax = std::numeric_limits<float>::max();

/// Fields of fewer points than this get their conductivities on the calling thread alone.
constexpr std::size_t kParallelPoints = 16384;

/// Rough cost on one thread, in nanoseconds, of the law at a point and of the means of its two
/// faces (with the vector kernels, on a field not in cache), from which the pool judges whether
/// a loop repays waking its threads.
constexpr double kPointNs = 2.0;
constexpr double kFacesNs = 2.0;

} // namespace

bool clsMgHeat::cond(const GhostField<CondCoefficients>& a, GhostField<float>& c,
                     const GhostField<float>& t, GhostField<float>& cr, GhostField<float>& cz,
                     bool FluxMatch, std::int16_t nr, std::int16_t nz, float tbc) const
{
    if (nr < 1 || nz < 1 || !spans(a, nr, nz) || !spans(t, nr, nz))
        return false;
    if (!spans(c, nr, nz))
        c.Resize(nr, nz);
    if (!spans(cr, nr, nz))
        cr.Resize(nr, nz);
    if (!spans(cz, nr, nz))
        cz.Resize(nr, nz);

    // Point values, ghosts included. The ghosts hold mirror values 2 tbc - t that can lie far
    // below tbc, where a law is not meant to be used (a C5 term of a negative temperature is
    // NaN); every point is therefore evaluated at no less than tbc.
    const std::size_t n = (static_cast<std::size_t>(nr) + 2) * (static_cast<std::size_t>(nz) + 2);
    const CondCoefficients* ap = a.Data();
    const float* tp = t.Data();
    float* cp = c.Data();
    // Every point and every face is computed on its own, so both loops run in blocks on the
    // thread pool on large grids; the values are the same.
    const bool parallel = n >= kParallelPoints;
    const auto points = [&](std::size_t k0, std::size_t k1) {
        if (k1 > k0)
            point_conductivities(ap[k0].data(), tp + k0, cp + k0, k1 - k0, tbc, BoundaryT);
    };
    if (parallel)
        ParallelFor(kRowBlocks, static_cast<std::int64_t>(double(n) * kPointNs), [&](int b) {
            const RowRange r = RowsOfBlock(static_cast<int>(n), kRowBlocks, b);
            points(static_cast<std::size_t>(r.begin), static_cast<std::size_t>(r.end));
        });
    else
        points(0, n);

    // Faces: cr(i, j) lies between (i - 1, j) and (i, j), cz(i, j) between (i, j - 1) and
    // (i, j). A change of C0 marks a change of material.
    const std::size_t s = c.Stride();
    float* crp = cr.Data();
    float* czp = cz.Data();
    const auto faces = [&](int i0, int i1) {
        for (int i = i0; i < i1; ++i) {
            const std::size_t k0 = c.Index(i, 0);
            face_conductivities(ap[0].data(), cp, crp, czp, k0, k0 + std::size_t(nz) + 1, s,
                                FluxMatch);
        }
    };
    const int columns = nr + 1;
    if (parallel && columns >= kRowBlocks)
        ParallelFor(kRowBlocks, static_cast<std::int64_t>(double(n) * kFacesNs), [&](int b) {
            const RowRange r = RowsOfBlock(columns, kRowBlocks, b);
            faces(r.begin, r.end);
        });
    else
        faces(0, columns);
    return true;
}

void clsMgHeat::applybc(GhostField<float>& t, std::int16_t nr, std::int16_t nz,
                        const BoundaryCodes& ibcs, float tbc) const
{
    if (nr < 1 || nz < 1 || t.Empty() || t.N1() < nr || t.N2() < nz)
        return;
    const double tb2 = 2.0 * double(tbc);
    // The axis is a line of symmetry: zero flux whatever its code.
    for (int j = -1; j <= nz; ++j)
        t(-1, j) = t(0, j);
    for (int j = -1; j <= nz; ++j)
        t(nr, j) = ibcs[1] == 0 ? t(nr - 1, j) : Sng(tb2 - double(t(nr - 1, j)));
    for (int i = -1; i <= nr; ++i)
        t(i, nz) = ibcs[2] == 0 ? t(i, nz - 1) : Sng(tb2 - double(t(i, nz - 1)));
    for (int i = -1; i <= nr; ++i)
        t(i, -1) = ibcs[3] == 0 ? t(i, 0) : Sng(tb2 - double(t(i, 0)));
}

int clsMgHeat::iterate(const GhostField<float>& cr, const GhostField<float>& cz,
                       const GhostField<float>& c, GhostField<float>& t, const GhostField<float>& f,
                       const BoundaryCodes& ibcs, std::int16_t nr, std::int16_t nz, float dr,
                       float dz, float w, std::int16_t ntits, float& rmserror, float tbc,
                       float& FirstError)
{
    (void)c;
    if (ntits < 1) {
        rmserror = 0.0f;
        return 0;
    }
    auto fieldsFit = [&] {
        return nr >= 1 && nz >= 1 && spans(cr, nr, nz) && spans(cz, nr, nz) && spans(t, nr, nz) &&
               spans(f, nr, nz);
    };
    const float rdr2 = Sng(1.0 / (double(dr) * double(dr)));
    const float rdz2 = Sng(1.0 / (double(dz) * double(dz)));
    if (!fieldsFit() || !(dr > 0.0f) || !(dz > 0.0f) || !(rdr2 <= kSingleMax) ||
        !(rdz2 <= kSingleMax)) {
        rmserror = 0.0f;
        return 0;
    }

    float sum = 0.0f;
    for (int sweep = 1; sweep <= ntits; ++sweep) {
        // Fetched anew each sweep: the event pump below may have reallocated a field.
        float* tp = t.Data();
        const float* crp = cr.Data();
        const float* czp = cz.Data();
        const float* fp = f.Data();
        const std::size_t s = t.Stride();
        sum = 0.0f;
        // Lexicographic Gauss-Seidel, i outer and j inner: each update already sees the new
        // values at (i - 1, j) and (i, j - 1), so the order is part of the result.
        for (int i = 0; i < nr; ++i) {
            const float rc = Sng((i + 0.5) * double(dr));
            const float rp = Sng(double(rc) + 0.5 * double(dr));
            const float rm = Sng(double(rc) - 0.5 * double(dr));
            const double zw = double(rdz2) * double(rc);
            for (int j = 0; j < nz; ++j) {
                const std::size_t k = t.Index(i, j);
                const double T = tp[k];
                const double crm = crp[k], crpl = crp[k + s];
                const double czm = czp[k], czpl = czp[k + 1];
                // r-weighted five-point operator: D is the diagonal, R the residual of
                // (1/r) d/dr (r k dT/dr) + d/dz (k dT/dz) + f, both multiplied by r.
                const double D =
                    (double(rm) * crm + double(rp) * crpl) * double(rdr2) + (czpl + czm) * zw;
                const double R =
                    ((double(tp[k + s]) - T) * double(rp) * crpl +
                     (double(tp[k - s]) - T) * double(rm) * crm) *
                        double(rdr2) +
                    ((double(tp[k + 1]) - T) * czpl + (double(tp[k - 1]) - T) * czm) * zw +
                    double(rc) * double(fp[k]);
                if (!(D > 0.0) || std::isnan(R))
                    continue; // cannot be relaxed; keeps its value
                const double tn = T + double(w) * R / D;
                if (!std::isnan(tn)) {
                    float v = Sng(tn);
                    if (v > tmax)
                        v = tmax;
                    else if (v < tmin)
                        v = tmin;
                    tp[k] = v;
                }
                sum = Sng(double(sum) + R * R); // Single after each step
            }
        }
        if (!(sum <= kSingleMax))
            sum = kSingleMax;
        applybc(t, nr, nz, ibcs, tbc);
        if (sweep == 1)
            FirstError = sum;
        if (m_pumpEvents && m_frontEnd) {
            m_frontEnd->PumpEvents();
            if (!fieldsFit()) {
                rmserror = sum;
                return sweep;
            }
        }
    }
    rmserror = sum;
    return ntits;
}

bool clsMgHeat::MgHeat(GhostField<float>& t, GhostField<float>& c, const GhostField<float>& f,
                       const GhostField<CondCoefficients>& a, GhostField<float>& cr,
                       GhostField<float>& cz, std::int16_t nr, std::int16_t nz,
                       const BoundaryCodes& ibcs, float tbc, float rmax, float zmax, bool FluxMatch,
                       std::int16_t niters, std::int16_t ntits, float w, float& rmserror,
                       float& FirstError, const CutFaces* cut)
{
    if (nr < 1 || nz < 1 || !spans(t, nr, nz) || !spans(f, nr, nz) || !spans(a, nr, nz))
        return false;
    const float dr = Sng(double(rmax) / nr);
    const float dz = Sng(double(zmax) / nz);
    if (!(dr > 0.0f && dr <= kSingleMax && dz > 0.0f && dz <= kSingleMax))
        return false;
    tmin = tbc;

    // Conductivities for the present t, the faces next to cut cells from their half-cells.
    const auto update = [&] {
        cond(a, c, t, cr, cz, FluxMatch, nr, nz, tbc);
        if (cut)
            cut->Apply(t, tbc, BoundaryT, cr, cz);
    };
    bool warned = false;
    for (int n = 1; n <= niters; ++n) {
        update();
        if (ibcs[0] != 0 && ntits >= 1 && !warned) {
            // The axis is relaxed as zero flux all the same; say so once per solve.
            if (m_frontEnd)
                m_frontEnd->ShowMessage(kMsgIsothermalAxis);
            warned = true;
        }
        float first = 0.0f;
        const int made =
            iterate(cr, cz, c, t, f, ibcs, nr, nz, dr, dz, w, ntits, rmserror, tbc, first);
        if (n == 1)
            FirstError = first;
        if (made < ntits)
            return false; // a field changed size while events were processed
    }
    update();
    return true;
}

} // namespace tarsen
