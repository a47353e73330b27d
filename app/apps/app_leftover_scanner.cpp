#include "app/apps/app_leftover_scanner.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "app/apps/bundle_reading.h"
#include "platform/file_walk.h"

namespace lopewell {

namespace fs = std::filesystem;

namespace {

// Names in a folder, sorted so that a result does not depend on the file system's order.
std::vector<std::string> namesIn(const fs::path& folder)
{
    std::vector<std::string> names;
    if (ErrorOr<std::vector<FileEntry>> entries = listFolder(folder)) {
        for (const FileEntry& entry : entries.value())
            names.push_back(entry.name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

AppLeftoverScanner::AppLeftoverScanner(const HostLayout& layout) : m_library(layout.home("Library")) {}

std::vector<fs::path> AppLeftoverScanner::candidates(const std::string& bundleID, const std::string& name) const
{
    std::vector<fs::path> places;
    const bool idUsable = isSinglePathComponent(bundleID);
    if (idUsable) {
        for (const char* folder : { "Application Support", "Caches", "Containers", "Logs" })
            places.push_back(m_library / folder / bundleID);
        places.push_back(m_library / "Saved Application State" / (bundleID + ".savedState"));
        places.push_back(m_library / "HTTPStorages" / bundleID);
        places.push_back(m_library / "HTTPStorages" / (bundleID + ".binarycookies"));
        places.push_back(m_library / "WebKit" / bundleID);
        places.push_back(m_library / "Preferences" / (bundleID + ".plist"));
    }
    if (isSinglePathComponent(name)) {
        for (const char* folder : { "Application Support", "Caches", "Logs" })
            places.push_back(m_library / folder / name);
    }
    if (!idUsable)
        return places;
    for (const std::string& entry : namesIn(m_library / "Group Containers")) {
        if (entry.ends_with(bundleID))
            places.push_back(m_library / "Group Containers" / entry);
    }
    const std::string prefix = bundleID + ".";
    const std::string ownPreferences = bundleID + ".plist";
    for (const std::string& entry : namesIn(m_library / "Preferences")) {
        if (entry.starts_with(prefix) && entry.ends_with(".plist") && entry != ownPreferences)
            places.push_back(m_library / "Preferences" / entry);
    }
    return places;
}

std::optional<AppLeftoverResult> AppLeftoverScanner::scan(const fs::path& appURL, std::stop_token stop) const
{
    std::optional<BundleInfo> bundle = readBundle(appURL);
    if (!bundle)
        return std::nullopt;
    AppLeftoverResult result;
    result.appURL = appURL;
    result.bundleID = bundle->identifier;
    result.appName = nonEmptyString(bundle->info, "CFBundleName").value_or(bundleBaseName(appURL));
    if (std::optional<StorageItem> app = itemAt(appURL, stop)) {
        // The bundle's own size counts what is inside it, nested bundles included.
        app->size = folderSize(appURL, PackageContents::counted, stop);
        result.items.push_back(std::move(*app));
    }
    for (const fs::path& place : candidates(result.bundleID, result.appName)) {
        if (std::optional<StorageItem> item = itemAt(place, stop))
            result.items.push_back(std::move(*item));
    }
    for (const StorageItem& item : result.items)
        result.totalBytes += item.size;
    return result;
}

}  // namespace lopewell
