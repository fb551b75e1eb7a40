#include "simulation/results.h"

#include "common/numeric.h"
#include "common/parallel.h"
#include "common/textnum.h"

#include <algorithm>
#include <cmath>

namespace tarsen {

void ReportBox::WriteReport(std::string_view Words)
{
    if (Words.empty() || m_lines.size() > static_cast<std::size_t>(kMaxLines - 1))
        m_lines.clear();
    m_lines.push_back({std::string(Words), m_red});
    ++m_total;
}

namespace {

/// Fields of fewer values than this are shifted by the calling thread alone.
constexpr std::size_t kParallelValues = 16384;

bool CoversGrid(const GhostField<float>& a, const FieldGeometry& g)
{
    return !a.Empty() && a.N1() == g.nr && a.N2() == g.nz;
}

/// Lower interpolation corner and weight along one direction: the corner from the fractional
/// index s (cell centres at whole values), clamped to -1 ... n - 1 of an array whose last index
/// is n, and the weight toward corner + 1 taken from the clamped corner, clamped to [0, 1].
void InterpCorner(float s, int n, int& i0, double& w)
{
    i0 = CInt(double(s) - 0.5);
    i0 = std::clamp(i0, -1, n - 1);
    w = double(Sng(double(s) - double(i0)));
    if (!(w >= 0.0)) // also catches NaN from a point that is not finite
        w = 0.0;
    if (w > 1.0)
        w = 1.0;
}

std::string WholeNumberText(float v) { return std::to_string(CLng(double(v))); }

} // namespace

float TInterp(const GhostField<float>& t, const FieldGeometry& g, bool TemperatureReady, float R,
              float Z)
{
    if (!TemperatureReady || t.Empty() || t.N1() < 0 || t.N2() < 0)
        return 0.0f;
    if (!(g.rmax > 0.0f) || !(g.zmax > 0.0f) || g.nr <= 0 || g.nz <= 0)
        return 0.0f;
    // A zero-flux side is a mirror plane of the field: a point beyond it reads the temperature of
    // its mirror image, so that the field stays symmetric there (a gradient taken across the
    // mirror plane of a mirrored model is 0). The axis is such a plane whatever its code, since
    // no heat crosses r = 0. Beyond a held side the ghost cell, which carries that side's rule,
    // is read as before.
    if (R < 0.0f)
        R = -R;
    if (g.ibcs[3] == 0 && Z < 0.0f)
        Z = -Z;
    else if (g.ibcs[2] == 0 && Z > g.zmax)
        Z = Sng(2.0 * double(g.zmax) - double(Z));
    if (g.ibcs[1] == 0 && R > g.rmax)
        R = Sng(2.0 * double(g.rmax) - double(R));
    // Fractional indices of the point, cell centres at whole values (the grid's MMtoGridExact).
    const float ISng = Sng(double(g.nr) * double(R) / double(g.rmax) - 0.5);
    const float JSng = Sng(double(g.nz) * double(Z) / double(g.zmax) - 0.5);
    int i0 = 0;
    int j0 = 0;
    double fr = 0.0;
    double fz = 0.0;
    InterpCorner(ISng, t.N1(), i0, fr);
    InterpCorner(JSng, t.N2(), j0, fz);
    const double t00 = t(i0, j0);
    const double t01 = t(i0, j0 + 1);
    const double t10 = t(i0 + 1, j0);
    const double t11 = t(i0 + 1, j0 + 1);
    return Sng((1.0 - fr) * ((1.0 - fz) * t00 + fz * t01) + fr * ((1.0 - fz) * t10 + fz * t11));
}

float ThermocoupleGradient(const GhostField<float>& t, const FieldGeometry& g,
                           bool TemperatureReady, float z0, float HalfDistance)
{
    if (HalfDistance == 0.0f)
        return 0.0f;
    const float tplus = TInterp(t, g, TemperatureReady, 0.0f, Sng(double(z0) + HalfDistance));
    const float tminus = TInterp(t, g, TemperatureReady, 0.0f, Sng(double(z0) - HalfDistance));
    return Sng((double(tplus) - double(tminus)) / (2.0 * double(HalfDistance)));
}

float flowout(const GhostField<float>& t, const GhostField<float>& c, const FieldGeometry& g)
{
    if (g.nr <= 0 || g.nz <= 0 || !CoversGrid(t, g) || !CoversGrid(c, g))
        return 0.0f;
    const int nr = g.nr;
    const int nz = g.nz;
    const double dr = Sng(double(g.rmax) / nr);
    const double dz = Sng(double(g.zmax) / nz);
    float Sum = 0.0f; // Single after each addition
    if (g.ibcs[1] != 0) {
        // Outer radius: face area per unit angle dz * rmax, gradient from the last cell to its
        // ghost.
        for (int j = 0; j <= nz - 1; ++j) {
            const float k = Sng(0.5 * (double(c(nr - 1, j)) + double(c(nr, j))));
            const float gr = Sng((double(t(nr - 1, j)) - double(t(nr, j))) / dr);
            Sum = Sng(double(Sum) + dz * double(g.rmax) * double(k) * double(gr));
        }
    }
    if (g.ibcs[2] != 0) {
        // Top, z = zmax: ring faces of area per unit angle dr * r.
        for (int i = 0; i <= nr - 1; ++i) {
            const float r = Sng((i + 0.5) * dr);
            const float k = Sng(0.5 * (double(c(i, nz)) + double(c(i, nz - 1))));
            const float gz = Sng((double(t(i, nz - 1)) - double(t(i, nz))) / dz);
            Sum = Sng(double(Sum) + dr * double(r) * double(k) * double(gz));
        }
    }
    if (g.ibcs[3] != 0) {
        // Bottom, z = 0.
        for (int i = 0; i <= nr - 1; ++i) {
            const float r = Sng((i + 0.5) * dr);
            const float k = Sng(0.5 * (double(c(i, 0)) + double(c(i, -1))));
            const float gz = Sng((double(t(i, 0)) - double(t(i, -1))) / dz);
            Sum = Sng(double(Sum) + dr * double(r) * double(k) * double(gz));
        }
    }
    const float flow = Sng(double(Sum) * kTwoPiFlow * g.MirrorFactor);
    return std::isfinite(flow) ? flow : 0.0f;
}

float EquivalentRadius(const FieldGeometry& g)
{
    const float V =
        Sng(double(g.rmax) * double(g.rmax) * double(kPi) * double(g.zmax) * g.MirrorFactor);
    return Sng(std::pow(3.0 * double(V) / (4.0 * double(kPi)), 1.0 / 3.0));
}

std::optional<float> BoundaryTemperature(float IntegratedPower, float RExact, float PressRadius)
{
    const double TB =
        kPressFarTemperature + double(IntegratedPower) / (4.0 * double(kPi) * kPressConductivity) *
                                   (1.0 / (0.001 * double(RExact)) - 1.0 / double(PressRadius));
    const float v = Sng(TB);
    if (!std::isfinite(v))
        return std::nullopt;
    return v;
}

void ShiftTemperature(GhostField<float>& t, float& tbc, float ShiftAmount)
{
    float* p = t.Data();
    const std::size_t n = t.Empty() ? 0 : (std::size_t(t.N1()) + 2) * t.Stride();
    const double shift = ShiftAmount;
    // Every value on its own: blocks of the field on the thread pool when it is large.
    const auto part = [p, shift](std::size_t k0, std::size_t k1) {
        for (std::size_t k = k0; k < k1; ++k)
            p[k] = Sng(double(p[k]) + shift);
    };
    if (n < kParallelValues) {
        part(0, n);
    } else {
        // About half a nanosecond a value on one thread: waking the pool's threads for it
        // repays only on the largest grids.
        ParallelFor(kRowBlocks, static_cast<std::int64_t>(n / 2), [&](int b) {
            const RowRange r = RowsOfBlock(static_cast<int>(n), kRowBlocks, b);
            part(static_cast<std::size_t>(r.begin), static_cast<std::size_t>(r.end));
        });
    }
    tbc = Sng(double(tbc) + double(ShiftAmount));
}

std::optional<float> AverageResistivity(float MeasuredVoltage, float ElectricCurrent, float R0,
                                        float rho0, int MirrorFactor)
{
    if (ElectricCurrent == 0.0f || R0 == 0.0f)
        return std::nullopt;
    // The voltage is measured across the whole furnace, so it is compared with the resistance of
    // the whole assembly: twice the modelled half's in a mirrored model, as the Ohm's-law values.
    const double R = double(MirrorFactor) * double(R0);
    const float v = Sng(double(MeasuredVoltage) / double(ElectricCurrent) * double(rho0) / R);
    if (!std::isfinite(v))
        return std::nullopt;
    return v;
}

float RoundToDecimals(double x, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    return Sng(round_half_even(x * scale) / scale + 0.0);
}

std::array<ThermocoupleLine, 3> ThermocoupleLines(bool TemperatureReady,
                                                  const std::array<float, 3>& temperatures,
                                                  float gradient,
                                                  const std::array<std::int32_t, 3>& colours)
{
    std::array<ThermocoupleLine, 3> lines;
    for (int k = 0; k < 3; ++k)
        lines[k].colour = colours[k];
    lines[0].bold = true;
    if (!TemperatureReady)
        return lines;
    lines[0].text = WholeNumberText(temperatures[0]) + " (" +
                    ShortestSingle(RoundToDecimals(double(gradient), 1)) + ")";
    lines[1].text = WholeNumberText(temperatures[1]);
    lines[2].text = WholeNumberText(temperatures[2]);
    return lines;
}

std::optional<double> HeatBalancePercent(float flow, float IntegratedPower)
{
    if (!(double(IntegratedPower) > kMinBalancePower) || !std::isfinite(IntegratedPower) ||
        !std::isfinite(flow))
        return std::nullopt;
    return double(flow) / double(IntegratedPower) * 100.0;
}

std::string HeatBalanceText(float flow, float IntegratedPower)
{
    if (!HeatBalancePercent(flow, IntegratedPower))
        return {};
    const float percent =
        Sng(round_half_even(double(flow) / double(IntegratedPower) * 1000.0) / 10.0 + 0.0);
    return ShortestSingle(percent) + std::string(kPercentSuffix);
}

std::string ResidualText(float FirstError, float rmserror)
{
    return ShortestSingle(FirstError) + "\n" + ShortestSingle(rmserror);
}

std::optional<double> NumericalResistance(float IntegratedPower, float ElectricCurrent)
{
    if (!(double(ElectricCurrent) > kMinCurrent))
        return std::nullopt;
    const double R = double(IntegratedPower) / (double(ElectricCurrent) * double(ElectricCurrent));
    if (!std::isfinite(R))
        return std::nullopt;
    return R;
}

std::optional<double> NumericalVoltage(float IntegratedPower, float ElectricCurrent)
{
    if (!(double(ElectricCurrent) > kMinCurrent))
        return std::nullopt;
    const double V = double(IntegratedPower) / double(ElectricCurrent);
    if (!std::isfinite(V))
        return std::nullopt;
    return V;
}

namespace {
std::string PrintFormOrUndefined(std::optional<double> v, int decimals)
{
    if (!v)
        return std::string(kUndefined);
    const float r = RoundToDecimals(*v, decimals);
    if (!std::isfinite(r))
        return std::string(kUndefined);
    return PrintForm(r);
}
} // namespace

void ElectricalTexts(ResultTexts& out, float IntegratedPower, float ElectricCurrent)
{
    out.picIntegratedPower = ShortestSingle(IntegratedPower);
    out.picAmps = PrintForm(ElectricCurrent);
    out.picResistance =
        PrintFormOrUndefined(NumericalResistance(IntegratedPower, ElectricCurrent), 5);
    out.picVolts = PrintFormOrUndefined(NumericalVoltage(IntegratedPower, ElectricCurrent), 3);
}

void OhmsLawTexts(ResultTexts& out, float R0, float ElectricCurrent, int MirrorFactor)
{
    const double R = double(MirrorFactor) * double(R0);
    const double V = R * double(ElectricCurrent);
    out.picTheorResist =
        PrintFormOrUndefined(std::isfinite(R) ? std::optional<double>(R) : std::nullopt, 5);
    out.picTheorVolt =
        PrintFormOrUndefined(std::isfinite(V) ? std::optional<double>(V) : std::nullopt, 3);
}

} // namespace tarsen
