// The fixed catalogue of cleanable locations the Storage section offers: caches, logs, the
// Trash, developer build products and caches, heavy mail and photo caches. Each category names
// the folders it covers, resolved on a HostLayout, and how their contents become rows.
//
//   const std::vector<StorageCategory>& catalogue = storageCatalogue(layout);
//   for (const StorageCategory& category : catalogue)
//       if (category.defaultEnabled) ...;   // what the smart scan covers
#pragma once

#include <array>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/raw_value.h"
#include "core/presentation/palette.h"
#include "platform/host_layout.h"

namespace lopewell {

// The list sections of the screen, in display order.
enum class StorageSection { systemJunk, developerJunk, mailPhotos };

template <>
struct RawValues<StorageSection> {
    static constexpr std::array entries {
        std::pair { StorageSection::systemJunk, std::string_view("systemJunk") },
        std::pair { StorageSection::developerJunk, std::string_view("developerJunk") },
        std::pair { StorageSection::mailPhotos, std::string_view("mailPhotos") },
    };
};

LOPEWELL_RAW_VALUE_JSON(StorageSection)

std::string_view storageSectionTitle(StorageSection section);     // "System Junk"
std::string_view storageSectionSubtitle(StorageSection section);  // "Default-on caches and logs ..."

struct StorageCategory {
    enum class Risk { low, medium, high };
    // flat: every file under the roots is a row. The next three: every immediate sub-folder of a
    // root is one row, with a display name derived by the grouping. The rest shape the Linux
    // desktop's places:
    // - perEntry: every file or folder directly in a root is one row, less `excludedNames`;
    // - perRoot: each root that exists is one row, labelled by `rowLabels`;
    // - perTrashedItem: a root is a freedesktop.org Trash; each item in its files/ is one row,
    //   named by its .trashinfo, and so is each .trashinfo whose item is gone;
    // - perBrowserProfile: every folder in a root is one browser profile's cache, labelled
    //   "<rowLabels> · <profile>"; none while that browser runs;
    // - perProject: a root is searched for projects (a folder holding a marker file such as
    //   Cargo.toml); each build folder of a project is one row, "<project> · <folder>".
    enum class Grouping {
        flat,
        iosSimulators,
        xcodeDerivedData,
        deviceSupport,
        perEntry,
        perRoot,
        perTrashedItem,
        perBrowserProfile,
        perProject
    };

    std::string id {};  // "system.userCaches": the key of per-category state and of the scan cache
    std::string title {};
    std::string summary {};      // the location with "~" for home, and a hint after an em dash
    std::string systemImage {};  // symbol name
    StorageSection section = StorageSection::systemJunk;
    Risk risk = Risk::low;
    bool defaultEnabled = false;  // in the smart scan
    bool requiresFullDiskAccess = false;
    std::vector<std::filesystem::path> paths {};  // absolute roots, scanned in this order
    Grouping grouping = Grouping::flat;
    // perEntry: names (fnmatch patterns) of entries that are no rows: kept, or another
    // category's.
    std::vector<std::string> excludedNames {};
    // perRoot, perBrowserProfile: one label per path, in the same order.
    std::vector<std::string> rowLabels {};
    // perBrowserProfile: per path, a file whose presence means that browser runs ("{profile}"
    // stands for the profile's folder name); empty for none.
    std::vector<std::string> runningMarkers {};

    bool operator==(const StorageCategory&) const = default;
};

template <>
struct RawValues<StorageCategory::Risk> {
    static constexpr std::array entries {
        std::pair { StorageCategory::Risk::low, std::string_view("low") },
        std::pair { StorageCategory::Risk::medium, std::string_view("medium") },
        std::pair { StorageCategory::Risk::high, std::string_view("high") },
    };
};

template <>
struct RawValues<StorageCategory::Grouping> {
    static constexpr std::array entries {
        std::pair { StorageCategory::Grouping::flat, std::string_view("flat") },
        std::pair { StorageCategory::Grouping::iosSimulators, std::string_view("iosSimulators") },
        std::pair { StorageCategory::Grouping::xcodeDerivedData, std::string_view("xcodeDerivedData") },
        std::pair { StorageCategory::Grouping::deviceSupport, std::string_view("deviceSupport") },
        std::pair { StorageCategory::Grouping::perEntry, std::string_view("perEntry") },
        std::pair { StorageCategory::Grouping::perRoot, std::string_view("perRoot") },
        std::pair { StorageCategory::Grouping::perTrashedItem, std::string_view("perTrashedItem") },
        std::pair { StorageCategory::Grouping::perBrowserProfile, std::string_view("perBrowserProfile") },
        std::pair { StorageCategory::Grouping::perProject, std::string_view("perProject") },
    };
};

// The card's badge: "Low risk" in the secondary text colour, "Medium risk" orange, "High risk" red.
struct RiskBadge {
    std::string_view text;
    bool usesSecondaryTextColor = false;  // else `color`
    Color color;
};
RiskBadge riskBadge(StorageCategory::Risk risk);

// The categories of the layout's flavour in display order — on a macOS tree the twenty-four of
// the Library, on the Linux desktop its own (linuxStorageCatalogue) — built for `layout` on first
// use and kept for the life of the process: expansions such as Mail's V* folders or Flatpak's
// apps list their folders once, so one that found nothing stays empty until the next launch.
// THREAD-SAFETY: may be called from any thread.
const std::vector<StorageCategory>& storageCatalogue(const HostLayout& layout);

// Builds the catalogue afresh, listing the expanded folders now.
std::vector<StorageCategory> buildStorageCatalogue(const HostLayout& layout);
// The Linux desktop's catalogue, whatever the layout's flavour.
std::vector<StorageCategory> buildLinuxStorageCatalogue(const HostLayout& layout);

// The Trash category of either flavour: its rows already lie in a Trash and are deleted for good.
bool isTrashCategory(const StorageCategory& category);

// The category with `id` in `catalogue`, or nullptr.
const StorageCategory* findStorageCategory(const std::vector<StorageCategory>& catalogue, std::string_view id);

// The ten "cache + logs" sub-folder names under an app-support folder, in scan order.
std::span<const std::string_view> appSupportCacheFolderNames();

}  // namespace lopewell

template <>
struct std::hash<lopewell::StorageCategory> {
    size_t operator()(const lopewell::StorageCategory& category) const noexcept;
};
