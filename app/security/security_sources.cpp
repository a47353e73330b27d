#include "app/security/security_sources.h"

#include <set>

#include "app/security/linux_security_sources.h"
#include "app/security/mac_security_sources.h"
#include "platform/file_status.h"

namespace lopewell {

namespace fs = std::filesystem;

std::shared_ptr<const SecuritySources> makeSecuritySources(const HostLayout& layout, SecuritySourceOptions options)
{
    if (layout.flavour() == HostFlavour::macOS)
        return makeMacSecuritySources(layout, options);
    return makeLinuxSecuritySources(layout, options);
}

namespace SecurityPaths {

namespace {

// Below `folder`, not the folder itself.
bool isStrictlyUnder(const fs::path& path, const fs::path& folder)
{
    const fs::path relative = path.lexically_relative(folder);
    return !relative.empty() && relative != "." && *relative.begin() != "..";
}

// Absolute, without ".", ".." or empty parts, and without a trailing slash.
bool isNormalAbsolute(std::string_view path)
{
    if (!path.starts_with('/'))
        return false;
    if (path == "/")
        return true;
    std::string_view rest = path.substr(1);
    while (true) {
        const size_t slash = rest.find('/');
        const std::string_view part = rest.substr(0, slash);
        if (part.empty() || part == "." || part == "..")
            return false;
        if (slash == std::string_view::npos)
            return true;
        rest.remove_prefix(slash + 1);
    }
}

}  // namespace

std::optional<std::string> systemView(const HostLayout& layout, const fs::path& onDisk)
{
    const fs::path normal = onDisk.lexically_normal();
    if (layout.systemRoot() == "/")
        return normal.string();
    const fs::path relative = normal.lexically_relative(layout.systemRoot());
    if (relative.empty() || *relative.begin() == "..")
        return std::nullopt;
    return relative == "." ? std::string("/") : "/" + relative.string();
}

bool isUnderHome(const HostLayout& layout, const fs::path& onDisk)
{
    return isStrictlyUnder(onDisk.lexically_normal(), layout.home());
}

bool isUserControllableOnMac(const HostLayout& layout, const fs::path& onDisk)
{
    if (isUnderHome(layout, onDisk))
        return true;
    const std::optional<std::string> seen = systemView(layout, onDisk);
    return seen && seen->starts_with("/Applications/") && seen->size() > std::string_view("/Applications/").size();
}

std::vector<ObservedArtifact> literalPathArtifacts(const std::vector<ThreatSignature>& signatures, const HostLayout& layout,
    const std::function<bool(const std::filesystem::path& onDisk)>& controllable)
{
    const std::string home = layout.home().string();
    std::vector<ObservedArtifact> artifacts;
    std::set<std::string, std::less<>> produced;
    for (const ThreatSignature& signature : signatures) {
        for (const std::string& glob : signature.pathGlobs) {
            // Wildcards only take part in matching; they are never expanded into files.
            if (glob.find('*') != std::string::npos)
                continue;
            const bool inHome = glob.starts_with('~');
            const std::string identifier = inHome ? home + glob.substr(1) : glob;
            if (!isNormalAbsolute(identifier) || produced.contains(identifier))
                continue;
            const fs::path onDisk = inHome ? fs::path(identifier) : layout.system(identifier);
            // A link is reported as itself, and its target never looked at.
            if (!fileTypeAt(onDisk, SymlinkPolicy::refuse))
                continue;
            produced.insert(identifier);
            artifacts.push_back(ObservedArtifact {
                .kind = ObservedArtifact::Kind::file,
                .identifier = identifier,
                .path = onDisk.string(),
                .isUserControllable = controllable(onDisk),
            });
        }
    }
    return artifacts;
}

}  // namespace SecurityPaths

}  // namespace lopewell
