// The Security section on a macOS tree: the applications of the Apps section, the launchd jobs
// of the Startup section without Apple's folders (disabled agents in the holding folder
// included), the identifiers `profiles show -type configuration` prints, and the signatures'
// literal paths. Apps and files are the user's to remove under /Applications or the home
// folder, jobs only as the user's own agents, profiles never.
#pragma once

#include <memory>

#include "app/security/security_sources.h"

namespace lopewell {

std::shared_ptr<const SecuritySources> makeMacSecuritySources(const HostLayout& layout, SecuritySourceOptions options);

// The profiles tool's identifiers, in output order; nothing when it cannot be started, is still
// running at `timeLimit`, or `stop` is requested first (the tool is then killed).
std::vector<std::string> installedProfileIdentifiers(
    const std::filesystem::path& tool, std::chrono::milliseconds timeLimit, std::stop_token stop = {});

}  // namespace lopewell
