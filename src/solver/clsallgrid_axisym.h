// The multigrid solver of the axisymmetric steady conduction equation with fixed conductivities:
// a hierarchy of cell-centred (r, z) levels, each half as fine as the next, in one flat Single
// array of eight slots; the discrete operator r div(k grad T) with its face conductivities and
// ghost-cell boundary rules; damped Gauss-Seidel relaxation (lexicographic or red/black); the
// grid transfers; full-approximation V-cycles and the other cycle drivers; and AllGrid, which
// takes the model grid's fields, solves once and writes the temperatures back.
//
// Storage: slot ia (1 ... 8) occupies u[(ia - 1) np + 1 ... ia np]; inside a slot, level igrid
// (1 coarsest ... ngrid finest) occupies (nxl + 2)(nzl + 2) values after nl(igrid), row j = -1
// first, i fastest, ghost frame included. Neighbours of a cell are at +-1 (r) and +-(nxl + 2) (z).
//
// Every level routine takes the counts nx, nz of the level it works on (whatever its level
// argument is called) and slot numbers of the table below; invalid slots or levels are caller
// errors (checked by assert in debug builds only). Outputs are Single values by reference.
#pragma once

#include "common/ghostfield.h"
#include "common/largeblocks.h"
#include "solver/allgrid_kernels.h"
#include "solver/cutfaces.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace tarsen {

struct FrontEnd;

/// Boundary codes ibcs(1 ... 4) held at [0 ... 3]: the axis, the side r = rmax, the top z = zmax
/// and the bottom z = 0. 0 is zero flux, 1 isothermal at the boundary temperature (the same
/// alias as the heat driver's).
using BoundaryCodes = std::array<std::int16_t, 4>;

/// Ghost rules nbc(1 ... 4) at [0 ... 3], built from ibcs: [0] the z = 0 end (ghost row j = -1),
/// [1] the z = zmax end (row j = nzl), [2] the axis (column i = -1), [3] r = rmax (column nxl).
using SideCodes = std::array<std::int16_t, 4>;

/// Level base offsets nl(0 ... 20); nl(1) = 0.
using LevelOffsets = std::array<std::int32_t, 21>;

/// The slot array u(0 ... 8 np); index 0 is never used.
using SlotStorage = std::vector<float, LargeBlockAllocator<float>>;

inline constexpr int kMaxLevels = 20;
inline constexpr std::int16_t kZeroFluxCode = 200;   //!< ghost = its interior neighbour
inline constexpr std::int16_t kIsothermalCode = 100; //!< ghost = 2 tb - its interior neighbour

// Slots as AllGrid assigns them.
inline constexpr std::int16_t kSlotTemp = 1;     //!< iTemp: the unknown
inline constexpr std::int16_t kSlotSource = 2;   //!< iSource: -r f on the finest level
inline constexpr std::int16_t kSlotUtilBase = 3; //!< iUtilBase, + 1, + 2: work slots
inline constexpr std::int16_t kSlotCondBase = 6; //!< iCondBase: cell, r-face, z-face conductivity

/// How a solve or a refusal ended. The first four mean t was solved (or was already solved).
enum class AllGridStatus : std::uint8_t {
    kTolerance,        //!< the residual fell below errmax of its starting value
    kCycleLimit,       //!< the most cycles or sweeps allowed were made
    kStalled,          //!< the residual stopped falling (five bad FAS steps, or the tests of
                       //!< methods 2 and 4)
    kFloorReached,     //!< method 3: a cycle no longer lowered a residual already at the floor
                       //!< that rounding the temperatures to Single sets
    kZeroResidual,     //!< residual (method 3) or source (methods 2 and 4) zero: nothing to do
    kMethodNotValid,   //!< method outside 1 ... 5; t unchanged
    kGridNotSuitable,  //!< shorter side not a power of two, longer not a whole multiple of it,
                       //!< or a side <= 0; t unchanged
    kTooManyLevels,    //!< more than 20 levels; t unchanged
    kGridTooLarge,     //!< the slot array does not fit the 32-bit index or memory; t unchanged
    kFieldMismatch,    //!< t, c or f does not span -1 ... nx by -1 ... nz; t unchanged
    kNotFinite,        //!< a non-finite field value, boundary temperature or radius, or a heat
                       //!< source too large for Single; t unchanged
    kFmgNeedsWideGrid, //!< method 1 with nz > nx; t unchanged
};

