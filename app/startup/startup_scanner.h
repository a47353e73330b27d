// The launchd jobs of a macOS tree: the property lists in the user's and the machine's
// LaunchAgents and LaunchDaemons folders (Apple's own only when asked), each with its run state
// from `launchctl list`, then the user agents this program disabled, from its holding folder.
//
//   StartupScanner scanner = StartupScanner::forLayout(layout);
//   for (const StartupItem& item : scanner.scan(false)) show(item);
//
// THREAD-SAFETY: no state; scan() blocks on the folders and on launchctl.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/startup/startup_item.h"
#include "platform/host_layout.h"
#include "platform/launchctl_client.h"

namespace lopewell {

// <home>/Library/Application Support/Lopewell/DisabledLaunchAgents
std::filesystem::path disabledLaunchAgentsFolder(const HostLayout& layout);

class StartupScanner {
public:
    StartupScanner(HostLayout layout, LaunchctlClient launchctl, std::filesystem::path disabledDir);
    static StartupScanner forLayout(const HostLayout& layout);

    // Folder by folder in the listing order of each, then the disabled agents; the first item
    // of an id wins.
    std::vector<StartupItem> scan(bool includeApple) const;

    // Code signing has no counterpart here: always absent.
    std::optional<std::string> teamIdentifier(const std::string& programPath) const;

private:
    HostLayout m_layout;
    LaunchctlClient m_launchctl;
    std::filesystem::path m_disabledDir;
};

}  // namespace lopewell
