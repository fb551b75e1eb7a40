// The model grid: nr x nz cells over 0 ... rmax by 0 ... zmax, cell-centred, with a ghost ring
// at index -1 and nr (nz) on every side; the per-point arrays built on it, the results of
// setting the problem up, the conversions between grid indices and millimetres, and the
// builders that sample the assembly and the material table into the arrays.
//
// Cell (i, j) is the ring between r = i dr and (i + 1) dr, z = j dz and (j + 1) dz, with its
// point at r = (i + 0.5) dr, z = (j + 0.5) dz. Every array spans -1 ... nr by -1 ... nz, first
// index r.
#pragma once

#include "common/ghostfield.h"
#include "simulation/cellsampling.h"
#include "solver/clsmgheat.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tarsen {

class clsTarsen;
class clsMaterialProperties;
struct FrontEnd;

/// Receives the builders' progress lines (the main window's report box).
using ReportFn = std::function<void(std::string_view)>;
/// A ReportFn that hands every line to frontEnd.ReportLine.
ReportFn ReportTo(FrontEnd& frontEnd);

/// The main window's Single pi, used for the integrated power.
inline constexpr float kMainPi = 3.14159274f;
/// Start and boundary temperature when the press is included in the calculation, deg C.
inline constexpr float kPressStartT = 25.0f;

inline constexpr std::string_view kReportMakeInitialT = "make_initial_t";
inline constexpr std::string_view kReportMaterials = "Materials...";
inline constexpr std::string_view kReportMakeA = "make_a...";
inline constexpr std::string_view kReportMakeC = "make_c...";
inline constexpr std::string_view kReportMakeF = "make_f...";

/// The number of axial cells for nr radial cells at an aspect ratio: nr x AspectRatio rounded,
/// halves to even (0.5 x 5 gives 2), saturating at the Integer limits.
std::int16_t NzForGrid(std::int16_t nr, float AspectRatio);

struct ModelGrid {
    // Extent and grid.
    float rmax = 0.0f;             //!< radial extent from the axis, mm
    float zmax = 0.0f;             //!< axial extent from z = 0, mm
    float AspectRatio = 1.0f;      //!< zmax / rmax
    std::int16_t nr = 64;          //!< cells in r
    std::int16_t nz = 64;          //!< cells in z, NzForGrid(nr, AspectRatio)
    std::int16_t MirrorFactor = 1; //!< 2 when the model is the upper half of a mirrored assembly
    /// Cells take their parts in proportion to the volume each covers (conductivity
    /// coefficients and heat source mixed where a boundary crosses a cell); false takes the
    /// part at the cell's point alone. MatMat is the part at the point either way.
    bool ExactSampling = true;

    // Per-point arrays, -1 ... nr by -1 ... nz once built (empty before).
    GhostField<float> t;             //!< temperature, deg C
    GhostField<std::int16_t> MatMat; //!< material index; -1 where no included part lies
    GhostField<CondCoefficients> a;  //!< conductivity coefficients of the point's material
    GhostField<float> c;             //!< point conductivity, W/mm/K
    GhostField<float> cr;            //!< conductivity of the face between (i - 1, j) and (i, j)
    GhostField<float> cz;            //!< conductivity of the face between (i, j - 1) and (i, j)
    GhostField<float> f;             //!< Joule heat per unit volume; ghost ring 0

    // State and results of the set-up.
    bool TemperatureReady = false; //!< t exists for the current grid
    bool Initialized = false;      //!< the model was built and may be run
    bool Runnable = true;          //!< the assembly can be initialized (set by make_MatMat)
    bool UnassignedPoint = false;  //!< some point lies in no included part
    std::array<std::int16_t, 2> UnassignedPointIJ{}; //!< i, j of the last such point
    bool MissingMaterial = false;                    //!< some point's material lacks thermal data
    std::int16_t MissingMaterialIndex = 0;           //!< the last such material index
    bool NoFurnace = false;                          //!< total electrical resistance is 0
    float TotalResistance = 0.0f;                    //!< assembly resistance at tbc, ohm
    float IntegratedPower = 0.0f;                    //!< total Joule power, W

    /// Cell sizes rmax / nr and zmax / nz as Singles.
    float dr() const;
    float dz() const;

    /// zmax = AspectRatio x rmax and nz = NzForGrid(nr, AspectRatio): what follows a change of
    /// rmax, AspectRatio or nr.
    void ApplyAspectRatio();

    /// Reallocates MatMat (all -1), a, c, cr, cz and f (all zero) for the current nr, nz; t is
    /// left to the caller. Call after every change of nr or nz so that no array keeps the old
    /// size.
    void ResizeFields();

