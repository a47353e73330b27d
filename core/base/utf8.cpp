#include "core/base/utf8.h"

#include <cstdint>

namespace lopewell::utf8 {

namespace {

constexpr CodePoint malformed {};

}  // namespace

CodePoint decodeFront(std::string_view text)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80)
        return { lead, 1, true };
    std::size_t length = 0;
    char32_t value = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
    } else {
        return malformed;  // a continuation byte, C0/C1 (always overlong) or F5 and above
    }
    if (length > text.size())
        return malformed;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return malformed;
        value = (value << 6) | (byte(i) & 0x3F);
    }
    constexpr char32_t smallestOfLength[] = { 0, 0, 0x80, 0x800, 0x10000 };
    if (value < smallestOfLength[length] || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF)
        return malformed;
    return { value, length, true };
}

CodePoint decodeBack(std::string_view text)
{
    std::size_t start = text.size() - 1;
    for (std::size_t back = 0; back < 3 && start > 0 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80; ++back)
        --start;
    const CodePoint last = decodeFront(text.substr(start));
    return last.valid && start + last.length == text.size() ? last : malformed;
}

bool isValid(std::string_view text)
{
    while (!text.empty()) {
        const CodePoint next = decodeFront(text);
        if (!next.valid)
            return false;
        text.remove_prefix(next.length);
    }
    return true;
}

std::string withReplacements(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const CodePoint next = decodeFront(text);
        if (next.valid)
            out.append(text.substr(0, next.length));
        else
            append(out, replacement);
        text.remove_prefix(next.length);
    }
    return out;
}

std::size_t codePointCount(std::string_view text)
{
    std::size_t count = 0;
    for (; !text.empty(); ++count)
        text.remove_prefix(decodeFront(text).length);
    return count;
}

void append(std::string& out, char32_t codePoint)
{
    const auto c = static_cast<std::uint32_t>(codePoint);
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

}  // namespace lopewell::utf8
