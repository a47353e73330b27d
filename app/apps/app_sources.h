// Where the Apps section finds applications and their leftovers, and how it removes them: one
// implementation for a macOS tree (bundles and ~/Library) and one for the Linux desktop
// (desktop entries, Flatpak, Snap, AppImages, packages; the XDG folders). appSourcesFor() is
// the one place that picks, by the layout's flavour.
//
//   std::shared_ptr<const AppSources> sources = appSourcesFor(layout);
//   std::vector<InstalledApp> apps = sources->scanApps(stop);
//   std::optional<AppLeftoverResult> result = sources->scanLeftovers(apps[0].url, apps, stop);
//   RemovalOutcome outcome = sources->remove(*result, chosen);
//
// THREAD-SAFETY: implementations hold only their layout; every operation may run on any thread
// and blocks, so callers run them off the main thread.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "app/apps/app_leftover_result.h"
#include "app/apps/app_removal.h"
#include "app/apps/installed_app.h"
#include "platform/host_layout.h"

namespace lopewell {

// What the drop tile and the chooser take for an application.
struct AppPicking {
    std::vector<std::string> extensions;  // lower-case, without the dot: "app"; "desktop", "appimage"
    bool isFolder = false;                // a bundle is a folder, so the chooser must accept folders
    std::string chooserFilter;            // for a file chooser: "Applications (*.desktop *.AppImage)"
};

class AppSources {
public:
    virtual ~AppSources() = default;

    // The sources of this flavour, in the order their filter chips show.
    virtual std::vector<AppSource> sources() const = 0;
    virtual AppPicking picking() const = 0;

    // Sorted by name. A stopped scan answers something its caller drops.
    virtual std::vector<InstalledApp> scanApps(std::stop_token stop) const = 0;
    // `target`: a bundle or entry path, an AppImage, or (Linux) a listed app's id. Nothing when
    // it is no application this flavour can read.
    virtual std::optional<AppLeftoverResult> scanLeftovers(
        const std::filesystem::path& target, const std::vector<InstalledApp>& installed, std::stop_token stop) const
        = 0;
    // Removes what was chosen of `result`; the outcome names what is gone.
    virtual RemovalOutcome remove(const AppLeftoverResult& result, const std::vector<StorageItem>& chosen) const = 0;
};

// The sources for the layout's flavour; `trash` moves items to the desktop's Trash (tests give
// their own).
std::shared_ptr<const AppSources> appSourcesFor(const HostLayout& layout, TrashFunction trash = desktopTrash());

}  // namespace lopewell