/// True for the statuses after which t holds a solution.
constexpr bool Solved(AllGridStatus s) { return s <= AllGridStatus::kZeroResidual; }

inline constexpr std::string_view kMsgMethodNotValid = "Method is not valid. :(";
inline constexpr std::string_view kMsgCsPoisson =
    "cs_poisson: Solution no longer converging OR sError < errmax";
inline constexpr std::string_view kMsgIteratePoisson =
    "iterate_poisson: Solution no longer converging OR sError < errmax";
/// Also the run loop's text when it checks the grid before a multigrid cycle.
inline constexpr std::string_view kMsgGridNotSuitable =
    "grid not suitable for multigrid; use Single grid";
inline constexpr std::string_view kMsgTooManyLevels =
    "grid not suitable for multigrid (more than 20 levels); use Single grid";
inline constexpr std::string_view kMsgGridTooLarge =
    "grid too large for multigrid; use Single grid";
inline constexpr std::string_view kMsgFieldMismatch =
    "AllGrid: the temperature, conductivity and heat source do not match the grid";
inline constexpr std::string_view kMsgNotFinite =
    "AllGrid: a temperature, conductivity, heat source, boundary temperature or model radius is "
    "not a usable number; nothing was solved";
inline constexpr std::string_view kMsgFmgNeedsWideGrid =
    "fmg_poisson: full multigrid needs nz <= nx; nothing was solved";

/// The text AllGrid shows when it refuses with s; empty for the statuses after a solve (methods 2
/// and 4 then show their own closing texts).
std::string_view RefusalMessage(AllGridStatus s);

class clsAllgrid_axisym {
public:
    float tmax = 2319.0f; //!< upper clamp of relaxed temperatures, deg C
    float tmin = 0.0f;    //!< lower clamp, deg C; AllGrid sets it to temptbc at every call

    /// Messages go to frontEnd (at most one per AllGrid call); none when null.
    explicit clsAllgrid_axisym(FrontEnd* frontEnd = nullptr) : m_frontEnd(frontEnd) {}
    void SetFrontEnd(FrontEnd* frontEnd) { m_frontEnd = frontEnd; }

    /// Whether an nx x nz grid makes a consistent hierarchy: both sides > 0, the shorter a power
    /// of two, the longer a whole multiple of it, at most 20 levels and a slot array whose
    /// indices fit 32 bits. Returns nothing when it does, otherwise the refusal status
    /// (kGridNotSuitable, kTooManyLevels or kGridTooLarge, whose texts RefusalMessage gives).
    /// The run loop calls this before each multigrid cycle.
    static std::optional<AllGridStatus> CheckGrid(std::int32_t nx, std::int32_t nz);

    /// Solves the conduction equation once with the conductivities c held fixed and writes the
    /// new temperatures into t, ghost frame included. t, c and f span -1 ... nx by -1 ... nz
    /// (first index r); f is the volumetric heat source (its ghost lines i = nx and j = nz enter
    /// the source slot but no equation). The cell size is temprmax / nx in both directions, so
    /// the grid must have the model's aspect ratio; tempzmax is kept but not used. method: 1 full
    /// multigrid, 2 correction-scheme V-cycles, 3 FAS V-cycles (at most NInner; the main
    /// window's), 4 relaxation to a tolerance, 5 a thousand sweeps. Sets tmin = temptbc.
    /// Method 3 sets rmserror (rms residual of the last sweep on the finest level) and
    /// FirstError (that of the call's first sweep); the other methods leave them, except that a
    /// zero source in methods 2 and 4 sets both to 0. Shows at most one message: the refusal
    /// texts above, "Method is not valid. :(", or the closing text of methods 2 and 4. A refusal
    /// leaves t, rmserror and FirstError unchanged. With faces, the finest level's face
    /// conductivities at its cut faces are taken from its cr and cz instead of the means of c
    /// (the coarser levels keep restricting c); a field that does not span the grid, a face
    /// outside it or a value that is not positive and finite refuses with kFieldMismatch or
    /// kNotFinite.
    AllGridStatus AllGrid(GhostField<float>& t, const GhostField<float>& c,
                          const GhostField<float>& f, std::int16_t nx, std::int16_t nz,
                          const BoundaryCodes& ibcs, float temptbc, float temprmax, float tempzmax,
                          bool FluxMatch, std::int16_t method, bool RedBlack, std::int16_t NInner,
                          float& rmserror, float& FirstError, const FinestFaces* faces = nullptr);

