#include "model/clsassemblypart.h"

#include <cmath>

namespace tarsen {

namespace {
/// tan((angle - 90) * pi / 180) with the part's Single pi, rounded to Single.
float lean(float angle)
{
    return static_cast<float>(
        std::tan((double(angle) - 90.0) * double(clsAssemblyPart::pi) / 180.0));
}
} // namespace

float clsAssemblyPart::Length() const
{
    return static_cast<float>(double(m_maxHeight) - double(m_minHeight));
}

float clsAssemblyPart::RadialArea(float r) const
{
    return static_cast<float>((double(m_maxHeight) - double(m_minHeight)) *
                              (2.0 * double(pi) * double(r)));
}

float clsAssemblyPart::AxialArea() const
{
    const double o = m_outerRadius;
    const double i = m_innerRadius;
    return static_cast<float>((o * o - i * i) * double(pi));
}

float clsAssemblyPart::Volume() const
{
    return static_cast<float>(double(AxialArea()) * double(Length()));
}

void clsAssemblyPart::Reset()
{
    Name = std::string(1, '.'); // a fresh string: GCC 12 misreports assigning a literal at -O3
    m_innerRadius = m_outerRadius = m_minHeight = m_maxHeight = 0.0f;
    m_taperAngle = m_flareAngle = 90.0f;
    MaterialIndex = -1;
    Include = false;
    HeatingType = kNonHeating;
}

void clsAssemblyPart::FourCorners(float& r1, float& z1, float& r2, float& z2, float& r3, float& z3,
                                  float& r4, float& z4) const
{
    r1 = m_innerRadius;
    z1 = m_minHeight;
    r2 = m_outerRadius;
    z2 = m_minHeight;
    r4 = m_innerRadius;
    z4 = m_maxHeight;

    const float t = lean(m_taperAngle);
    float f = lean(m_flareAngle);
    double d = 1.0 - double(t) * double(f);
    // Parallel taper and flare lines never meet: take the top as flat instead, so the corner
    // lies where the outer wall reaches MaxHeight.
    if (std::fabs(d) < 1e-6) {
        f = 0.0f;
        d = 1.0;
    }
    const float r0 = static_cast<float>(double(m_outerRadius) - double(t) * double(m_minHeight));
    const float z0 = static_cast<float>(double(m_maxHeight) - double(f) * double(m_innerRadius));
    r3 = static_cast<float>((double(r0) + double(t) * double(z0)) / d);
    z3 = static_cast<float>((double(z0) + double(f) * double(r0)) / d);
}

std::optional<double> clsAssemblyPart::ElectricalResistance(float ElectricalResistivity) const
{
    if (HeatingType == kNonHeating)
        return 0.0;
    if (ElectricalResistivity < 0.0f)
        return std::nullopt;
    const double rho = ElectricalResistivity;
    const double length = Length();
    double result = 0.0;
    switch (HeatingType) {
    case kAxialHeating: {
        const double area = AxialArea();
        if (area == 0.0 || length == 0.0)
            return std::nullopt;
        result = static_cast<float>(rho * length / area);
        break;
    }
    case kRadialHeating:
        if (m_outerRadius <= 0.0f || m_innerRadius <= 0.0f || length == 0.0)
            return std::nullopt;
        result = (std::log(double(m_outerRadius)) - std::log(double(m_innerRadius))) * rho /
                 (2.0 * double(pi) * length);
        break;
    case kFlatPlateHeating:
        if (m_outerRadius == 0.0f || length == 0.0)
            return std::nullopt;
        result = (2.0 * rho * double(m_outerRadius)) / (double(m_outerRadius) * length);
        break;
    default:
        return std::nullopt;
    }
    if (!std::isfinite(result))
        return std::nullopt;
    return result;
}

} // namespace tarsen
