#include "core/format/probe_config_validator.h"

#include <algorithm>
#include <cstdint>
#include <optional>

namespace lopewell {

namespace {

// Unicode White_Space, which is what the platform trims as "white space and newlines".
bool isWhiteSpace(char32_t c)
{
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680
        || (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F
        || c == 0x3000;
}

struct Decoded {
    char32_t codePoint;
    size_t length;
};

// One UTF-8 sequence at the front of text; a malformed byte decodes as itself, one byte long,
// so it is never mistaken for white space.
Decoded decodeFront(std::string_view text)
{
    auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
    uint8_t lead = byte(0);
    size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
    if (length == 0 || length > text.size())
        return { 0xFFFD, 1 };
    char32_t codePoint = length == 1 ? lead : char32_t(lead & (0x7F >> length));
    for (size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return { 0xFFFD, 1 };
        codePoint = (codePoint << 6) | (byte(i) & 0x3F);
    }
    // An overlong form (0xC0 0xA0 for a space) is malformed, not white space.
    constexpr char32_t smallestOfLength[] = { 0, 0, 0x80, 0x800, 0x10000 };
    if (codePoint < smallestOfLength[length])
        return { 0xFFFD, 1 };
    return { codePoint, length };
}

// The start of the last UTF-8 sequence of text.
size_t lastSequenceStart(std::string_view text)
{
    size_t start = text.size() - 1;
    for (size_t back = 0; back < 3 && start > 0 && (static_cast<uint8_t>(text[start]) & 0xC0) == 0x80; ++back)
        --start;
    return start;
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty()) {
        Decoded front = decodeFront(text);
        if (!isWhiteSpace(front.codePoint))
            break;
        text.remove_prefix(front.length);
    }
    while (!text.empty()) {
        size_t start = lastSequenceStart(text);
        Decoded back = decodeFront(text.substr(start));
        if (start + back.length != text.size() || !isWhiteSpace(back.codePoint))
            break;
        text.remove_suffix(back.length);
    }
    return text;
}

bool containsWhiteSpace(std::string_view text)
{
    while (!text.empty()) {
        Decoded next = decodeFront(text);
        if (isWhiteSpace(next.codePoint))
            return true;
        text.remove_prefix(next.length);
    }
    return false;
}

bool isAsciiAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isAsciiDigit(char c) { return c >= '0' && c <= '9'; }

// RFC 3986: scheme = ALPHA *( ALPHA / DIGIT / "+" / "-" / "." ), then ":".
std::optional<std::string_view> schemeOf(std::string_view url)
{
    size_t colon = url.find(':');
    if (colon == std::string_view::npos || colon == 0 || !isAsciiAlpha(url[0]))
        return std::nullopt;
    std::string_view scheme = url.substr(0, colon);
    bool wellFormed = std::all_of(scheme.begin(), scheme.end(), [](char c) {
        return isAsciiAlpha(c) || isAsciiDigit(c) || c == '+' || c == '-' || c == '.';
    });
    return wellFormed ? std::optional(scheme) : std::nullopt;
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

// The host of "//userinfo@host:port/...", or nothing when the authority is malformed.
std::optional<std::string_view> hostOf(std::string_view afterScheme)
{
    if (afterScheme.substr(0, 2) != "//")
        return std::string_view {};
    std::string_view authority = afterScheme.substr(2);
    authority = authority.substr(0, authority.find_first_of("/?#"));
    if (size_t at = authority.rfind('@'); at != std::string_view::npos)
        authority.remove_prefix(at + 1);

    std::string_view host = authority;
    std::string_view rest;
    if (authority.starts_with('[')) {
        size_t close = authority.find(']');
        if (close == std::string_view::npos)
            return std::nullopt;
        host = authority.substr(0, close + 1);
        rest = authority.substr(close + 1);
    } else if (size_t colon = authority.find(':'); colon != std::string_view::npos) {
        host = authority.substr(0, colon);
        rest = authority.substr(colon);
    }
    if (!rest.empty()) {
        if (rest[0] != ':' || !std::all_of(rest.begin() + 1, rest.end(), isAsciiDigit))
            return std::nullopt;
    }
    if (host == "[]")
        return std::string_view {};
    return host;
}

bool hasControlCharacter(std::string_view text)
{
    return std::any_of(text.begin(), text.end(), [](char c) {
        auto byte = static_cast<uint8_t>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

}  // namespace

bool ProbeConfigValidator::isValidURL(std::string_view text)
{
    std::string_view url = trimmed(text);
    if (url.empty() || containsWhiteSpace(url) || hasControlCharacter(url))
        return false;
    std::optional<std::string_view> scheme = schemeOf(url);
    if (!scheme || !(equalsIgnoringAsciiCase(*scheme, "http") || equalsIgnoringAsciiCase(*scheme, "https")))
        return false;
    std::optional<std::string_view> host = hostOf(url.substr(scheme->size() + 1));
    return host && !host->empty();
}

bool ProbeConfigValidator::isValidPingHost(std::string_view text)
{
    std::string_view host = trimmed(text);
    return !host.empty() && !containsWhiteSpace(host);
}

}  // namespace lopewell
