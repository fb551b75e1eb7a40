#include "solver/clsallgrid_axisym.h"

#include "common/frontend.h"
#include "common/numeric.h"
#include "common/parallel.h"
#include "solver/allgrid_kernels.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cassert>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

namespace tarsen {

namespace {

constexpr float kErrmax = 0.01f; // residual reduction asked of every method (a Single)
constexpr std::int32_t kCoarsestSweeps = 100;
// A FAS call ends at a cycle that cuts its residual by less than 5 % once that residual is at
// most this multiple of ResidualFloor. At that floor the residual of a converged field settles
// near half the estimate on the bundled assemblies, at every grid size.
constexpr double kFloorMultiple = 0.75;
static_assert(kZeroFluxCode == allgrid::kGhostCopy && kIsothermalCode == allgrid::kGhostMirror);

/// 1 when v is infinite or NaN, else 0, so that a loop can or it up without a branch.
std::uint32_t NotFinite(float v)
{
    std::uint32_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    return (~bits & 0x7f800000u) == 0 ? 1u : 0u;
}

bool IsFinite(float v) { return NotFinite(v) == 0; }

/// True when the face arrays span the grid and every face lies on it.
bool FacesFit(const FinestFaces& faces, std::int16_t nx, std::int16_t nz)
{
    if (faces.cr.Empty() || faces.cr.N1() != nx || faces.cr.N2() != nz || faces.cz.Empty() ||
        faces.cz.N1() != nx || faces.cz.N2() != nz)
        return false;
    for (const CutFace& face : faces.cut.Faces())
        if (face.i < 0 || face.i > nx || face.j < 0 || face.j > nz)
            return false;
    return true;
}

/// Single value of a Single sum's rms: Sqr(sum / CSng(nx nz)), the cell count formed in 32 bits.
float RmsOfSum(float sum, std::int16_t nx, std::int16_t nz)
{
    const float cells = static_cast<float>(std::int32_t{nx} * std::int32_t{nz});
    return static_cast<float>(std::sqrt(double(sum) / double(cells)));
}

/// CInt(2^(levelsBelow) nits) as a Long: the sweeps of a level levelsBelow under the finest.
std::int32_t ScaledSweeps(std::int32_t nits, int levelsBelow)
{
    return CLng(std::ldexp(double(nits), levelsBelow));
}

// Rough cost on one thread, in nanoseconds per value, of the block arithmetic and of the
// copies between the caller's fields and the slots, from which the pool judges whether a loop
// repays waking its threads.
constexpr double kBlockNs = 0.2;
constexpr double kTransposeNs = 0.6;
constexpr double kFloorNs = 1.0;

std::int64_t WorkNs(std::size_t values, double ns)
{
    return static_cast<std::int64_t>(double(values) * ns);
}

/// body(begin, end) over 0 ... n - 1 cut into the fixed number of blocks, on the thread pool
/// when n is large enough to repay the hand-over; the parts must be independent.
template <class Body> void ForRanges(std::size_t n, const Body& body)
{
    if (n < static_cast<std::size_t>(allgrid::kParallelCells)) {
        body(std::size_t{0}, n);
        return;
    }
    ParallelFor(kRowBlocks, WorkNs(n, kBlockNs), [&](int b) {
        const auto part = [n](int k) {
            return n / kRowBlocks * k + std::min<std::size_t>(n % kRowBlocks, k);
        };
        body(part(b), part(b + 1));
    });
}

// The caller's fields are r-major (j contiguous), the level blocks z-major (i contiguous), so
// moving between them is a transpose. It goes in strips of 8 values of i, each walking down
// every j: the strip reads (or writes) 8 columns of the caller's field in order, which the
// processor fetches ahead, and writes (or reads) 8 neighbouring values of each level row.
// Strips of j instead (every column a few values at a time) touched a new page at each column
// and took three times as long on a field not in cache. dst/src point at (-1, -1) of the level
// block, whose rows are nx + 2 long.
constexpr std::size_t kStrip = 8;

/// body(ib, ie) for the strips of kStrip values of i from first to cols - 1, grouped into the
/// fixed number of blocks and run on the thread pool when the field is large.
template <class Body>
void ForStrips(std::size_t rows, std::size_t cols, std::size_t first, const Body& body)
{
    if (cols <= first)
        return;
    const std::size_t strips = (cols - first + kStrip - 1) / kStrip;
    const auto run = [&](std::size_t s0, std::size_t s1) {
        for (std::size_t k = s0; k < s1; ++k) {
            const std::size_t ib = first + k * kStrip;
            body(ib, std::min(cols, ib + kStrip));
        }
    };
    if (rows * cols < static_cast<std::size_t>(allgrid::kParallelCells) || strips < 2) {
        run(0, strips);
        return;
    }
    const int blocks = static_cast<int>(std::min<std::size_t>(kRowBlocks, strips));
    ParallelFor(blocks, WorkNs(rows * cols, kTransposeNs), [&](int b) {
        const RowRange r = RowsOfBlock(static_cast<int>(strips), blocks, b);
        run(static_cast<std::size_t>(r.begin), static_cast<std::size_t>(r.end));
    });
}

/// dst = a over -1 ... nx by -1 ... nz; returns false when any value is not finite.
bool LoadTransposed(const GhostField<float>& a, float* dst, int nx, int nz)
{
    const float* src = a.Data();
    const std::size_t srcStride = a.Stride();
    const std::size_t W = static_cast<std::size_t>(nx) + 2;
    const std::size_t rows = static_cast<std::size_t>(nz) + 2;
    const std::size_t cols = static_cast<std::size_t>(nx) + 2;
    std::atomic<bool> finite{true};
    ForStrips(rows, cols, 0, [&](std::size_t ib, std::size_t ie) {
        std::uint32_t bad = 0;
        for (std::size_t jj = 0; jj < rows; ++jj) {
            float* row = dst + jj * W;
            for (std::size_t i = ib; i < ie; ++i) {
                const float v = src[i * srcStride + jj];
                bad |= NotFinite(v);
                row[i] = v;
            }
        }
        if (bad != 0)
            finite.store(false, std::memory_order_relaxed);
    });
    return finite.load(std::memory_order_relaxed);
}

/// The finest source block: -((i + 0.5) dr) f(i, j) for i = 0 ... nx, j = 0 ... nz, the radius
/// rounded to Single first; 0 on the lines i = -1 and j = -1. Returns false when a value of f
/// or a product is not finite.
bool LoadSource(const GhostField<float>& f, float* dst, int nx, int nz, float dr)
{
    const float* src = f.Data();
    const std::size_t srcStride = f.Stride();
    const std::size_t W = static_cast<std::size_t>(nx) + 2;
    const std::size_t rows = static_cast<std::size_t>(nz) + 2;
    const std::size_t cols = static_cast<std::size_t>(nx) + 2;
    for (std::size_t ib = 0; ib < cols; ++ib)
        dst[ib] = 0.0f;
    for (std::size_t jj = 0; jj < rows; ++jj)
        dst[jj * W] = 0.0f;
    std::atomic<bool> finite{true};
    ForStrips(rows, cols, 1, [&](std::size_t ib, std::size_t ie) {
        double r[kStrip];
        for (std::size_t i = ib; i < ie; ++i)
            r[i - ib] = double(static_cast<float>((double(i) - 1.0 + 0.5) * double(dr)));
        std::uint32_t bad = 0;
        for (std::size_t jj = 1; jj < rows; ++jj) {
            float* row = dst + jj * W;
            for (std::size_t i = ib; i < ie; ++i) {
                const float fv = src[i * srcStride + jj];
                const float v = static_cast<float>(-(r[i - ib] * double(fv)));
                bad |= NotFinite(fv) | NotFinite(v);
                row[i] = v;
            }
        }
        if (bad != 0)
            finite.store(false, std::memory_order_relaxed);
    });
    return finite.load(std::memory_order_relaxed);
}

/// a over -1 ... nx by -1 ... nz = the level block src.
void StoreTransposed(const float* src, GhostField<float>& a, int nx, int nz)
{
    float* dst = a.Data();
    const std::size_t dstStride = a.Stride();
    const std::size_t W = static_cast<std::size_t>(nx) + 2;
    const std::size_t rows = static_cast<std::size_t>(nz) + 2;
    const std::size_t cols = static_cast<std::size_t>(nx) + 2;
    // Each strip writes its own columns; strips are independent.
    ForStrips(rows, cols, 0, [&](std::size_t ib, std::size_t ie) {
        for (std::size_t jj = 0; jj < rows; ++jj) {
            const float* row = src + jj * W;
            for (std::size_t i = ib; i < ie; ++i)
                dst[i * dstStride + jj] = row[i];
        }
    });
}

bool Spans(const GhostField<float>& a, int nx, int nz)
{
    return !a.Empty() && a.N1() == nx && a.N2() == nz;
}

/// Size of one level block with its ghost frame.
std::size_t BlockSize(int nx, int nz)
{
    return (static_cast<std::size_t>(nx) + 2) * (static_cast<std::size_t>(nz) + 2);
}

} // namespace

std::string_view RefusalMessage(AllGridStatus s)
{
    switch (s) {
    case AllGridStatus::kMethodNotValid:
        return kMsgMethodNotValid;
    case AllGridStatus::kGridNotSuitable:
        return kMsgGridNotSuitable;
    case AllGridStatus::kTooManyLevels:
        return kMsgTooManyLevels;
    case AllGridStatus::kGridTooLarge:
        return kMsgGridTooLarge;
    case AllGridStatus::kFieldMismatch:
        return kMsgFieldMismatch;
    case AllGridStatus::kNotFinite:
        return kMsgNotFinite;
    case AllGridStatus::kFmgNeedsWideGrid:
        return kMsgFmgNeedsWideGrid;
    case AllGridStatus::kTolerance:
    case AllGridStatus::kCycleLimit:
    case AllGridStatus::kStalled:
    case AllGridStatus::kFloorReached:
    case AllGridStatus::kZeroResidual:
        break;
    }
    return {};
}

// ---- Settings and grid checks --------------------------------------------------------------

void clsAllgrid_axisym::StoreSettings(float temptbc, float temprmax, float tempzmax, bool RedBlack)
{
    RedBlackFlag = RedBlack ? 1 : 0;
    m_rmax = temprmax;
    m_zmax = tempzmax;
    m_tbc = temptbc;
}

SideCodes clsAllgrid_axisym::BuildSideCodes(const BoundaryCodes& ibcs)
{
    const auto code = [](std::int16_t b) -> std::int16_t {
        if (b == 0)
            return kZeroFluxCode;
        if (b == 1)
            return kIsothermalCode;
        return 0;
    };
    return SideCodes{code(ibcs[3]), code(ibcs[2]), code(ibcs[0]), code(ibcs[1])};
}

std::optional<AllGridStatus> clsAllgrid_axisym::CheckGrid(std::int32_t nx, std::int32_t nz)
{
    if (nx <= 0 || nz <= 0)
        return AllGridStatus::kGridNotSuitable;
    const std::int64_t mn = std::min(nx, nz);
    const std::int64_t mx = std::max(nx, nz);
    if (!std::has_single_bit(static_cast<std::uint64_t>(mn)) || mx % mn != 0)
        return AllGridStatus::kGridNotSuitable;
    const int ngrid = std::bit_width(static_cast<std::uint64_t>(mn));
    if (ngrid > kMaxLevels)
        return AllGridStatus::kTooManyLevels;
    std::int64_t np = 0;
    for (std::int64_t k = 1; k <= mn; k *= 2)
        np += (mx * k / mn + 2) * (k + 2);
    if (8 * np + 1 > std::numeric_limits<std::int32_t>::max())
        return AllGridStatus::kGridTooLarge;
    return std::nullopt;
}

std::optional<AllGridStatus> clsAllgrid_axisym::check_init_etc(std::int16_t nx, std::int16_t nz,
                                                               std::int32_t& np, LevelOffsets& nl,
                                                               std::int16_t& ngrid) const
{
    nl.fill(0);
    if (auto refusal = CheckGrid(nx, nz))
        return refusal;
    const std::int32_t mn = min(nx, nz);
    const std::int32_t mx = max(nx, nz);
    ngrid = static_cast<std::int16_t>(std::bit_width(static_cast<std::uint32_t>(mn)));
    std::int32_t offset = 0;
    std::int32_t k = 1;
    for (int igrid = 1; igrid <= ngrid; ++igrid) {
        nl[static_cast<std::size_t>(igrid)] = offset;
        offset += (mx * k / mn + 2) * (k + 2); // whole numbers on a consistent grid
        k *= 2;
    }
    np = offset;
    return std::nullopt;
}

void clsAllgrid_axisym::SetupSizes(std::int16_t igrid, std::int16_t nx, std::int16_t nz,
                                   std::int16_t& nxg, std::int16_t& nzg)
{
    const std::int16_t k = CInt(std::ldexp(1.0, igrid - 1));
    if (nz > nx) {
        nxg = k;
        nzg = CInt(double(nz) * k / nx);
    } else {
        nzg = k;
        nxg = CInt(double(nx) * k / nz);
    }
}

void clsAllgrid_axisym::CoarsestSizes(std::int16_t nx, std::int16_t nz, std::int16_t& nx1,
                                      std::int16_t& nz1)
{
    if (nz > nx) {
        nx1 = 1;
        nz1 = CInt(double(nz) / nx);
    } else {
        nx1 = CInt(double(nx) / nz);
        nz1 = 1;
    }
}

void clsAllgrid_axisym::Show(std::string_view text) const
{
    if (m_frontEnd && !text.empty())
        m_frontEnd->ShowMessage(text);
}

// ---- Slot arithmetic and transfers ---------------------------------------------------------

void clsAllgrid_axisym::square_to_ag(const GhostField<float>& a, SlotStorage& u, std::int16_t nx,
                                     std::int16_t nz, std::int32_t np, const LevelOffsets& nl,
                                     std::int16_t igrid, std::int16_t ia) const
{
    assert(Spans(a, nx, nz));
    assert(static_cast<std::size_t>(ip(nx, nz, igrid, nx, np, nl, ia)) < u.size());
    LoadTransposed(a, &u[static_cast<std::size_t>(ip(-1, -1, igrid, nx, np, nl, ia))], nx, nz);
}

void clsAllgrid_axisym::ag_to_square(GhostField<float>& a, const SlotStorage& u, std::int16_t nx,
                                     std::int16_t nz, std::int32_t np, const LevelOffsets& nl,
                                     std::int16_t igrid, std::int16_t ia) const
{
    assert(Spans(a, nx, nz));
    assert(static_cast<std::size_t>(ip(nx, nz, igrid, nx, np, nl, ia)) < u.size());
    StoreTransposed(&u[static_cast<std::size_t>(ip(-1, -1, igrid, nx, np, nl, ia))], a, nx, nz);
}

void clsAllgrid_axisym::zero_grid(SlotStorage& u, std::int16_t nx, std::int16_t nz, std::int32_t np,
                                  const LevelOffsets& nl, std::int16_t igrid, std::int16_t ia) const
{
    const auto first = static_cast<std::size_t>(ip(-1, -1, igrid, nx, np, nl, ia));
    assert(first + BlockSize(nx, nz) <= u.size());
    float* p = &u[first];
    ForRanges(BlockSize(nx, nz),
              [p](std::size_t k0, std::size_t k1) { std::fill(p + k0, p + k1, 0.0f); });
}

void clsAllgrid_axisym::add_arrays(SlotStorage& u, std::int16_t nx, std::int16_t nz,
                                   std::int32_t np, const LevelOffsets& nl, std::int16_t igrid,
                                   std::int16_t ia, std::int16_t ib, std::int16_t ic) const
{
    const std::size_t n = BlockSize(nx, nz);
    const float* a = &u[static_cast<std::size_t>(ip(-1, -1, igrid, nx, np, nl, ia))];
    const float* b = &u[static_cast<std::size_t>(ip(-1, -1, igrid, nx, np, nl, ib))];
    float* c = &u[static_cast<std::size_t>(ip(-1, -1, igrid, nx, np, nl, ic))];
    assert(static_cast<std::size_t>(c - u.data()) + n <= u.size());
    ForRanges(n, [&](std::size_t k0, std::size_t k1) {
        for (std::size_t k = k0; k < k1; ++k)
            c[k] = a[k] + b[k]; // a Single sum: the double sum rounded once
    });
}

void clsAllgrid_axisym::subtract_arrays(SlotStorage& u, std::int16_t nx, std::int16_t nz,
                                        std::int32_t np, const LevelOffsets& nl, std::int16_t igrid,
                                        std::int16_t ia, std::int16_t ib, std::int16_t ic) const
{
    const std::size_t n = BlockSize(nx, nz);
    const float* a = &u[static_cast<std::size_t>(ip(-1, -1, igrid, nx, np, nl, ia))];
    const float* b = &u[static_cast<std::size_t>(ip(-1, -1, igrid, nx, np, nl, ib))];
    float* c = &u[static_cast<std::size_t>(ip(-1, -1, igrid, nx, np, nl, ic))];
    assert(static_cast<std::size_t>(c - u.data()) + n <= u.size());
    ForRanges(n, [&](std::size_t k0, std::size_t k1) {
        for (std::size_t k = k0; k < k1; ++k)
            c[k] = a[k] - b[k];
    });
}

void clsAllgrid_axisym::copy_array(SlotStorage& u, std::int16_t nx, std::int16_t nz,
                                   std::int32_t np, const LevelOffsets& nl, std::int16_t igrid,
                                   std::int16_t ia, std::int16_t ib) const
{
    const std::size_t n = BlockSize(nx, nz);
    const auto a = static_cast<std::size_t>(ip(-1, -1, igrid, nx, np, nl, ia));
    const auto b = static_cast<std::size_t>(ip(-1, -1, igrid, nx, np, nl, ib));
    assert(std::max(a, b) + n <= u.size());
    if (a == b)
        return;
    if (std::max(a, b) - std::min(a, b) < n) { // overlapping blocks: one move
        std::memmove(&u[b], &u[a], n * sizeof(float));
        return;
    }
    ForRanges(n, [&](std::size_t k0, std::size_t k1) {
        std::memcpy(&u[b + k0], &u[a + k0], (k1 - k0) * sizeof(float));
    });
}

float clsAllgrid_axisym::rmsvalue(const SlotStorage& u, std::int16_t nx, std::int16_t nz,
                                  std::int32_t np, const LevelOffsets& nl, std::int16_t igrid,
                                  std::int16_t ia) const
{
    const float* p = &u[static_cast<std::size_t>(ip(0, 0, igrid, nx, np, nl, ia))];
    const std::ptrdiff_t W = nx + 2;
    float sum = 0.0f;
    for (int i = 0; i < nx; ++i) // i outer: the order of the Single sum
        for (int j = 0; j < nz; ++j) {
            const double v = p[j * W + i];
            sum = sum + static_cast<float>(v * v);
        }
    return RmsOfSum(sum, nx, nz);
}

void clsAllgrid_axisym::minmax(const SlotStorage& u, std::int16_t nx, std::int16_t nz,
                               std::int32_t np, const LevelOffsets& nl, std::int16_t igrid,
                               std::int16_t ia, float& umin, float& umax) const
{
    umin = 1e20f;
    umax = -1e20f;
    const float* p = &u[static_cast<std::size_t>(ip(0, 0, igrid, nx, np, nl, ia))];
    const std::ptrdiff_t W = nx + 2;
    for (int i = 0; i < nx; ++i)
        for (int j = 0; j < nz; ++j) {
            const float v = p[j * W + i];
            if (v < umin)
                umin = v;
            if (v > umax)
                umax = v;
        }
}

void clsAllgrid_axisym::fine_to_coarse(SlotStorage& u, std::int16_t nxf, std::int16_t nzf,
                                       std::int32_t np, const LevelOffsets& nl, std::int16_t igfine,
                                       std::int16_t iaf, std::int16_t iac) const
{
    assert(igfine >= 2);
    const int nxc = nxf / 2;
    const int nzc = nzf / 2;
    assert(static_cast<std::size_t>(ip(nxc, nzc, igfine - 1, nxc, np, nl, iac)) < u.size());
    allgrid::restrict_level(
        &u[static_cast<std::size_t>(ip(0, 0, igfine, nxf, np, nl, iaf))], nxf + 2,
        &u[static_cast<std::size_t>(ip(0, 0, igfine - 1, nxc, np, nl, iac))], nxc + 2, nxc, nzc);
}

void clsAllgrid_axisym::coarse_to_fine(SlotStorage& u, std::int16_t nxf, std::int16_t nzf,
                                       std::int32_t np, const LevelOffsets& nl, std::int16_t igfine,
                                       std::int16_t iaf, std::int16_t iac) const
{
    assert(igfine >= 2);
    const int nxc = nxf / 2;
    const int nzc = nzf / 2;
    assert(static_cast<std::size_t>(ip(nxf, nzf, igfine, nxf, np, nl, iaf)) < u.size());
    allgrid::prolong_level(
        &u[static_cast<std::size_t>(ip(-1, -1, igfine - 1, nxc, np, nl, iac))], nxc + 2,
        &u[static_cast<std::size_t>(ip(-1, -1, igfine, nxf, np, nl, iaf))], nxf + 2, nxc, nzc);
}

// ---- Conductivities ------------------------------------------------------------------------

void clsAllgrid_axisym::setup_cond(SlotStorage& u, std::int16_t nx, std::int16_t nz,
                                   std::int32_t np, const LevelOffsets& nl, std::int16_t ngrid,
                                   std::int16_t iCondBase, const SideCodes& nbc,
                                   bool FluxMatch) const
{
    (void)nbc;
    for (std::int16_t igrid = ngrid; igrid >= 2; --igrid) {
        std::int16_t nxg = 0;
        std::int16_t nzg = 0;
        SetupSizes(igrid, nx, nz, nxg, nzg);
        fine_to_coarse(u, nxg, nzg, np, nl, igrid, iCondBase, iCondBase);
        enforce_cond_bcs(u, CInt(nxg / 2.0), CInt(nzg / 2.0), np, nl,
                         static_cast<std::int16_t>(igrid - 1), iCondBase);
    }
    face_interp(u, nx, nz, np, nl, ngrid, iCondBase, FluxMatch);
}

void clsAllgrid_axisym::face_interp(SlotStorage& u, std::int16_t nx, std::int16_t nz,
                                    std::int32_t np, const LevelOffsets& nl, std::int16_t ngrid,
                                    std::int16_t iCondBase, bool FluxMatch) const
{
    for (std::int16_t igrid = ngrid; igrid >= 1; --igrid) {
        std::int16_t nxg = 0;
        std::int16_t nzg = 0;
        SetupSizes(igrid, nx, nz, nxg, nzg);
        if (FluxMatch)
            flux_interp(u, nxg, nzg, np, nl, igrid, iCondBase);
        else
            lin_to_face(u, nxg, nzg, np, nl, igrid, iCondBase);
    }
}

void clsAllgrid_axisym::flux_interp(SlotStorage& u, std::int16_t nx, std::int16_t nz,
                                    std::int32_t np, const LevelOffsets& nl, std::int16_t igrid,
                                    std::int16_t iCondBase) const
{
    assert(static_cast<std::size_t>(ip(nx, nz, igrid, nx, np, nl, iCondBase + 2)) < u.size());
    allgrid::face_means(&u[static_cast<std::size_t>(ip(0, 0, igrid, nx, np, nl, iCondBase))],
                        &u[static_cast<std::size_t>(ip(0, 0, igrid, nx, np, nl, iCondBase + 1))],
                        &u[static_cast<std::size_t>(ip(0, 0, igrid, nx, np, nl, iCondBase + 2))],
                        nx + 2, nx, nz, true);
}

void clsAllgrid_axisym::lin_to_face(SlotStorage& u, std::int16_t nx, std::int16_t nz,
                                    std::int32_t np, const LevelOffsets& nl, std::int16_t igrid,
                                    std::int16_t iCondBase) const
{
    assert(static_cast<std::size_t>(ip(nx, nz, igrid, nx, np, nl, iCondBase + 2)) < u.size());
    allgrid::face_means(&u[static_cast<std::size_t>(ip(0, 0, igrid, nx, np, nl, iCondBase))],
                        &u[static_cast<std::size_t>(ip(0, 0, igrid, nx, np, nl, iCondBase + 1))],
                        &u[static_cast<std::size_t>(ip(0, 0, igrid, nx, np, nl, iCondBase + 2))],
                        nx + 2, nx, nz, false);
}

void clsAllgrid_axisym::enforce_cond_bcs(SlotStorage& u, std::int16_t nx, std::int16_t nz,
                                         std::int32_t np, const LevelOffsets& nl,
                                         std::int16_t igrid, std::int16_t iCondBase) const
{
    float* c = &u[static_cast<std::size_t>(ip(0, 0, igrid, nx, np, nl, iCondBase))];
    const std::ptrdiff_t W = nx + 2;
    for (int i = -1; i <= nx; ++i) {
        c[i - W] = c[i];
        c[i + nz * W] = c[i + (nz - 1) * W];
    }
    for (int j = -1; j <= nz; ++j) {
        c[j * W - 1] = c[j * W];
        c[j * W + nx] = c[j * W + nx - 1];
    }
}

// ---- Boundary rules, operator, residual, relaxation ----------------------------------------

void clsAllgrid_axisym::enforce_bcs(const SideCodes& nbc, SlotStorage& u, std::int16_t nx,
                                    std::int16_t nz, std::int32_t np, const LevelOffsets& nl,
                                    std::int16_t igrid, std::int16_t iTemp, bool correction) const
{
    assert(static_cast<std::size_t>(ip(nx, nz, igrid, nx, np, nl, iTemp)) < u.size());
    allgrid::apply_ghost_rules(&u[static_cast<std::size_t>(ip(0, 0, igrid, nx, np, nl, iTemp))],
                               nx + 2, nx, nz, Rules(nbc, correction));
}

allgrid::GhostRules clsAllgrid_axisym::Rules(const SideCodes& nbc, bool correction) const
{
    allgrid::GhostRules g;
    for (std::size_t k = 0; k < 4; ++k)
        g.code[k] = nbc[k];
    // The ghost and its neighbour average to tb on an isothermal side; a correction's boundary
    // value is 0.
    g.twoTb = correction ? 0.0 : 2.0 * double(m_tbc);
    return g;
}

allgrid::LevelView clsAllgrid_axisym::View(SlotStorage& u, std::int16_t nx, std::int16_t nz,
                                           std::int32_t np, const LevelOffsets& nl,
                                           std::int16_t igrid, std::int16_t iTemp,
                                           std::int16_t iSource, std::int16_t iCondBase)
{
    assert(static_cast<std::size_t>(ip(nx, nz, igrid, nx, np, nl, iCondBase + 2)) < u.size());
    const auto at = [&](std::int16_t ia) {
        return &u[static_cast<std::size_t>(ip(0, 0, igrid, nx, np, nl, ia))];
    };
    const LevelGeometry& g = geometry(igrid, nx);
    allgrid::LevelView v;
    v.t = at(iTemp);
    v.s = at(iSource);
    v.kr = at(static_cast<std::int16_t>(iCondBase + 1));
    v.kz = at(static_cast<std::int16_t>(iCondBase + 2));
    v.W = nx + 2;
    v.nx = nx;
    v.nz = nz;
    v.h2inv = g.h2inv;
    v.rc = g.rc.data();
    v.rp = g.rp.data();
    v.rm = g.rm.data();
    for (std::size_t c = 0; c < 2; ++c) {
        v.rcColour[c] = g.rcColour[c].data();
        v.rpColour[c] = g.rpColour[c].data();
        v.rmColour[c] = g.rmColour[c].data();
    }
    return v;
}

const clsAllgrid_axisym::LevelGeometry& clsAllgrid_axisym::geometry(std::int16_t igrid,
                                                                    std::int16_t nxl)
{
    assert(igrid >= 1 && igrid <= kMaxLevels && nxl >= 1);
    LevelGeometry& g = m_geometry[static_cast<std::size_t>(igrid)];
    if (g.nxl == nxl && std::memcmp(&g.rmax, &m_rmax, sizeof(float)) == 0)
        return g;
    g.nxl = nxl;
    g.rmax = m_rmax;
    const float h = static_cast<float>(double(m_rmax) / nxl);
    g.h2inv = static_cast<float>(std::pow(1.0 / double(h), 2));
    const auto n = static_cast<std::size_t>(nxl);
    g.rc.resize(n);
    g.rp.resize(n);
    g.rm.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        g.rc[i] = (double(i) + 0.5) * h;
        g.rp[i] = g.rc[i] + 0.5 * h;
        g.rm[i] = g.rc[i] - 0.5 * h; // exactly 0 at the axis
    }
    for (std::size_t first = 0; first < 2; ++first) {
        const std::size_t count = (n + 1 - first) / 2;
        g.rcColour[first].resize(count);
        g.rpColour[first].resize(count);
        g.rmColour[first].resize(count);
        for (std::size_t k = 0; k < count; ++k) {
            g.rcColour[first][k] = g.rc[first + 2 * k];
            g.rpColour[first][k] = g.rp[first + 2 * k];
            g.rmColour[first][k] = g.rm[first + 2 * k];
        }
    }
    return g;
}

