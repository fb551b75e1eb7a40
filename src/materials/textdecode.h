// Decoding of the bytes of a text file into UTF-8: files written by other programs arrive either
// as UTF-8 or in the Western Windows code page, and the model keeps every text as UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tarsen {

/// True when bytes is well-formed UTF-8: no stray continuation bytes, no overlong forms, no
/// surrogates (U+D800 ... U+DFFF) and nothing above U+10FFFF.
bool IsValidUtf8(std::string_view bytes);

/// Windows-1252 bytes as UTF-8. The five bytes the code page leaves undefined (0x81, 0x8D,
/// 0x8F, 0x90, 0x9D) become the control characters of the same number, as Windows maps them.
std::string Windows1252ToUtf8(std::string_view bytes);

/// The text of a file: a leading UTF-8 byte-order mark is removed, then the rest is taken as
/// UTF-8 when it is valid UTF-8 and as Windows-1252 otherwise.
std::string DecodeText(std::string_view bytes);

/// At most maxBytes of UTF-8 text, cut before a character boundary so no character is split;
/// "..." is appended when anything was cut.
std::string ShortenUtf8(std::string_view text, std::size_t maxBytes);

} // namespace tarsen
