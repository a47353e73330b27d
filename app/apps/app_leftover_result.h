// What uninstalling one application would remove: the application itself first, then every
// file it left in the user's folders, each with its size. Leftovers that are only guessed from
// a name are listed unselected, with the reason; the application's own removal may need a tool.
//
//   AppLeftoverResult result = *scanner.scan(bundle);
//   result.items.front().path;  // the bundle
//   result.totalBytes;         // the bundle and every leftover
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "app/apps/installed_app.h"
#include "app/common/storage_item.h"

namespace lopewell {

// Who takes the application itself away.
enum class AppRemovalKind {
    trash,    // it is the user's files: they go to the Trash
    flatpak,  // flatpak uninstall
    snap,     // snap remove
    package,  // PackageKit removes the distribution package
};

struct AppLeftoverResult {
    std::filesystem::path appURL {};
    std::string appName {};
    std::string bundleID {};
    std::vector<StorageItem> items {};  // the application first, then the leftovers in the order found
    std::uint64_t totalBytes = 0;
    // Rows guessed from a name, with why they were offered; they start unselected.
    std::map<std::string, std::string> nameMatches {};  // by item path
    AppRemovalKind removal = AppRemovalKind::trash;
    // What else the removal does, shown before the user confirms ("Also removes: …").
    std::string removalNote {};
    // The application as the list had it, when it came from the list.
    std::optional<InstalledApp> app {};

    // Every item but the name matches.
    std::set<std::string> preselected() const;
    bool operator==(const AppLeftoverResult&) const = default;
};

// {"appURL", "appName", "bundleID", "totalBytes", "removal", "removalNote"?, "items": [storage
// item keys + "selected" + "reason" for a name match]}.
nlohmann::json encodeAppLeftoverResult(const AppLeftoverResult& result);

}  // namespace lopewell
