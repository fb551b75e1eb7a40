// Helpers shared by the drawing sources of the picture; not part of the layer's interface.
#pragma once

#include <QBrush>

#include <cstdint>

namespace tarsen {

struct ModelGrid;

/// Pixel coordinates are kept within +-kPixelLimit, far outside any picture.
inline constexpr int kPixelLimit = 1 << 24;

/// A pixel coordinate rounded halves to even; values beyond the limit (or not finite) become
/// the limit, so they stay off the picture.
int PixelRound(double v);

/// A temperature field of the grid's size exists, so contours can be traced through it.
bool TemperatureOfGrid(const ModelGrid& g);

/// The colour Long of a solid brush.
std::int32_t FillColour(const QBrush& brush);

} // namespace tarsen