float* clsAllgrid_axisym::scratch(std::size_t n)
{
    if (m_scratch.size() < n)
        m_scratch.resize(n);
    return m_scratch.data();
}

void clsAllgrid_axisym::operator_poisson(SlotStorage& u, std::int16_t nx, std::int16_t nz,
                                         std::int32_t np, const LevelOffsets& nl,
                                         std::int16_t ngrid, std::int16_t ia, std::int16_t iop,
                                         std::int16_t iCondBase, const SideCodes& nbc)
{
    enforce_bcs(nbc, u, nx, nz, np, nl, ngrid, ia);
    const allgrid::LevelView v = View(u, nx, nz, np, nl, ngrid, ia, ia, iCondBase);
    allgrid::operator_level(v, &u[static_cast<std::size_t>(ip(0, 0, ngrid, nx, np, nl, iop))]);
}

void clsAllgrid_axisym::residual_poisson(SlotStorage& u, std::int16_t nx, std::int16_t nz,
                                         std::int32_t np, const LevelOffsets& nl,
                                         std::int16_t ngrid, float& resrms, std::int16_t iTemp,
                                         std::int16_t iSource, std::int16_t iCondBase,
                                         std::int16_t iUtilBase, const SideCodes& nbc)
{
    (void)nbc;
    residual_level(u, nx, nz, np, nl, ngrid, iTemp, iSource, iCondBase, iUtilBase, true, resrms);
}

