// Walking UTF-8 held in byte strings. Names, process titles and file contents arrive as bytes
// that need not be UTF-8; these read them one code point at a time without trusting them.
// Overlong forms, surrogates, values past U+10FFFF and cut-off sequences are never valid.
//
//   for (std::string_view rest = text; !rest.empty();) {
//       utf8::CodePoint next = utf8::decodeFront(rest);  // U+FFFD, one byte long, when malformed
//       rest.remove_prefix(next.length);
//   }
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace lopewell::utf8 {

inline constexpr char32_t replacement = U'\uFFFD';

struct CodePoint {
    char32_t value = replacement;
    std::size_t length = 1;  // bytes taken; 1 for a malformed byte, so a walk always moves on
    bool valid = false;

    bool operator==(const CodePoint&) const = default;
};

// The sequence at the front of `text`, which must not be empty.
CodePoint decodeFront(std::string_view text);

// The sequence that ends `text`, which must not be empty: a malformed last byte, or a valid
// sequence followed by stray bytes, reads as one malformed byte.
CodePoint decodeBack(std::string_view text);

bool isValid(std::string_view text);

// Valid sequences as they are; each byte that does not start one becomes U+FFFD.
std::string withReplacements(std::string_view text);

// Code points in `text`, each malformed byte counting as one.
std::size_t codePointCount(std::string_view text);

// Appends `codePoint` (at most U+10FFFF, not a surrogate) as UTF-8.
void append(std::string& out, char32_t codePoint);

}  // namespace lopewell::utf8
