#include "app/storage/storage_category.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <system_error>
#include <utility>

namespace lopewell {

namespace {

namespace fs = std::filesystem;
using Risk = StorageCategory::Risk;
using Grouping = StorageCategory::Grouping;

constexpr std::array<std::string_view, 10> appSupportCacheFolders {
    "Cache",
    "Code Cache",
    "CachedData",
    "CachedExtensionVSIXs",
    "GPUCache",
    "Service Worker/CacheStorage",
    "logs",
    "DawnGraphiteCache",
    "DawnWebGPUCache",
    "Shared Dictionary",
};

// The names directly inside `folder`, sorted by bytes so the catalogue does not depend on the
// file system's order; nothing when it cannot be listed.
std::vector<std::string> folderNames(const fs::path& folder)
{
    std::vector<std::string> names;
    std::error_code error;
    fs::directory_iterator it(folder, error);
    for (; !error && it != fs::directory_iterator(); it.increment(error))
        names.push_back(it->path().filename().native());
    if (error)
        return {};
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<fs::path> appSupportCachePaths(const HostLayout& layout, std::string_view appFolder)
{
    const fs::path base = layout.home("Library/Application Support") / fs::path(appFolder);
    std::vector<fs::path> paths;
    paths.reserve(std::size(appSupportCacheFolders));
    for (std::string_view name : appSupportCacheFolders)
        paths.push_back(base / fs::path(name));
    return paths;
}

// Mail keeps one store per format version: V2, V10, ... (names under five characters).
std::vector<fs::path> mailAttachmentPaths(const HostLayout& layout)
{
    const fs::path mail = layout.home("Library/Mail");
    std::vector<fs::path> paths;
    for (const std::string& name : folderNames(mail)) {
        if (name.starts_with('V') && name.size() < 5)
            paths.push_back(mail / name / "MailData" / "Attachments");
    }
    return paths;
}

std::vector<fs::path> photoDerivativePaths(const HostLayout& layout)
{
    const fs::path pictures = layout.home("Pictures");
    std::vector<fs::path> paths;
    for (const std::string& name : folderNames(pictures)) {
        if (name.ends_with(".photoslibrary"))
            paths.push_back(pictures / name / "resources" / "derivatives");
    }
    return paths;
}

StorageCategory category(std::string id, std::string title, std::string summary, std::string systemImage, StorageSection section, Risk risk,
    bool defaultEnabled, bool requiresFullDiskAccess, std::vector<fs::path> paths, Grouping grouping = Grouping::flat)
{
    return StorageCategory {
        .id = std::move(id),
        .title = std::move(title),
        .summary = std::move(summary),
        .systemImage = std::move(systemImage),
        .section = section,
        .risk = risk,
        .defaultEnabled = defaultEnabled,
        .requiresFullDiskAccess = requiresFullDiskAccess,
        .paths = std::move(paths),
        .grouping = grouping,
    };
}

}  // namespace

std::string_view storageSectionTitle(StorageSection section)
{
    switch (section) {
    case StorageSection::systemJunk:
        return "System Junk";
    case StorageSection::developerJunk:
        return "Developer Junk";
    case StorageSection::mailPhotos:
        return "Mail & Photos";
    }
    return {};
}

std::string_view storageSectionSubtitle(StorageSection section)
{
    switch (section) {
    case StorageSection::systemJunk:
        return "Default-on caches and logs that apps regenerate.";
    case StorageSection::developerJunk:
        return "Build artifacts, simulators, and package caches.";
    case StorageSection::mailPhotos:
        return "Heavy media caches. Originals stay intact — re-downloads on next use.";
    }
    return {};
}

RiskBadge riskBadge(Risk risk)
{
    switch (risk) {
    case Risk::low:
        return { "Low risk", true, {} };
    case Risk::medium:
        return { "Medium risk", false, SystemColor::orange };
    case Risk::high:
        return { "High risk", false, SystemColor::red };
    }
    return {};
}

std::span<const std::string_view> appSupportCacheFolderNames()
{
    return appSupportCacheFolders;
}

bool isTrashCategory(const StorageCategory& category)
{
    return category.id == "system.trash" || category.id == "linux.trash";
}

std::vector<StorageCategory> buildStorageCatalogue(const HostLayout& layout)
{
    if (layout.flavour() == HostFlavour::linuxDesktop)
        return buildLinuxStorageCatalogue(layout);
    using enum StorageSection;
    const auto home = [&layout](std::string_view relative) { return layout.home(relative); };
    const auto xcode = [&layout](std::string_view relative) { return layout.home("Library/Developer/Xcode") / fs::path(relative); };
    const auto simulator
        = [&layout](std::string_view relative) { return layout.home("Library/Developer/CoreSimulator") / fs::path(relative); };

    std::vector<StorageCategory> catalogue;
    catalogue.reserve(24);
    catalogue.push_back(category("system.userCaches", "User Caches", "~/Library/Caches", "tray.full", systemJunk, Risk::low, true, false,
        { home("Library/Caches") }));
    catalogue.push_back(category(
        "system.userLogs", "User Logs", "~/Library/Logs", "doc.text", systemJunk, Risk::low, true, false, { home("Library/Logs") }));
    catalogue.push_back(category("system.trash", "Trash", "~/.Trash", "trash", systemJunk, Risk::low, true, false, { home(".Trash") }));
    catalogue.push_back(category("system.systemCaches", "System Caches", "/Library/Caches", "externaldrive.badge.exclamationmark",
        systemJunk, Risk::medium, false, true, { layout.system("/Library/Caches") }));

    catalogue.push_back(category("dev.xcodeDerivedData", "Xcode DerivedData",
        "~/Library/Developer/Xcode/DerivedData — one row per project, trashes the whole project's build dir", "hammer", developerJunk,
        Risk::medium, false, false, { xcode("DerivedData") }, Grouping::xcodeDerivedData));
    catalogue.push_back(category("dev.xcodeArchives", "Xcode Archives", "~/Library/Developer/Xcode/Archives — your shipping history",
        "shippingbox", developerJunk, Risk::high, false, false, { xcode("Archives") }));
    catalogue.push_back(category("dev.xcodeDocumentationCache", "Xcode Documentation Cache",
        "~/Library/Developer/Xcode/DocumentationCache — re-downloads on open", "book.closed", developerJunk, Risk::low, false, false,
        { xcode("DocumentationCache") }));
    catalogue.push_back(category("dev.xcodeDeviceSupport", "Device Support",
        "~/Library/Developer/Xcode/{iOS,watchOS,tvOS} DeviceSupport — one row per OS version, symbols regenerate on next plug-in",
        "cable.connector", developerJunk, Risk::medium, false, false,
        { xcode("iOS DeviceSupport"), xcode("watchOS DeviceSupport"), xcode("tvOS DeviceSupport") }, Grouping::deviceSupport));
    catalogue.push_back(category("dev.xcodeSimulators", "iOS Simulators",
        "~/Library/Developer/CoreSimulator/Devices — one row per device, trashes the whole device", "iphone.gen3", developerJunk, Risk::low,
        false, false, { simulator("Devices") }, Grouping::iosSimulators));
    catalogue.push_back(category("dev.xcodeSimulatorCaches", "Simulator Caches", "~/Library/Developer/CoreSimulator/Caches",
        "internaldrive", developerJunk, Risk::low, false, false, { simulator("Caches") }));
    catalogue.push_back(category("dev.iosBackups", "iOS Device Backups",
        "~/Library/Application Support/MobileSync/Backup — restores depend on these", "externaldrive.badge.timemachine", developerJunk,
        Risk::high, false, false, { home("Library/Application Support/MobileSync/Backup") }));
    catalogue.push_back(category("dev.vscodeCaches", "VS Code Caches", "~/Library/Application Support/Code — cache + logs subdirs",
        "chevron.left.forwardslash.chevron.right", developerJunk, Risk::low, false, false, appSupportCachePaths(layout, "Code")));
    catalogue.push_back(category("dev.cursorCaches", "Cursor Caches", "~/Library/Application Support/Cursor — cache + logs subdirs",
        "text.cursor", developerJunk, Risk::low, false, false, appSupportCachePaths(layout, "Cursor")));
    catalogue.push_back(
        category("dev.claudeDesktopCaches", "Claude Desktop Caches", "~/Library/Application Support/Claude — cache + logs subdirs",
            "bubble.left.and.bubble.right", developerJunk, Risk::low, false, false, appSupportCachePaths(layout, "Claude")));
    catalogue.push_back(
        category("dev.antigravityCaches", "Antigravity Caches", "~/Library/Application Support/Antigravity — cache + logs subdirs", "atom",
            developerJunk, Risk::low, false, false, appSupportCachePaths(layout, "Antigravity")));
    catalogue.push_back(category("dev.jetBrainsCaches", "JetBrains Caches", "~/Library/Caches/JetBrains + ~/Library/Logs/JetBrains",
        "j.square", developerJunk, Risk::low, false, false, { home("Library/Caches/JetBrains"), home("Library/Logs/JetBrains") }));
    catalogue.push_back(category("dev.dockerLogs", "Docker Logs",
        "~/Library/Containers/com.docker.docker/Data/log — container/image data stays put", "cube.box", developerJunk, Risk::low, false,
        false, { home("Library/Containers/com.docker.docker/Data/log"), home("Library/Group Containers/group.com.docker/Logs") }));
    catalogue.push_back(category("dev.homebrewCache", "Homebrew Cache", "~/Library/Caches/Homebrew", "cube", developerJunk, Risk::low,
        false, false, { home("Library/Caches/Homebrew") }));
    catalogue.push_back(category(
        "dev.npmCache", "npm Cache", "~/.npm", "shippingbox.and.arrow.backward", developerJunk, Risk::low, false, false, { home(".npm") }));
    catalogue.push_back(category("dev.cocoaPodsCache", "CocoaPods Cache", "~/Library/Caches/CocoaPods", "gearshape.2", developerJunk,
        Risk::low, false, false, { home("Library/Caches/CocoaPods") }));

    catalogue.push_back(
        category("media.mailAttachments", "Mail Attachments", "~/Library/Mail/V*/MailData/Attachments — re-downloads from server",
            "paperclip", mailPhotos, Risk::medium, false, true, mailAttachmentPaths(layout)));
    catalogue.push_back(category("media.mailDownloads", "Mail Downloads", "~/Library/Containers/com.apple.mail/Data/Library/Mail Downloads",
        "arrow.down.doc", mailPhotos, Risk::low, false, false, { home("Library/Containers/com.apple.mail/Data/Library/Mail Downloads") }));
    catalogue.push_back(category("media.photosDerivatives", "Photo Library Derivatives",
        "~/Pictures/*.photoslibrary/resources/derivatives — thumbnails regenerate", "photo.stack", mailPhotos, Risk::low, false, false,
        photoDerivativePaths(layout)));
    catalogue.push_back(category("media.musicCache", "Music Caches", "~/Library/Caches/com.apple.Music", "music.note", mailPhotos,
        Risk::low, false, false, { home("Library/Caches/com.apple.Music") }));
    return catalogue;
}

const std::vector<StorageCategory>& storageCatalogue(const HostLayout& layout)
{
    // One per layout: the program uses one, tests point several at fixture trees. Entries are
    // never removed, so the references handed out stay valid.
    static std::mutex mutex;
    static std::vector<std::pair<HostLayout, std::unique_ptr<const std::vector<StorageCategory>>>> built;
    std::lock_guard lock(mutex);
    for (const auto& [builtFor, catalogue] : built) {
        if (builtFor == layout)
            return *catalogue;
    }
    built.emplace_back(layout, std::make_unique<const std::vector<StorageCategory>>(buildStorageCatalogue(layout)));
    return *built.back().second;
}

const StorageCategory* findStorageCategory(const std::vector<StorageCategory>& catalogue, std::string_view id)
{
    for (const StorageCategory& category : catalogue) {
        if (category.id == id)
            return &category;
    }
    return nullptr;
}

}  // namespace lopewell

size_t std::hash<lopewell::StorageCategory>::operator()(const lopewell::StorageCategory& category) const noexcept
{
    size_t seed = std::hash<std::string>()(category.id);
    const auto mix = [&seed](size_t value) { seed ^= value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2); };
    mix(std::hash<std::string>()(category.title));
    mix(std::hash<std::string>()(category.summary));
    mix(std::hash<std::string>()(category.systemImage));
    mix(static_cast<size_t>(category.section));
    mix(static_cast<size_t>(category.risk));
    mix((static_cast<size_t>(category.defaultEnabled) << 1) | static_cast<size_t>(category.requiresFullDiskAccess));
    for (const auto& path : category.paths)
        mix(std::hash<std::string>()(path.native()));
    mix(static_cast<size_t>(category.grouping));
    for (const auto& name : category.excludedNames)
        mix(std::hash<std::string>()(name));
    for (const auto& label : category.rowLabels)
        mix(std::hash<std::string>()(label));
    for (const auto& marker : category.runningMarkers)
        mix(std::hash<std::string>()(marker));
    return seed;
}
