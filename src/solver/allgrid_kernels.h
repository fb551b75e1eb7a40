// Row kernels of the multigrid solver: relaxation of one row (red/black colour or lexicographic),
// the operator and the residual of one row, and the Single running sum of squared residuals.
//
// Pointers t, s, kr, kz point at cell (0, j) of one level of their slots (T, source, r-face and
// z-face conductivity); W = nx + 2 is the row stride, so (i, j +- 1) is at +-W. rc, rp, rm are
// the radii of the row's cells (for a red/black row, of its cells of one colour, in order).
// Nothing here allocates, and every cell gets the same bits on every path and instruction set.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tarsen::allgrid {

/// The settings of one relaxation pass.
struct RelaxParams {
    double h2inv = 0.0; //!< (1/h)^2, a Single
    double omega = 0.0; //!< damping, a Single (0.5 lexicographic, 0.75 red/black)
    float tmin = 0.0f;  //!< clamp, deg C
    float tmax = 0.0f;
    bool clamp = true; //!< false while relaxing a correction
};

/// One colour of one row: cells i = first, first + 2, ... < nx, each set to the clamped
/// T + omega R / D (R = L(T) - S) unless D is not positive and finite or the new value is not
/// finite. The other colour is read but keeps its values. When q is not null, q[k] receives
/// R^2 rounded to Single for the k-th cell of the colour, R taken before that cell's update.
void relax_row_redblack(float* t, const float* s, const float* kr, const float* kz,
                        std::ptrdiff_t W, int first, int nx, const double* rc, const double* rp,
                        const double* rm, const RelaxParams& p, float* q);

/// One row in increasing i, each cell seeing the values already updated (Gauss-Seidel); the
/// same update rule and q as relax_row_redblack, with rc, rp, rm indexed by i.
void relax_row_lexicographic(float* t, const float* s, const float* kr, const float* kz,
                             std::ptrdiff_t W, int nx, const double* rc, const double* rp,
                             const double* rm, const RelaxParams& p, float* q);

/// out[i] = L(T)(i, j) rounded to Single, i = 0 ... nx - 1.
void operator_row(const float* t, const float* kr, const float* kz, std::ptrdiff_t W, int nx,
                  const double* rc, const double* rp, const double* rm, double h2inv, float* out);

/// out[i] = S - L(T) rounded to Single; when q is not null, q[i] = (L(T) - S)^2 rounded to
/// Single. out must not overlap t, s, kr or kz.
void residual_row(const float* t, const float* s, const float* kr, const float* kz,
                  std::ptrdiff_t W, int nx, const double* rc, const double* rp, const double* rm,
                  double h2inv, float* out, float* q);

/// The instruction sets the kernels are compiled for. Every one gives the same results.
enum class KernelIsa { kGeneric, kAvx2, kAvx512 };
/// Whether this processor (and this build) can run the kernels on isa.
bool KernelIsaSupported(KernelIsa isa);
/// The instruction set the kernels run on: the best supported one, unless chosen below.
KernelIsa ActiveKernelIsa();
/// Runs the kernels on isa from now on, for tests and benchmarks that compare the copies;
/// returns false, changing nothing, when isa is not supported.
bool SelectKernelIsa(KernelIsa isa);

/// sum + q[0] + q[1] + ... + q[n - 1], each addition rounded to Single, in that order: the
/// Single running sum (a Single plus a Single, summed exactly in double and rounded, is the
/// Single addition itself).
float ordered_sum(float sum, const float* q, std::int32_t n);

} // namespace tarsen::allgrid
