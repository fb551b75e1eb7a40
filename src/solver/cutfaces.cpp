#include "solver/cutfaces.h"

#include "common/parallel.h"

#include <algorithm>

namespace tarsen {

namespace {

/// Faces below this many are evaluated on the calling thread alone.
constexpr std::size_t kParallelFaces = 2048;

} // namespace

std::uint16_t CutFaces::AddCoefficients(const CondCoefficients& coef)
{
    const auto it = std::find(m_coef.begin(), m_coef.end(), coef);
    if (it != m_coef.end())
        return static_cast<std::uint16_t>(it - m_coef.begin());
    m_coef.push_back(coef);
    return static_cast<std::uint16_t>(m_coef.size() - 1);
}

void CutFaces::Add(CutFace face, std::span<const FaceStrip> strips)
{
    face.first = static_cast<std::uint32_t>(m_strips.size());
    face.count = static_cast<std::uint32_t>(strips.size());
    m_strips.insert(m_strips.end(), strips.begin(), strips.end());
    m_faces.push_back(face);
}

void CutFaces::Append(const CutFaces& other)
{
    for (CutFace face : other.m_faces) {
        for (int p = 0; p < face.pieces; ++p) {
            auto& c = face.coef[static_cast<std::size_t>(p)];
            c = AddCoefficients(other.m_coef[c]);
        }
        Add(face, other.Strips(face));
    }
}

float CutFaces::Conductivity(const CutFace& face, float tLow, float tHigh) const
{
    std::array<std::array<double, 2>, kFacePieces> resistivity{};
    for (int p = 0; p < face.pieces; ++p) {
        const float* k = m_coef[face.coef[static_cast<std::size_t>(p)]].data();
        resistivity[static_cast<std::size_t>(p)] = {1.0 / point_conductivity(k, tLow),
                                                    1.0 / point_conductivity(k, tHigh)};
    }
    double conductance = 0.0;
    for (const FaceStrip& s : Strips(face)) {
        double series = 0.0;
        for (int p = 0; p < face.pieces; ++p) {
            const auto q = static_cast<std::size_t>(p);
            series += double(s.length[q][0]) * resistivity[q][0] +
                      double(s.length[q][1]) * resistivity[q][1];
        }
        if (series > 0.0)
            conductance += double(s.weight) / series;
    }
    const float k = Sng(conductance);
    return k >= kMinConductivity ? k : kMinConductivity;
}

bool CutFaces::Apply(const GhostField<float>& t, float tbc, bool atTbc, GhostField<float>& cr,
                     GhostField<float>& cz) const
{
    const int nr = t.N1(), nz = t.N2();
    if (t.Empty() || cr.N1() != nr || cr.N2() != nz || cz.N1() != nr || cz.N2() != nz)
        return false;
    for (const CutFace& f : m_faces)
        if (f.i < 0 || f.i > nr || f.j < 0 || f.j > nz)
            return false;
    const auto at = [&](int i, int j) {
        const float T = t(i, j);
        return atTbc ? tbc : (T > tbc ? T : tbc);
    };
    const auto faces = [&](std::size_t k0, std::size_t k1) {
        for (std::size_t k = k0; k < k1; ++k) {
            const CutFace& f = m_faces[k];
            if (f.axial)
                cz(f.i, f.j) = Conductivity(f, at(f.i, f.j - 1), at(f.i, f.j));
            else
                cr(f.i, f.j) = Conductivity(f, at(f.i - 1, f.j), at(f.i, f.j));
        }
    };
    // Each face is written once and on its own, so blocks of faces may run side by side.
    if (m_faces.size() < kParallelFaces) {
        faces(0, m_faces.size());
    } else {
        ParallelFor(kRowBlocks, [&](int b) {
            const RowRange r = RowsOfBlock(static_cast<int>(m_faces.size()), kRowBlocks, b);
            faces(static_cast<std::size_t>(r.begin), static_cast<std::size_t>(r.end));
        });
    }
    return true;
}

bool CutFaces::AnyLean() const
{
    return std::any_of(m_faces.begin(), m_faces.end(),
                       [](const CutFace& f) { return f.lean != 0.0f; });
}

bool CutFaces::AddCrossHeat(const GhostField<float>& t, float tbc, bool atTbc, double dr, double dz,
                            GhostField<float>& f) const
{
    const int nr = t.N1(), nz = t.N2();
    if (t.Empty() || f.N1() != nr || f.N2() != nz || !(dr > 0.0) || !(dz > 0.0))
        return false;
    const auto at = [&](int i, int j) {
        const float T = t(i, j);
        return atTbc ? tbc : (T > tbc ? T : tbc);
    };
    const auto add = [&](int i, int j, double heat) { f(i, j) = Sng(double(f(i, j)) + heat); };
    for (const CutFace& face : m_faces) {
        if (face.lean == 0.0f || face.i < 0 || face.i > nr || face.j < 0 || face.j > nz)
            continue;
        const int i = face.i, j = face.j;
        // The two cells the face joins; a face on the model's side has no cross flux.
        const int il = face.axial ? i : i - 1, jl = face.axial ? j - 1 : j;
        if (il < 0 || jl < 0 || i >= nr || j >= nz)
            continue;
        const std::array<float, 2> T = {at(il, jl), at(i, j)};
        std::array<double, 2> kHalf{}, wHalf{};
        double line = 0.0, across = 0.0;
        for (int p = 0; p < face.pieces; ++p) {
            const auto q = static_cast<std::size_t>(p);
            const float* law = m_coef[face.coef[q]].data();
            const double kMean = 0.5 * (double(point_conductivity(law, T[0])) +
                                        double(point_conductivity(law, T[1])));
            line += double(face.onLine[q]) / kMean;
            across += double(face.onFace[q]) * kMean;
            for (const FaceStrip& s : Strips(face))
                for (std::size_t h = 0; h < 2; ++h) {
                    const double w = double(s.weight) * double(s.length[q][h]);
                    kHalf[h] += w * double(point_conductivity(law, T[h]));
                    wHalf[h] += w;
                }
        }
        if (!(line > 0.0))
            continue;
        const double kCross = (1.0 / line - across) * double(face.lean);
        // The tangential gradient from the half that conducts better: its cell's central
        // difference across the face's direction.
        const bool upper = kHalf[1] * wHalf[0] >= kHalf[0] * wHalf[1];
        const int ic = upper ? i : il, jc = upper ? j : jl;
        if (face.axial) {
            const double dTdr = (double(t(ic + 1, jc)) - double(t(ic - 1, jc))) / (2.0 * dr);
            const double q = -kCross * dTdr; // W/mm^2 along +z
            add(i, j, q / dz);
            add(il, jl, -q / dz);
        } else {
            const double dTdz = (double(t(ic, jc + 1)) - double(t(ic, jc - 1))) / (2.0 * dz);
            const double q = -kCross * dTdz; // W/mm^2 along +r, through the ring of radius i dr
            add(i, j, q * i / ((i + 0.5) * dr));
            add(il, jl, -q * i / ((il + 0.5) * dr));
        }
    }
    return true;
}

} // namespace tarsen
