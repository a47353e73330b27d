#include "core/xdg/trash_info.h"

#include "core/xdg/desktop_entry.h"

namespace lopewell {

namespace {

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

}  // namespace

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
        decoded += char(high * 16 + low);
        i += 2;
    }
    return decoded;
}

std::string TrashInfo::originalName() const
{
    std::string_view path = originalPath;
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    const size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::optional<TrashInfo> parseTrashInfo(std::string_view text)
{
    const DesktopEntryFile file = DesktopEntryFile::parse(text);
    const std::optional<std::string_view> raw = file.rawValue("Trash Info", "Path");
    if (!raw || raw->empty())
        return std::nullopt;
    std::optional<std::string> path = percentDecoded(*raw);
    if (!path || path->empty())
        return std::nullopt;
    return TrashInfo { std::move(*path) };
}

}  // namespace lopewell
