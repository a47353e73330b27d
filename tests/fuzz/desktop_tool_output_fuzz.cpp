// What dpkg-query, flatpak, snap and apt-get print is outside input: any bytes parse without a
// crash, and nothing read from them names a package or a folder with an empty or multi-part name.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "app/apps/desktop_tool_output.h"

namespace {

bool isOneWord(std::string_view name)
{
    return !name.empty() && name.find_first_of(" \t\n") == std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    (void)lopewell::dpkgPackageOfList(text);
    for (const std::string& entry : lopewell::desktopEntriesInDpkgList(text)) {
        if (!entry.starts_with('/') || entry.find('\n') != std::string::npos)
            __builtin_trap();
    }
    for (const auto& [name, info] : lopewell::parseDpkgQuery(text)) {
        if (name.empty() || name.find_first_of(":\t\n") != std::string::npos || info.installedBytes % 1024 != 0)
            __builtin_trap();
    }
    for (const auto& [id, info] : lopewell::parseFlatpakList(text)) {
        if (!isOneWord(id))
            __builtin_trap();
    }
    (void)lopewell::parseFlatpakSize(text);
    for (const auto& [name, info] : lopewell::parseSnapList(text)) {
        if (!isOneWord(name) || info.revision.find_first_not_of("0123456789") != std::string::npos)
            __builtin_trap();
    }
    for (const std::string& package : lopewell::parseSimulatedRemoval(text)) {
        if (!isOneWord(package) || package.find(':') != std::string::npos)
            __builtin_trap();
    }
    return 0;
}
