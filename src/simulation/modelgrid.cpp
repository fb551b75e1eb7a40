#include "simulation/modelgrid.h"

#include "common/frontend.h"
#include "common/numeric.h"
#include "common/parallel.h"
#include "common/runningsum.h"
#include "materials/clsmaterialproperties.h"
#include "model/clstarsen.h"
#include "model/pointquery.h"
#include "simulation/cellsampling.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace tarsen {

namespace {

template <class T> bool spans(const GhostField<T>& field, int nr, int nz)
{
    return !field.Empty() && field.N1() == nr && field.N2() == nz;
}

/// A double result narrowed to Single, saturating at the largest Single instead of overflowing
/// to infinity; NaN becomes 0.
float saturate_single(double x)
{
    if (std::isnan(x))
        return 0.0f;
    const float v = Sng(x);
    if (std::isinf(v))
        return std::copysign(std::numeric_limits<float>::max(), v);
    return v;
}

/// a / b for the index conversions: 0 when the quotient is not finite (an empty model).
double finite_ratio(double a, double b)
{
    const double q = a / b;
    return std::isfinite(q) ? q : 0.0;
}

void say(const ReportFn& report, std::string_view text)
{
    if (report)
        report(text);
}

int extent(std::int16_t n) { return n > 0 ? n : 0; }

/// Grids of fewer points than this build their heat source on the calling thread alone.
constexpr std::int64_t kParallelPoints = 4096;
/// Rough cost of the heat source of a point on one thread, in nanoseconds, from which the
/// pool judges whether the loop repays waking its threads.
constexpr std::int64_t kHeatSourceNs = 8;
/// Blocks of columns the heat source is cut into (fewer when there are fewer columns).
constexpr int kHeatSourceBlocks = 8 * kRowBlocks;

} // namespace

/// The owning part of every interior point as make_MatMat found it, with what it was found
/// for, so that make_f can take it over wherever it asks about the very same point.
struct ModelGrid::PartCache {
    PartLocator locator;
    float rmax = 0.0f, zmax = 0.0f;
    std::vector<float> rs, zs;      // the points' coordinates, mm
    std::vector<std::int8_t> owner; // owner[i * zs.size() + j]
};

ReportFn ReportTo(FrontEnd& frontEnd)
{
    return [&frontEnd](std::string_view text) { frontEnd.ReportLine(text); };
}

std::int16_t NzForGrid(std::int16_t nr, float AspectRatio)
{
    return CInt(double(nr) * double(AspectRatio));
}

float ModelGrid::dr() const { return nr > 0 ? Sng(double(rmax) / nr) : 0.0f; }
float ModelGrid::dz() const { return nz > 0 ? Sng(double(zmax) / nz) : 0.0f; }

void ModelGrid::ApplyAspectRatio()
{
    zmax = Sng(double(AspectRatio) * double(rmax));
    nz = NzForGrid(nr, AspectRatio);
}

void ModelGrid::ResizeFields()
{
    const int n1 = extent(nr), n2 = extent(nz);
    MatMat.Resize(n1, n2, std::int16_t{-1});
    a.Resize(n1, n2);
    c.Resize(n1, n2);
    cr.Resize(n1, n2);
    cz.Resize(n1, n2);
    f.Resize(n1, n2);
    m_owner.reset();
    m_cover.reset();
    m_faces.reset();
}

void ModelGrid::GridToMM(int I, int j, float& R, float& Z) const
{
    R = Sng(finite_ratio((I + 0.5) * double(rmax), nr));
    Z = Sng(finite_ratio((j + 0.5) * double(zmax), nz));
}

void ModelGrid::GridToMMExact(float ISng, float JSng, float& R, float& Z) const
{
    R = saturate_single(finite_ratio((double(ISng) + 0.5) * double(rmax), nr));
    Z = saturate_single(finite_ratio((double(JSng) + 0.5) * double(zmax), nz));
}

void ModelGrid::MMtoGridExact(float R, float Z, float& ISng, float& JSng) const
{
    ISng = saturate_single(finite_ratio(double(nr) * double(R), rmax) - 0.5);
    JSng = saturate_single(finite_ratio(double(nz) * double(Z), zmax) - 0.5);
}

