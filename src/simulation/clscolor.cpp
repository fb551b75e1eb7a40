#include "simulation/clscolor.h"

#include "common/colour.h"
#include "common/numeric.h"
#include "common/textnum.h"

#include <algorithm>

namespace tarsen {

namespace {

int HexDigit(char ch)
{
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    return -1;
}

int Clamp255(int v) { return std::clamp(v, 0, 255); }

} // namespace

std::int16_t clsColor::RGBValues(int Index) const
{
    if (Index < 0 || Index > 2)
        return 0;
    const std::int16_t v = m_rgb[static_cast<std::size_t>(Index)];
    return bool216 ? IntCompress(v) : v;
}

void clsColor::RGBValues(int Index, int Value)
{
    if (Index < 0 || Index > 2)
        return;
    // A component outside 0 ... 255 would give three hexadecimal digits and mix the channels.
    m_rgb[static_cast<std::size_t>(Index)] = static_cast<std::int16_t>(Clamp255(Value));
}

std::int32_t clsColor::LongColor() const { return LongFromHex(HexFromRGB()).value_or(0); }

bool clsColor::LongColor(std::int32_t LongClr)
{
    if (LongClr < 0)
        return false;
    const std::int32_t c = LongClr & 0xFFFFFF;
    m_rgb = {static_cast<std::int16_t>(RedOf(c)), static_cast<std::int16_t>(GreenOf(c)),
             static_cast<std::int16_t>(BlueOf(c))};
    return true;
}

std::optional<std::int32_t> clsColor::LongFromHex(std::string_view strhex)
{
    std::string_view s = detail::TrimBlanks(strhex);
    if (s.size() >= 2 && s[0] == '&' && (s[1] == 'H' || s[1] == 'h'))
        s.remove_prefix(2);
    if (s.empty())
        return std::nullopt;
    while (s.size() > 1 && s.front() == '0')
        s.remove_prefix(1);
    if (s.size() > 6)
        return std::nullopt;
    std::int32_t value = 0;
    for (char ch : s) {
        const int d = HexDigit(ch);
        if (d < 0)
            return std::nullopt;
        value = value * 16 + d;
    }
    return value;
}

bool clsColor::RGBFromHex(std::string_view strhex)
{
    const auto value = LongFromHex(strhex);
    if (!value)
        return false;
    // The padded text BBGGRR read back digit pair by digit pair is the colour Long itself.
    return LongColor(*value);
}

std::string clsColor::HexFromRGB() const
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (int k : {2, 1, 0}) {
        const int v = Clamp255(RGBValues(k));
        text += kDigits[v / 16];
        text += kDigits[v % 16];
    }
    return text;
}

std::int16_t clsColor::IntCompress(int I)
{
    const int v = Clamp255(I);
    if (v == 255)
        return 255;
    return static_cast<std::int16_t>(Int((v * 6.0 / 5.0) / 51.0) * 51.0);
}

void clsColor::GreyScale()
{
    const double mean = (double(m_rgb[0]) + double(m_rgb[1]) + double(m_rgb[2])) / 3.0;
    const auto g = static_cast<std::int16_t>(Clamp255(CInt(mean)));
    m_rgb = {g, g, g};
}

AxisComponents AxisOf(AxisScheme scheme)
{
    switch (scheme) {
    case AxisScheme::Option2:
        return {2, 0, 1};
    case AxisScheme::Option3:
        return {1, 2, 0};
    case AxisScheme::Option1:
        break;
    }
    return {0, 1, 2};
}

std::array<std::string_view, 3> AxisCaptions(AxisScheme scheme)
{
    static constexpr std::array<std::string_view, 3> kLetters{"R", "G", "B"};
    const AxisComponents a = AxisOf(scheme);
    return {kLetters[static_cast<std::size_t>(a.x)], kLetters[static_cast<std::size_t>(a.y)],
            kLetters[static_cast<std::size_t>(a.plane)]};
}

std::int32_t PlaneColour(AxisScheme scheme, int x, int y, int PlaneValue, bool bool216)
{
    const AxisComponents a = AxisOf(scheme);
    std::array<int, 3> c{};
    c[static_cast<std::size_t>(a.x)] = x;
    c[static_cast<std::size_t>(a.y)] = y;
    c[static_cast<std::size_t>(a.plane)] = PlaneValue;
    for (int& v : c)
        v = bool216 ? clsColor::IntCompress(v) : Clamp255(v);
    return RGB(c[0], c[1], c[2]);
}

std::array<float, 9> GradientSteps(const clsColor& colour)
{
    std::array<float, 9> steps{};
    for (int k = 0; k < 3; ++k) {
        const float c = colour.RGBValues(k);
        steps[static_cast<std::size_t>(k)] = 255.0f - c;
        steps[static_cast<std::size_t>(3 + k)] = 128.0f - c;
        steps[static_cast<std::size_t>(6 + k)] = -c;
    }
    return steps;
}

std::int32_t GradientColour(const clsColor& colour, const std::array<float, 9>& steps,
                            GradientBar bar, int x)
{
    const int b = static_cast<int>(bar);
    std::array<int, 3> c{};
    for (int k = 0; k < 3; ++k) {
        const double step = steps[static_cast<std::size_t>(3 * b + k)];
        const int v = Clamp255(CInt(double(colour.RGBValues(k)) + double(x) * step / 256.0));
        c[static_cast<std::size_t>(k)] = colour.bool216 ? clsColor::IntCompress(v) : v;
    }
    return RGB(c[0], c[1], c[2]);
}

std::optional<std::int32_t> ParseWholeNumber(std::string_view text)
{
    const auto v = ParseNumber(text);
    if (!v)
        return std::nullopt;
    return TryCLng(*v);
}

} // namespace tarsen
