// Colour arithmetic shared by the pictures: darkening a colour by a factor, the grey of a
// colour, and the extremes of the temperature and conductivity fields.
#pragma once

#include "common/ghostfield.h"

#include <array>
#include <cstdint>

namespace tarsen {

/// The colour with each channel multiplied by Blackening and rounded halves to even, clamped
/// to 0 ... 255 (a factor of 1 returns the colour, 0 gives black, above 1 brightens). Only the
/// low 24 bits of Color count: Blacken(255, 0.5) is red 128, Blacken(&HFFFFFF, 0.5) is &H808080.
std::int32_t Blacken(std::int32_t Color, float Blackening);

/// The grey of a colour: all three channels (red + green + blue) / 3 rounded halves to even.
std::int32_t GreyOf(std::int32_t colour);

/// Fraction of its colour a pixel keeps at distance index 0 ... 10 (tenths of the half-width)
/// from an isotherm drawn by the smooth method.
inline constexpr std::array<float, 11> kContourDarkening = {0.1f, 0.1f, 0.2f, 0.3f, 0.4f, 0.5f,
                                                            0.6f, 0.7f, 0.8f, 0.9f, 0.9f};
/// Fraction kept at distance index 0 ... 10 from a smooth part border or boundary: a black core
/// of half the weight with a soft edge.
inline constexpr std::array<float, 11> kPathDarkening = {0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.1f,
                                                         0.4f, 0.6f, 0.8f, 0.9f, 0.9f};

/// Extremes of t over the interior cells 0 ... nr - 1 by 0 ... nz - 1 (within the field's own
/// extent), starting from tmin = 1E10 and tmax = -1E6; values that are not numbers are passed
/// over.
void TLimits(const GhostField<float>& t, int nr, int nz, float& tmin, float& tmax);
/// The same over c, starting from cmin = 1E10 and cmax = -1E9.
void CondLimits(const GhostField<float>& c, int nr, int nz, float& cmin, float& cmax);

} // namespace tarsen
