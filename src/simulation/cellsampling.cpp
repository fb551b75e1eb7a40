#include "simulation/cellsampling.h"

#include "common/parallel.h"
#include "materials/clsmaterialproperties.h"
#include "materials/conductivitylaw.h"
#include "model/clsassemblypart.h"
#include "model/clstarsen.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <span>

namespace tarsen {

namespace {

constexpr double kPointPi = 3.14159; // the point query's own pi, so both see the same walls

/// One included part as the sampling sees it: the walls of the point query's rule,
///   inner < r <= outer + tanTaper (z - minH),   minH < z <= maxH + tanFlare (r - inner),
/// and a box, within the model, that holds all of it.
struct Shape {
    std::int16_t index = -1, material = -1;
    double inner = 0, outer = 0, minH = 0, maxH = 0, tanTaper = 0, tanFlare = 0;
    double rlo = 0, rhi = 0, zlo = 0, zhi = 0;

    /// The radial interval (lo, hi] of the part at height z; empty when lo >= hi.
    void span_at(double z, double& lo, double& hi) const
    {
        lo = inner;
        hi = -1.0;
        if (!(z > minH))
            return;
        hi = outer + tanTaper * (z - minH);
        // The top face as a bound on r: it rises outwards (flare > 90) or falls.
        if (tanFlare > 0.0)
            lo = std::max(lo, inner + (z - maxH) / tanFlare);
        else if (tanFlare < 0.0)
            hi = std::min(hi, inner + (z - maxH) / tanFlare);
        else if (z > maxH)
            hi = -1.0;
    }

    /// The axial interval (lo, hi] of the part at radius r; empty when lo >= hi.
    void z_span_at(double r, double& lo, double& hi) const
    {
        lo = minH;
        hi = maxH + tanFlare * (r - inner);
        if (!(r > inner))
            hi = lo;
        else if (tanTaper > 0.0)
            lo = std::max(lo, minH + (r - outer) / tanTaper);
        else if (tanTaper < 0.0)
            hi = std::min(hi, minH + (r - outer) / tanTaper);
        else if (r > outer)
            hi = lo;
    }

