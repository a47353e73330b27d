#include "core/format/probe_config_validator.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "core/base/text.h"
#include "core/base/utf8.h"

namespace lopewell {

namespace {

bool containsWhiteSpace(std::string_view text)
{
    while (!text.empty()) {
        const utf8::CodePoint next = utf8::decodeFront(text);
        if (next.valid && isUnicodeWhiteSpace(next.value))
            return true;
        text.remove_prefix(next.length);
    }
    return false;
}

bool isAsciiAlpha(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isAsciiDigit(char c)
{
    return c >= '0' && c <= '9';
}

// RFC 3986: scheme = ALPHA *( ALPHA / DIGIT / "+" / "-" / "." ), then ":".
std::optional<std::string_view> schemeOf(std::string_view url)
{
    size_t colon = url.find(':');
    if (colon == std::string_view::npos || colon == 0 || !isAsciiAlpha(url[0]))
        return std::nullopt;
    std::string_view scheme = url.substr(0, colon);
    bool wellFormed = std::all_of(
        scheme.begin(), scheme.end(), [](char c) { return isAsciiAlpha(c) || isAsciiDigit(c) || c == '+' || c == '-' || c == '.'; });
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
    std::string_view url = trimmedUnicode(text);
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
    std::string_view host = trimmedUnicode(text);
    return !host.empty() && !containsWhiteSpace(host);
}

}  // namespace lopewell