    // Conversions between indices and mm; none checks its input against the model.
    /// Point of cell (I, j): R = (I + 0.5) rmax / nr, Z = (j + 0.5) zmax / nz.
    void GridToMM(int I, int j, float& R, float& Z) const;
    /// The same rule at fractional indices.
    void GridToMMExact(float ISng, float JSng, float& R, float& Z) const;
    /// Inverse of GridToMMExact: ISng = nr R / rmax - 0.5, JSng = nz Z / zmax - 0.5.
    void MMtoGridExact(float R, float Z, float& ISng, float& JSng) const;
    /// ISng + 0.5 and JSng + 0.5 rounded halves to even: the nearest cell face, not the cell
    /// that contains the point.
    void MMtoGrid(float R, float Z, std::int16_t& I, std::int16_t& j) const;

    // Accessors for pictures, probe and plots. Each checks the array's own extent: outside it
    // (or before the array is built) t and c read 0 and MatMat reads -1.
    float tmatrix(int I, int j) const;
    float cmatrix(int I, int j) const;
    std::int16_t pubMatMat(int I, int j) const;

    /// The name the readiness message uses for MissingMaterialIndex: the material's name when
    /// the index lies in 0 ... N - 1, otherwise "Material " and the index.
    std::string MissingMaterialName(const clsMaterialProperties& materials) const;

    // Builders. Each first writes its progress line through report (may be empty).
    /// t over the whole grid, ghosts included, at T0 = tbc; with the press included T0 = 25 and
    /// tbc becomes 25 too. Sets TemperatureReady.
    void make_initial_t(float& tbc, bool IncludePress, const ReportFn& report);
    /// MatMat from the owning part of every point (ghosts copy their interior neighbour), the
    /// readiness flags, TotalResistance at tbc and Runnable (true only when no point is
    /// unassigned, no material lacks thermal data and the resistance is not 0). With
    /// ExactSampling also the parts' shares of every cell, which make_a and make_f use, and the
    /// faces next to cut cells.
    void make_MatMat(const clsTarsen& assembly, const clsMaterialProperties& materials, float tbc,
                     const ReportFn& report);
    /// a from every point's material, ghosts included; MatMat must have been built. A cell that
    /// several materials share takes the volume mixture of their laws, and a ghost beside such
    /// a cell the same.
    void make_a(const clsMaterialProperties& materials, const ReportFn& report);
    /// Reallocates c, cr, cz and fills them with heat.cond from a and t; the faces next to cut
    /// cells then take the values of their half-cells (Faces()).
    void make_c(const clsMgHeat& heat, bool FluxMatch, float tbc, const ReportFn& report);
    /// f = J^2 rho at every interior point (J the current density of the owning part, rho the
    /// material's resistivity at t, or at tbc when heat.BoundaryT; a cell that several parts
    /// share takes the sum of their J^2 rho weighted by their shares) and IntegratedPower =
    /// MirrorFactor x 2 pi dr dz sum r f. MatMat and t must have been built. The electrical
    /// readouts are the caller's.
    void make_f(const clsTarsen& assembly, const clsMaterialProperties& materials,
                const clsMgHeat& heat, float tbc, float ElectricCurrent, const ReportFn& report);

    /// The parts' shares of every cell from the last make_MatMat with ExactSampling; null
    /// otherwise.
    const CellCover* Cover() const { return m_cover.get(); }
    /// The faces next to cut cells from the last make_MatMat with ExactSampling, whose values
    /// make_c writes into cr and cz and the solvers take over; null without exact sampling or
    /// when no cell is cut.
    const CutFaces* Faces() const { return ExactSampling ? m_faces.get() : nullptr; }

    /// The heat source a solve takes: f, plus beside leaning boundaries the heat their cross
    /// flux carries at the present t (the conductivities at tbc when atTbc), in a field of its
    /// own so that f stays J^2 rho. Valid until the next call or make_f.
    const GhostField<float>& SolverSource(float tbc, bool atTbc);

private:
    GhostField<float> m_source; // f with the cross flux's heat, for SolverSource

    struct PartCache;                         // owning part of every point, kept from make_MatMat
    std::shared_ptr<const PartCache> m_owner; // a copied grid shares it; builders replace it
    std::shared_ptr<const CellCover> m_cover; // likewise
    std::shared_ptr<const CutFaces> m_faces;  // likewise

    /// Coefficients of the cut cells from their mixtures at the present temperatures (no lower
    /// than tbc) and heat flow; by volume alone while t is not built.
    void mix_cut_cells(float tbc);
};

/// Restriction by averaging: coarse becomes -1 ... nrfine/2 by -1 ... nzfine/2 (halves rounded
/// to even) and each coarse cell the mean of its four fine cells. The coarse ghost ring is 0,
/// left for applybc.
void scalar_to_coarse(const GhostField<float>& fine, GhostField<float>& coarse, int nrfine,
                      int nzfine);

/// Prolongation with the bilinear weights 9/16, 3/16, 3/16, 1/16: fine becomes -1 ... nrfine by
/// -1 ... nzfine, ghost ring included, read from coarse with its ghost ring, so fill the coarse
/// ghosts (applybc) first. nrfine and nzfine are even; coarse spans -1 ... nrfine/2 by
/// -1 ... nzfine/2.
void scalar_to_fine(const GhostField<float>& coarse, GhostField<float>& fine, int nrfine,
                    int nzfine);

} // namespace tarsen