void clsAllgrid_axisym::residual_level(SlotStorage& u, std::int16_t nx, std::int16_t nz,
                                       std::int32_t np, const LevelOffsets& nl, std::int16_t igrid,
                                       std::int16_t iTemp, std::int16_t iSource,
                                       std::int16_t iCondBase, std::int16_t iUtilBase, bool wantSum,
                                       float& resrms)
{
    const allgrid::LevelView v = View(u, nx, nz, np, nl, igrid, iTemp, iSource, iCondBase);
    float* out = &u[static_cast<std::size_t>(ip(0, 0, igrid, nx, np, nl, iUtilBase))];
    if (!wantSum) {
        allgrid::residual_level(v, out, nullptr, nullptr);
        return;
    }
    // The squares go to a transposed copy, summed afterwards in the i-outer order.
    const auto cells = static_cast<std::size_t>(nx) * static_cast<std::size_t>(nz);
    float* squares = scratch(cells + static_cast<std::size_t>(nx));
    allgrid::residual_level(v, out, squares, squares + cells);
    resrms =
        RmsOfSum(allgrid::ordered_sum(0.0f, squares, static_cast<std::int32_t>(cells)), nx, nz);
}

void clsAllgrid_axisym::relax_poisson(SlotStorage& u, std::int16_t nx, std::int16_t nz,
                                      std::int32_t np, const LevelOffsets& nl, std::int16_t igrid,
                                      std::int32_t nits, float& resrms, std::int16_t iTemp,
                                      std::int16_t iSource, std::int16_t iCondBase,
                                      const SideCodes& nbc, float& rmserror, float& FirstError,
                                      bool correction)
{
    relax_level(u, nx, nz, np, nl, igrid, nits, iTemp, iSource, iCondBase, nbc, correction, true,
                true, resrms, rmserror, FirstError);
}

