// Colour values as the model stores them: a Long holding red + 256 * green + 65536 * blue.
#pragma once

#include <cstdint>

namespace tarsen {

/// The colour Long of three components, each 0 ... 255 (RGB(255, 0, 0) = 255, pure red).
constexpr std::int32_t RGB(int red, int green, int blue)
{
    return static_cast<std::int32_t>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}
constexpr int RedOf(std::int32_t colour) { return colour & 0xFF; }
constexpr int GreenOf(std::int32_t colour) { return (colour >> 8) & 0xFF; }
constexpr int BlueOf(std::int32_t colour) { return (colour >> 16) & 0xFF; }

constexpr std::int32_t kWhite = 16777215;
constexpr std::int32_t kBlack = 0;
constexpr std::int32_t kRed = 255;
constexpr std::int32_t kBlue = 16711680;

} // namespace tarsen
