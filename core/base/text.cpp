#include "core/base/text.h"

#include "core/base/utf8.h"

namespace lopewell {

std::string_view trimmedStart(std::string_view text, std::string_view spaces)
{
    const size_t first = text.find_first_not_of(spaces);
    return first == std::string_view::npos ? std::string_view {} : text.substr(first);
}

std::string_view trimmedEnd(std::string_view text, std::string_view spaces)
{
    const size_t last = text.find_last_not_of(spaces);
    return last == std::string_view::npos ? std::string_view {} : text.substr(0, last + 1);
}

std::string_view trimmed(std::string_view text, std::string_view spaces)
{
    return trimmedEnd(trimmedStart(text, spaces), spaces);
}

bool isUnicodeWhiteSpace(char32_t c)
{
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x2028
        || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

std::string_view trimmedUnicode(std::string_view text)
{
    while (!text.empty()) {
        const utf8::CodePoint front = utf8::decodeFront(text);
        if (!front.valid || !isUnicodeWhiteSpace(front.value))
            break;
        text.remove_prefix(front.length);
    }
    while (!text.empty()) {
        const utf8::CodePoint back = utf8::decodeBack(text);
        if (!back.valid || !isUnicodeWhiteSpace(back.value))
            break;
        text.remove_suffix(back.length);
    }
    return text;
}

}  // namespace lopewell
