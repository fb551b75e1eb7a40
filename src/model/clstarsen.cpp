#include "model/clstarsen.h"

#include "common/colour.h"
#include "common/numeric.h"
#include "materials/clsmaterialproperties.h"

#include <cmath>
#include <limits>

namespace tarsen {

namespace {
constexpr double kPointPi = 3.14159; // the point test's own value of pi
} // namespace

std::int32_t clsTarsen::DefaultMaterialColor(int index)
{
    switch (index) {
    case -1:
        return RGB(255, 0, 0);
    case 0:
        return RGB(250, 250, 250);
    case 1:
        return RGB(200, 0, 200);
    case 2:
        return RGB(170, 226, 219);
    case 3:
        return RGB(195, 252, 144);
    case 4:
        return RGB(128, 128, 128);
    case 5:
        return RGB(250, 248, 141);
    case 6:
        return RGB(134, 153, 171);
    case 7:
        return RGB(184, 176, 136);
    case 8:
        return RGB(100, 100, 250);
    case 9:
        return RGB(150, 150, 150);
    case 11:
        return RGB(232, 184, 128);
    case 18:
        return RGB(255, 255, 204);
    default:
        return RGB(0, 0, 0);
    }
}

clsTarsen::clsTarsen()
{
    for (auto& p : m_parts)
        p = std::make_unique<clsAssemblyPart>();
    for (int i = -1; i <= 30; ++i)
        m_colors[static_cast<std::size_t>(i + 1)] = static_cast<float>(DefaultMaterialColor(i));
}

clsTarsen::clsTarsen(const clsTarsen& other)
    : OuterEdge(other.OuterEdge), MaxIndexOfParts(other.MaxIndexOfParts),
      PressRadius(other.PressRadius), m_thermocouples(other.m_thermocouples),
      m_colors(other.m_colors)
{
    for (std::size_t k = 0; k < m_parts.size(); ++k)
        m_parts[k] = std::make_unique<clsAssemblyPart>(*other.m_parts[k]);
}

clsTarsen& clsTarsen::operator=(const clsTarsen& other)
{
    if (this != &other) {
        clsTarsen copy(other);
        OuterEdge = copy.OuterEdge;
        MaxIndexOfParts = copy.MaxIndexOfParts;
        PressRadius = copy.PressRadius;
        m_thermocouples = copy.m_thermocouples;
        m_colors = copy.m_colors;
        m_parts.swap(copy.m_parts);
    }
    return *this;
}

float clsTarsen::ThermocouplePosition(int i, int j) const
{
    if (i < 0 || i > 2 || j < 0 || j > 1)
        return 0.0f;
    return m_thermocouples[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)];
}

void clsTarsen::ThermocouplePosition(int i, int j, float value)
{
    if (i < 0 || i > 2 || j < 0 || j > 1)
        return;
    m_thermocouples[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] = value;
}

bool clsTarsen::CreateCellPart(int PartIndex, const std::string& Name)
{
    // Only the assembly's own slots may be included: an included "no part" entry or slot 31
    // would be scanned by some queries and neither drawn nor saved.
    if (PartIndex < 0 || PartIndex > 30)
        return false;
    clsAssemblyPart& p = CellPart(PartIndex);
    if (p.Include)
        return false;
    p.Include = true;
    p.Name = Name;
    return true;
}

clsAssemblyPart& clsTarsen::CellPart(int PartIndex)
{
    if (PartIndex < -1 || PartIndex > 31)
        PartIndex = -1;
    return *m_parts[static_cast<std::size_t>(Slot(PartIndex))];
}

const clsAssemblyPart& clsTarsen::CellPart(int PartIndex) const
{
    if (PartIndex < -1 || PartIndex > 31)
        PartIndex = -1;
    return *m_parts[static_cast<std::size_t>(Slot(PartIndex))];
}

void clsTarsen::RedoTarsen()
{
    for (int i = 0; i <= 30; ++i) {
        for (int j = 0; j <= 30; ++j) {
            clsAssemblyPart& pi = CellPart(i);
            clsAssemblyPart& pj = CellPart(j);
            if (i == j || !pi.Include || !pj.Include)
                continue;
            if (pi.MaxHeight() > pj.MinHeight() && pj.MaxHeight() > pi.MinHeight() &&
                pj.InnerRadius() < pi.InnerRadius() && pj.OuterRadius() > pi.InnerRadius())
                pj.OuterRadius(pi.InnerRadius());
        }
    }
}

std::int16_t clsTarsen::CellPartAtPoint(float r, float z, float rmax, float zmax,
                                        std::int16_t& MatIndex) const
{
    float ar = std::fabs(r);
    float az = std::fabs(z);
    if (ar > rmax)
        ar = rmax;
    if (az > zmax)
        az = zmax;
    for (int i = 0; i <= 30; ++i) {
        const clsAssemblyPart& p = CellPart(i);
        if (!p.Include)
            continue;
        const float dr =
            static_cast<float>((double(az) - double(p.MinHeight())) *
                               std::tan((double(p.TaperAngle()) - 90.0) * kPointPi / 180.0));
        const float dz =
            static_cast<float>((double(ar) - double(p.InnerRadius())) *
                               std::tan((double(p.FlareAngle()) - 90.0) * kPointPi / 180.0));
        const float rTop = static_cast<float>(double(p.OuterRadius()) + double(dr));
        const float zTop = static_cast<float>(double(p.MaxHeight()) + double(dz));
        if (p.InnerRadius() < ar && ar <= rTop && p.MinHeight() < az && az <= zTop) {
            MatIndex = p.MaterialIndex;
            return static_cast<std::int16_t>(i);
        }
    }
    MatIndex = -1;
    return -1;
}