void ModelGrid::MMtoGrid(float R, float Z, std::int16_t& I, std::int16_t& j) const
{
    float isng = 0.0f, jsng = 0.0f;
    MMtoGridExact(R, Z, isng, jsng);
    I = CInt(double(isng) + 0.5);
    j = CInt(double(jsng) + 0.5);
}

float ModelGrid::tmatrix(int I, int j) const { return t.InRange(I, j) ? t(I, j) : 0.0f; }
float ModelGrid::cmatrix(int I, int j) const { return c.InRange(I, j) ? c(I, j) : 0.0f; }
std::int16_t ModelGrid::pubMatMat(int I, int j) const
{
    return MatMat.InRange(I, j) ? MatMat(I, j) : std::int16_t{-1};
}

std::string ModelGrid::MissingMaterialName(const clsMaterialProperties& materials) const
{
    if (MissingMaterialIndex >= 0 && MissingMaterialIndex < materials.NumberOfMaterials())
        return materials.MaterialNames(MissingMaterialIndex);
    return "Material " + std::to_string(MissingMaterialIndex);
}

void ModelGrid::make_initial_t(float& tbc, bool IncludePress, const ReportFn& report)
{
    float t0 = tbc;
    if (IncludePress) {
        t0 = kPressStartT;
        tbc = kPressStartT;
    }
    t.Resize(extent(nr), extent(nz), t0);
    say(report, kReportMakeInitialT);
    TemperatureReady = true;
}

void ModelGrid::make_MatMat(const clsTarsen& assembly, const clsMaterialProperties& materials,
                            float tbc, const ReportFn& report)
{
    say(report, kReportMaterials);
    const int n1 = extent(nr), n2 = extent(nz);
    MatMat.Resize(n1, n2, std::int16_t{-1});
    UnassignedPoint = false;
    MissingMaterial = false;
    m_owner.reset();
    m_cover.reset();
    m_faces.reset();

    if (n1 < 1 || n2 < 1) {
        // A grid without cells has no point that any part could own.
        UnassignedPoint = true;
        UnassignedPointIJ = {0, 0};
        Runnable = false;
    } else {
        auto cache =
            std::make_shared<PartCache>(PartCache{PartLocator(assembly), rmax, zmax, {}, {}, {}});
        cache->rs.resize(static_cast<std::size_t>(n1));
        cache->zs.resize(static_cast<std::size_t>(n2));
        float r = 0.0f, z = 0.0f;
        for (int i = 0; i < n1; ++i) {
            GridToMM(i, 0, r, z);
            cache->rs[static_cast<std::size_t>(i)] = r;
        }
        for (int j = 0; j < n2; ++j) {
            GridToMM(0, j, r, z);
            cache->zs[static_cast<std::size_t>(j)] = z;
        }
        cache->locator.LocateGrid(cache->rs, cache->zs, rmax, zmax, cache->owner);

        for (int i = 0; i < n1; ++i) {
            const std::int8_t* col = cache->owner.data() + static_cast<std::size_t>(i) * n2;
            for (int j = 0; j < n2; ++j) {
                const std::int16_t m = cache->locator.MaterialOf(col[j]);
                MatMat(i, j) = m;
                if (m == -1) {
                    UnassignedPoint = true;
                    UnassignedPointIJ = {static_cast<std::int16_t>(i),
                                         static_cast<std::int16_t>(j)};
                    Runnable = false;
                }
                // An index past the table's end reads entry -1, which never has thermal data.
                if (!materials.HasThermal(m)) {
                    MissingMaterial = true;
                    Runnable = false;
                    MissingMaterialIndex = m;
                }
            }
        }
        m_owner = std::move(cache);
        if (ExactSampling) {
            auto cover = std::make_shared<CellCover>();
            cover->Build(assembly, rmax, zmax, n1, n2);
            auto faces = std::make_shared<CutFaces>();
            BuildCutFaces(assembly, materials, *cover, rmax, zmax, *faces);
            if (!faces->Empty())
                m_faces = std::move(faces);
            m_cover = std::move(cover);
        }

        // The ghost ring copies the nearest interior point, the corners their diagonal one.
        for (int i = 0; i < n1; ++i) {
            MatMat(i, -1) = MatMat(i, 0);
            MatMat(i, n2) = MatMat(i, n2 - 1);
        }
        for (int j = 0; j < n2; ++j) {
            MatMat(-1, j) = MatMat(0, j);
            MatMat(n1, j) = MatMat(n1 - 1, j);
        }
        MatMat(-1, -1) = MatMat(0, 0);
        MatMat(n1, -1) = MatMat(n1 - 1, 0);
        MatMat(-1, n2) = MatMat(0, n2 - 1);
        MatMat(n1, n2) = MatMat(n1 - 1, n2 - 1);
    }

    TotalResistance = assembly.TotalElectricalResistance(materials, tbc);
    if (TotalResistance == 0.0f) {
        Runnable = false;
        NoFurnace = true;
    } else {
        NoFurnace = false;
        if (!MissingMaterial && !UnassignedPoint)
            Runnable = true;
    }
}