    /// Whether fas_poisson ends at the Single rounding floor (kFloorReached) instead of making
    /// the cycles that can no longer lower its residual. On by default; off gives the plain
    /// stop rules, for comparison.
    void SetFloorStop(bool on) { m_floorStop = on; }
    bool FloorStop() const { return m_floorStop; }
    /// Whether a call of a single cycle (NInner 1) makes the ordinary sweeps instead of the
    /// doubled ones of a call's first cycle. Off by default; a run whose calls are single cycles
    /// that it mixes turns it on: there the extra sweeps took out less than they cost.
    void SetPlainSingleCycle(bool on) { m_plainSingleCycle = on; }

    /// FAS cycles made by the last fas_poisson (0 when it stopped after the first sweep).
    std::int16_t CyclesDone() const { return m_cycles; }
    /// The last fas_poisson's rms residuals: after its first sweep, then after each cycle.
    const std::vector<float>& CycleResiduals() const { return m_history; }
    /// The rms residual at which the last fas_poisson counted its residual as down at the floor
    /// that rounding the temperatures to Single sets (0 when it made no such test).
    double ResidualFloorLevel() const { return m_floorLevel; }

    /// AllGrid's first step: the private copies the level routines read (boundary temperature,
    /// rmax, zmax and RedBlackFlag). Call it before using the level routines on their own.
    void StoreSettings(float temptbc, float temprmax, float tempzmax, bool RedBlack);
    float BoundaryTemperature() const { return m_tbc; }
    float StoredRmax() const { return m_rmax; }
    float StoredZmax() const { return m_zmax; }
    std::int16_t StoredRedBlackFlag() const { return RedBlackFlag; }

    /// nbc from ibcs: 0 gives 200 (zero flux), 1 gives 100 (isothermal), anything else 0 (that
    /// side's ghosts are left as they are).
    static SideCodes BuildSideCodes(const BoundaryCodes& ibcs);

    // ---- Grid hierarchy and storage --------------------------------------------------------

    /// ngrid = number of bits of min(nx, nz), nl(1 ... ngrid) and np (nl cleared first). Returns
    /// CheckGrid's refusal, leaving np and ngrid, when the grid is not consistent.
    std::optional<AllGridStatus> check_init_etc(std::int16_t nx, std::int16_t nz, std::int32_t& np,
                                                LevelOffsets& nl, std::int16_t& ngrid) const;
    /// Flat index of cell (I, j), I and j in -1 ... nxl (nzl), of level igrid in slot ia.
    static std::int32_t ip(int I, int j, int igrid, int nxl, std::int32_t np,
                           const LevelOffsets& nl, int ia)
    {
        return (ia - 1) * np + nl[static_cast<std::size_t>(igrid)] + (nxl + 2) * (j + 1) + I + 2;
    }
    /// Cell counts of level igrid of an nx x nz grid (k = 2^(igrid - 1) along the shorter side).
    static void SetupSizes(std::int16_t igrid, std::int16_t nx, std::int16_t nz, std::int16_t& nxg,
                           std::int16_t& nzg);
    static std::int16_t min(std::int16_t m, std::int16_t n) { return n < m ? n : m; }
    static std::int16_t max(std::int16_t m, std::int16_t n) { return n > m ? n : m; }

