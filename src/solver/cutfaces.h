// Face conductivities beside cells that a material boundary crosses, from the materials between
// the two cell points each face joins, each direction on its own.
//
// A face between two neighbouring points carries the heat that flows from one point to the
// other through the rectangle between them (half of each cell). That rectangle is cut into
// strips along the line joining the points: a strip conducts like its pieces in series (the
// harmonic mixture, right for layers across the flow) and the strips conduct side by side (the
// arithmetic mixture, right for layers along the flow). One scalar per cell cannot be right in
// both directions at once; the r- and z-faces of a cell are therefore found separately.
//
// Where no boundary crosses either cell this is the harmonic mean of the two point values, so
// the faces kept are those next to a cut cell only.
//
// A boundary that leans across the grid adds what no single conductivity per face can carry:
// heat flowing along a leaning wall of a good conductor also crosses the faces of the other
// direction. For two materials meeting on a straight line with unit normal n and a field linear
// on each side, the flux across an r-face (a z-face) gains the cross term
//   -(k_line - k_face) n_r n_z dT/dz   (dT/dr),
// k_line the series conductivity on the line joining the two points, k_face the mean over the
// face itself; the strips carry the rest. The cross flux goes into the heat source of the two
// cells (AddCrossHeat) from the present temperatures every cycle, the derivative taken in the
// half that conducts better: along the wall it is the same on both sides, and the part across
// the wall is small in the better conductor.
#pragma once

#include "common/ghostfield.h"
#include "solver/clsmgheat.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace tarsen {

/// Pieces (materials) one face's rectangle may hold; more are merged into the first.
inline constexpr int kFacePieces = 4;

/// One strip of a face's rectangle, along the line joining the two points.
struct FaceStrip {
    float weight = 0.0f; //!< share of the face's area; the strips of a face add up to 1
    /// Share of the strip's length that piece p holds in the half of the lower point ([p][0],
    /// cell (i - 1, j) or (i, j - 1)) and of the upper point ([p][1], cell (i, j)); the shares of
    /// a strip add up to 1.
    std::array<std::array<float, 2>, kFacePieces> length{};
};

/// A face next to a cut cell, indexed as cr and cz are.
struct CutFace {
    std::int16_t i = 0, j = 0;
    bool axial = false; //!< false: r-face between (i - 1, j) and (i, j); true: z-face between
                        //!< (i, j - 1) and (i, j)
    std::uint8_t pieces = 0;
    std::array<std::uint16_t, kFacePieces> coef{}; //!< the pieces' laws in Coefficients()
    std::uint32_t first = 0, count = 0;            //!< its strips in Strips()
    /// n_r n_z of the unit normal of a straight leaning boundary between two materials across
    /// the face's rectangle; 0 where there is none (or it lies along r or z).
    float lean = 0.0f;
    std::array<float, kFacePieces> onLine{}; //!< shares of the pieces on the line joining the
                                             //!< points (where lean is not 0)
    std::array<float, kFacePieces> onFace{}; //!< shares of the pieces on the face itself
};

class CutFaces {
public:
    /// Index of a law in the table, added when new.
    std::uint16_t AddCoefficients(const CondCoefficients& coef);
    /// Adds a face with its strips (at least one).
    void Add(CutFace face, std::span<const FaceStrip> strips);
    /// Adds the faces of other after these, with their laws.
    void Append(const CutFaces& other);

    bool Empty() const { return m_faces.empty(); }
    std::span<const CutFace> Faces() const { return m_faces; }
    std::span<const FaceStrip> Strips(const CutFace& face) const
    {
        return {m_strips.data() + face.first, face.count};
    }
    std::span<const CondCoefficients> Coefficients() const { return m_coef; }

    /// The face's conductivity, W/mm/K, with the lower half at tLow and the upper at tHigh
    /// (deg C): sum over strips of weight / (sum of length / k(T) of its pieces).
    float Conductivity(const CutFace& face, float tLow, float tHigh) const;

    /// Writes every face's conductivity into cr or cz, each half at its cell's temperature in t
    /// (no lower than tbc, as the point conductivities are), or at tbc when atTbc. Ghost cells
    /// stand for the mirrored boundary cells. Returns false, writing nothing, when t, cr or cz
    /// do not span -1 ... nr by -1 ... nz or a face lies outside 0 ... nr by 0 ... nz.
    bool Apply(const GhostField<float>& t, float tbc, bool atTbc, GhostField<float>& cr,
               GhostField<float>& cz) const;

    /// Adds to f (W/mm^3) the heat the cross flux of every leaning face brings its two cells at
    /// the temperatures t, each conductivity at its half's temperature (no lower than tbc) or
    /// at tbc when atTbc, on cells of dr by dz mm. Returns false, leaving f unchanged, when t
    /// and f do not span -1 ... nr by -1 ... nz.
    bool AddCrossHeat(const GhostField<float>& t, float tbc, bool atTbc, double dr, double dz,
                      GhostField<float>& f) const;
    /// True when some face carries a cross flux.
    bool AnyLean() const;

private:
    std::vector<CutFace> m_faces;
    std::vector<FaceStrip> m_strips;
    std::vector<CondCoefficients> m_coef;
};

/// Face values that replace the means the multigrid solver forms on its finest level: cr(i, j)
/// and cz(i, j) at the faces of cut (already filled by CutFaces::Apply).
struct FinestFaces {
    const CutFaces& cut;
    const GhostField<float>& cr;
    const GhostField<float>& cz;
};

} // namespace tarsen
