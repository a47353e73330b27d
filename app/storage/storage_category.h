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
    // flat: every file under the roots is a row. The others: every immediate sub-folder of a
    // root is one row, with a display name derived by the grouping.
    enum class Grouping { flat, iosSimulators, xcodeDerivedData, deviceSupport };

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
    };
};

// The card's badge: "Low risk" in the secondary text colour, "Medium risk" orange, "High risk" red.
struct RiskBadge {
    std::string_view text;
    bool usesSecondaryTextColor = false;  // else `color`
    Color color;
};
RiskBadge riskBadge(StorageCategory::Risk risk);

// The twenty-four categories in display order, built for `layout` on first use and kept for the
// life of the process: the Mail and Photos expansions list their folders once, so one that
// found nothing stays empty until the next launch.
// THREAD-SAFETY: may be called from any thread.
const std::vector<StorageCategory>& storageCatalogue(const HostLayout& layout);

// Builds the catalogue afresh, listing ~/Library/Mail and ~/Pictures now.
std::vector<StorageCategory> buildStorageCatalogue(const HostLayout& layout);

// The category with `id` in `catalogue`, or nullptr.
const StorageCategory* findStorageCategory(const std::vector<StorageCategory>& catalogue, std::string_view id);

// The ten "cache + logs" sub-folder names under an app-support folder, in scan order.
std::span<const std::string_view> appSupportCacheFolderNames();

}  // namespace lopewell

template <>
struct std::hash<lopewell::StorageCategory> {
    size_t operator()(const lopewell::StorageCategory& category) const noexcept;
};