    /// u = a over -1 ... nx by -1 ... nz on level igrid (the finest) of slot ia.
    void square_to_ag(const GhostField<float>& a, SlotStorage& u, std::int16_t nx, std::int16_t nz,
                      std::int32_t np, const LevelOffsets& nl, std::int16_t igrid,
                      std::int16_t ia) const;
    /// a = u, the reverse copy; a must span -1 ... nx by -1 ... nz.
    void ag_to_square(GhostField<float>& a, const SlotStorage& u, std::int16_t nx, std::int16_t nz,
                      std::int32_t np, const LevelOffsets& nl, std::int16_t igrid,
                      std::int16_t ia) const;
    /// Every value of the level block, ghost frame included, becomes 0.
    void zero_grid(SlotStorage& u, std::int16_t nx, std::int16_t nz, std::int32_t np,
                   const LevelOffsets& nl, std::int16_t igrid, std::int16_t ia) const;
    /// Slot ic = slot ia + slot ib on the level block, ghost frame included.
    void add_arrays(SlotStorage& u, std::int16_t nx, std::int16_t nz, std::int32_t np,
                    const LevelOffsets& nl, std::int16_t igrid, std::int16_t ia, std::int16_t ib,
                    std::int16_t ic) const;
    /// Slot ic = slot ia - slot ib, ghost frame included.
    void subtract_arrays(SlotStorage& u, std::int16_t nx, std::int16_t nz, std::int32_t np,
                         const LevelOffsets& nl, std::int16_t igrid, std::int16_t ia,
                         std::int16_t ib, std::int16_t ic) const;
    /// Slot ib = slot ia, ghost frame included.
    void copy_array(SlotStorage& u, std::int16_t nx, std::int16_t nz, std::int32_t np,
                    const LevelOffsets& nl, std::int16_t igrid, std::int16_t ia,
                    std::int16_t ib) const;
    /// Sqr(sum of u^2 / (nx nz)) over the interior, i outer: each square rounded to Single and
    /// added to a Single sum.
    float rmsvalue(const SlotStorage& u, std::int16_t nx, std::int16_t nz, std::int32_t np,
                   const LevelOffsets& nl, std::int16_t igrid, std::int16_t ia) const;
    /// Smallest and largest interior value (umin = 1e20, umax = -1e20 for no cells).
    void minmax(const SlotStorage& u, std::int16_t nx, std::int16_t nz, std::int32_t np,
                const LevelOffsets& nl, std::int16_t igrid, std::int16_t ia, float& umin,
                float& umax) const;
    /// Restriction: each interior cell of slot iac on level igfine - 1 becomes the plain average
    /// of its four cells of slot iaf on level igfine (nxf x nzf cells, both even). The coarse
    /// ghost frame is left as it is.
    void fine_to_coarse(SlotStorage& u, std::int16_t nxf, std::int16_t nzf, std::int32_t np,
                        const LevelOffsets& nl, std::int16_t igfine, std::int16_t iaf,
                        std::int16_t iac) const;
    /// Prolongation: bilinear interpolation between cell centres (weights 9/16, 3/16, 3/16,
    /// 1/16) from slot iac on level igfine - 1 into every value of slot iaf on level igfine,
    /// ghost frame included; the outermost fine values read the coarse ghost frame.
    void coarse_to_fine(SlotStorage& u, std::int16_t nxf, std::int16_t nzf, std::int32_t np,
                        const LevelOffsets& nl, std::int16_t igfine, std::int16_t iaf,
                        std::int16_t iac) const;

    // ---- Conduction operator and relaxation ------------------------------------------------

