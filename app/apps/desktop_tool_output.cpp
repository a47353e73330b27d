#include "app/apps/desktop_tool_output.h"

#include <charconv>

#include "core/base/text.h"

namespace lopewell {

namespace {

std::vector<std::string_view> lines(std::string_view text)
{
    std::vector<std::string_view> result;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        result.push_back(text.substr(0, end));
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return result;
}

std::vector<std::string_view> split(std::string_view line, char separator)
{
    std::vector<std::string_view> fields;
    while (true) {
        const size_t end = line.find(separator);
        fields.push_back(line.substr(0, end));
        if (end == std::string_view::npos)
            return fields;
        line.remove_prefix(end + 1);
    }
}

std::vector<std::string_view> words(std::string_view line)
{
    std::vector<std::string_view> result;
    while (true) {
        line = trimmedStart(line);
        if (line.empty())
            return result;
        const size_t end = line.find_first_of(asciiSpace);
        result.push_back(line.substr(0, end));
        if (end == std::string_view::npos)
            return result;
        line.remove_prefix(end);
    }
}

std::optional<std::uint64_t> number(std::string_view text)
{
    std::uint64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

std::string withoutArch(std::string_view name)
{
    return std::string(name.substr(0, name.find(':')));
}

}  // namespace

std::string dpkgPackageOfList(std::string_view listFileName)
{
    if (listFileName.ends_with(".list"))
        listFileName.remove_suffix(5);
    return withoutArch(listFileName);
}

std::vector<std::string> desktopEntriesInDpkgList(std::string_view listText)
{
    std::vector<std::string> entries;
    for (std::string_view line : lines(listText)) {
        if (line.ends_with(".desktop") && line.starts_with('/') && line.find("/applications/") != std::string_view::npos)
            entries.emplace_back(line);
    }
    return entries;
}

std::map<std::string, DpkgPackageInfo> parseDpkgQuery(std::string_view output)
{
    std::map<std::string, DpkgPackageInfo> packages;
    for (std::string_view line : lines(output)) {
        const std::vector<std::string_view> fields = split(line, '\t');
        const std::string name = withoutArch(fields.front());
        if (fields.size() != 4 || name.empty() || fields[3] != "install ok installed")
            continue;
        DpkgPackageInfo info;
        info.version = fields[1].empty() ? "—" : std::string(fields[1]);
        // A size too large for bytes is garbage, not a package.
        const std::optional<std::uint64_t> kibibytes = number(fields[2]);
        if (kibibytes && *kibibytes < (std::uint64_t(1) << 50))
            info.installedBytes = *kibibytes * 1024;
        packages[name] = std::move(info);
    }
    return packages;
}

std::map<std::string, FlatpakAppInfo> parseFlatpakList(std::string_view output)
{
    std::map<std::string, FlatpakAppInfo> apps;
    for (std::string_view line : lines(output)) {
        const std::vector<std::string_view> fields = split(line, '\t');
        if (fields.size() < 4 || fields[0].empty() || fields[0].find(' ') != std::string_view::npos)
            continue;
        apps[std::string(fields[0])] = { std::string(fields[1]), std::string(fields[2]), std::string(fields[3]) };
    }
    return apps;
}

std::optional<std::uint64_t> parseFlatpakSize(std::string_view output)
{
    return number(trimmed(output));
}

std::map<std::string, SnapInfo> parseSnapList(std::string_view output)
{
    std::map<std::string, SnapInfo> snaps;
    const std::vector<std::string_view> all = lines(output);
    if (all.empty() || words(all.front()).empty() || words(all.front()).front() != "Name")
        return snaps;
    for (size_t i = 1; i < all.size(); ++i) {
        const std::vector<std::string_view> fields = words(all[i]);
        if (fields.size() < 3 || !number(fields[2]))
            continue;
        snaps[std::string(fields[0])] = { std::string(fields[1]), std::string(fields[2]) };
    }
    return snaps;
}

std::vector<std::string> parseSimulatedRemoval(std::string_view output)
{
    std::vector<std::string> packages;
    for (std::string_view line : lines(output)) {
        const std::vector<std::string_view> fields = words(line);
        if (fields.size() >= 2 && fields[0] == "Remv" && !withoutArch(fields[1]).empty())
            packages.push_back(withoutArch(fields[1]));
    }
    return packages;
}

}  // namespace lopewell
