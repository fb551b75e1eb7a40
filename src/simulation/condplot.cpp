#include "simulation/condplot.h"

#include "common/numeric.h"
#include "common/units.h"

#include <cmath>

namespace tarsen {

namespace {

template <class T> bool Spans(const GhostField<T>& field, std::int16_t nr, std::int16_t nz)
{
    return nr >= 1 && nz >= 1 && !field.Empty() && field.N1() == nr && field.N2() == nz;
}

} // namespace

std::optional<FieldRange> InteriorRange(const GhostField<float>& field, std::int16_t nr,
                                        std::int16_t nz)
{
    if (!Spans(field, nr, nz))
        return std::nullopt;
    bool any = false;
    FieldRange range;
    for (int i = 0; i < nr; ++i) {
        for (int j = 0; j < nz; ++j) {
            const float v = field(i, j);
            if (!std::isfinite(v))
                continue;
            if (!any) {
                range = {v, v};
                any = true;
            } else if (v < range.low) {
                range.low = v;
            } else if (v > range.high) {
                range.high = v;
            }
        }
    }
    if (!any)
        return std::nullopt;
    return range;
}

float DisplayConductivity(float c) { return Sng(kConductivityDisplayFactor * double(c)); }

PlotLimitSet ConductivityPlotLimits(FieldRange temperature, FieldRange conductivity)
{
    PlotLimitSet limits{};
    // Each limit is a Single; every step computes in double and stores once.
    float left = temperature.low;
    float right = temperature.high;
    if (left == right) {
        left = Sng(double(left) - 10.0);
        right = Sng(double(right) + 10.0);
    }
    left = Sng(double(left) - 0.1 * (double(right) - double(left)));
    right = Sng(double(right) + 0.1 * (double(right) - double(left)));

    float bottom = conductivity.low;
    float top = conductivity.high;
    if (bottom == top) {
        // One material of constant conductivity: without widening the scale divides by zero.
        const double widen = top == 0.0f ? 0.001 : 0.1 * std::fabs(double(top));
        bottom = Sng(double(bottom) - widen);
        top = Sng(double(top) + widen);
    }
    top = Sng(double(top) + 0.1 * (double(top) - double(bottom)));
    bottom = Sng(double(bottom) - 0.1 * (double(top) - double(bottom)));

    limits[0] = top;
    limits[1] = bottom;
    limits[2] = left;
    limits[3] = right;
    return limits;
}

std::optional<PlotLimitSet> ConductivityPlotLimits(const ModelGrid& grid)
{
    const auto temperature = InteriorRange(grid.t, grid.nr, grid.nz);
    const auto conductivity = InteriorRange(grid.c, grid.nr, grid.nz);
    if (!temperature || !conductivity)
        return std::nullopt;
    const FieldRange shown{DisplayConductivity(conductivity->low),
                           DisplayConductivity(conductivity->high)};
    return ConductivityPlotLimits(*temperature, shown);
}

std::string CheckPlotLimits(const PlotLimitSet& limits)
{
    for (float v : limits)
        if (!std::isfinite(v))
            return std::string(kMsgLimitNotNumber);
    if (!(limits[0] > limits[1]) || !(limits[3] > limits[2]))
        return std::string(kMsgLimitsOrder);
    return {};
}

std::vector<CondPixel>
ConductivityPlotPixels(const GhostField<float>& t, const GhostField<float>& c,
                       const GhostField<std::int16_t>& MatMat, std::int16_t nr, std::int16_t nz,
                       const PlotLimitSet& limits, int width, int height, bool displayUnits)
{
    std::vector<CondPixel> pixels;
    if (!CheckPlotLimits(limits).empty() || width < 1 || height < 1 || !Spans(t, nr, nz) ||
        !Spans(c, nr, nz) || !Spans(MatMat, nr, nz))
        return pixels;
    const double hscale = (double(limits[3]) - double(limits[2])) / width;
    const double vscale = (double(limits[0]) - double(limits[1])) / height;
    for (int i = 0; i < nr; ++i) {
        for (int j = 0; j < nz; ++j) {
            const double x = (double(t(i, j)) - double(limits[2])) / hscale;
            const float k = displayUnits ? DisplayConductivity(c(i, j)) : c(i, j);
            const double y = (double(limits[0]) - double(k)) / vscale;
            if (!(x >= 0.0 && x < width && y >= 0.0 && y < height))
                continue;
            pixels.push_back({static_cast<int>(Int(x)), static_cast<int>(Int(y)), MatMat(i, j)});
        }
    }
    return pixels;
}

std::vector<CondPixel> ConductivityPlotPixels(const ModelGrid& grid, const PlotLimitSet& limits,
                                              int width, int height)
{
    return ConductivityPlotPixels(grid.t, grid.c, grid.MatMat, grid.nr, grid.nz, limits, width,
                                  height, true);
}

std::vector<double> AxisTicks(double low, double high, int target)
{
    std::vector<double> ticks;
    if (!std::isfinite(low) || !std::isfinite(high) || !(high > low) || target < 1)
        return ticks;
    const double raw = (high - low) / target;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    double step = magnitude;
    for (double m : {1.0, 2.0, 5.0, 10.0}) {
        step = m * magnitude;
        if (step >= raw)
            break;
    }
    const double first = std::ceil(low / step);
    for (double k = first; k * step <= high + step * 1e-9; k += 1.0) {
        double v = k * step;
        if (std::fabs(v) < step * 1e-9)
            v = 0.0; // no "-0" label
        ticks.push_back(v);
        if (ticks.size() > 1000)
            break;
    }
    return ticks;
}

} // namespace tarsen