void ModelGrid::make_a(const clsMaterialProperties& materials, const ReportFn& report)
{
    const int n1 = extent(nr), n2 = extent(nz);
    a.Resize(n1, n2);
    say(report, kReportMakeA);
    const bool haveMat = spans(MatMat, n1, n2);
    for (int i = -1; i <= n1; ++i)
        for (int j = -1; j <= n2; ++j)
            a(i, j) = materials.Entry(haveMat ? MatMat(i, j) : -1).cond;
    if (!haveMat || !ExactSampling || !m_cover || m_cover->Nr() != n1 || m_cover->Nz() != n2)
        return;

    // Cells that several materials share conduct by the volume mixture of their laws. Only the
    // multigrid solver's coarser levels, the probe and the heat flow out read it: the faces
    // beside such a cell take the values of their half-cells (Faces()). The mixture keeps the
    // coarse levels close to the fine one where a good conductor shares a cell with a poor one.
    for (int i = 0; i < n1; ++i) {
        for (int j = 0; j < n2; ++j) {
            const std::span<const PartShare> shares = m_cover->Shares(i, j);
            if (shares.size() < 2)
                continue;
            CellMixture mix;
            if (!MakeMixture(shares, materials, mix))
                continue;
            a(i, j) = MixCoefficients(mix, 0.0f, 0.0f);
            // A ghost holds what its interior neighbour holds.
            if (i == 0)
                a(-1, j) = a(0, j);
            if (i == n1 - 1)
                a(n1, j) = a(i, j);
            if (j == 0)
                a(i, -1) = a(i, 0);
            if (j == n2 - 1)
                a(i, n2) = a(i, j);
            if ((i == 0 || i == n1 - 1) && (j == 0 || j == n2 - 1))
                a(i == 0 ? -1 : n1, j == 0 ? -1 : n2) = a(i, j);
        }
    }
}

void ModelGrid::make_c(const clsMgHeat& heat, bool FluxMatch, float tbc, const ReportFn& report)
{
    const int n1 = extent(nr), n2 = extent(nz);
    // cond writes every point of c and every face it forms; the ghost faces it leaves hold the
    // zeros of the allocation. Fields of the right size for a cond that will succeed are
    // therefore not cleared again (three full passes over memory every run cycle).
    const bool reuse = n1 >= 1 && n2 >= 1 && spans(c, n1, n2) && spans(cr, n1, n2) &&
                       spans(cz, n1, n2) && spans(a, n1, n2) && spans(t, n1, n2);
    if (!reuse) {
        c.Resize(n1, n2);
        cr.Resize(n1, n2);
        cz.Resize(n1, n2);
    }
    say(report, kReportMakeC);
    if (heat.cond(a, c, t, cr, cz, FluxMatch, nr, nz, tbc) && Faces())
        m_faces->Apply(t, tbc, heat.BoundaryT, cr, cz);
}

