#include "platform/app_resources.h"

#include <climits>
#include <string>
#include <unistd.h>

#include "platform/file_status.h"

namespace lopewell {

namespace {

// The kernel's own record of the executable, links resolved. A binary replaced while it runs
// reads "<path> (deleted)"; only its folder is used, which that leaves intact.
std::optional<std::filesystem::path> runningExecutable()
{
    std::string buffer(PATH_MAX, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length <= 0 || std::size_t(length) >= buffer.size())
        return std::nullopt;
    buffer.resize(std::size_t(length));
    return std::filesystem::path(buffer);
}

bool isPlainFileName(std::string_view name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos
        && name.find('\0') == std::string_view::npos;
}

}  // namespace

std::optional<std::filesystem::path> appResourcePath(std::string_view name, const std::filesystem::path& executable)
{
    if (!isPlainFileName(name) || !executable.is_absolute())
        return std::nullopt;
    std::filesystem::path candidate = executable.parent_path().parent_path() / "share" / "lopewell" / name;
    const ErrorOr<FileStatus> status = fileStatusAt(candidate, SymlinkPolicy::follow);
    if (!status || status.value().type != FileType::regular)
        return std::nullopt;
    return candidate;
}

std::optional<std::filesystem::path> appResourcePath(std::string_view name)
{
    const std::optional<std::filesystem::path> executable = runningExecutable();
    if (!executable)
        return std::nullopt;
    return appResourcePath(name, *executable);
}

std::string_view signatureResourceName(HostFlavour flavour)
{
    switch (flavour) {
    case HostFlavour::macOS:
        return "adware-signatures.json";
    case HostFlavour::linuxDesktop:
        return "adware-signatures-linux.json";
    }
    return "adware-signatures-linux.json";
}

}  // namespace lopewell