    /// True when the closed part holds the point.
    bool holds(double r, double z) const
    {
        return r >= inner && r <= outer + tanTaper * (z - minH) && z >= minH &&
               z <= maxH + tanFlare * (r - inner);
    }
};

double lean_tangent(float angle) { return std::tan((double(angle) - 90.0) * kPointPi / 180.0); }

/// The included parts in priority order, with their boxes clipped to the model.
std::vector<Shape> TakeShapes(const clsTarsen& assembly, double rmax, double zmax)
{
    std::vector<Shape> shapes;
    for (int i = 0; i <= 30; ++i) {
        const clsAssemblyPart& p = assembly.CellPart(i);
        if (!p.Include)
            continue;
        Shape s;
        s.index = static_cast<std::int16_t>(i);
        s.material = p.MaterialIndex;
        s.inner = p.InnerRadius();
        s.outer = p.OuterRadius();
        s.minH = p.MinHeight();
        s.maxH = p.MaxHeight();
        s.tanTaper = lean_tangent(p.TaperAngle());
        s.tanFlare = lean_tangent(p.FlareAngle());
        if (!std::isfinite(s.tanTaper) || !std::isfinite(s.tanFlare))
            continue; // a wall at 0 or 180 degrees encloses nothing the point query finds
        // A leaning wall or sloping top reaches at most as far as the model does.
        s.rlo = s.inner;
        s.zlo = s.minH;
        s.rhi = s.tanTaper > 0.0 ? s.outer + s.tanTaper * (zmax - s.minH) : s.outer;
        s.zhi = s.tanFlare > 0.0 ? s.maxH + s.tanFlare * (std::max(s.rhi, rmax) - s.inner) : s.maxH;
        if (!std::isfinite(s.rhi) || !std::isfinite(s.zhi)) {
            s.rhi = rmax;
            s.zhi = zmax;
        }
        shapes.push_back(s);
    }
    return shapes;
}

/// A wall or top as r = a + b z, for the heights at which the parts' order across a cell
/// changes.
struct Line {
    double a, b;
};

constexpr int kMaxShapes = 32;

/// Grids of fewer cells than this are sampled on the calling thread alone.
constexpr std::int64_t kParallelCells = 16384;

/// body(i0, i1) over the columns 0 ... nr - 1, in blocks on the thread pool when the grid is
/// large; the columns must be independent.
template <class Body> void InBlocks(int nr, int nz, const Body& body)
{
    if (std::int64_t{nr} * nz < kParallelCells || nr < 2) {
        body(0, nr);
        return;
    }
    const int blocks = std::min(kRowBlocks, nr);
    ParallelFor(blocks, [&](int b) {
        const RowRange range = RowsOfBlock(nr, blocks, b);
        body(range.begin, range.end);
    });
}

/// Shares of the cell [r0, r1] x [z0, z1] among the candidate shapes (priority order), into
/// out. The volume each part owns is integral of integral r dr dz; along r it is exact
/// (the owned pieces at one height are intervals), along z each piece between two heights
/// where walls cross each other or the cell's sides is a quadratic, integrated exactly by
/// two-point Gauss-Legendre.
void CutCellShares(const std::vector<const Shape*>& cand, double r0, double r1, double z0,
                   double z1, std::vector<PartShare>& out)
{
    std::array<Line, 3 * kMaxShapes + 2> lines{};
    std::size_t nl = 0;
    lines[nl++] = {r0, 0.0};
    lines[nl++] = {r1, 0.0};
    std::vector<double> zs{z0, z1};
    for (const Shape* s : cand) {
        zs.push_back(s->minH);
        zs.push_back(s->maxH);
        lines[nl++] = {s->inner, 0.0};
        lines[nl++] = {s->outer - s->tanTaper * s->minH, s->tanTaper};
        if (s->tanFlare != 0.0)
            lines[nl++] = {s->inner - s->maxH / s->tanFlare, 1.0 / s->tanFlare};
    }
    for (std::size_t p = 0; p < nl; ++p)
        for (std::size_t q = p + 1; q < nl; ++q)
            if (lines[p].b != lines[q].b)
                zs.push_back((lines[q].a - lines[p].a) / (lines[p].b - lines[q].b));
    std::erase_if(zs, [&](double z) { return !(z >= z0 && z <= z1); });
    std::sort(zs.begin(), zs.end());

    std::array<double, kMaxShapes> owned{}, momentR{}, momentZ{};
    // Uncovered pieces of [r0, r1] at one height; each part takes what lies in its interval.
    std::vector<std::pair<double, double>> open, next;
    const double g = 0.5 / std::sqrt(3.0);
    for (std::size_t k = 0; k + 1 < zs.size(); ++k) {
        const double za = zs[k], zb = zs[k + 1];
        if (!(zb > za))
            continue;
        const double zm = 0.5 * (za + zb);
        for (const double z : {zm - g * (zb - za), zm + g * (zb - za)}) {
            open.assign(1, {r0, r1});
            for (std::size_t c = 0; c < cand.size() && !open.empty(); ++c) {
                double lo, hi;
                cand[c]->span_at(z, lo, hi);
                if (!(hi > lo))
                    continue;
                next.clear();
                double take = 0.0, takeR = 0.0;
                for (const auto& [a, b] : open) {
                    const double ca = std::max(a, lo), cb = std::min(b, hi);
                    if (cb > ca) {
                        take += 0.5 * (cb * cb - ca * ca);
                        takeR += (cb * cb * cb - ca * ca * ca) / 3.0;
                        if (ca > a)
                            next.emplace_back(a, ca);
                        if (b > cb)
                            next.emplace_back(cb, b);
                    } else {
                        next.emplace_back(a, b);
                    }
                }
                owned[c] += take * 0.5 * (zb - za);
                momentR[c] += takeR * 0.5 * (zb - za);
                momentZ[c] += take * z * 0.5 * (zb - za);
                open.swap(next);
            }
        }
    }

    double total = 0.0;
    for (std::size_t c = 0; c < cand.size(); ++c)
        total += owned[c];
    const std::size_t first = out.size();
    if (!(total > 0.0))
        return;
    double kept = 0.0;
    const double rm = 0.5 * (r0 + r1), zm = 0.5 * (z0 + z1);
    for (std::size_t c = 0; c < cand.size(); ++c) {
        const double share = owned[c] / total;
        if (share >= kMinShare) {
            out.push_back({cand[c]->index, cand[c]->material, static_cast<float>(share),
                           static_cast<float>((momentR[c] / owned[c] - rm) / (r1 - r0)),
                           static_cast<float>((momentZ[c] / owned[c] - zm) / (z1 - z0))});
            kept += share;
        }
    }
    for (std::size_t k = first; k < out.size(); ++k)
        out[k].fraction = static_cast<float>(double(out[k].fraction) / kept);
}

/// The walls and sloping tops of the candidates as lines r = a + b z (a flat top or bottom is a
/// height of its own).
std::size_t CollectLines(const std::vector<const Shape*>& cand, std::span<Line> lines)
{
    std::size_t nl = 0;
    for (const Shape* s : cand) {
        if (nl + 3 > lines.size())
            break;
        lines[nl++] = {s->inner, 0.0};
        lines[nl++] = {s->outer - s->tanTaper * s->minH, s->tanTaper};
        if (s->tanFlare != 0.0)
            lines[nl++] = {s->inner - s->maxH / s->tanFlare, 1.0 / s->tanFlare};
    }
    return nl;
}

/// One owned run of a line through the parts: the first candidate (in priority order) that
/// holds it.
struct Run {
    const Shape* shape;
    double lo, hi;
};

/// The runs of [a, b] that the candidates own, along r at height `at` (alongR) or along z at
/// radius `at`; pieces no candidate holds are left out.
void OwnedRuns(const std::vector<const Shape*>& cand, bool alongR, double at, double a, double b,
               std::vector<Run>& runs)
{
    runs.clear();
    std::array<std::pair<double, double>, 2 * kMaxShapes + 2> open{}, next{};
    std::size_t nOpen = 1;
    open[0] = {a, b};
    for (const Shape* s : cand) {
        if (nOpen == 0)
            break;
        double lo, hi;
        if (alongR)
            s->span_at(at, lo, hi);
        else
            s->z_span_at(at, lo, hi);
        if (!(hi > lo))
            continue;
        std::size_t nNext = 0;
        for (std::size_t k = 0; k < nOpen; ++k) {
            const auto [u, v] = open[k];
            const double cu = std::max(u, lo), cv = std::min(v, hi);
            if (cv > cu) {
                runs.push_back({s, cu, cv});
                if (cu > u && nNext < next.size())
                    next[nNext++] = {u, cu};
                if (v > cv && nNext < next.size())
                    next[nNext++] = {cv, v};
            } else if (nNext < next.size()) {
                next[nNext++] = {u, v};
            }
        }
        open = next;
        nOpen = nNext;
    }
}

/// The shapes whose boxes meet [r0, r1] x [z0, z1], in priority order.
void Candidates(const std::vector<Shape>& shapes, double r0, double r1, double z0, double z1,
                std::vector<const Shape*>& cand)
{
    cand.clear();
    for (const Shape& s : shapes)
        if (s.rlo < r1 && s.rhi > r0 && s.zlo < z1 && s.zhi > z0)
            cand.push_back(&s);
}

/// Builds the strips of one face. The face's rectangle spans [a0, a1] along the line joining
/// the two points (r for an r-face, z for a z-face) and [b0, b1] across it; the lower point's
/// half is [a0, am], the upper's [am, a1]. A face on the model's side covers one half only
/// (mirror: 0 the lower half is the model's, 1 the upper), the other being its mirror image.
/// Returns false when no strip holds a material with thermal data.
class FaceBuilder {
public:
    FaceBuilder(const std::vector<Shape>& shapes, const clsMaterialProperties& materials,
                CutFaces& out)
        : m_shapes(shapes), m_materials(materials), m_out(out)
    {}

