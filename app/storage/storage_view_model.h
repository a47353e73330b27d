// The Storage section's logic: one state per catalogue category, per-category scans, the
// one-pass smart scan of the default-on categories and its banner, cleaning through the trash
// service, the scan cache kept up to date, and the Full Disk Access flag.
//
//   StorageViewModel storage(StorageViewModel::systemEnvironment(executor, layout));
//   auto subscription = storage.observers().add([&] { render(storage); });
//   storage.startScan("system.userCaches");
//   storage.startSmartScan();
//   SmartScanBanner banner = storage.smartScanBanner(now);
//   storage.clean("system.userCaches", paths, [](const TrashService::Outcome& outcome) { ... });
//
// THREAD-SAFETY: lives on its executor's thread; scans run on the scanner's own threads and
// reach the model only through their streams.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "app/common/storage_item.h"
#include "app/storage/storage_category.h"
#include "app/storage/storage_scan_cache.h"
#include "core/base/date.h"
#include "core/base/platform_words.h"
#include "core/concurrency/change_observers.h"
#include "core/concurrency/executor.h"
#include "core/concurrency/stream.h"
#include "platform/host_layout.h"
#include "platform/trash_service.h"

namespace lopewell {

inline constexpr std::string_view smartScanTitle = "Smart Scan";
inline constexpr std::string_view smartScanSymbol = "sparkles";
inline constexpr std::string_view smartScanCancelButton = "Cancel";
inline constexpr std::string_view smartScanCleanButton = "Clean";
inline constexpr std::string_view smartScanDismissButton = "Dismiss";
inline constexpr std::string_view smartScanStartButton = "Start Smart Scan";
inline constexpr std::string_view storageFooterText
    = "Scans never leave your Mac. No file content is read except for paths you explicitly Review and confirm.";

// What the smart scan banner shows; the Qt view draws it as given.
struct SmartScanBanner {
    enum class Buttons {
        cancel,           // while running: "Cancel"
        cleanAndDismiss,  // with a result: "Clean" (prominent, orange) and "Dismiss"
        start,            // otherwise: "Start Smart Scan" (prominent)
    };
    std::string subtitle;
    Buttons buttons = Buttons::start;
    bool isCleanEnabled = false;  // the result has items
    bool isStartEnabled = false;  // Full Disk Access is granted
    bool operator==(const SmartScanBanner&) const = default;
};

class StorageViewModel {
public:
    // No result in memory: not scanned yet, or the scan was cancelled. The values come from the
    // scan cache and are all absent when it has nothing for the category.
    struct Idle {
        std::optional<Date> lastScanned;
        std::optional<std::uint64_t> totalBytes;
        std::optional<std::int64_t> itemCount;
        bool operator==(const Idle&) const = default;
    };
    struct Scanning {
        std::int64_t itemsSeen = 0;
        std::uint64_t bytes = 0;
        bool operator==(const Scanning&) const = default;
    };
    // Items in memory, ready for review.
    struct Scanned {
        std::vector<StorageItem> items;
        std::uint64_t totalBytes = 0;
        Date scannedAt;
        std::vector<std::string> skipped {};  // why rows were left out: "Firefox is running"
        bool operator==(const Scanned&) const = default;
    };
    // Shown with a retry action; nothing here enters it today.
    struct Failed {
        std::string message;
        bool operator==(const Failed&) const = default;
    };
    // Nothing found, and at least one of the category's folders is not there.
    struct Missing {
        bool operator==(const Missing&) const = default;
    };
    // Items of the category are on their way to the Trash.
    struct Cleaning {
        bool operator==(const Cleaning&) const = default;
    };
    using CategoryState = std::variant<Idle, Scanning, Scanned, Failed, Missing, Cleaning>;

    struct SmartScanResult {
        std::vector<StorageCategory> categories;  // those the smart scan completed, in scan order
        std::vector<StorageItem> items;           // all their items, in that order
        std::uint64_t totalBytes = 0;
        Date scannedAt;
        bool operator==(const SmartScanResult&) const = default;
    };

    using ScanFunction = std::function<Stream<StorageScanProgress>(const StorageCategory&)>;
    // Called off the executor's thread; blocks while the items move.
    using TrashFunction = std::function<TrashService::Outcome(const std::vector<std::string>&)>;
    // Called on the executor's thread once the trash service has answered.
    using CleanDone = std::function<void(const TrashService::Outcome&)>;

    struct Environment {
        Executor& executor;
        std::vector<StorageCategory> categories {};
        StorageScanCache cache;
        ScanFunction scan {};                          // a StorageScanner
        std::function<bool()> probeFullDiskAccess {};  // hasFullDiskAccess; absent: granted
        std::function<Date()> now {};
        TrashFunction moveToTrash = TrashService::moveToTrash;
        PlatformWords words = platformWords(HostFlavour::macOS);  // for the review sheets
    };

