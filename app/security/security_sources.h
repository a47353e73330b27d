// What the Security section looks at on the system the host layout describes, as observed
// artifacts the signatures can name: on a macOS tree the applications, the launchd jobs, the
// configuration profiles and the signatures' own paths; on the Linux desktop the applications,
// the autostart entries and systemd units, the browsers' policy files and the signatures' paths.
// makeSecuritySources() is the one place that picks, by the layout's flavour.
//
//   std::shared_ptr<const SecuritySources> sources = makeSecuritySources(layout);
//   std::vector<ObservedArtifact> seen = sources->collect(signatures, stop);
//   sources->unload(controllableAgents);   // before their files go to the Trash
//
// THREAD-SAFETY: implementations hold only their layout and tools; every operation is const,
// blocks on files and child processes, and may run on any thread.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "core/security/threat_signature.h"
#include "platform/host_layout.h"

namespace lopewell {

class SecuritySources {
public:
    virtual ~SecuritySources() = default;

    // Applications, then startup jobs, then profiles (browser policies), then the signatures'
    // literal paths. Never fails: a source that cannot be read contributes nothing. A stopped
    // collection answers something its caller drops.
    virtual std::vector<ObservedArtifact> collect(const std::vector<ThreatSignature>& signatures, std::stop_token stop) const = 0;

    // Stops what the user's own controllable jobs among `artifacts` start, in order, so their
    // files can go to the Trash: a bootout on a Mac, switching off on the Linux desktop. Every
    // failure is ignored: the file goes to the Trash all the same.
    virtual void unload(const std::vector<ObservedArtifact>& artifacts) const = 0;

    // The user's home folder without a trailing slash: what "~" in a signature stands for.
    virtual std::string homePath() const = 0;
};

struct SecuritySourceOptions {
    // How long the profiles tool may run before it is killed and counts as saying nothing.
    std::chrono::milliseconds profilesTimeLimit { std::chrono::seconds(30) };
};

std::shared_ptr<const SecuritySources> makeSecuritySources(const HostLayout& layout, SecuritySourceOptions options = {});

// The rules both flavours share, exposed for testing.
namespace SecurityPaths {

// `onDisk` as the system sees it: relative to the layout's root, with a leading "/"; absent when
// it lies outside the root.
std::optional<std::string> systemView(const HostLayout& layout, const std::filesystem::path& onDisk);

// Strictly below the home folder: the home itself is never something to trash.
bool isUnderHome(const HostLayout& layout, const std::filesystem::path& onDisk);

// A Mac's rule for apps and files: under "/Applications/" as the system sees it, or under home.
bool isUserControllableOnMac(const HostLayout& layout, const std::filesystem::path& onDisk);

// The signatures' paths without "*" that exist (a symbolic link counts, and is never followed),
// each once, in signature and entry order, as `file` artifacts: "~" stands for the home folder,
// an absolute path is resolved under the root. Entries that are not absolute and lexically
// normal after that are skipped: no signature names "..". `controllable` decides for each path
// on disk.
std::vector<ObservedArtifact> literalPathArtifacts(const std::vector<ThreatSignature>& signatures, const HostLayout& layout,
    const std::function<bool(const std::filesystem::path& onDisk)>& controllable);

}  // namespace SecurityPaths

}  // namespace lopewell
