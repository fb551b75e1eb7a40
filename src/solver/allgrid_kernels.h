// Level kernels of the multigrid solver: the ghost rules, the relaxation sweeps (red/black or
// lexicographic), the operator and the residual, the face conductivities, the two grid
// transfers, and the Single running sum of squared residuals.
//
// A level's fields are reached through pointers at cell (0, 0) of their slot blocks (unless a
// routine says otherwise) with the row stride W = nx + 2, so (i +- 1, j) is at +-1 and
// (i, j +- 1) at +-W; the ghost frame is i = -1 and nx, j = -1 and nz. Nothing here allocates,
// and every value gets the same bits on every path and instruction set.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tarsen::allgrid {

/// nbc codes of the ghost rules.
inline constexpr std::int16_t kGhostCopy = 200;   //!< zero flux: ghost = interior neighbour
inline constexpr std::int16_t kGhostMirror = 100; //!< isothermal: ghost = 2 tb - neighbour

/// Levels of fewer values than this (ghost frames included) are worked on by the calling thread
/// alone: handing their rows to other threads would cost more than it saves (a hand-over costs
/// a microsecond or two, about what a quarter sweep of a 64 x 64 level takes). The loops over
/// the rows of larger levels, from 128 x 128 up, run on the calling thread's pool
/// (common/parallel.h); either way every value gets the same bits. The coarse levels of a fine
/// grid's cycle make many more sweeps than the fine ones, so sharing the 128 x 128 level too
/// took a tenth off a run cycle at 128 x 128 and a few percent at 512 x 512 with 2 threads.
inline constexpr std::ptrdiff_t kParallelCells = 16384;

/// The Single weights of bilinear prolongation.
inline constexpr float kProlongOwn = 0.5625f;  //!< 9/16: the coarse cell a fine cell lies in
inline constexpr float kProlongSide = 0.1875f; //!< 3/16: each of the two beside it
inline constexpr float kProlongDiag = 0.0625f; //!< 1/16: the diagonal one

/// One level of the hierarchy as the sweeps see it.
struct LevelView {
    float* t = nullptr;        //!< temperature (or correction)
    const float* s = nullptr;  //!< right-hand side
    const float* kr = nullptr; //!< r-face conductivity, face (i, j) between cells i - 1 and i
    const float* kz = nullptr; //!< z-face conductivity, face (i, j) between rows j - 1 and j
    std::ptrdiff_t W = 0;      //!< row stride, nx + 2
    int nx = 0;
    int nz = 0;
    double h2inv = 0.0;         //!< (1/h)^2, a Single
    const double* rc = nullptr; //!< radius of the cells of column i, i = 0 ... nx - 1
    const double* rp = nullptr; //!< radius of their outer r-face
    const double* rm = nullptr; //!< radius of their inner r-face (0 at the axis)
    /// The same for the cells i = first, first + 2, ... of a red/black row (first 0 or 1).
    const double* rcColour[2] = {nullptr, nullptr};
    const double* rpColour[2] = {nullptr, nullptr};
    const double* rmColour[2] = {nullptr, nullptr};
};

/// The ghost rule of each side: nbc codes (200 zero flux, 100 isothermal, anything else leaves
/// the side) in the order z = 0, z = zmax, axis, r = rmax, and twice the boundary value.
struct GhostRules {
    std::int16_t code[4] = {0, 0, 0, 0};
    double twoTb = 0.0;
};

/// The settings of the relaxation.
struct RelaxParams {
    double omega = 0.0;   //!< damping, a Single (0.5 lexicographic, 0.75 red/black)
    float tmin = 0.0f;    //!< clamp, deg C
    float tmax = 0.0f;    //!< clamp, deg C
    bool clamp = true;    //!< false while relaxing a correction
    bool redBlack = true; //!< red/black order, else lexicographic
};

/// The ghost frame of t from the rules, side by side in the order of GhostRules (so corners are
/// last written by the r sides): zero flux copies the interior neighbour, isothermal stores
/// twoTb - neighbour.
void apply_ghost_rules(float* t, std::ptrdiff_t W, int nx, int nz, const GhostRules& g);