    bool Build(CutFace face, double a0, double am, double a1, double b0, double b1, int mirror)
    {
        const bool alongR = !face.axial;
        const double lo = mirror == 1 ? am : a0, hi = mirror == 0 ? am : a1;
        if (alongR)
            Candidates(m_shapes, lo, hi, b0, b1, m_cand);
        else
            Candidates(m_shapes, b0, b1, lo, hi, m_cand);
        if (m_cand.empty())
            return false;

        // Where the order of the parts along a strip changes across the face: the walls'
        // crossings with each other, with the rectangle's sides and with flat tops.
        std::array<Line, 3 * kMaxShapes> lines{};
        const std::size_t nl = CollectLines(m_cand, lines);
        m_breaks.assign({b0, b1});
        if (alongR) {
            for (const Shape* s : m_cand) {
                m_breaks.push_back(s->minH);
                m_breaks.push_back(s->maxH);
            }
            for (const double r : {lo, hi})
                for (std::size_t p = 0; p < nl; ++p)
                    if (lines[p].b != 0.0)
                        m_breaks.push_back((r - lines[p].a) / lines[p].b);
            for (std::size_t p = 0; p < nl; ++p)
                for (std::size_t q = p + 1; q < nl; ++q)
                    if (lines[p].b != lines[q].b)
                        m_breaks.push_back((lines[q].a - lines[p].a) / (lines[p].b - lines[q].b));
        } else {
            m_heights.assign({lo, hi});
            for (const Shape* s : m_cand) {
                m_heights.push_back(s->minH);
                if (s->tanFlare == 0.0)
                    m_heights.push_back(s->maxH);
            }
            for (std::size_t p = 0; p < nl; ++p)
                for (const double z : m_heights)
                    if (z >= lo && z <= hi)
                        m_breaks.push_back(lines[p].a + lines[p].b * z);
            for (std::size_t p = 0; p < nl; ++p)
                for (std::size_t q = p + 1; q < nl; ++q) {
                    if (lines[p].b == lines[q].b)
                        continue;
                    const double z = (lines[q].a - lines[p].a) / (lines[p].b - lines[q].b);
                    if (z >= lo && z <= hi)
                        m_breaks.push_back(lines[p].a + lines[p].b * z);
                }
        }
        std::erase_if(m_breaks, [&](double x) { return !(x >= b0 && x <= b1); });
        std::sort(m_breaks.begin(), m_breaks.end());

        face.pieces = 0;
        m_crossings.clear();
        m_straight = mirror < 0; // a face on the model's side carries no cross flux
        std::array<std::int16_t, kFacePieces> material{};
        m_strips.clear();
        const double g = 0.5 / std::sqrt(3.0);
        // Strips across r weigh by their ring's area, strips across z by their height.
        const double across = alongR ? b1 - b0 : 0.5 * (b1 * b1 - b0 * b0);
        for (std::size_t k = 0; k + 1 < m_breaks.size(); ++k) {
            const double ba = m_breaks[k], bb = m_breaks[k + 1];
            if (!(bb > ba))
                continue;
            const double bm = 0.5 * (ba + bb);
            for (const double b : {bm - g * (bb - ba), bm + g * (bb - ba)}) {
                OwnedRuns(m_cand, alongR, b, lo, hi, m_runs);
                NoteCrossing(b);
                FaceStrip strip;
                double covered = 0.0;
                for (const Run& run : m_runs) {
                    if (!m_materials.HasThermal(run.shape->material))
                        continue;
                    int p = 0;
                    while (p < face.pieces &&
                           material[static_cast<std::size_t>(p)] != run.shape->material)
                        ++p;
                    if (p == face.pieces) {
                        if (face.pieces < kFacePieces) {
                            material[static_cast<std::size_t>(p)] = run.shape->material;
                            face.coef[static_cast<std::size_t>(p)] =
                                m_out.AddCoefficients(m_materials.Entry(run.shape->material).cond);
                            ++face.pieces;
                        } else {
                            p = 0; // a fifth material in one face is merged into the first
                        }
                    }
                    auto& len = strip.length[static_cast<std::size_t>(p)];
                    len[0] += static_cast<float>(std::max(0.0, std::min(run.hi, am) - run.lo));
                    len[1] += static_cast<float>(std::max(0.0, run.hi - std::max(run.lo, am)));
                    covered += run.hi - run.lo;
                }
                if (!(covered > 0.0))
                    continue;
                float total = 0.0f;
                for (auto& len : strip.length)
                    for (int h = 0; h < 2; ++h) {
                        auto& x = len[static_cast<std::size_t>(h)];
                        x = x >= kMinShare * float(covered) ? x : 0.0f;
                        total += x;
                    }
                for (auto& len : strip.length) {
                    if (mirror == 0)
                        len[1] = len[0];
                    else if (mirror == 1)
                        len[0] = len[1];
                }
                const float scale = mirror >= 0 ? 2.0f * total : total;
                for (auto& len : strip.length)
                    for (auto& x : len)
                        x /= scale;
                strip.weight = static_cast<float>(0.5 * (bb - ba) * (alongR ? 1.0 : b) / across);
                if (!m_strips.empty() && m_strips.back().length == strip.length)
                    m_strips.back().weight += strip.weight;
                else
                    m_strips.push_back(strip);
            }
        }
        if (m_strips.empty())
            return false;
        float weights = 0.0f;
        for (const FaceStrip& strip : m_strips)
            weights += strip.weight;
        for (FaceStrip& strip : m_strips)
            strip.weight /= weights;
        face.lean = Lean();
        if (face.lean != 0.0f &&
            !(Shares(face, material, alongR, 0.5 * (b0 + b1), lo, hi, face.onLine) &&
              Shares(face, material, !alongR, am, b0, b1, face.onFace)))
            face.lean = 0.0f;
        m_out.Add(face, m_strips);
        return true;
    }

private:
    /// Where the material changes along the strip at b (the runs in m_runs). A face whose
    /// strips hold more than one change, or changes between other materials, has no single
    /// boundary across it.
    void NoteCrossing(double b)
    {
        if (!m_straight)
            return;
        m_sorted.assign(m_runs.begin(), m_runs.end());
        std::sort(m_sorted.begin(), m_sorted.end(),
                  [](const Run& x, const Run& y) { return x.lo < y.lo; });
        int changes = 0;
        double at = 0.0;
        std::array<std::int16_t, 2> pair{};
        for (std::size_t k = 0; k + 1 < m_sorted.size(); ++k) {
            const std::int16_t m0 = m_sorted[k].shape->material;
            const std::int16_t m1 = m_sorted[k + 1].shape->material;
            if (m0 == m1)
                continue;
            ++changes;
            at = m_sorted[k].hi;
            pair = {m0, m1};
        }
        if (changes == 0)
            return;
        if (changes > 1 || (!m_crossings.empty() && pair != m_pair)) {
            m_straight = false;
            return;
        }
        m_pair = pair;
        m_crossings.push_back({b, at});
    }

