// The applications of a macOS tree: every `.app` bundle directly in /Applications, the user's
// own Applications folder and /System/Applications, and in the "Utilities" folder of each, with
// its identifier, name, version, size and source. What cannot be read is simply not listed.
//
//   std::vector<InstalledApp> apps = InstalledAppsScanner(layout).scan(stop);  // sorted by name
//
// THREAD-SAFETY: no state; scan() may run on any thread, and it takes seconds (it sums every
// file of every bundle), so callers run it off the main thread.
#pragma once

#include <filesystem>
#include <optional>
#include <stop_token>
#include <vector>

#include "app/apps/installed_app.h"
#include "platform/host_layout.h"

namespace lopewell {

class InstalledAppsScanner {
public:
    explicit InstalledAppsScanner(const HostLayout& layout);

    // A stopped scan answers what it had, partly summed; its caller drops it.
    std::vector<InstalledApp> scan(std::stop_token stop = {}) const;

    // One bundle, or nothing when it is no folder or has no identifier.
    static std::optional<InstalledApp> makeApp(const std::filesystem::path& bundle, std::stop_token stop = {});

    // The roots, in the order they are listed.
    std::vector<std::filesystem::path> roots() const;

private:
    std::filesystem::path m_systemApplications;
    std::filesystem::path m_userApplications;
    std::filesystem::path m_systemBundles;
};

}  // namespace lopewell
