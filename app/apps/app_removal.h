// Taking an application away once the user confirmed what to remove: on a macOS tree the chosen
// items go to the Trash; on the Linux desktop an application that a tool installed is handed
// to that tool (flatpak, snap, PackageKit, each asking for rights itself where it must), and
// only after it is gone do the chosen leftovers go to the Trash. Nothing a package owns is ever
// trashed.
//
//   RemovalOutcome outcome = removeApp(result, chosen, tools);
//
// THREAD-SAFETY: no state; blocks on the tools and the Trash, so call it off the main thread.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/apps/app_leftover_result.h"
#include "app/common/category_inspector_model.h"
#include "platform/child_process.h"
#include "platform/host_layout.h"

namespace lopewell {

using TrashFunction = std::function<RemovalOutcome(const std::vector<std::string>&)>;

// The paths of `items`, and the Trash that takes them.
std::vector<std::string> pathsOf(const std::vector<StorageItem>& items);
TrashFunction desktopTrash();
// Adds `more` to `outcome`: what went, what failed, the first error.
void mergeOutcome(RemovalOutcome& outcome, const RemovalOutcome& more);
// `path` is gone, though not through the Trash (a tool removed it).
void markGone(RemovalOutcome& outcome, const std::string& path);
// Every one of `paths` stayed, for `why`.
RemovalOutcome failedOutcome(const std::vector<std::string>& paths, std::string why);

// The tool command that removes the application, or nothing when it goes to the Trash.
std::optional<ChildCommand> removalCommand(const AppLeftoverResult& result, const HostLayout& layout);

// The packages PackageKit would also remove with the app's package, from apt-get's simulation;
// empty when it is not a package or the simulation cannot run.
std::vector<std::string> packagesRemovedWith(const std::string& package, const HostLayout& layout);

struct RemovalTools {
    HostLayout layout;
    TrashFunction moveToTrash;
    // A password prompt may sit open for long.
    std::chrono::milliseconds toolTimeLimit { std::chrono::minutes(10) };
};

RemovalOutcome removeApp(const AppLeftoverResult& result, const std::vector<StorageItem>& chosen, const RemovalTools& tools);

}  // namespace lopewell