    /// n_r n_z of the unit normal of the straight line through the crossings, where the
    /// crossing moves along the strips as the strips move across the face; 0 otherwise.
    /// The normal of the line x = a + s y (x along the strips) is (1, -s) / sqrt(1 + s^2) in
    /// (x, y), and n_r n_z is the same product whichever of r and z is x.
    float Lean() const
    {
        if (!m_straight || m_crossings.size() < 2)
            return 0.0f;
        double bMean = 0.0, aMean = 0.0, aMin = m_crossings[0].second, aMax = aMin;
        for (const auto& [b, a] : m_crossings) {
            bMean += b;
            aMean += a;
            aMin = std::min(aMin, a);
            aMax = std::max(aMax, a);
        }
        // A boundary along the strips' cross direction crosses every strip at the same place.
        if (aMax == aMin)
            return 0.0f;
        const double n = double(m_crossings.size());
        bMean /= n;
        aMean /= n;
        double sbb = 0.0, sba = 0.0;
        for (const auto& [b, a] : m_crossings) {
            sbb += (b - bMean) * (b - bMean);
            sba += (b - bMean) * (a - aMean);
        }
        if (!(sbb > 0.0))
            return 0.0f;
        const double s = sba / sbb;
        // A corner (the wall meeting a flat end) is no straight line: no single normal.
        double bMin = m_crossings[0].first, bMax = bMin, misfit = 0.0;
        for (const auto& [b, a] : m_crossings) {
            bMin = std::min(bMin, b);
            bMax = std::max(bMax, b);
            misfit = std::max(misfit, std::fabs(a - aMean - s * (b - bMean)));
        }
        if (misfit > 1.0e-6 * (bMax - bMin + aMax - aMin))
            return 0.0f;
        const float lean = static_cast<float>(-s / (1.0 + s * s));
        return std::isfinite(lean) ? lean : 0.0f;
    }

