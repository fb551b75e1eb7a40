// Exact-geometry sampling of the assembly on the model grid: the share of every cell's volume
// that each part owns, by the priority rule of the point query (the lowest included part index
// wins an overlap). Boundaries that fall inside a cell then count in proportion, instead of
// moving to the nearest cell face as sampling at the cell centre does; the conductivity
// coefficients and the Joule heat of such a cell are mixed from its parts, and the faces beside
// it conduct as the pieces of the rectangle between the two points each joins.
//
// Every cell's shares are found from its own corners and the parts alone, so rows can be built
// and read independently.
#pragma once

#include "solver/clsmgheat.h"
#include "solver/cutfaces.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace tarsen {

class clsTarsen;
class clsMaterialProperties;

/// One part's share of a cell: the fraction of the cell's volume (the ring, not the (r, z)
/// rectangle) that the part owns. The shares of a cell add up to 1 over the parts present;
/// a piece that no included part covers is left out and the others scaled up.
struct PartShare {
    std::int16_t part = -1;     //!< part index, 0 ... 30
    std::int16_t material = -1; //!< the part's material index
    float fraction = 0.0f;
    /// Centroid of the part's piece relative to the cell's centre, in cell sizes (r, z); 0 for
    /// a whole cell. Across a straight boundary it points along the boundary's normal.
    float dr = 0.0f, dz = 0.0f;
};

/// Fractions below this are dropped: a boundary that lies on a cell face up to the rounding of
/// the cell size leaves the cell whole.
inline constexpr float kMinShare = 1.0e-5f;

class CellCover {
public:
    /// Shares of every interior cell of an nr x nz grid over 0 ... rmax by 0 ... zmax, cells of
    /// size rmax / nr by zmax / nz. An empty cover when the grid has no cells.
    void Build(const clsTarsen& assembly, float rmax, float zmax, int nr, int nz);

    bool Empty() const { return m_rows.empty(); }
    int Nr() const { return static_cast<int>(m_rows.size()); }
    int Nz() const { return m_nz; }

    /// The shares of interior cell (i, j), 0 <= i < Nr(), 0 <= j < Nz(); empty where no included
    /// part covers any of the cell. A cell one part covers whole has one share of 1.
    std::span<const PartShare> Shares(int i, int j) const
    {
        if (i < 0 || i >= Nr() || j < 0 || j >= m_nz)
            return {};
        const Row& row = m_rows[static_cast<std::size_t>(i)];
        const std::uint32_t a = row.start[static_cast<std::size_t>(j)];
        const std::uint32_t b = row.start[static_cast<std::size_t>(j) + 1];
        return {row.shares.data() + a, row.shares.data() + b};
    }

    /// True when cell (i, j) holds more than one part.
    bool IsCut(int i, int j) const { return Shares(i, j).size() > 1; }

private:
    struct Row {
        std::vector<std::uint32_t> start; // shares of cell j: [start[j], start[j + 1])
        std::vector<PartShare> shares;
    };
    std::vector<Row> m_rows;
    int m_nz = 0;
};

/// The materials of one cell that several share, as its conductivity is mixed from them.
struct CellMixture {
    static constexpr int kMaxPieces = 4; //!< the largest materials beyond these are merged
    int n = 0;                           //!< pieces in use
    std::array<float, kMaxPieces> phi{}; //!< volume shares, adding up to 1
    std::array<CondCoefficients, kMaxPieces> coef{};
};

/// The mixture of a cut cell from its shares: one piece per material with thermal data (the
/// smallest merged into the largest when there are too many). False when no share has thermal
/// data.
bool MakeMixture(std::span<const PartShare> shares, const clsMaterialProperties& materials,
                 CellMixture& mix);

/// Conductivity coefficients of a mixture: a linear combination of the materials' laws, which
/// the conductivity update evaluates like any single material's. The weights blend the volume
/// shares (layers side by side, the arithmetic mean) with the weights that make the mixture
/// the harmonic mean of the conductivities at T (layers in series):
///   w_k = (1 - harmonic) phi_k + harmonic (phi_k / k_k(T)) / sum_m (phi_m / k_m(T)).
CondCoefficients MixCoefficients(const CellMixture& mix, float T, float harmonic);

/// The faces next to the cut cells of cover, each with the strips of the rectangle between the
/// two points it joins (a face on the model's side: the boundary cell's half and its mirror
/// image), owned by the parts as the point query's priority rule decides and taken only where
/// the material has thermal data. The axis faces are left out. out is replaced.
void BuildCutFaces(const clsTarsen& assembly, const clsMaterialProperties& materials,
                   const CellCover& cover, float rmax, float zmax, CutFaces& out);

} // namespace tarsen