float clsTarsen::CurrentDensityAtPoint(float r, float z, float rmax, float zmax,
                                       float ElectricCurrent) const
{
    std::int16_t mat = -1;
    const clsAssemblyPart& p = CellPart(CellPartAtPoint(r, z, rmax, zmax, mat));
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

void clsTarsen::BringToFront(std::int16_t& PartIndex)
{
    if (PartIndex < 0 || PartIndex > 30)
        return;
    auto kept = std::move(m_parts[static_cast<std::size_t>(Slot(PartIndex))]);
    for (int i = PartIndex - 1; i >= 0; --i)
        m_parts[static_cast<std::size_t>(Slot(i + 1))] =
            std::move(m_parts[static_cast<std::size_t>(Slot(i))]);
    m_parts[static_cast<std::size_t>(Slot(0))] = std::move(kept);
    PartIndex = 0;
}

void clsTarsen::MoveToBack(std::int16_t& PartIndex)
{
    if (PartIndex < 0 || PartIndex > 30)
        return;
    // The moved part must stay among the saved parts 0 ... 30, even when slot 31 is included.
    int h = HighestIncludedPart();
    if (h > 30)
        h = 30;
    if (PartIndex >= h)
        return;
    auto kept = std::move(m_parts[static_cast<std::size_t>(Slot(PartIndex))]);
    for (int i = PartIndex + 1; i <= h; ++i)
        m_parts[static_cast<std::size_t>(Slot(i - 1))] =
            std::move(m_parts[static_cast<std::size_t>(Slot(i))]);
    m_parts[static_cast<std::size_t>(Slot(h))] = std::move(kept);
    PartIndex = static_cast<std::int16_t>(h);
}

float clsTarsen::Resistivity(const clsMaterialProperties& materials, float temperature) const
{
    float rho = 0.0f;
    for (int i = 0; i <= 31; ++i) {
        const clsAssemblyPart& p = CellPart(i);
        if (p.Include && p.HeatingType != kNonHeating)
            rho = static_cast<float>(materials.Resistivity(p.MaterialIndex, temperature));
    }
    return rho;
}

std::int16_t clsTarsen::FurnaceIndex() const
{
    std::int16_t found = 0;
    for (int i = 0; i <= 31; ++i) {
        const clsAssemblyPart& p = CellPart(i);
        if (p.Include && p.HeatingType != kNonHeating)
            found = static_cast<std::int16_t>(i);
    }
    return found;
}

std::int16_t clsTarsen::NumberOfMaterials() const
{
    int n = 0;
    for (int i = -1; i <= 30; ++i) {
        const int m = CellPart(i).MaterialIndex + 1;
        if (m > n)
            n = m;
    }
    // MaterialIndex 32767 needs 32768 materials, which is no Integer: saturate rather than wrap
    // to a negative count that would hide the surplus.
    return TryInt16(n).value_or(std::numeric_limits<std::int16_t>::max());
}

float clsTarsen::TotalElectricalResistance(const clsMaterialProperties& materials,
                                           float temperature) const
{
    float sum = 0.0f;
    for (int i = 0; i <= 30; ++i) {
        const clsAssemblyPart& p = CellPart(i);
        if (!p.Include)
            continue;
        const float rho = static_cast<float>(materials.Resistivity(p.MaterialIndex, temperature));
        const double r = p.ElectricalResistance(rho).value_or(0.0);
        sum = static_cast<float>(double(sum) + r); // Single after each part
    }
    return sum;
}

bool clsTarsen::ApplyVolumeReduction(float VolumeReduction)
{
    if (!(VolumeReduction > 0.0f) || !std::isfinite(VolumeReduction))
        return false;
    const double s = std::cbrt(double(VolumeReduction));
    auto scale = [s](float v) { return static_cast<float>(double(v) * s); };
    for (int i = 0; i <= 30; ++i) {
        clsAssemblyPart& p = CellPart(i);
        p.InnerRadius(scale(p.InnerRadius()));
        p.OuterRadius(scale(p.OuterRadius()));
        p.MinHeight(scale(p.MinHeight()));
        p.MaxHeight(scale(p.MaxHeight()));
    }
    for (auto& tc : m_thermocouples)
        for (float& v : tc)
            v = scale(v);
    return true;
}

std::int16_t clsTarsen::HighestIncludedPart() const
{
    // MaxIndexOfParts is a public Single: clip it to the slots before it becomes an int.
    const double limit = Int(MaxIndexOfParts);
    int top = 31;
    if (!(limit >= 0.0))
        top = -1;
    else if (limit < 31.0)
        top = static_cast<int>(limit);
    std::int16_t found = 0;
    for (int i = 0; i <= top; ++i)
        if (CellPart(i).Include)
            found = static_cast<std::int16_t>(i);
    return found;
}

std::int32_t clsTarsen::MaterialColors(int index) const
{
    if (index < -1 || index > 30)
        index = -1;
    return CLng(m_colors[static_cast<std::size_t>(index + 1)]);
}

void clsTarsen::MaterialColors(int index, std::int32_t colour)
{
    if (index < -1 || index > 30)
        return;
    m_colors[static_cast<std::size_t>(index + 1)] = static_cast<float>(colour);
}

} // namespace tarsen
