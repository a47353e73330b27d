// Everything a macOS application left in the user's Library: its support, cache, container,
// log, saved-state, web-storage and preference files, found by its bundle identifier and name.
// Nothing is removed here.
//
//   std::optional<AppLeftoverResult> result = AppLeftoverScanner(layout).scan("/Applications/Notes.app");
//   if (!result) tellTheUser();  // not a bundle, or no identifier
//
// THREAD-SAFETY: no state; scan() may run on any thread and sums folders, so callers run it off
// the main thread.
#pragma once

#include <filesystem>
#include <optional>
#include <stop_token>
#include <vector>

#include "app/apps/app_leftover_result.h"
#include "platform/host_layout.h"

namespace lopewell {

class AppLeftoverScanner {
public:
    explicit AppLeftoverScanner(const HostLayout& layout);

    std::optional<AppLeftoverResult> scan(const std::filesystem::path& appURL, std::stop_token stop = {}) const;

    // The places looked at for identifier `bundleID` and name `name`, in order, whether they
    // exist or not. Parts that are not one path component are not used.
    std::vector<std::filesystem::path> candidates(const std::string& bundleID, const std::string& name) const;

private:
    std::filesystem::path m_library;
};

}  // namespace lopewell