    /// Cell conductivity of every coarser level by restriction (ghost frames by copying), then
    /// the face values of all levels. nbc is not used.
    void setup_cond(SlotStorage& u, std::int16_t nx, std::int16_t nz, std::int32_t np,
                    const LevelOffsets& nl, std::int16_t ngrid, std::int16_t iCondBase,
                    const SideCodes& nbc, bool FluxMatch) const;
    /// Face values of levels ngrid ... 1: harmonic means when FluxMatch, else arithmetic.
    void face_interp(SlotStorage& u, std::int16_t nx, std::int16_t nz, std::int32_t np,
                     const LevelOffsets& nl, std::int16_t ngrid, std::int16_t iCondBase,
                     bool FluxMatch) const;
    /// Harmonic-mean faces for i = 0 ... nx, j = 0 ... nz: r-face (slot + 1) between cells
    /// (i - 1, j) and (i, j) = 2 c cw / (c + cw), z-face (slot + 2) likewise; 0 when the two
    /// conductivities sum to 0 or less.
    void flux_interp(SlotStorage& u, std::int16_t nx, std::int16_t nz, std::int32_t np,
                     const LevelOffsets& nl, std::int16_t igrid, std::int16_t iCondBase) const;
    /// Arithmetic-mean faces 0.5 (c + cw), same ranges.
    void lin_to_face(SlotStorage& u, std::int16_t nx, std::int16_t nz, std::int32_t np,
                     const LevelOffsets& nl, std::int16_t igrid, std::int16_t iCondBase) const;
    /// Ghost frame of the cell conductivity by copying its interior neighbour (rows first).
    void enforce_cond_bcs(SlotStorage& u, std::int16_t nx, std::int16_t nz, std::int32_t np,
                          const LevelOffsets& nl, std::int16_t igrid, std::int16_t iCondBase) const;
    /// Ghost frame of slot iTemp from the side rules, in the order z = 0, z = zmax, axis,
    /// r = rmax (so corners are last written by the r sides). correction: the slot holds a
    /// correction, whose isothermal ghost is -neighbour (the boundary value of a correction is
    /// 0).
    void enforce_bcs(const SideCodes& nbc, SlotStorage& u, std::int16_t nx, std::int16_t nz,
                     std::int32_t np, const LevelOffsets& nl, std::int16_t igrid,
                     std::int16_t iTemp, bool correction = false) const;
    /// Slot iop = L(slot ia) on the interior of level ngrid, after enforce_bcs on slot ia; the
    /// ghost frame of iop is not written.
    void operator_poisson(SlotStorage& u, std::int16_t nx, std::int16_t nz, std::int32_t np,
                          const LevelOffsets& nl, std::int16_t ngrid, std::int16_t ia,
                          std::int16_t iop, std::int16_t iCondBase, const SideCodes& nbc);
    /// Slot iUtilBase = S - L(T) on the interior (ghosts as they stand); resrms = rms of it.
    void residual_poisson(SlotStorage& u, std::int16_t nx, std::int16_t nz, std::int32_t np,
                          const LevelOffsets& nl, std::int16_t ngrid, float& resrms,
                          std::int16_t iTemp, std::int16_t iSource, std::int16_t iCondBase,
                          std::int16_t iUtilBase, const SideCodes& nbc);
    /// nits damped Gauss-Seidel sweeps of L(T) = S on level igrid (lexicographic, omega 0.5, or
    /// red/black, omega 0.75, by the stored RedBlackFlag), each new value clamped to tmin ...
    /// tmax unless correction. A cell whose diagonal is not positive and finite, or whose new
    /// value is not finite, keeps its value. resrms and rmserror: rms of the residuals of the
    /// last sweep, each taken just before its cell's update; FirstError: that of the first
    /// sweep. nits < 1 makes no sweep and leaves the three outputs.
    void relax_poisson(SlotStorage& u, std::int16_t nx, std::int16_t nz, std::int32_t np,
                       const LevelOffsets& nl, std::int16_t igrid, std::int32_t nits, float& resrms,
                       std::int16_t iTemp, std::int16_t iSource, std::int16_t iCondBase,
                       const SideCodes& nbc, float& rmserror, float& FirstError,
                       bool correction = false);

    // ---- Cycles and drivers ----------------------------------------------------------------