void ModelGrid::make_f(const clsTarsen& assembly, const clsMaterialProperties& materials,
                       const clsMgHeat& heat, float tbc, float ElectricCurrent,
                       const ReportFn& report)
{
    const int n1 = extent(nr), n2 = extent(nz);
    // Every interior point is written below and the ghost ring keeps the zeros of the
    // allocation, so a field of the right size is not cleared first.
    const bool build = n1 >= 1 && n2 >= 1 && spans(MatMat, n1, n2);
    if (!build || !spans(f, n1, n2))
        f.Resize(n1, n2);
    say(report, kReportMakeF);
    IntegratedPower = 0.0f;
    if (!build)
        return;
    const bool atBoundaryT = heat.BoundaryT || !spans(t, n1, n2);

    const float drs = dr(), dzs = dz();
    std::vector<float> rs(static_cast<std::size_t>(n1)), zs(static_cast<std::size_t>(n2));
    for (int i = 0; i < n1; ++i)
        rs[static_cast<std::size_t>(i)] = Sng((i + 0.5) * double(drs));
    for (int j = 0; j < n2; ++j)
        zs[static_cast<std::size_t>(j)] = Sng((j + 0.5) * double(dzs));

    // The owners make_MatMat found are taken over for every point that lies exactly where it
    // asked and while the parts are unchanged; r = (i + 0.5) dr with dr rounded to Single can
    // differ from (i + 0.5) rmax / nr in the last bit, and such a row or column is asked anew.
    const PartLocator locator(assembly);
    const PartCache* cache = m_owner.get();
    if (cache && !(cache->rmax == rmax && cache->zmax == zmax && cache->rs.size() == rs.size() &&
                   cache->zs.size() == zs.size() && cache->locator.SameParts(locator)))
        cache = nullptr;
    std::vector<char> rowOk(rs.size(), 0), colOk(zs.size(), 0);
    if (cache) {
        for (std::size_t i = 0; i < rs.size(); ++i)
            rowOk[i] = cache->rs[i] == rs[i];
        for (std::size_t j = 0; j < zs.size(); ++j)
            colOk[j] = cache->zs[j] == zs[j];
    }

    // The shares hold only while the parts and the extent are those make_MatMat sampled.
    const CellCover* cover =
        ExactSampling && cache && m_cover && m_cover->Nr() == n1 && m_cover->Nz() == n2
            ? m_cover.get()
            : nullptr;

    // Columns i0 ... i1 - 1; the columns are independent, so blocks of them run on the thread
    // pool.
    const auto columns = [&](int i0, int i1) {
        // Resistivity at tbc per material, formed once when every point uses tbc.
        constexpr int kRhoSlots = kMaxMaterials + 2;
        double rhoAtTbc[kRhoSlots];
        bool rhoKnown[kRhoSlots] = {};
        float jPart[kMaxParts + 1]; // current density of parts -1 ... 30 in the present column
        for (int i = i0; i < i1; ++i) {
            const float r = rs[static_cast<std::size_t>(i)];
            for (int p = -1; p <= 30; ++p)
                jPart[p + 1] = CurrentDensityInPart(assembly.CellPart(p), r, ElectricCurrent);
            const bool rowCached = cache && rowOk[static_cast<std::size_t>(i)];
            const std::int8_t* col =
                rowCached ? cache->owner.data() + static_cast<std::size_t>(i) * zs.size() : nullptr;
            for (int j = 0; j < n2; ++j) {
                int owner;
                if (rowCached && colOk[static_cast<std::size_t>(j)]) {
                    owner = col[j];
                } else {
                    std::int16_t mat = -1;
                    owner = locator.CellPartAtPoint(r, zs[static_cast<std::size_t>(j)], rmax, zmax,
                                                    mat);
                }
                const std::span<const PartShare> shares =
                    cover ? cover->Shares(i, j) : std::span<const PartShare>{};
                const float J = jPart[owner + 1];
                float fv = 0.0f;
                if (shares.size() > 1) {
                    // A cell that several parts share: the Joule heat of each heating part in
                    // proportion to the volume it covers, so that every part's power is its
                    // own volume times its heat density whatever the grid.
                    double q = 0.0;
                    for (const PartShare& sh : shares) {
                        const float Jp = jPart[sh.part + 1];
                        if (Jp == 0.0f)
                            continue;
                        const double rho =
                            materials.Resistivity(sh.material, atBoundaryT ? tbc : t(i, j));
                        q += double(sh.fraction) * double(Jp) * double(Jp) * rho;
                    }
                    fv = saturate_single(q);
                } else if (J != 0.0f) {
                    const std::int16_t m = MatMat(i, j);
                    double rho;
                    if (atBoundaryT && m >= -1 && m < kMaxMaterials) {
                        if (!rhoKnown[m + 1]) {
                            rhoAtTbc[m + 1] = materials.Resistivity(m, tbc);
                            rhoKnown[m + 1] = true;
                        }
                        rho = rhoAtTbc[m + 1];
                    } else {
                        rho = materials.Resistivity(m, atBoundaryT ? tbc : t(i, j));
                    }
                    fv = saturate_single(double(J) * double(J) * rho);
                }
                f(i, j) = fv;
            }
        }
    };
    if (std::int64_t{n1} * n2 < kParallelPoints || n1 < 2) {
        columns(0, n1);
    } else {
        // Only the columns of the heating parts cost much, and they are few: narrow blocks let
        // the threads share them.
        const int blocks = std::min(kHeatSourceBlocks, n1);
        ParallelFor(blocks, std::int64_t{n1} * n2 * kHeatSourceNs, [&](int b) {
            const RowRange range = RowsOfBlock(n1, blocks, b);
            columns(range.begin, range.end);
        });
    }

    // The Single running sum of r f in the order of the points. While it stays finite the
    // saturation never acts, so the plain sum is tried first and the saturating one made only
    // when that overflowed.
    const auto runningSum = [&](bool saturating) {
        float sum = 0.0f;
        for (int i = 0; i < n1; ++i) {
            const float r = rs[static_cast<std::size_t>(i)];
            const float* fp = &f(i, 0);
            if (!saturating) {
                sum = running_sum_of_products(sum, r, fp, static_cast<std::size_t>(n2));
                continue;
            }
            for (int j = 0; j < n2; ++j)
                sum = saturate_single(double(sum) + double(r) * double(fp[j]));
        }
        return sum;
    };
    float sum = runningSum(false);
    if (!std::isfinite(sum))
        sum = runningSum(true);
    const float power =
        saturate_single(2.0 * double(sum) * double(kMainPi) * double(drs) * double(dzs));
    IntegratedPower = saturate_single(double(MirrorFactor) * double(power));
}