/// The ghost rules, then nits sweeps of damped Gauss-Seidel on L(T) = S, each followed by the
/// ghost rules. A red/black sweep passes over the cells with i + j even, then the others, rows
/// in increasing j; a lexicographic one over all cells, j outer. Each cell becomes the clamped
/// T + omega R / D (R = L(T) - S) unless D is not positive and finite or the new value is not
/// finite. When wantFirst (wantLast), firstSum (lastSum) receives the Single running sum of R^2
/// of sweep 1 (sweep nits), R taken before each cell's update, in the order of the cells; q is
/// scratch for nx nz values, needed only then.
void relax_sweeps(const LevelView& v, const RelaxParams& p, const GhostRules& g, std::int32_t nits,
                  bool wantFirst, bool wantLast, float* q, float& firstSum, float& lastSum);

/// out = L(T) on the interior (stride W, at cell (0, 0)), rounded to Single. Uses t, kr, kz.
void operator_level(const LevelView& v, float* out);

/// sum = sum + L(T) on the interior, L rounded to Single and then the sum, and copy = T on the
/// whole block, ghost frame included (copy and sum stride W, at cell (0, 0)). Uses t, kr, kz.
void operator_add_level(const LevelView& v, float* sum, float* copy);

/// out = S - L(T) on the interior, rounded to Single, the ghosts of t as they stand. When
/// squares is not null it receives (L(T) - S)^2 rounded to Single at [i nz + j] (i outer, the
/// order of the sum), using row (nx values) as scratch.
void residual_level(const LevelView& v, float* out, float* squares, float* row);

/// The face conductivities for i = 0 ... nx, j = 0 ... nz from the cell conductivity c (its
/// ghost frame included): fr(i, j) from cells (i - 1, j) and (i, j), fz(i, j) from (i, j - 1)
/// and (i, j); harmonic means 2 a b / (a + b) (0 when a + b <= 0) or arithmetic means.
void face_means(const float* c, float* fr, float* fz, std::ptrdiff_t W, int nx, int nz,
                bool harmonic);

/// Coarse cell (ic, jc), ic < nxc, jc < nzc, = the plain average of fine cells 2 ic ... 2 ic + 1
/// by 2 jc ... 2 jc + 1. Both pointers at cell (0, 0); strides Wf and Wc.
void restrict_level(const float* fine, std::ptrdiff_t Wf, float* coarse, std::ptrdiff_t Wc, int nxc,
                    int nzc);

/// Every fine value from -1 ... 2 nxc by -1 ... 2 nzc, ghost frame included, by bilinear
/// interpolation between cell centres (weights 9/16, 3/16, 3/16, 1/16) from the coarse values
/// with their ghost frame. Both pointers at (-1, -1); strides Wf = 2 nxc + 2 and Wc = nxc + 2.
void prolong_level(const float* coarse, std::ptrdiff_t Wc, float* fine, std::ptrdiff_t Wf, int nxc,
                   int nzc);

/// The same, each interpolated value (rounded to Single) added to the fine value it would
/// replace, the sum rounded to Single.
void prolong_add_level(const float* coarse, std::ptrdiff_t Wc, float* fine, std::ptrdiff_t Wf,
                       int nxc, int nzc);

/// sum + q[0] + q[1] + ... + q[n - 1], each addition rounded to Single, in that order: the
/// Single running sum (a Single plus a Single, summed exactly in double and rounded, is the
/// Single addition itself).
float ordered_sum(float sum, const float* q, std::int32_t n);

/// The instruction sets the kernels are compiled for. Every one gives the same results.
enum class KernelIsa { kGeneric, kAvx2, kAvx512 };
/// Whether this processor (and this build) can run the kernels on isa.
bool KernelIsaSupported(KernelIsa isa);
/// The instruction set the kernels run on: the best supported one, unless chosen below.
KernelIsa ActiveKernelIsa();
/// Runs the kernels on isa from now on, for tests and benchmarks that compare the copies;
/// returns false, changing nothing, when isa is not supported.
bool SelectKernelIsa(KernelIsa isa);

} // namespace tarsen::allgrid