    /// FAS V-cycles on levels ngrid ... 1 (method 3): one sweep, then at most NInner cycles of
    /// nits sweeps per smoothing (2 nits in the first), stopping after five consecutive cycles
    /// that each cut the residual by less than 5 %, or once the residual is below errmax of the
    /// first sweep's. A zero residual after the first sweep stops at once. With FloorStop, a
    /// cycle that cuts the residual by less than 5 % when it is already within 0.75 of
    /// ResidualFloor ends the call too (kFloorReached).
    AllGridStatus fas_poisson(SlotStorage& u, std::int16_t nx, std::int16_t nz, std::int32_t np,
                              const LevelOffsets& nl, std::int16_t ngrid, std::int32_t nits,
                              float errmax, std::int16_t iTemp, std::int16_t iSource,
                              std::int16_t iUtilBase, std::int16_t iCondBase, const SideCodes& nbc,
                              std::int16_t NInner, float& rmserror, float& FirstError);
    /// One FAS V-cycle; level igrid smooths 2^(ngrid - igrid) nits sweeps, level 1 makes 100.
    /// resrms and rmserror end as those of the last sweep on level ngrid. IStart is not used.
    void fas_vcycle(SlotStorage& u, std::int16_t nx, std::int16_t nz, std::int32_t np,
                    const LevelOffsets& nl, std::int16_t ngrid, std::int32_t nits, float& resrms,
                    std::int16_t IStart, std::int16_t iTemp, std::int16_t iSource,
                    std::int16_t iUtilBase, std::int16_t iCondBase, const SideCodes& nbc,
                    float& rmserror);
    /// The same cycle with nits sweeps on every level.
    void fas_vcycle_old(SlotStorage& u, std::int16_t nx, std::int16_t nz, std::int32_t np,
                        const LevelOffsets& nl, std::int16_t ngrid, std::int32_t nits,
                        float& resrms, std::int16_t IStart, std::int16_t iTemp,
                        std::int16_t iSource, std::int16_t iUtilBase, std::int16_t iCondBase,
                        const SideCodes& nbc);
    /// A W-cycle through the middle level CInt(Int(ngrid / 2) + 1), nits sweeps on every level.
    void fas_wcycle(SlotStorage& u, std::int16_t nx, std::int16_t nz, std::int32_t np,
                    const LevelOffsets& nl, std::int16_t ngrid, std::int32_t nits, float& resrms,
                    std::int16_t IStart, std::int16_t iTemp, std::int16_t iSource,
                    std::int16_t iUtilBase, std::int16_t iCondBase, const SideCodes& nbc);
    /// Full multigrid (method 1): level 1 relaxed, then each finer level started from the
    /// prolonged coarser solution and solved by fas_poisson (NInner 5). Needs nz <= nx; returns
    /// kFmgNeedsWideGrid, touching nothing, otherwise.
    AllGridStatus fmg_poisson(SlotStorage& u, std::int16_t nx, std::int16_t nz, std::int32_t np,
                              const LevelOffsets& nl, std::int16_t ngrid, std::int32_t nits,
                              float errmax, std::int16_t iTemp, std::int16_t iSource,
                              std::int16_t iUtilBase, std::int16_t iCondBase, const SideCodes& nbc);
    /// Correction-scheme V-cycles (method 2), at most 100, until the residual relative to the
    /// source falls below errmax (kTolerance) or a cycle cuts it by less than 10 % (kStalled).
    /// A zero source returns kZeroResidual at once.
    AllGridStatus cs_poisson(SlotStorage& u, std::int16_t nx, std::int16_t nz, std::int32_t np,
                             const LevelOffsets& nl, std::int16_t ngrid, std::int32_t nits,
                             float errmax, std::int16_t iTemp, std::int16_t iSource,
                             std::int16_t iUtilBase, std::int16_t iCondBase, const SideCodes& nbc);
    /// One correction-scheme V-cycle; the coarse levels hold corrections (homogeneous ghosts,
    /// no clamp). resrms is that of the last sweep on level ngrid.
    void cs_vcycle(SlotStorage& u, std::int16_t nx, std::int16_t nz, std::int32_t np,
                   const LevelOffsets& nl, std::int16_t ngrid, std::int32_t nits, float& resrms,
                   std::int16_t iTemp, std::int16_t iSource, std::int16_t iUtilBase,
                   std::int16_t iCondBase, const SideCodes& nbc);
    /// Relaxation in blocks of 100 sweeps (method 4), at most nsteps blocks, until the residual
    /// relative to the source is at most errmax (kTolerance) or five blocks in a row each cut it
    /// by less than 1 % (kStalled). A zero source returns kZeroResidual at once.
    AllGridStatus iterate_poisson(SlotStorage& u, std::int16_t nx, std::int16_t nz, std::int32_t np,
                                  const LevelOffsets& nl, std::int16_t ngrid, std::int32_t nsteps,
                                  float errmax, std::int16_t iTemp, std::int16_t iSource,
                                  std::int16_t iUtilBase, std::int16_t iCondBase,
                                  const SideCodes& nbc);

private:
    struct LevelGeometry {
        std::int16_t nxl = -1;
        float rmax = 0.0f;
        float h2inv = 0.0f;     // (1/h)^2 as a Single, h = rmax / nxl as a Single
        std::vector<double> rc; // cell-centre radius of column i, then r-face radii
        std::vector<double> rp; // rp = rc + h/2, rm = rc - h/2 (0 at the axis)
        std::vector<double> rm;
        std::array<std::vector<double>, 2> rcColour; // the same for i = first, first + 2, ...
        std::array<std::vector<double>, 2> rpColour; // (first 0 or 1)
        std::array<std::vector<double>, 2> rmColour;
    };

