// The conductivity plot: every grid point of the solution as a pixel at (temperature,
// conductivity) in its material's colour. Works out the plot limits from the field extremes,
// checks typed limits, and places the points; the window only draws them.
#pragma once

#include "common/ghostfield.h"
#include "simulation/modelgrid.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarsen {

/// Lowest and highest interior value of a field (i = 0 ... nr - 1, j = 0 ... nz - 1), values
/// that are not finite skipped; nothing when the field is unallocated, does not span the grid,
/// or holds no finite value.
struct FieldRange {
    float low = 0.0f;
    float high = 0.0f;
};
std::optional<FieldRange> InteriorRange(const GhostField<float>& field, std::int16_t nr,
                                        std::int16_t nz);

/// The four plot limits: 0 top and 1 bottom of the conductivity axis, 2 left and 3 right of the
/// temperature axis.
using PlotLimitSet = std::array<float, 4>;

/// Limits from the temperature and conductivity extremes. Temperature: equal extremes are
/// widened to 10 deg C below and above; then the left limit moves out by 10 % of the range and
/// the right one by 10 % of the range from the new left limit (25 everywhere gives 13 and
/// 37.2). Conductivity: equal extremes are widened by 10 % of |k| (0.001 when k = 0); then the
/// top moves up by 10 % of the range and the bottom down by 10 % of the range from the new top.
PlotLimitSet ConductivityPlotLimits(FieldRange temperature, FieldRange conductivity);

/// A grid conductivity (W/mm/K) in the unit the plot shows, W/m/K, as a Single.
float DisplayConductivity(float c);

/// The limits of the model's fields, conductivities in W/m/K: nothing when t or c is not built for
/// the grid (the model could not be initialised).
std::optional<PlotLimitSet> ConductivityPlotLimits(const ModelGrid& grid);

inline constexpr std::string_view kMsgLimitNotNumber = "The plot limits must be numbers.";
inline constexpr std::string_view kMsgLimitsOrder =
    "The top limit must lie above the bottom limit, and the right limit to the right of the "
    "left limit.";

/// An empty text when the limits can be plotted; otherwise the reason (right <= left or
/// top <= bottom).
std::string CheckPlotLimits(const PlotLimitSet& limits);

/// One pixel of the plot: its column and row in a picture of the given size and the material.
struct CondPixel {
    int x = 0;
    int y = 0;
    std::int16_t material = -1;
};

/// Pixel of every interior grid point, x = (T - left) / ((right - left) / width), y = (top - k) /
/// ((top - bottom) / height), truncated to whole pixels, k being c or, with displayUnits,
/// DisplayConductivity(c); points outside the picture and values that are not finite are left
/// out. Nothing when the limits fail CheckPlotLimits or a field does not span the grid.
std::vector<CondPixel> ConductivityPlotPixels(const GhostField<float>& t,
                                              const GhostField<float>& c,
                                              const GhostField<std::int16_t>& MatMat,
                                              std::int16_t nr, std::int16_t nz,
                                              const PlotLimitSet& limits, int width, int height,
                                              bool displayUnits = false);

/// The pixels of the model's fields, against limits in W/m/K.
std::vector<CondPixel> ConductivityPlotPixels(const ModelGrid& grid, const PlotLimitSet& limits,
                                              int width, int height);

/// Round values for axis ticks between low and high: at most about `target` steps of 1, 2 or 5
/// times a power of ten. Empty when the range is empty or not finite.
std::vector<double> AxisTicks(double low, double high, int target);

} // namespace tarsen
