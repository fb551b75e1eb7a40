// The units the program writes after the numbers it shows. Lengths are in mm and temperatures
// in deg C throughout; conductivities and resistivities are shown in the units of the materials
// file (W/m/K and ohm m), whatever scale the grid works in (W/mm/K and ohm mm).
#pragma once

#include <string_view>

namespace tarsen {

inline constexpr std::string_view kUnitLength = " mm";
inline constexpr std::string_view kUnitTemperature = " °C";
inline constexpr std::string_view kUnitConductivity = " W/m/K";
inline constexpr std::string_view kUnitResistivity = " Ω m";
inline constexpr std::string_view kUnitHeatOutput = " W/mm³";
inline constexpr std::string_view kUnitGradient = " °C/mm";

/// Factor from the grid's conductivities (W/mm/K) to the displayed ones (W/m/K).
inline constexpr double kConductivityDisplayFactor = 1000.0;

} // namespace tarsen