    // The catalogue and the cache of `layout`, the real scanner, probe and clock.
    static Environment systemEnvironment(Executor& executor, const HostLayout& layout);

    // Restores every category from the cache (idle with its cached summary) and probes access.
    explicit StorageViewModel(Environment environment);
    ~StorageViewModel();
    StorageViewModel(const StorageViewModel&) = delete;
    StorageViewModel& operator=(const StorageViewModel&) = delete;

    const PlatformWords& words() const { return m_environment.words; }

    // Published; observers hear of every change.
    const std::map<std::string, CategoryState>& categoryStates() const { return m_categoryStates; }
    // Idle with nothing cached for an id that has no state.
    const CategoryState& state(std::string_view categoryId) const;
    bool smartScanRunning() const { return m_smartScanRunning; }
    const std::optional<SmartScanResult>& smartScanResult() const { return m_smartScanResult; }
    bool fullDiskAccessGranted() const { return m_fullDiskAccessGranted; }
    ChangeObservers& observers() { return m_observers; }

    // The catalogue, taken at construction.
    const std::vector<StorageCategory>& categories() const { return m_environment.categories; }
    const StorageCategory* category(std::string_view categoryId) const;
    // The categories listed under `section`, in catalogue order.
    std::vector<const StorageCategory*> categories(StorageSection section) const;

    // Start or restart one category's scan; nothing while it is scanning. Unknown ids are ignored.
    void startScan(std::string_view categoryId);
    // Stops it and shows the cached summary again.
    void cancelScan(std::string_view categoryId);
    // Scans, one after another, the default-on categories that need no access or have it.
    void startSmartScan();
    // Publishes what the smart scan completed so far.
    void cancelSmartScan();
    // The banner's "Dismiss".
    void dismissSmartScanResult();
    // "I've granted access": probe again.
    void recheckFullDiskAccess();

    // Banner figures: scanned totals plus cached totals of idle categories.
    std::uint64_t aggregateBytes() const;
    // Categories scanned, or idle with a cache, holding a non-zero total.
    std::int64_t aggregateCount() const;
    SmartScanBanner smartScanBanner(Date now) const;

    // Moves `paths` (chosen among the category's scanned items) to the Trash. The category shows
    // `cleaning` meanwhile, then `scanned` with exactly the items the outcome does not report
    // gone, and the cache records that. Refused, with every path failed, while the category is
    // already cleaning.
    void clean(std::string_view categoryId, std::vector<std::string> paths, CleanDone done = {});
    // Moves `paths` of the smart scan result to the Trash and clears the result. Categories whose
    // scanned items went lose them, as after clean().
    void cleanSmartScan(std::vector<std::string> paths, CleanDone done = {});

    // A card's "Clean" on a cached summary: scans the category, and once it is scanned asks the
    // screen to open its inspector through reviewRequest(). Any other outcome drops the request.
    void cleanFromCache(std::string_view categoryId);
    const std::optional<std::string>& pendingCleanCategoryID() const { return m_pendingCleanCategoryID; }
    // The category whose inspector the screen should open now, with its scanned items.
    const std::optional<std::string>& reviewRequest() const { return m_reviewRequest; }
    void clearReviewRequest();

private:
    struct ScanRun;
    struct SmartRun;
    struct CleanRun;

    void setState(const std::string& categoryId, CategoryState state);
    CategoryState idleFromCache(const std::string& categoryId) const;
    void changed();
    // Scans one category into `run`, showing its progress on the category's card.
    void runCategoryScan(const StorageCategory& category, ScanRun& run, std::function<void()> onEnd);
    void finishScan(const std::string& categoryId);
    void startSmartCategory();
    void finishSmartCategory();
    void publishSmartResult();
    void pruneScanned(const std::string& categoryId, const std::set<std::string>& gone, StorageScanCache::Entries& cached);

    Environment m_environment;
    std::map<std::string, CategoryState> m_categoryStates;
    bool m_smartScanRunning = false;
    std::optional<SmartScanResult> m_smartScanResult;
    bool m_fullDiskAccessGranted = false;
    std::optional<std::string> m_pendingCleanCategoryID;
    std::optional<std::string> m_reviewRequest;
    ChangeObservers m_observers;
    std::map<std::string, std::unique_ptr<ScanRun>, std::less<>> m_scanTasks;
    std::unique_ptr<SmartRun> m_smartScanTask;
    std::map<std::string, std::unique_ptr<CleanRun>, std::less<>> m_cleanTasks;
    std::unique_ptr<CleanRun> m_smartCleanTask;
};

}  // namespace lopewell
