#include "core/base/file_url.h"

namespace lopewell {

namespace {

constexpr std::string_view scheme = "file://";

// RFC 3986 pchar plus "/": unreserved, sub-delims, ":" and "@".
bool isPathCharacter(unsigned char c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    switch (c) {
    case '-':
    case '.':
    case '_':
    case '~':
    case '!':
    case '$':
    case '&':
    case '\'':
    case '(':
    case ')':
    case '*':
    case '+':
    case ',':
    case ';':
    case '=':
    case ':':
    case '@':
    case '/':
        return true;
    default:
        return false;
    }
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i])
            return false;
    }
    return true;
}

}  // namespace

void appendFileURL(std::string& url, std::string_view bytes)
{
    static constexpr char hexDigits[] = "0123456789ABCDEF";
    url += scheme;
    if (bytes.empty() || bytes.front() != '/')
        url += '/';
    for (unsigned char c : bytes) {
        if (isPathCharacter(c)) {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += hexDigits[c >> 4];
            url += hexDigits[c & 0xF];
        }
    }
}

std::string fileURLString(const std::filesystem::path& path)
{
    const std::string& bytes = path.native();
    std::string url;
    url.reserve(scheme.size() + bytes.size() + 1);
    appendFileURL(url, bytes);
    return url;
}

std::optional<std::string> percentDecoded(std::string_view text)
{
    std::string decoded;
    decoded.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\0')
            return std::nullopt;
        if (text[i] != '%') {
            decoded += text[i];
            continue;
        }
        if (i + 2 >= text.size())
            return std::nullopt;
        const int high = hexValue(text[i + 1]);
        const int low = hexValue(text[i + 2]);
        if (high < 0 || low < 0 || (high == 0 && low == 0))
            return std::nullopt;
        decoded += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return decoded;
}

std::optional<std::filesystem::path> pathFromFileURL(std::string_view url)
{
    if (!startsWithIgnoringCase(url, scheme))
        return std::nullopt;
    std::string_view rest = url.substr(scheme.size());
    if (startsWithIgnoringCase(rest, "localhost/"))
        rest.remove_prefix(std::string_view("localhost").size());
    if (rest.empty() || rest.front() != '/')
        return std::nullopt;

    if (rest.find_first_of("?#") != std::string_view::npos)
        return std::nullopt;
    std::optional<std::string> bytes = percentDecoded(rest);
    if (!bytes)
        return std::nullopt;
    return std::filesystem::path(std::move(*bytes));
}

}  // namespace lopewell
