// Colour arithmetic of the colour picker: three 0 ... 255 components, their hexadecimal text in
// the order blue, green, red, the 216-colour compression, the greyscale, and the colours of the
// picker's plane and gradient bars. No drawing happens here.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarsen {

class clsColor {
public:
    /// When true every component read through RGBValues is compressed to six levels.
    bool bool216 = false;

    /// Component Index (0 red, 1 green, 2 blue), compressed by IntCompress when bool216 is set.
    std::int16_t RGBValues(int Index) const;
    /// Sets component Index (0 ... 2) to Value clamped to 0 ... 255; other indices are ignored.
    void RGBValues(int Index, int Value);

    /// The colour Long of the components as read by RGBValues.
    std::int32_t LongColor() const;
    /// Sets the colour from a colour Long; only its low 24 bits count. A negative value is
    /// refused (returns false, the colour is unchanged).
    bool LongColor(std::int32_t LongClr);

    /// Six upper-case hexadecimal digits, blue, green, red (HexFromRGB).
    std::string HexColor() const { return HexFromRGB(); }
    /// RGBFromHex(strhex).
    bool HexColor(std::string_view strhex) { return RGBFromHex(strhex); }

    /// Reads one to six hexadecimal digits (either case, blanks around them and a leading "&H"
    /// allowed), padded on the left with "0" to six: blue the first two, green the middle two,
    /// red the last two. Any other text, or more than six significant digits, is refused
    /// (returns false, the colour is unchanged).
    bool RGBFromHex(std::string_view strhex);
    /// The value of hexadecimal text as RGBFromHex accepts it, or nothing.
    static std::optional<std::int32_t> LongFromHex(std::string_view strhex);
    /// Two upper-case digits per component as read by RGBValues, blue, green, red.
    std::string HexFromRGB() const;

    /// Six levels per component: 255 stays 255, otherwise Int((I * 6 / 5) / 51) * 51
    /// (0 ... 42 -> 0, 43 ... 84 -> 51, ... 213 ... 254 -> 255). I is clamped to 0 ... 255 first.
    static std::int16_t IntCompress(int I);

    /// All three components become CInt((red + green + blue) / 3) of the stored components.
    void GreyScale();

private:
    std::array<std::int16_t, 3> m_rgb{255, 255, 255};
};

/// The three axis schemes of the picker's plane: which component runs along X (to the right),
/// along Y (downwards) and which one the plane slider sets.
enum class AxisScheme { Option1, Option2, Option3 };

struct AxisComponents {
    int x = 0;     // component index 0 ... 2 along X
    int y = 1;     // along Y
    int plane = 2; // set by the plane slider
};

/// Option1: red, green, blue; Option2: blue, red, green; Option3: green, blue, red.
AxisComponents AxisOf(AxisScheme scheme);
/// The letters shown beside X, Y and the plane slider ("R", "G", "B" for Option1).
std::array<std::string_view, 3> AxisCaptions(AxisScheme scheme);

/// Colour Long of plane pixel (x, y), 0 ... 255 each, at plane value PlaneValue; each component
/// is compressed when bool216 is set.
std::int32_t PlaneColour(AxisScheme scheme, int x, int y, int PlaneValue, bool bool216);

/// The three gradient bars: towards white, towards grey (128) and towards black.
enum class GradientBar { Whiten = 0, Grayen = 1, Blacken = 2 };

/// Steps per bar and component: 255 - c, 128 - c and -c for the current components c (as read
/// through RGBValues). Index = 3 * bar + component.
std::array<float, 9> GradientSteps(const clsColor& colour);
/// Colour Long of column x (0 ... 255) of a bar: component k = CInt(c_k + x * step_k / 256),
/// compressed when the colour's bool216 is set.
std::int32_t GradientColour(const clsColor& colour, const std::array<float, 9>& steps,
                            GradientBar bar, int x);

/// Text of a whole number typed for a colour or component: its value rounded half to even, or
/// nothing when the text is not a number or does not fit a Long.
std::optional<std::int32_t> ParseWholeNumber(std::string_view text);

} // namespace tarsen