    /// Shares of the face's pieces on the line at `at` from u0 to u1, along r (alongR) or z;
    /// false when no piece lies on it.
    bool Shares(const CutFace& face, const std::array<std::int16_t, kFacePieces>& material,
                bool alongR, double at, double u0, double u1, std::array<float, kFacePieces>& out)
    {
        OwnedRuns(m_cand, alongR, at, u0, u1, m_runs);
        std::array<double, kFacePieces> length{};
        double sum = 0.0;
        for (const Run& run : m_runs)
            for (int p = 0; p < face.pieces; ++p)
                if (material[static_cast<std::size_t>(p)] == run.shape->material) {
                    length[static_cast<std::size_t>(p)] += run.hi - run.lo;
                    sum += run.hi - run.lo;
                    break;
                }
        if (!(sum > 0.0))
            return false;
        for (std::size_t p = 0; p < out.size(); ++p)
            out[p] = static_cast<float>(length[p] / sum);
        return true;
    }

    std::vector<std::pair<double, double>> m_crossings; // (strip position, crossing)
    std::array<std::int16_t, 2> m_pair{};               // the materials either side
    bool m_straight = false;
    std::vector<Run> m_sorted;

    const std::vector<Shape>& m_shapes;
    const clsMaterialProperties& m_materials;
    CutFaces& m_out;
    std::vector<const Shape*> m_cand;
    std::vector<double> m_breaks, m_heights;
    std::vector<Run> m_runs;
    std::vector<FaceStrip> m_strips;
};

} // namespace

void CellCover::Build(const clsTarsen& assembly, float rmax, float zmax, int nr, int nz)
{
    m_rows.clear();
    m_nz = 0;
    if (nr < 1 || nz < 1 || !(rmax > 0.0f) || !(zmax > 0.0f))
        return;
    m_nz = nz;
    m_rows.resize(static_cast<std::size_t>(nr));
    const std::vector<Shape> shapes = TakeShapes(assembly, rmax, zmax);
    const double dr = double(rmax) / nr, dz = double(zmax) / nz;

    // Every row is found on its own, so blocks of rows run on the thread pool.
    const auto rows = [&](int i0, int i1) {
        std::vector<const Shape*> inRow, cand;
        for (int i = i0; i < i1; ++i) {
            const double r0 = i * dr, r1 = (i + 1) * dr;
            inRow.clear();
            for (const Shape& s : shapes)
                if (s.rlo < r1 && s.rhi > r0)
                    inRow.push_back(&s);
            Row& row = m_rows[static_cast<std::size_t>(i)];
            row.start.resize(static_cast<std::size_t>(nz) + 1);
            row.shares.clear();
            for (int j = 0; j < nz; ++j) {
                row.start[static_cast<std::size_t>(j)] =
                    static_cast<std::uint32_t>(row.shares.size());
                const double z0 = j * dz, z1 = (j + 1) * dz;
                cand.clear();
                for (const Shape* s : inRow)
                    if (s->zlo < z1 && s->zhi > z0)
                        cand.push_back(s);
                if (cand.empty())
                    continue;
                // The first part that can reach the cell owns all of it when it holds all four
                // corners (a part is convex).
                const Shape& top = *cand.front();
                if (top.holds(r0, z0) && top.holds(r1, z0) && top.holds(r0, z1) &&
                    top.holds(r1, z1)) {
                    row.shares.push_back({top.index, top.material, 1.0f});
                    continue;
                }
                CutCellShares(cand, r0, r1, z0, z1, row.shares);
            }
            row.start[static_cast<std::size_t>(nz)] = static_cast<std::uint32_t>(row.shares.size());
        }
    };
    InBlocks(nr, nz, rows);
}

bool MakeMixture(std::span<const PartShare> shares, const clsMaterialProperties& materials,
                 CellMixture& mix)
{
    struct Piece {
        std::int16_t material;
        double phi;
    };
    std::array<Piece, kMaxShapes> pieces{};
    std::size_t n = 0;
    double phiSum = 0.0;
    for (const PartShare& s : shares) {
        if (!materials.HasThermal(s.material))
            continue;
        std::size_t p = 0;
        while (p < n && pieces[p].material != s.material)
            ++p;
        if (p == n)
            pieces[n++] = {s.material, 0.0};
        pieces[p].phi += s.fraction;
        phiSum += s.fraction;
    }
    if (n == 0 || !(phiSum > 0.0))
        return false;
    std::sort(pieces.begin(), pieces.begin() + static_cast<std::ptrdiff_t>(n),
              [](const Piece& a, const Piece& b) { return a.phi > b.phi; });
    mix.n = static_cast<int>(std::min<std::size_t>(n, CellMixture::kMaxPieces));
    for (std::size_t p = CellMixture::kMaxPieces; p < n; ++p)
        pieces[0].phi += pieces[p].phi;
    for (int p = 0; p < mix.n; ++p) {
        mix.phi[static_cast<std::size_t>(p)] = static_cast<float>(pieces[p].phi / phiSum);
        mix.coef[static_cast<std::size_t>(p)] = materials.Entry(pieces[p].material).cond;
    }
    return true;
}

CondCoefficients MixCoefficients(const CellMixture& mix, float T, float harmonic)
{
    std::array<double, CellMixture::kMaxPieces> k{};
    double resistance = 0.0;
    bool positive = true;
    for (int p = 0; p < mix.n; ++p) {
        const auto q = static_cast<std::size_t>(p);
        k[q] = conductivity_law(mix.coef[q].data(), T);
        positive = positive && k[q] > 0.0;
        if (positive)
            resistance += double(mix.phi[q]) / k[q];
    }
    // The harmonic weights need every conductivity positive; otherwise mix by volume alone.
    const double h = positive && resistance > 0.0 ? std::clamp(double(harmonic), 0.0, 1.0) : 0.0;
    std::array<double, kCondCoefficients> sum{};
    for (int p = 0; p < mix.n; ++p) {
        const auto q = static_cast<std::size_t>(p);
        const double phi = mix.phi[q];
        const double w = (1.0 - h) * phi + (h > 0.0 ? h * (phi / k[q]) / resistance : 0.0);
        for (std::size_t m = 0; m < sum.size(); ++m)
            sum[m] += w * double(mix.coef[q][m]);
    }
    CondCoefficients out{};
    for (std::size_t m = 0; m < sum.size(); ++m)
        out[m] = static_cast<float>(sum[m]);
    return out;
}

void BuildCutFaces(const clsTarsen& assembly, const clsMaterialProperties& materials,
                   const CellCover& cover, float rmax, float zmax, CutFaces& out)
{
    out = CutFaces();
    const int nr = cover.Nr(), nz = cover.Nz();
    if (nr < 1 || nz < 1)
        return;
    // The faces of every cut cell, each once.
    const auto at = [nz](int i, int j) {
        return static_cast<std::size_t>(i) * (static_cast<std::size_t>(nz) + 1) +
               static_cast<std::size_t>(j);
    };
    std::vector<char> rFace(at(nr + 1, 0), 0), zFace(at(nr + 1, 0), 0);
    bool any = false;
    for (int i = 0; i < nr; ++i)
        for (int j = 0; j < nz; ++j)
            if (cover.IsCut(i, j)) {
                rFace[at(i, j)] = rFace[at(i + 1, j)] = 1;
                zFace[at(i, j)] = zFace[at(i, j + 1)] = 1;
                any = true;
            }
    if (!any)
        return;

    const std::vector<Shape> shapes = TakeShapes(assembly, rmax, zmax);
    const double dr = double(rmax) / nr, dz = double(zmax) / nz;
    // Blocks of columns build their faces apart and are joined in order, so the faces come out
    // the same whatever the threads.
    std::vector<CutFaces> blocks(static_cast<std::size_t>(std::min(kRowBlocks, nr + 1)));
    const auto columns = [&](int i0, int i1, CutFaces& part) {
        FaceBuilder builder(shapes, materials, part);
        for (int i = i0; i < i1; ++i) {
            for (int j = 0; j <= nz; ++j) {
                CutFace face;
                face.i = static_cast<std::int16_t>(i);
                face.j = static_cast<std::int16_t>(j);
                // The axis face carries no heat (its radius is 0).
                if (rFace[at(i, j)] && i > 0 && j < nz) {
                    face.axial = false;
                    builder.Build(face, (i - 0.5) * dr, i == nr ? double(rmax) : i * dr,
                                  (i + 0.5) * dr, j * dz, (j + 1) * dz, i == nr ? 0 : -1);
                }
                if (zFace[at(i, j)] && i < nr) {
                    face.axial = true;
                    const int mirror = j == 0 ? 1 : (j == nz ? 0 : -1);
                    builder.Build(face, (j - 0.5) * dz,
                                  j == 0 ? 0.0 : (j == nz ? double(zmax) : j * dz), (j + 0.5) * dz,
                                  i * dr, (i + 1) * dr, mirror);
                }
            }
        }
    };
    const int nb = static_cast<int>(blocks.size());
    const auto run = [&](int b) {
        const RowRange range = RowsOfBlock(nr + 1, nb, b);
        columns(range.begin, range.end, blocks[static_cast<std::size_t>(b)]);
    };
    if (std::int64_t{nr} * nz < kParallelCells) {
        for (int b = 0; b < nb; ++b)
            run(b);
    } else {
        ParallelFor(nb, run);
    }
    for (const CutFaces& part : blocks)
        out.Append(part);
}

} // namespace tarsen
