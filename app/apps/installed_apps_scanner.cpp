#include "app/apps/installed_apps_scanner.h"

#include <set>
#include <string>
#include <string_view>

#include "app/apps/bundle_reading.h"
#include "platform/file_status.h"
#include "platform/file_walk.h"

namespace lopewell {

namespace fs = std::filesystem;

namespace {

// Exactly "app", as the file name's extension: "Maps.APP" is not a bundle here.
bool hasAppExtension(std::string_view name)
{
    const size_t dot = name.rfind('.');
    return dot != std::string_view::npos && dot > 0 && name.substr(dot + 1) == "app";
}

void collectBundles(const FolderHandle& folder, const fs::path& path, bool entersUtilities, std::vector<fs::path>& bundles)
{
    ListOptions options;
    options.skipHidden = true;
    ErrorOr<std::vector<FileEntry>> entries = folder.list(options);
    if (!entries)
        return;
    for (const FileEntry& entry : entries.value()) {
        if (hasAppExtension(entry.name)) {
            bundles.push_back(path / entry.name);
        } else if (entersUtilities && entry.name == "Utilities") {
            // Opened without following a link, so a "Utilities" link cannot lead out of the root.
            if (ErrorOr<FolderHandle> utilities = folder.openChild(entry.name))
                collectBundles(utilities.value(), path / entry.name, false, bundles);
        }
    }
}

}  // namespace

InstalledAppsScanner::InstalledAppsScanner(const HostLayout& layout)
    : m_systemApplications(layout.system("/Applications"))
    , m_userApplications(layout.home("Applications"))
    , m_systemBundles(layout.system("/System/Applications"))
{
}

std::vector<fs::path> InstalledAppsScanner::roots() const
{
    return { m_systemApplications, m_userApplications, m_systemBundles };
}

std::vector<InstalledApp> InstalledAppsScanner::scan(std::stop_token stop) const
{
    std::vector<fs::path> bundles;
    for (const fs::path& root : roots()) {
        if (ErrorOr<FolderHandle> folder = FolderHandle::open(root))
            collectBundles(folder.value(), root, true, bundles);
    }
    std::vector<InstalledApp> apps;
    std::set<fs::path> seen;
    for (const fs::path& bundle : bundles) {
        if (stop.stop_requested())
            break;
        if (seen.contains(bundle))
            continue;
        if (std::optional<InstalledApp> app = makeApp(bundle, stop)) {
            seen.insert(bundle);
            apps.push_back(std::move(*app));
        }
    }
    sortAppsByName(apps);
    return apps;
}

std::optional<InstalledApp> InstalledAppsScanner::makeApp(const fs::path& bundle, std::stop_token stop)
{
    std::optional<BundleInfo> info = readBundle(bundle);
    if (!info)
        return std::nullopt;
    InstalledApp app;
    app.url = bundle;
    app.bundleID = info->identifier;
    app.name = nonEmptyString(info->info, "CFBundleDisplayName")
                   .value_or(nonEmptyString(info->info, "CFBundleName").value_or(bundleBaseName(bundle)));
    app.version = info->info.stringForKey("CFBundleShortVersionString").value_or(std::string(noVersionText));
    app.size = folderSize(bundle, PackageContents::counted, stop);
    if (app.bundleID.starts_with("com.apple."))
        app.source = AppSource::apple;
    else if (fileTypeAt(bundle / "Contents/_MASReceipt/receipt", SymlinkPolicy::refuse))
        app.source = AppSource::appStore;
    else
        app.source = AppSource::other;
    return app;
}

}  // namespace lopewell