    /// The radii of level igrid for nxl columns at the stored rmax; rebuilt (allocating) only
    /// when nxl or rmax changed, which AllGrid does for every level before solving.
    const LevelGeometry& geometry(std::int16_t igrid, std::int16_t nxl);
    /// The rms residual that rounding the temperatures of level igrid to Single alone leaves:
    /// the rms of D |T| over the interior (D the operator's diagonal) times the Single unit
    /// roundoff 2^-24. Summed in the fixed blocks of rows, so it does not depend on threads.
    double ResidualFloor(const SlotStorage& u, std::int16_t nx, std::int16_t nz, std::int32_t np,
                         const LevelOffsets& nl, std::int16_t igrid, std::int16_t iTemp,
                         std::int16_t iCondBase);
    /// Scratch for the squared residuals of one row, or of a whole level when transposed.
    float* scratch(std::size_t n);
    /// Level igrid's fields and radii for the kernels.
    allgrid::LevelView View(SlotStorage& u, std::int16_t nx, std::int16_t nz, std::int32_t np,
                            const LevelOffsets& nl, std::int16_t igrid, std::int16_t iTemp,
                            std::int16_t iSource, std::int16_t iCondBase);
    /// The ghost rules of nbc at the stored boundary temperature (0 for a correction).
    allgrid::GhostRules Rules(const SideCodes& nbc, bool correction) const;

    /// relax_poisson with the residual sums formed only where wanted: the first sweep's for
    /// FirstError, the last sweep's for resrms and rmserror (unwanted outputs are left).
    void relax_level(SlotStorage& u, std::int16_t nx, std::int16_t nz, std::int32_t np,
                     const LevelOffsets& nl, std::int16_t igrid, std::int32_t nits,
                     std::int16_t iTemp, std::int16_t iSource, std::int16_t iCondBase,
                     const SideCodes& nbc, bool correction, bool wantFirst, bool wantLast,
                     float& resrms, float& rmserror, float& FirstError);
    /// residual_poisson with the sum formed only when wanted.
    void residual_level(SlotStorage& u, std::int16_t nx, std::int16_t nz, std::int32_t np,
                        const LevelOffsets& nl, std::int16_t igrid, std::int16_t iTemp,
                        std::int16_t iSource, std::int16_t iCondBase, std::int16_t iUtilBase,
                        bool wantSum, float& resrms);
    /// One descent step of the FAS cycles from level igrid to igrid - 1 (s sweeps on igrid).
    void fas_descend(SlotStorage& u, std::int16_t nxg, std::int16_t nzg, std::int32_t np,
                     const LevelOffsets& nl, std::int16_t igrid, std::int32_t s, std::int16_t iTemp,
                     std::int16_t iSource, std::int16_t iUtilBase, std::int16_t iCondBase,
                     const SideCodes& nbc);
    /// One ascent step from level igrid - 1 to igrid (s sweeps on igrid).
    void fas_ascend(SlotStorage& u, std::int16_t nxg, std::int16_t nzg, std::int32_t np,
                    const LevelOffsets& nl, std::int16_t igrid, std::int32_t s, std::int16_t iTemp,
                    std::int16_t iSource, std::int16_t iUtilBase, std::int16_t iCondBase,
                    const SideCodes& nbc, bool wantLast, float& resrms, float& rmserror);
    /// Level 1 of an nx x nz grid: 1 x CInt(nz / nx) or CInt(nx / nz) x 1 cells.
    static void CoarsestSizes(std::int16_t nx, std::int16_t nz, std::int16_t& nx1,
                              std::int16_t& nz1);
    void Show(std::string_view text) const;

    FrontEnd* m_frontEnd = nullptr;
    float m_tbc = 0.0f;            // boundary temperature of the current call, deg C
    float m_rmax = 0.0f;           // radial extent, mm
    float m_zmax = 0.0f;           // axial extent, mm (kept, not used)
    std::int16_t RedBlackFlag = 0; // 1 red/black, 0 lexicographic
    std::int16_t m_cycles = 0;
    bool m_floorStop = true;
    bool m_plainSingleCycle = false;
    std::vector<float> m_history;
    double m_floorLevel = 0.0;
    SlotStorage m_u; // AllGrid's slot array, kept between calls to spare the allocation
    std::array<LevelGeometry, kMaxLevels + 1> m_geometry;
    std::vector<float, LargeBlockAllocator<float>> m_scratch;
};

} // namespace tarsen