void clsAllgrid_axisym::relax_level(SlotStorage& u, std::int16_t nx, std::int16_t nz,
                                    std::int32_t np, const LevelOffsets& nl, std::int16_t igrid,
                                    std::int32_t nits, std::int16_t iTemp, std::int16_t iSource,
                                    std::int16_t iCondBase, const SideCodes& nbc, bool correction,
                                    bool wantFirst, bool wantLast, float& resrms, float& rmserror,
                                    float& FirstError)
{
    const allgrid::LevelView v = View(u, nx, nz, np, nl, igrid, iTemp, iSource, iCondBase);
    allgrid::RelaxParams p;
    p.omega = static_cast<float>(RedBlackFlag * 0.25 + 0.5);
    p.tmin = tmin;
    p.tmax = tmax;
    p.clamp = !correction;
    p.redBlack = RedBlackFlag != 0;
    float firstSum = 0.0f;
    float lastSum = 0.0f;
    allgrid::relax_sweeps(v, p, Rules(nbc, correction), nits, wantFirst, wantLast,
                          scratch(static_cast<std::size_t>(nx) * static_cast<std::size_t>(nz)),
                          firstSum, lastSum);
    if (nits < 1)
        return;
    if (wantFirst)
        FirstError = RmsOfSum(firstSum, nx, nz);
    if (wantLast) {
        resrms = RmsOfSum(lastSum, nx, nz);
        rmserror = resrms;
    }
}

