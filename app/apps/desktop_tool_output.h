// What the Linux desktop's package tools print, read into values: dpkg's file lists and
// dpkg-query's status lines, `flatpak list`, `snap list` and apt-get's simulated removal. Each
// reader takes the text a tool wrote and skips any line it cannot make sense of.
//
//   auto packages = parseDpkgQuery("bash\t5.2.15-2+b8\t7164\tinstall ok installed\n");
//   packages.at("bash").installedBytes;  // 7164 × 1024
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lopewell {

// The package a dpkg file list belongs to, from its file name: "bash.list" or "bash:amd64.list".
std::string dpkgPackageOfList(std::string_view listFileName);
// The lines of a dpkg file list that name a desktop entry in an applications folder.
std::vector<std::string> desktopEntriesInDpkgList(std::string_view listText);

struct DpkgPackageInfo {
    std::string version;
    std::uint64_t installedBytes = 0;  // Installed-Size is in KiB
    bool operator==(const DpkgPackageInfo&) const = default;
};
// Lines of `dpkg-query -W -f='${binary:Package}\t${Version}\t${Installed-Size}\t${Status}\n'`;
// only installed packages, keyed by name without ":arch".
std::map<std::string, DpkgPackageInfo> parseDpkgQuery(std::string_view output);
inline constexpr std::string_view dpkgQueryFormat = "${binary:Package}\\t${Version}\\t${Installed-Size}\\t${Status}\\n";

struct FlatpakAppInfo {
    std::string version;
    std::string branch;
    std::string arch;
    bool operator==(const FlatpakAppInfo&) const = default;
};
// `flatpak list --app --columns=application,version,branch,arch`, tab-separated; keyed by id.
std::map<std::string, FlatpakAppInfo> parseFlatpakList(std::string_view output);
// `flatpak info --show-size REF`: a number of bytes.
std::optional<std::uint64_t> parseFlatpakSize(std::string_view output);

struct SnapInfo {
    std::string version;
    std::string revision;
    bool operator==(const SnapInfo&) const = default;
};
// `snap list`: a header "Name Version Rev …", then one snap a line; keyed by name.
std::map<std::string, SnapInfo> parseSnapList(std::string_view output);

// `apt-get -s remove PKG`: the packages it would remove ("Remv NAME [VERSION]" lines), in order.
std::vector<std::string> parseSimulatedRemoval(std::string_view output);

}  // namespace lopewell
