// Trimming white space off text. Which characters count differs by source, so each caller
// names its set: XML's four, C's six, or Unicode's White_Space for text a person typed.
//
//   trimmed("  1.2\n", xmlSpace);                 // "1.2"
//   trimmedUnicode("\u00A0https://a.example\u3000");  // "https://a.example"
#pragma once

#include <string_view>

namespace lopewell {

inline constexpr std::string_view xmlSpace = " \t\r\n";
inline constexpr std::string_view asciiSpace = " \t\n\r\v\f";  // isspace() in the C locale

std::string_view trimmed(std::string_view text, std::string_view spaces = asciiSpace);
std::string_view trimmedStart(std::string_view text, std::string_view spaces = asciiSpace);
std::string_view trimmedEnd(std::string_view text, std::string_view spaces = asciiSpace);

// The Unicode White_Space property: spaces and newlines of every script.
bool isUnicodeWhiteSpace(char32_t c);

// Trims Unicode White_Space off UTF-8 text; a malformed byte is never white space.
std::string_view trimmedUnicode(std::string_view text);

}  // namespace lopewell