double clsAllgrid_axisym::ResidualFloor(const SlotStorage& u, std::int16_t nx, std::int16_t nz,
                                        std::int32_t np, const LevelOffsets& nl, std::int16_t igrid,
                                        std::int16_t iTemp, std::int16_t iCondBase)
{
    const LevelGeometry& g = geometry(igrid, nx);
    const float* t = &u[static_cast<std::size_t>(ip(0, 0, igrid, nx, np, nl, iTemp))];
    const float* kr = &u[static_cast<std::size_t>(ip(0, 0, igrid, nx, np, nl, iCondBase + 1))];
    const float* kz = &u[static_cast<std::size_t>(ip(0, 0, igrid, nx, np, nl, iCondBase + 2))];
    const std::ptrdiff_t W = nx + 2;
    const int blocks = std::min<int>(kRowBlocks, nz);
    std::array<double, kRowBlocks> part{};
    const auto rows = [&](int b) {
        const RowRange r = RowsOfBlock(nz, blocks, b);
        double sum = 0.0;
        for (int j = r.begin; j < r.end; ++j) {
            const std::ptrdiff_t o = j * W;
            for (int i = 0; i < nx; ++i) {
                const double D = g.rp[i] * kr[o + i + 1] + g.rm[i] * kr[o + i] +
                                 g.rc[i] * (kz[o + i + W] + double(kz[o + i]));
                const double x = D * double(t[o + i]);
                sum += x * x;
            }
        }
        part[static_cast<std::size_t>(b)] = sum;
    };
    if (std::ptrdiff_t{nz} * W < allgrid::kParallelCells)
        for (int b = 0; b < blocks; ++b)
            rows(b);
    else
        ParallelFor(blocks, WorkNs(std::size_t(nz) * std::size_t(W), kFloorNs), rows);
    double sum = 0.0;
    for (int b = 0; b < blocks; ++b) // block order, whatever the threads
        sum += part[static_cast<std::size_t>(b)];
    const double mean = sum / (double(nx) * double(nz));
    return std::sqrt(mean) * double(g.h2inv) * std::ldexp(1.0, -24);
}

// ---- Cycles --------------------------------------------------------------------------------

void clsAllgrid_axisym::fas_descend(SlotStorage& u, std::int16_t nxg, std::int16_t nzg,
                                    std::int32_t np, const LevelOffsets& nl, std::int16_t igrid,
                                    std::int32_t s, std::int16_t iTemp, std::int16_t iSource,
                                    std::int16_t iUtilBase, std::int16_t iCondBase,
                                    const SideCodes& nbc)
{
    float unused = 0.0f;
    relax_level(u, nxg, nzg, np, nl, igrid, s, iTemp, iSource, iCondBase, nbc, false, false, false,
                unused, unused, unused);
    residual_level(u, nxg, nzg, np, nl, igrid, iTemp, iSource, iCondBase, iUtilBase, false, unused);
    fine_to_coarse(u, nxg, nzg, np, nl, igrid, iUtilBase, iSource);
    const auto iRestricted = static_cast<std::int16_t>(iUtilBase + 1);
    fine_to_coarse(u, nxg, nzg, np, nl, igrid, iTemp, iRestricted);
    // Coarse right-hand side: the restricted residual plus the coarse operator of the restricted
    // solution, which the coarse level starts from. One pass makes both the sum (the operator
    // rounded to Single, as operator_poisson stores it, then added as add_arrays adds) and the
    // start; the operator's own block (iUtilBase + 2) is not needed for it. The ghost frame of
    // iSource is never read.
    const std::int16_t nxc = CInt(nxg / 2.0);
    const std::int16_t nzc = CInt(nzg / 2.0);
    const auto coarse = static_cast<std::int16_t>(igrid - 1);
    enforce_bcs(nbc, u, nxc, nzc, np, nl, coarse, iRestricted);
    const allgrid::LevelView v =
        View(u, nxc, nzc, np, nl, coarse, iRestricted, iRestricted, iCondBase);
    allgrid::operator_add_level(
        v, &u[static_cast<std::size_t>(ip(0, 0, coarse, nxc, np, nl, iSource))],
        &u[static_cast<std::size_t>(ip(0, 0, coarse, nxc, np, nl, iTemp))]);
}

