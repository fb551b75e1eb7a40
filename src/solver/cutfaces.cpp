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

} // namespace tarsen
