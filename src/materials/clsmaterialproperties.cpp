#include "materials/clsmaterialproperties.h"

#include "common/colour.h"

#include <cmath>

namespace tarsen {

namespace {
NullFrontEnd g_silent;
} // namespace

clsMaterialProperties::clsMaterialProperties(FrontEnd* frontEnd) : m_frontEnd(frontEnd)
{
    InitializeDimensions();
}

FrontEnd& clsMaterialProperties::Front() const { return m_frontEnd ? *m_frontEnd : g_silent; }

std::int32_t clsMaterialProperties::DefaultColor(int index)
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
        return RGB(128, 152, 152);
    case 17:
        return RGB(160, 160, 160);
    case 18:
        return RGB(255, 255, 204);
    default:
        return RGB(0, 0, 255);
    }
}

const MaterialEntry& clsMaterialProperties::Entry(int IMater) const
{
    if (IMater < -1 || IMater >= m_n || m_rows.empty())
        IMater = -1;
    return m_rows[static_cast<std::size_t>(IMater + 1)];
}

MaterialEntry& clsMaterialProperties::Entry(int IMater)
{
    if (IMater < -1 || IMater >= m_n || m_rows.empty())
        IMater = -1;
    return m_rows[static_cast<std::size_t>(IMater + 1)];
}

void clsMaterialProperties::Colors(int IMater, std::int32_t colour)
{
    if (IMater < -1 || IMater >= m_n)
        return;
    Entry(IMater).Colors = colour;
}

bool clsMaterialProperties::NumberOfMaterials(int n)
{
    if (n < 0)
        n = 0;
    if (n > kMaxMaterials) {
        m_n = 31; // let InitializeDimensions refuse it with its message
        return InitializeDimensions();
    }
    m_n = static_cast<std::int16_t>(n);
    return InitializeDimensions();
}

bool clsMaterialProperties::InitializeDimensions()
{
    bool ok = true;
    if (m_n >= 31) {
        Front().ShowMessage(kMsgTooManyMaterials);
        m_n = 0; // a consistent, empty table rather than rows that disagree with the count
        ok = false;
    }
    m_rows.assign(static_cast<std::size_t>(m_n) + 1, MaterialEntry{});
    for (int i = -1; i < m_n; ++i) {
        MaterialEntry& e = m_rows[static_cast<std::size_t>(i + 1)];
        e.Colors = DefaultColor(i);
        e.MaterialNames = "Material " + std::to_string(i);
    }
    return ok;
}

double clsMaterialProperties::Resistivity(int IMater, float temperature) const
{
    const MaterialEntry& e = Entry(IMater);
    const double T = temperature;
    double rho = e.R0;
    // T is a Single, so T and T^2 are exact in double and need no call of pow (which gives the
    // same exact values, tens of times slower: it showed in the heat source of every cycle).
    if (e.r1 != 0.0f)
        rho += double(e.r1) * T;
    if (e.r2 != 0.0f)
        rho += double(e.r2) * (T * T);
    if (e.r3 != 0.0f)
        rho += double(e.r3) * std::pow(T, 3);
    if (e.r4 != 0.0f)
        rho += double(e.r4) * std::pow(T, 4);
    // The exponent carries no minus sign: an activation energy is entered as a negative R_Exp.
    if (e.R_Preexp != 0.0f && e.R_Exp != 0.0f && T + 273.15 > 0.0)
        rho += double(e.R_Preexp) * std::exp(double(e.R_Exp) / (8.314471 * (T + 273.15)));
    const double result = 1000.0 * rho;
    return std::isfinite(result) ? result : 0.0;
}

} // namespace tarsen
