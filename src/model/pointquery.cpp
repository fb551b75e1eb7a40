#include "model/pointquery.h"

#include "model/clsassemblypart.h"
#include "model/clstarsen.h"

#include <cmath>

namespace tarsen {

namespace {
constexpr double kPointPi = 3.14159; // the point test's own value of pi

/// tan of the deviation of a wall or top from the vertical (angle in degrees).
double lean_tangent(float angle) { return std::tan((double(angle) - 90.0) * kPointPi / 180.0); }

/// |x| clipped to the model's extent, as the point test takes its coordinates.
float clip(float x, float extent)
{
    float ax = std::fabs(x);
    if (ax > extent)
        ax = extent;
    return ax;
}
} // namespace

PartLocator::PartLocator(const clsTarsen& assembly)
{
    for (int i = 0; i <= 30; ++i) {
        const clsAssemblyPart& p = assembly.CellPart(i);
        m_material[i + 1] = p.MaterialIndex;
        if (!p.Include)
            continue;
        m_parts.push_back(Part{static_cast<std::int16_t>(i), p.MaterialIndex, p.InnerRadius(),
                               p.OuterRadius(), p.MinHeight(), p.MaxHeight(),
                               lean_tangent(p.TaperAngle()), lean_tangent(p.FlareAngle())});
    }
    m_material[0] = -1;
}

std::int16_t PartLocator::CellPartAtPoint(float r, float z, float rmax, float zmax,
                                          std::int16_t& MatIndex) const
{
    const float ar = clip(r, rmax);
    const float az = clip(z, zmax);
    for (const Part& p : m_parts) {
        // The outer wall leans by the taper, the top slopes by the flare.
        const float dr = static_cast<float>((double(az) - double(p.minH)) * p.tanTaper);
        const float dz = static_cast<float>((double(ar) - double(p.inner)) * p.tanFlare);
        const float rTop = static_cast<float>(double(p.outer) + double(dr));
        const float zTop = static_cast<float>(double(p.maxH) + double(dz));
        if (p.inner < ar && ar <= rTop && p.minH < az && az <= zTop) {
            MatIndex = p.material;
            return p.index;
        }
    }
    MatIndex = -1;
    return -1;
}

void PartLocator::LocateGrid(const std::vector<float>& rs, const std::vector<float>& zs, float rmax,
                             float zmax, std::vector<std::int8_t>& owner) const
{
    const std::size_t nr = rs.size();
    const std::size_t nz = zs.size();
    const std::size_t np = m_parts.size();
    owner.assign(nr * nz, std::int8_t{-1});
    if (np == 0)
        return;
    std::vector<float> az(nz);
    for (std::size_t j = 0; j < nz; ++j)
        az[j] = clip(zs[j], zmax);
    // Radial bound of every part at every height, laid out part-fastest for the inner loop.
    std::vector<float> rTop(nz * np);
    for (std::size_t j = 0; j < nz; ++j)
        for (std::size_t q = 0; q < np; ++q) {
            const Part& p = m_parts[q];
            const float dr = static_cast<float>((double(az[j]) - double(p.minH)) * p.tanTaper);
            rTop[j * np + q] = static_cast<float>(double(p.outer) + double(dr));
        }
    std::vector<float> zTop(np);
    std::vector<std::size_t> live; // parts whose radial range can hold this column
    live.reserve(np);
    for (std::size_t i = 0; i < nr; ++i) {
        const float ar = clip(rs[i], rmax);
        live.clear();
        for (std::size_t q = 0; q < np; ++q) {
            const Part& p = m_parts[q];
            const float dz = static_cast<float>((double(ar) - double(p.inner)) * p.tanFlare);
            zTop[q] = static_cast<float>(double(p.maxH) + double(dz));
            if (p.inner < ar)
                live.push_back(q);
        }
        std::int8_t* col = owner.data() + i * nz;
        for (std::size_t j = 0; j < nz; ++j) {
            const float z = az[j];
            const float* rt = rTop.data() + j * np;
            for (const std::size_t q : live) {
                const Part& p = m_parts[q];
                if (ar <= rt[q] && p.minH < z && z <= zTop[q]) {
                    col[j] = static_cast<std::int8_t>(p.index);
                    break;
                }
            }
        }
    }
}

bool PartLocator::SameParts(const PartLocator& other) const { return m_parts == other.m_parts; }

std::int16_t PartLocator::MaterialOf(int part) const
{
    return part >= -1 && part <= 30 ? m_material[part + 1] : std::int16_t{-1};
}

float CurrentDensityInPart(const clsAssemblyPart& p, float r, float ElectricCurrent)
{
    double divisor = 0.0;
    switch (p.HeatingType) {
    case kRadialHeating:
        divisor = p.RadialArea(r);
        break;
    case kAxialHeating:
        divisor = p.AxialArea();
        break;
    case kFlatPlateHeating:
        divisor = 2.0 * double(p.Length()) * double(p.OuterRadius());
        break;
    default:
        return 0.0f;
    }
    if (divisor == 0.0)
        return 0.0f;
    const float j = static_cast<float>(double(ElectricCurrent) / divisor);
    return std::isfinite(j) ? j : 0.0f;
}

} // namespace tarsen