void clsAllgrid_axisym::fas_ascend(SlotStorage& u, std::int16_t nxg, std::int16_t nzg,
                                   std::int32_t np, const LevelOffsets& nl, std::int16_t igrid,
                                   std::int32_t s, std::int16_t iTemp, std::int16_t iSource,
                                   std::int16_t iUtilBase, std::int16_t iCondBase,
                                   const SideCodes& nbc, bool wantLast, float& resrms,
                                   float& rmserror)
{
    const std::int16_t nxc = CInt(nxg / 2.0);
    const std::int16_t nzc = CInt(nzg / 2.0);
    const auto coarse = static_cast<std::int16_t>(igrid - 1);
    const auto iRestricted = static_cast<std::int16_t>(iUtilBase + 1);
    // Coarse correction: the coarse solution less the restricted solution it started from,
    // interpolated and added to the fine solution in one pass (the same Single values as
    // coarse_to_fine into iUtilBase + 2 and add_arrays, without the block between them).
    subtract_arrays(u, nxc, nzc, np, nl, coarse, iTemp, iRestricted, iUtilBase);
    allgrid::prolong_add_level(
        &u[static_cast<std::size_t>(ip(-1, -1, coarse, nxc, np, nl, iUtilBase))], nxc + 2,
        &u[static_cast<std::size_t>(ip(-1, -1, igrid, nxg, np, nl, iTemp))], nxg + 2, nxc, nzc);
    enforce_bcs(nbc, u, nxg, nzg, np, nl, igrid, iTemp);
    float unused = 0.0f;
    relax_level(u, nxg, nzg, np, nl, igrid, s, iTemp, iSource, iCondBase, nbc, false, false,
                wantLast, resrms, rmserror, unused);
}

void clsAllgrid_axisym::fas_vcycle(SlotStorage& u, std::int16_t nx, std::int16_t nz,
                                   std::int32_t np, const LevelOffsets& nl, std::int16_t ngrid,
                                   std::int32_t nits, float& resrms, std::int16_t IStart,
                                   std::int16_t iTemp, std::int16_t iSource, std::int16_t iUtilBase,
                                   std::int16_t iCondBase, const SideCodes& nbc, float& rmserror)
{
    (void)IStart;
    std::int16_t nxg = 0;
    std::int16_t nzg = 0;
    for (std::int16_t igrid = ngrid; igrid >= 2; --igrid) {
        SetupSizes(igrid, nx, nz, nxg, nzg);
        fas_descend(u, nxg, nzg, np, nl, igrid, ScaledSweeps(nits, ngrid - igrid), iTemp, iSource,
                    iUtilBase, iCondBase, nbc);
    }
    std::int16_t nx1 = 0;
    std::int16_t nz1 = 0;
    CoarsestSizes(nx, nz, nx1, nz1);
    float unused = 0.0f;
    relax_level(u, nx1, nz1, np, nl, 1, kCoarsestSweeps, iTemp, iSource, iCondBase, nbc, false,
                false, ngrid == 1, resrms, rmserror, unused);
    for (std::int16_t igrid = 2; igrid <= ngrid; ++igrid) {
        SetupSizes(igrid, nx, nz, nxg, nzg);
        fas_ascend(u, nxg, nzg, np, nl, igrid, ScaledSweeps(nits, ngrid - igrid), iTemp, iSource,
                   iUtilBase, iCondBase, nbc, igrid == ngrid, resrms, rmserror);
    }
}

void clsAllgrid_axisym::fas_vcycle_old(SlotStorage& u, std::int16_t nx, std::int16_t nz,
                                       std::int32_t np, const LevelOffsets& nl, std::int16_t ngrid,
                                       std::int32_t nits, float& resrms, std::int16_t IStart,
                                       std::int16_t iTemp, std::int16_t iSource,
                                       std::int16_t iUtilBase, std::int16_t iCondBase,
                                       const SideCodes& nbc)
{
    (void)IStart;
    std::int16_t nxg = 0;
    std::int16_t nzg = 0;
    float rmserror = 0.0f;
    for (std::int16_t igrid = ngrid; igrid >= 2; --igrid) {
        SetupSizes(igrid, nx, nz, nxg, nzg);
        fas_descend(u, nxg, nzg, np, nl, igrid, nits, iTemp, iSource, iUtilBase, iCondBase, nbc);
    }
    std::int16_t nx1 = 0;
    std::int16_t nz1 = 0;
    CoarsestSizes(nx, nz, nx1, nz1);
    float unused = 0.0f;
    relax_level(u, nx1, nz1, np, nl, 1, kCoarsestSweeps, iTemp, iSource, iCondBase, nbc, false,
                false, ngrid == 1, resrms, rmserror, unused);
    for (std::int16_t igrid = 2; igrid <= ngrid; ++igrid) {
        SetupSizes(igrid, nx, nz, nxg, nzg);
        fas_ascend(u, nxg, nzg, np, nl, igrid, nits, iTemp, iSource, iUtilBase, iCondBase, nbc,
                   igrid == ngrid, resrms, rmserror);
    }
}

void clsAllgrid_axisym::fas_wcycle(SlotStorage& u, std::int16_t nx, std::int16_t nz,
                                   std::int32_t np, const LevelOffsets& nl, std::int16_t ngrid,
                                   std::int32_t nits, float& resrms, std::int16_t IStart,
                                   std::int16_t iTemp, std::int16_t iSource, std::int16_t iUtilBase,
                                   std::int16_t iCondBase, const SideCodes& nbc)
{
    (void)IStart;
    const std::int16_t middle = CInt(Int(ngrid / 2.0) + 1.0);
    std::int16_t nxg = 0;
    std::int16_t nzg = 0;
    std::int16_t nx1 = 0;
    std::int16_t nz1 = 0;
    CoarsestSizes(nx, nz, nx1, nz1);
    float rmserror = 0.0f;
    float unused = 0.0f;
    const auto descend = [&](std::int16_t from) {
        for (std::int16_t igrid = from; igrid >= 2; --igrid) {
            SetupSizes(igrid, nx, nz, nxg, nzg);
            fas_descend(u, nxg, nzg, np, nl, igrid, nits, iTemp, iSource, iUtilBase, iCondBase,
                        nbc);
        }
        relax_level(u, nx1, nz1, np, nl, 1, kCoarsestSweeps, iTemp, iSource, iCondBase, nbc, false,
                    false, ngrid == 1, resrms, rmserror, unused);
    };
    const auto ascend = [&](std::int16_t to) {
        for (std::int16_t igrid = 2; igrid <= to; ++igrid) {
            SetupSizes(igrid, nx, nz, nxg, nzg);
            fas_ascend(u, nxg, nzg, np, nl, igrid, nits, iTemp, iSource, iUtilBase, iCondBase, nbc,
                       igrid == ngrid, resrms, rmserror);
        }
    };
    descend(ngrid);
    ascend(middle);
    descend(middle);
    ascend(ngrid);
}

