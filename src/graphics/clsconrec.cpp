#include "graphics/clsconrec.h"

#include <cassert>
#include <cmath>
#include <cstddef>

namespace tarsen {

namespace {

// Vertex 0 is the cell centre, 1 ... 4 the corners (i, j), (i + 1, j), (i + 1, j + 1),
// (i, j + 1); triangle m runs through corner m, the centre and the next corner.
constexpr int im[4] = {0, 1, 1, 0};
constexpr int jm[4] = {0, 0, 1, 1};

// What a triangle contributes, by the signs (-1, 0, +1, offset by one) of its three vertices
// relative to the level: 0 nothing, 1 ... 3 one of its edges, 4 ... 6 a vertex and the
// crossing on the opposite edge, 7 ... 9 the crossings on two edges.
// clang-format off
constexpr int castab[3][3][3] = {
    {{0, 0, 8}, {0, 2, 5}, {7, 6, 9}},
    {{0, 3, 4}, {1, 3, 1}, {4, 3, 0}},
    {{9, 6, 7}, {5, 2, 0}, {8, 0, 0}},
};
// clang-format on

} // namespace

void clsConrec::conrec(const GhostField<float>& d, std::span<const float> x,
                       std::span<const float> y, int nc, std::span<const float> z, int ilb, int iub,
                       int jlb, int jub, double tmin, double tmax,
                       const ConrecSegment& segment) const
{
    if (nc <= 0 || d.Empty() || static_cast<std::size_t>(nc) > z.size())
        return;
    if (x.size() < static_cast<std::size_t>(iub - ilb + 1) ||
        y.size() < static_cast<std::size_t>(jub - jlb + 1))
        return;
    if (ilb < -1 || jlb < -1 || iub > d.N1() || jub > d.N2())
        return;

    double h[5];
    int sh[5];
    double xh[5];
    double yh[5];
    // Crossing of the level on the edge between vertices p1 and p2 (their signs differ).
    auto xsect = [&](int p1, int p2) {
        return (h[p2] * xh[p1] - h[p1] * xh[p2]) / (h[p2] - h[p1]);
    };
    auto ysect = [&](int p1, int p2) {
        return (h[p2] * yh[p1] - h[p1] * yh[p2]) / (h[p2] - h[p1]);
    };

    for (int j = jub - 1; j >= jlb; --j) {
        for (int i = ilb; i <= iub - 1; ++i) {
            const double d00 = d(i, j);
            const double d01 = d(i, j + 1);
            const double d10 = d(i + 1, j);
            const double d11 = d(i + 1, j + 1);
            if (!std::isfinite(d00) || !std::isfinite(d01) || !std::isfinite(d10) ||
                !std::isfinite(d11))
                continue;
            const double dmin = min(min(d00, d01), min(d10, d11));
            const double dmax = max(max(d00, d01), max(d10, d11));
            if (!(dmax >= tmin) || !(dmin <= tmax) || !(dmax < 1e37))
                continue;
            const double xi = x[static_cast<std::size_t>(i - ilb)];
            const double xi1 = x[static_cast<std::size_t>(i + 1 - ilb)];
            const double yj = y[static_cast<std::size_t>(j - jlb)];
            const double yj1 = y[static_cast<std::size_t>(j + 1 - jlb)];
            for (int k = 0; k < nc; ++k) {
                const double level = z[static_cast<std::size_t>(k)];
                if (level < dmin || level > dmax)
                    continue;
                for (int m = 4; m >= 0; --m) {
                    if (m > 0) {
                        h[m] = static_cast<double>(d(i + im[m - 1], j + jm[m - 1])) - level;
                        xh[m] = im[m - 1] == 0 ? xi : xi1;
                        yh[m] = jm[m - 1] == 0 ? yj : yj1;
                    } else {
                        h[0] = 0.25 * (h[1] + h[2] + h[3] + h[4]);
                        xh[0] = 0.5 * (xi + xi1);
                        yh[0] = 0.5 * (yj + yj1);
                    }
                    sh[m] = h[m] > 0.0 ? 1 : (h[m] < 0.0 ? -1 : 0);
                }
                for (int m = 1; m <= 4; ++m) {
                    const int m1 = m;
                    const int m2 = 0;
                    const int m3 = m != 4 ? m + 1 : 1;
                    const int caseValue = castab[sh[m1] + 1][sh[m2] + 1][sh[m3] + 1];
                    double x1 = 0.0, y1 = 0.0, x2 = 0.0, y2 = 0.0;
                    switch (caseValue) {
                    case 1: // the edge from vertex 1 to vertex 2
                        x1 = xh[m1];
                        y1 = yh[m1];
                        x2 = xh[m2];
                        y2 = yh[m2];
                        break;
                    case 2: // the edge from vertex 2 to vertex 3
                        x1 = xh[m2];
                        y1 = yh[m2];
                        x2 = xh[m3];
                        y2 = yh[m3];
                        break;
                    case 3: // the edge from vertex 3 to vertex 1
                        x1 = xh[m3];
                        y1 = yh[m3];
                        x2 = xh[m1];
                        y2 = yh[m1];
                        break;
                    case 4: // vertex 1 to the crossing on edge 2-3
                        x1 = xh[m1];
                        y1 = yh[m1];
                        x2 = xsect(m2, m3);
                        y2 = ysect(m2, m3);
                        break;
                    case 5: // vertex 2 to the crossing on edge 3-1
                        x1 = xh[m2];
                        y1 = yh[m2];
                        x2 = xsect(m3, m1);
                        y2 = ysect(m3, m1);
                        break;
                    case 6: // vertex 3 to the crossing on edge 1-2
                        x1 = xh[m3];
                        y1 = yh[m3];
                        x2 = xsect(m1, m2);
                        y2 = ysect(m1, m2);
                        break;
                    case 7: // crossings on edges 1-2 and 2-3
                        x1 = xsect(m1, m2);
                        y1 = ysect(m1, m2);
                        x2 = xsect(m2, m3);
                        y2 = ysect(m2, m3);
                        break;
                    case 8: // crossings on edges 2-3 and 3-1
                        x1 = xsect(m2, m3);
                        y1 = ysect(m2, m3);
                        x2 = xsect(m3, m1);
                        y2 = ysect(m3, m1);
                        break;
                    case 9: // crossings on edges 3-1 and 1-2
                        x1 = xsect(m3, m1);
                        y1 = ysect(m3, m1);
                        x2 = xsect(m1, m2);
                        y2 = ysect(m1, m2);
                        break;
                    default:
                        continue;
                    }
                    segment(x1, y1, x2, y2, k);
                }
            }
        }
    }
}

} // namespace tarsen
