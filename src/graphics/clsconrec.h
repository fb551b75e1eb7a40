// Contour tracing on a rectangular grid of values: every cell is split into four triangles
// around its centre and each triangle contributes at most one straight segment per level, the
// segment joining the linear crossings of the level on the triangle's edges.
#pragma once

#include "common/ghostfield.h"

#include <functional>
#include <span>

namespace tarsen {

/// Receives one segment of contour k, end points in the coordinates of the x and y tables.
using ConrecSegment = std::function<void(double x1, double y1, double x2, double y2, int k)>;

class clsConrec {
public:
    /// b when a >= b, else a (so a NaN a gives a NaN result).
    static double min(double a, double b) { return a >= b ? b : a; }
    /// a when a >= b, else b.
    static double max(double a, double b) { return a >= b ? a : b; }

    /// Traces the nc levels z[0 ... nc - 1] through the cells (i, j), i = ilb ... iub - 1,
    /// j = jub - 1 down to jlb, whose corners are d(i, j) ... d(i + 1, j + 1); x[i - ilb] and
    /// y[j - jlb] are the coordinates of grid line i and j. A cell is skipped unless its largest
    /// corner is at least tmin, its smallest at most tmax (the extremes of the field, not of the
    /// levels) and its largest below 1E37; cells with a corner that is not a number are skipped
    /// too. Segments go to segment in the order they are found.
    void conrec(const GhostField<float>& d, std::span<const float> x, std::span<const float> y,
                int nc, std::span<const float> z, int ilb, int iub, int jlb, int jub, double tmin,
                double tmax, const ConrecSegment& segment) const;
};

} // namespace tarsen