void clsAllgrid_axisym::cs_vcycle(SlotStorage& u, std::int16_t nx, std::int16_t nz, std::int32_t np,
                                  const LevelOffsets& nl, std::int16_t ngrid, std::int32_t nits,
                                  float& resrms, std::int16_t iTemp, std::int16_t iSource,
                                  std::int16_t iUtilBase, std::int16_t iCondBase,
                                  const SideCodes& nbc)
{
    std::int16_t nxg = 0;
    std::int16_t nzg = 0;
    float unused = 0.0f;
    // Below the finest level the iTemp blocks hold corrections, the iSource blocks the restricted
    // residuals.
    for (std::int16_t igrid = ngrid; igrid >= 2; --igrid) {
        SetupSizes(igrid, nx, nz, nxg, nzg);
        const bool correction = igrid < ngrid;
        relax_level(u, nxg, nzg, np, nl, igrid, nits, iTemp, iSource, iCondBase, nbc, correction,
                    false, false, unused, unused, unused);
        residual_level(u, nxg, nzg, np, nl, igrid, iTemp, iSource, iCondBase, iUtilBase, false,
                       unused);
        fine_to_coarse(u, nxg, nzg, np, nl, igrid, iUtilBase, iSource);
        zero_grid(u, CInt(nxg / 2.0), CInt(nzg / 2.0), np, nl, static_cast<std::int16_t>(igrid - 1),
                  iTemp);
    }
    std::int16_t nx1 = 0;
    std::int16_t nz1 = 0;
    CoarsestSizes(nx, nz, nx1, nz1);
    float rmserror = 0.0f;
    relax_level(u, nx1, nz1, np, nl, 1, kCoarsestSweeps, iTemp, iSource, iCondBase, nbc, ngrid > 1,
                false, ngrid == 1, resrms, rmserror, unused);
    const auto iInterpolated = static_cast<std::int16_t>(iUtilBase + 1);
    for (std::int16_t igrid = 2; igrid <= ngrid; ++igrid) {
        SetupSizes(igrid, nx, nz, nxg, nzg);
        const bool correction = igrid < ngrid;
        coarse_to_fine(u, nxg, nzg, np, nl, igrid, iInterpolated, iTemp);
        add_arrays(u, nxg, nzg, np, nl, igrid, iTemp, iInterpolated, iTemp);
        enforce_bcs(nbc, u, nxg, nzg, np, nl, igrid, iTemp, correction);
        relax_level(u, nxg, nzg, np, nl, igrid, nits, iTemp, iSource, iCondBase, nbc, correction,
                    false, igrid == ngrid, resrms, rmserror, unused);
    }
}

// ---- Drivers -------------------------------------------------------------------------------

AllGridStatus clsAllgrid_axisym::fas_poisson(SlotStorage& u, std::int16_t nx, std::int16_t nz,
                                             std::int32_t np, const LevelOffsets& nl,
                                             std::int16_t ngrid, std::int32_t nits, float errmax,
                                             std::int16_t iTemp, std::int16_t iSource,
                                             std::int16_t iUtilBase, std::int16_t iCondBase,
                                             const SideCodes& nbc, std::int16_t NInner,
                                             float& rmserror, float& FirstError)
{
    m_cycles = 0;
    m_history.clear();
    m_floorLevel = 0.0;
    float resrms = 0.0f;
    relax_level(u, nx, nz, np, nl, ngrid, 1, iTemp, iSource, iCondBase, nbc, false, true, true,
                resrms, rmserror, FirstError);
    const float res0 = resrms;
    m_history.push_back(res0);
    // Nothing to reduce: the field already satisfies the equations (the ratios below would be
    // 0 / 0).
    if (res0 == 0.0f)
        return AllGridStatus::kZeroResidual;
    // The conductivities are fixed for the call and the temperatures change little, so the
    // floor is taken once.
    const double floor =
        m_floorStop ? ResidualFloor(u, nx, nz, np, nl, ngrid, iTemp, iCondBase) : 0.0;
    m_floorLevel = kFloorMultiple * floor;
    float previous = 1.0f;
    int bad = 0;
    for (std::int16_t step = 1; step <= NInner; ++step) {
        const bool doubled = step == 1 && !(m_plainSingleCycle && NInner == 1);
        const std::int32_t sweeps = doubled ? 2 * nits : nits;
        fas_vcycle(u, nx, nz, np, nl, ngrid, sweeps, resrms, step, iTemp, iSource, iUtilBase,
                   iCondBase, nbc, rmserror);
        m_cycles = step;
        m_history.push_back(resrms);
        const float ratio = static_cast<float>(double(resrms) / double(res0));
        const float factor = static_cast<float>(double(ratio) / double(previous));
        previous = ratio;
        bad = double(factor) > 0.95 ? bad + 1 : 0;
        if (bad == 5)
            return AllGridStatus::kStalled;
        if (ratio < errmax)
            return AllGridStatus::kTolerance;
        // A bad step whose residual is already down at the rounding floor of the Single
        // temperatures only stirred that rounding; the four more the rule above waits for
        // cannot improve the field either.
        if (m_floorStop && bad > 0 && double(resrms) <= kFloorMultiple * floor)
            return AllGridStatus::kFloorReached;
    }
    return AllGridStatus::kCycleLimit;
}

AllGridStatus clsAllgrid_axisym::fmg_poisson(SlotStorage& u, std::int16_t nx, std::int16_t nz,
                                             std::int32_t np, const LevelOffsets& nl,
                                             std::int16_t ngrid, std::int32_t nits, float errmax,
                                             std::int16_t iTemp, std::int16_t iSource,
                                             std::int16_t iUtilBase, std::int16_t iCondBase,
                                             const SideCodes& nbc)
{
    if (nz > nx)
        return AllGridStatus::kFmgNeedsWideGrid;
    float unused = 0.0f;
    relax_level(u, CInt(double(nx) / nz), 1, np, nl, 1, kCoarsestSweeps, iTemp, iSource, iCondBase,
                nbc, false, false, false, unused, unused, unused);
    AllGridStatus status = AllGridStatus::kCycleLimit;
    for (std::int16_t igrid = 2; igrid <= ngrid; ++igrid) {
        const std::int16_t k = CInt(std::ldexp(1.0, igrid - 1));
        const std::int16_t nxl = CInt(double(nx) * k / nz);
        coarse_to_fine(u, nxl, k, np, nl, igrid, iTemp, iTemp);
        const float levelErrmax = igrid == ngrid ? errmax : 0.0001f;
        float scratchRms = 0.0f;
        float scratchFirst = 0.0f;
        status = fas_poisson(u, nxl, k, np, nl, igrid, nits, levelErrmax, iTemp, iSource, iUtilBase,
                             iCondBase, nbc, 5, scratchRms, scratchFirst);
    }
    return status;
}

AllGridStatus clsAllgrid_axisym::cs_poisson(SlotStorage& u, std::int16_t nx, std::int16_t nz,
                                            std::int32_t np, const LevelOffsets& nl,
                                            std::int16_t ngrid, std::int32_t nits, float errmax,
                                            std::int16_t iTemp, std::int16_t iSource,
                                            std::int16_t iUtilBase, std::int16_t iCondBase,
                                            const SideCodes& nbc)
{
    const float srcrms = rmsvalue(u, nx, nz, np, nl, ngrid, iSource);
    if (srcrms == 0.0f)
        return AllGridStatus::kZeroResidual;
    float resrms = 0.0f;
    float unused = 0.0f;
    relax_level(u, nx, nz, np, nl, ngrid, 1, iTemp, iSource, iCondBase, nbc, false, false, true,
                resrms, unused, unused);
    float previous = static_cast<float>(double(resrms) / double(srcrms));
    for (int n = 1; n <= 100; ++n) {
        cs_vcycle(u, nx, nz, np, nl, ngrid, nits, resrms, iTemp, iSource, iUtilBase, iCondBase,
                  nbc);
        const float sError = static_cast<float>(double(resrms) / double(srcrms));
        const float factor = static_cast<float>(double(sError) / double(previous));
        previous = sError;
        if (double(factor) > 0.9)
            return AllGridStatus::kStalled;
        if (sError < errmax)
            return AllGridStatus::kTolerance;
    }
    return AllGridStatus::kCycleLimit;
}