const GhostField<float>& ModelGrid::SolverSource(float tbc, bool atTbc)
{
    const CutFaces* faces = Faces();
    if (!faces || !faces->AnyLean() || !spans(t, extent(nr), extent(nz)) ||
        !spans(f, extent(nr), extent(nz)))
        return f;
    m_source = f;
    if (!faces->AddCrossHeat(t, tbc, atTbc, double(dr()), double(dz()), m_source))
        return f;
    return m_source;
}

void scalar_to_coarse(const GhostField<float>& fine, GhostField<float>& coarse, int nrfine,
                      int nzfine)
{
    const int nrc = CInt(nrfine / 2.0), nzc = CInt(nzfine / 2.0);
    coarse.Resize(std::max(nrc, 0), std::max(nzc, 0));
    if (fine.Empty() || fine.N1() < nrfine - 1 || fine.N2() < nzfine - 1)
        return;
    for (int i = 0; i <= nrfine - 2; i += 2)
        for (int j = 0; j <= nzfine - 2; j += 2)
            coarse(i / 2, j / 2) =
                Sng(0.25 * (double(fine(i, j)) + double(fine(i + 1, j)) + double(fine(i, j + 1)) +
                            double(fine(i + 1, j + 1))));
}

void scalar_to_fine(const GhostField<float>& coarse, GhostField<float>& fine, int nrfine,
                    int nzfine)
{
    fine.Resize(std::max(nrfine, 0), std::max(nzfine, 0));
    if (coarse.Empty())
        return;
    // A coarse index past the coarse field's own extent reads its last row or column, so a
    // coarse field of another size is never read outside.
    auto at = [&coarse](int K, int L) {
        return double(coarse(std::clamp(K, -1, coarse.N1()), std::clamp(L, -1, coarse.N2())));
    };
    for (int k = 0; k <= nrfine; k += 2) {
        for (int l = 0; l <= nzfine; l += 2) {
            const int K = k / 2, L = l / 2;
            const double A = at(K, L), B = at(K - 1, L - 1), C = at(K, L - 1), D = at(K - 1, L);
            fine(k, l) = Sng(0.5625 * A + 0.1875 * (C + D) + 0.0625 * B);
            fine(k - 1, l) = Sng(0.5625 * D + 0.1875 * (A + B) + 0.0625 * C);
            fine(k, l - 1) = Sng(0.5625 * C + 0.1875 * (A + B) + 0.0625 * D);
            fine(k - 1, l - 1) = Sng(0.5625 * B + 0.1875 * (C + D) + 0.0625 * A);
        }
    }
}

} // namespace tarsen
