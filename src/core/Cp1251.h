// Conversion between the 8-bit Windows-1251 (CP1251) bytes of the settings files and UTF-8 text.
#pragma once

#include <string>
#include <string_view>

namespace erp {

// Every byte has a character: 0x00..0x7F are ASCII, 0x80..0xFF follow the CP1251 table
// (0xC0..0xFF are А..я, 0xA8 Ё, 0xB8 ё, 0xB9 №, 0x88 €). The one byte the code page leaves
// undefined, 0x98, becomes U+0098 so that any byte string survives a round trip through UTF-8.
std::string Cp1251ToUtf8(std::string_view bytes);

// The CP1251 bytes of UTF-8 text. A character that CP1251 cannot hold becomes '?', and so does
// each byte of a malformed UTF-8 sequence (stray continuation bytes, truncated or overlong
// sequences, surrogates, values above U+10FFFF).
std::string Utf8ToCp1251(std::string_view utf8);

// True when `bytes` is well-formed UTF-8.
bool IsValidUtf8(std::string_view bytes);

// Text of a path or file name for display: kept as it is when it is valid UTF-8 (the usual form
// of names on Linux), read as CP1251 otherwise (a name taken from a settings file).
std::string PathForDisplay(std::string_view bytes);

}  // namespace erp
