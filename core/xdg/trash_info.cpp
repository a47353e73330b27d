#include "core/xdg/trash_info.h"

#include "core/base/file_url.h"
#include "core/xdg/desktop_entry.h"

namespace lopewell {

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
