// Numbers as text, independent of the locale: parsing typed or stored values and the two printed
// forms of a Single (the shortest form that reads back to the same float, and the print form
// with a leading blank before values >= 0).
#pragma once

#include <array>
#include <charconv>
#include <cmath>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace tarsen {

namespace detail {
inline std::string_view TrimBlanks(std::string_view s)
{
    while (!s.empty() &&
           (s.front() == ' ' || s.front() == '\t' || s.front() == '\r' || s.front() == '\n'))
        s.remove_prefix(1);
    while (!s.empty() &&
           (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}
} // namespace detail

/// The whole of text (blanks around it allowed) as a finite number, or nothing. A leading '+'
/// and a trailing decimal point ("3.") are accepted; anything else that is not part of the
/// number refuses the text.
inline std::optional<double> ParseNumber(std::string_view text)
{
    std::string_view s = detail::TrimBlanks(text);
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1);
    if (s.empty())
        return std::nullopt;
    double v = 0.0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

/// The shortest decimal text that reads back to the same float.
inline std::string ShortestSingle(float v)
{
    std::array<char, 48> buf{};
    const auto [end, ec] = std::to_chars(buf.data(), buf.data() + buf.size(), v);
    if (ec != std::errc())
        return "0";
    return std::string(buf.data(), end);
}

/// The shortest text of a double.
inline std::string ShortestDouble(double v)
{
    std::array<char, 64> buf{};
    const auto [end, ec] = std::to_chars(buf.data(), buf.data() + buf.size(), v);
    if (ec != std::errc())
        return "0";
    return std::string(buf.data(), end);
}

/// The print form of a Single: a leading blank before values >= 0, a minus sign otherwise.
inline std::string PrintForm(float v)
{
    std::string s = ShortestSingle(v);
    if (!(v < 0.0f) && !s.empty() && s.front() != '-')
        s.insert(s.begin(), ' ');
    return s;
}

/// The print form of a whole number.
inline std::string PrintForm(long long v)
{
    return v < 0 ? std::to_string(v) : " " + std::to_string(v);
}

} // namespace tarsen