AllGridStatus clsAllgrid_axisym::iterate_poisson(SlotStorage& u, std::int16_t nx, std::int16_t nz,
                                                 std::int32_t np, const LevelOffsets& nl,
                                                 std::int16_t ngrid, std::int32_t nsteps,
                                                 float errmax, std::int16_t iTemp,
                                                 std::int16_t iSource, std::int16_t iUtilBase,
                                                 std::int16_t iCondBase, const SideCodes& nbc)
{
    (void)iUtilBase;
    const float srcrms = rmsvalue(u, nx, nz, np, nl, ngrid, iSource);
    if (srcrms == 0.0f)
        return AllGridStatus::kZeroResidual;
    float resrms = 0.0f;
    float unused = 0.0f;
    relax_level(u, nx, nz, np, nl, ngrid, 1, iTemp, iSource, iCondBase, nbc, false, false, true,
                resrms, unused, unused);
    float previous = static_cast<float>(double(resrms) / double(srcrms));
    float sError = 1e20f;
    int bad = 0;
    for (std::int32_t step = 0; sError > errmax; ++step) {
        if (step >= nsteps)
            return AllGridStatus::kCycleLimit;
        relax_level(u, nx, nz, np, nl, ngrid, kCoarsestSweeps, iTemp, iSource, iCondBase, nbc,
                    false, false, true, resrms, unused, unused);
        sError = static_cast<float>(double(resrms) / double(srcrms));
        const float factor = static_cast<float>(double(sError) / double(previous));
        previous = sError;
        bad = double(factor) > 0.99 ? bad + 1 : 0;
        if (bad == 5)
            return AllGridStatus::kStalled;
    }
    return AllGridStatus::kTolerance;
}

// ---- Entry point ---------------------------------------------------------------------------

AllGridStatus clsAllgrid_axisym::AllGrid(GhostField<float>& t, const GhostField<float>& c,
                                         const GhostField<float>& f, std::int16_t nx,
                                         std::int16_t nz, const BoundaryCodes& ibcs, float temptbc,
                                         float temprmax, float tempzmax, bool FluxMatch,
                                         std::int16_t method, bool RedBlack, std::int16_t NInner,
                                         float& rmserror, float& FirstError,
                                         const FinestFaces* faces)
{
    m_cycles = 0;
    m_history.clear();
    const auto refuse = [this](AllGridStatus s) {
        Show(RefusalMessage(s));
        return s;
    };
    if (auto refusal = CheckGrid(nx, nz))
        return refuse(*refusal);
    if (method < 1 || method > 5)
        return refuse(AllGridStatus::kMethodNotValid);
    if (method == 1 && nz > nx)
        return refuse(AllGridStatus::kFmgNeedsWideGrid);
    if (!Spans(t, nx, nz) || !Spans(c, nx, nz) || !Spans(f, nx, nz))
        return refuse(AllGridStatus::kFieldMismatch);
    if (faces && !FacesFit(*faces, nx, nz))
        return refuse(AllGridStatus::kFieldMismatch);
    if (!IsFinite(temptbc) || !IsFinite(temprmax) || !(temprmax > 0.0f))
        return refuse(AllGridStatus::kNotFinite);

    StoreSettings(temptbc, temprmax, tempzmax, RedBlack);
    tmin = temptbc;
    const SideCodes nbc = BuildSideCodes(ibcs);
    std::int32_t np = 0;
    LevelOffsets nl{};
    std::int16_t ngrid = 0;
    check_init_etc(nx, nz, np, nl, ngrid);

    // Storage for the whole call, so that nothing below allocates.
    const std::size_t cells = static_cast<std::size_t>(nx) * static_cast<std::size_t>(nz);
    try {
        m_u.resize(8 * static_cast<std::size_t>(np) + 1);
        for (std::int16_t igrid = 1; igrid <= ngrid; ++igrid) {
            std::int16_t nxg = 0;
            std::int16_t nzg = 0;
            SetupSizes(igrid, nx, nz, nxg, nzg);
            geometry(igrid, nxg);
        }
        scratch(cells + static_cast<std::size_t>(nx));
        m_history.reserve(static_cast<std::size_t>(std::max<std::int16_t>(NInner, 0)) + 1);
    } catch (const std::bad_alloc&) {
        m_u = SlotStorage();
        m_scratch = decltype(m_scratch)();
        return refuse(AllGridStatus::kGridTooLarge);
    }

    // Every value starts at 0 except the three finest blocks the caller's fields fill.
    const auto slotStart = [&](std::int16_t ia) {
        return m_u.begin() + (ia - 1) * static_cast<std::ptrdiff_t>(np) + 1;
    };
    m_u[0] = 0.0f;
    const auto finestBlock = static_cast<std::ptrdiff_t>(BlockSize(nx, nz));
    const std::ptrdiff_t finestOffset = nl[static_cast<std::size_t>(ngrid)];
    for (std::int16_t ia = 1; ia <= 8; ++ia) {
        const bool filled = ia == kSlotTemp || ia == kSlotSource || ia == kSlotCondBase;
        float* p = &*slotStart(ia);
        ForRanges(static_cast<std::size_t>(finestOffset + (filled ? 0 : finestBlock)),
                  [p](std::size_t k0, std::size_t k1) { std::fill(p + k0, p + k1, 0.0f); });
    }
    const auto finest = [&](std::int16_t ia) {
        return &m_u[static_cast<std::size_t>(ip(-1, -1, ngrid, nx, np, nl, ia))];
    };
    const float dr = static_cast<float>(double(temprmax) / nx);
    bool finite = LoadTransposed(t, finest(kSlotTemp), nx, nz);
    finite = LoadTransposed(c, finest(kSlotCondBase), nx, nz) && finite;
    finite = LoadSource(f, finest(kSlotSource), nx, nz, dr) && finite;
    if (!finite)
        return refuse(AllGridStatus::kNotFinite);

    setup_cond(m_u, nx, nz, np, nl, ngrid, kSlotCondBase, nbc, FluxMatch);
    if (faces) {
        // The finest faces next to cut cells conduct as their own half-cells do, direction by
        // direction; the coarser levels only speed the solve and keep the means of c.
        for (const CutFace& face : faces->cut.Faces()) {
            const float k = face.axial ? faces->cz(face.i, face.j) : faces->cr(face.i, face.j);
            if (!(k > 0.0f) || !IsFinite(k))
                return refuse(AllGridStatus::kNotFinite);
            const std::int16_t slot = face.axial ? kSlotCondBase + 2 : kSlotCondBase + 1;
            m_u[static_cast<std::size_t>(ip(face.i, face.j, ngrid, nx, np, nl, slot))] = k;
        }
    }

    AllGridStatus status = AllGridStatus::kCycleLimit;
    std::string_view closing;
    switch (method) {
    case 1:
        status = fmg_poisson(m_u, nx, nz, np, nl, ngrid, 3, kErrmax, kSlotTemp, kSlotSource,
                             kSlotUtilBase, kSlotCondBase, nbc);
        break;
    case 2:
        status = cs_poisson(m_u, nx, nz, np, nl, ngrid, 3, kErrmax, kSlotTemp, kSlotSource,
                            kSlotUtilBase, kSlotCondBase, nbc);
        closing = kMsgCsPoisson;
        break;
    case 3:
        status = fas_poisson(m_u, nx, nz, np, nl, ngrid, 2, kErrmax, kSlotTemp, kSlotSource,
                             kSlotUtilBase, kSlotCondBase, nbc, NInner, rmserror, FirstError);
        break;
    case 4:
        status = iterate_poisson(m_u, nx, nz, np, nl, ngrid, 1000, kErrmax, kSlotTemp, kSlotSource,
                                 kSlotUtilBase, kSlotCondBase, nbc);
        closing = kMsgIteratePoisson;
        break;
    default: {
        float resrms = 0.0f;
        float unusedRms = 0.0f;
        float unusedFirst = 0.0f;
        relax_poisson(m_u, nx, nz, np, nl, ngrid, 1000, resrms, kSlotTemp, kSlotSource,
                      kSlotCondBase, nbc, unusedRms, unusedFirst);
        break;
    }
    }
    if (status == AllGridStatus::kZeroResidual && (method == 2 || method == 4)) {
        rmserror = 0.0f;
        FirstError = 0.0f;
        closing = {};
    }
    ag_to_square(t, m_u, nx, nz, np, nl, ngrid, kSlotTemp);
    Show(closing);
    return status;
}

} // namespace tarsen
