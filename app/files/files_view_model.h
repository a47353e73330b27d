// The Files screen's state: three panes ("Large Files", "Old Files", "Duplicates"), each with its
// folder (remembered), its threshold, its scan state and its running scan; the review list
// handed to the shared inspector; and trashing from it, which prunes exactly what went.
//
//   FilesViewModel model(environment);            // restores the last results and folders
//   model.scan(FilesSlot::duplicates);            // scanning → scanned / failed
//   std::optional<FilesReviewRequest> review = model.reviewItems(FilesSlot::duplicates);
//   model.trash(FilesSlot::duplicates, chosen, [](RemovalOutcome outcome) { ... });
//
// THREAD-SAFETY: none; lives on the main executor. Scans and the trash run on their own threads
// and report back through that executor.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "app/common/category_inspector_model.h"
#include "app/common/storage_item.h"
#include "app/files/duplicate_scanner.h"
#include "app/files/files_scan_cache.h"
#include "app/files/files_scanner.h"
#include "core/base/raw_value.h"
#include "core/concurrency/background_task.h"
#include "core/concurrency/change_observers.h"
#include "core/concurrency/executor.h"
#include "core/concurrency/stream_task.h"

namespace lopewell {

// The panes, in the picker's order; also which pane a review belongs to.
enum class FilesSlot { largeFiles, oldFiles, duplicates };
using FilesSegment = FilesSlot;

template <>
struct RawValues<FilesSlot> {
    static constexpr std::array entries {
        std::pair { FilesSlot::largeFiles, std::string_view("largeFiles") },
        std::pair { FilesSlot::oldFiles, std::string_view("oldFiles") },
        std::pair { FilesSlot::duplicates, std::string_view("duplicates") },
    };
};

std::string_view filesSegmentTitle(FilesSlot slot);  // "Large Files", "Old Files", "Duplicates"

inline constexpr std::string_view filesTitle = "Files";
inline constexpr std::string_view filesIntroText
    = "Manual review. Pick a folder; we list candidates by size, age, or duplication. Nothing is pre-selected — you opt each file in.";
inline constexpr std::string_view filesFolderLabel = "Folder";
inline constexpr std::string_view filesPickFolderHelp = "Pick a folder to scan";
inline constexpr std::string_view filesChooseFolderMessage = "Choose the folder to scan.";
inline constexpr std::string_view filesUnreadableFolderMessage = "Couldn't read that folder — check permissions.";

// One choice of a pane's picker.
template <typename Value>
struct FilesOption {
    std::string_view label;
    Value value;
};

inline constexpr std::string_view largeFilesPickerLabel = "At least";
inline constexpr std::array<FilesOption<std::uint64_t>, 4> largeFilesThresholdOptions { { { "100 MB", 104'857'600 },
    { "500 MB", 524'288'000 }, { "1 GB", 1'073'741'824 }, { "5 GB", 5'368'709'120 } } };
inline constexpr std::string_view oldFilesPickerLabel = "Older than";
inline constexpr std::array<FilesOption<int>, 5> oldFilesAgeOptions { { { "30 days", 30 }, { "90 days", 90 }, { "6 months", 180 },
    { "1 year", 365 }, { "2 years", 730 } } };
inline constexpr std::string_view duplicatesPickerLabel = "Files at least";
inline constexpr std::array<FilesOption<std::uint64_t>, 4> duplicatesMinSizeOptions { { { "1 MB", 1'048'576 }, { "5 MB", 5'242'880 },
    { "50 MB", 52'428'800 }, { "100 MB", 104'857'600 } } };

// "1 year", "2 years", "1 month", "6 months", "45 days".
std::string filesAgeText(int days);

struct FilesIdle {
    bool operator==(const FilesIdle&) const = default;
};
struct FilesFailed {
    std::string message;
    bool operator==(const FilesFailed&) const = default;
};

struct FilesScanning {
    std::int64_t matches = 0;
    std::uint64_t matchBytes = 0;
    bool operator==(const FilesScanning&) const = default;
};
using FilesScanned = FilesScanEntry;
using FilesScanState = std::variant<FilesIdle, FilesScanning, FilesScanned, FilesFailed>;

struct DuplicatesScanning {
    std::int64_t filesSeen = 0;
    std::int64_t groupsSoFar = 0;
    std::uint64_t reclaimableBytes = 0;
    bool operator==(const DuplicatesScanning&) const = default;
};
using DuplicatesScanned = DuplicatesScanEntry;
using DuplicatesScanState = std::variant<FilesIdle, DuplicatesScanning, DuplicatesScanned, FilesFailed>;

// What the inspector opens on.
struct FilesReviewRequest {
    FilesSlot slot = FilesSlot::largeFiles;
    std::vector<StorageItem> items;  // at most 2,000: the largest when there were more
    std::uint64_t totalBytes = 0;    // of every item, listed or not
    std::int64_t totalCount = 0;     // before the cap
    std::optional<std::set<std::string>> defaultSelection;
    bool isCleaning = false;

    std::string id() const { return "files." + std::string(rawValue(slot)); }
    bool operator==(const FilesReviewRequest&) const = default;
};

// The texts of a pane's state row.
struct FilesStateRow {
    enum class Kind { idle, scanning, scanned, failed };
    Kind kind = Kind::idle;
    std::string headline;              // "Not scanned yet", "Scanning…" (duplicates: the groups so far), the total, the message
    std::string detail;                // the counts line; empty when none
    std::vector<std::string> buttons;  // "Scan"; "Cancel"; "Re-scan" and "Review"; "Retry"
    bool showsWarning = false;
    bool operator==(const FilesStateRow&) const = default;
};

class FilesViewModel {
public:
    struct Environment {
        Executor& executor;
        std::function<Stream<StorageScanProgress>(const std::filesystem::path& root, FilesScanner::Mode mode)> scanFiles;
        std::function<Stream<DuplicateScanProgress>(const std::filesystem::path& root, std::uint64_t minSize)> scanDuplicates;
        // Runs off the main thread; reports what is gone.
        std::function<RemovalOutcome(const std::vector<std::string>& paths)> moveToTrash;
        // The desktop's folder chooser, opened at `startAt`; absent when the user cancels.
        std::function<std::optional<std::filesystem::path>(const std::filesystem::path& startAt, std::string_view message)> chooseFolder;
        std::function<Date()> now;
        std::filesystem::path cacheFile;
        std::shared_ptr<UserDefaults> defaults;
        std::filesystem::path homeFolder;
        PlatformWords words = platformWords(HostFlavour::macOS);  // for the review sheet
    };

    // The real scanners, the Trash, the cache beside the storage cache and the home folder.
    static Environment systemEnvironment(Executor& executor, const HostLayout& layout, std::shared_ptr<UserDefaults> defaults,
        std::function<std::optional<std::filesystem::path>(const std::filesystem::path&, std::string_view)> chooseFolder);

    explicit FilesViewModel(Environment environment);
    ~FilesViewModel();
    FilesViewModel(const FilesViewModel&) = delete;
    FilesViewModel& operator=(const FilesViewModel&) = delete;

    const PlatformWords& words() const { return m_environment.words; }

    // Published; observers hear of every change.
    const std::filesystem::path& root(FilesSlot slot) const { return m_panes[index(slot)].root; }
    bool hasBookmark(FilesSlot slot) const { return m_panes[index(slot)].hasBookmark; }
    std::uint64_t largeFilesThreshold() const { return m_largeFilesThreshold; }
    int oldFilesAgeDays() const { return m_oldFilesAgeDays; }
    std::uint64_t duplicatesMinSize() const { return m_duplicatesMinSize; }
    const FilesScanState& largeFilesState() const { return m_largeFilesState; }
    const FilesScanState& oldFilesState() const { return m_oldFilesState; }
    const DuplicatesScanState& duplicatesState() const { return m_duplicatesState; }
    bool isScanning(FilesSlot slot) const;
    bool isTrashing() const { return m_trashTask.isRunning(); }
    ChangeObservers& observers() { return m_observers; }

    void setLargeFilesThreshold(std::uint64_t bytes);
    void setOldFilesAgeDays(int days);
    void setDuplicatesMinSize(std::uint64_t bytes);

    void scan(FilesSlot slot);
    void scanLargeFiles() { scan(FilesSlot::largeFiles); }
    void scanOldFiles() { scan(FilesSlot::oldFiles); }
    void scanDuplicates() { scan(FilesSlot::duplicates); }
    void cancel(FilesSlot slot);
    // Opens the folder chooser; a confirmed folder becomes the pane's (and is remembered).
    void pickFolder(FilesSlot slot);

    std::optional<FilesReviewRequest> reviewItems(FilesSlot slot) const;
    // The same rows before the cap, for a sheet that lists the largest itself and moves the next
    // ones up as rows go.
    std::optional<FilesReviewRequest> reviewAllItems(FilesSlot slot) const;

    // Moves `paths` to the Trash off the main thread, prunes what went from the pane, saves, and
    // then calls `done` with the outcome. Refused (false) while another move runs.
    bool trash(FilesSlot slot, std::vector<std::string> paths, std::function<void(RemovalOutcome)> done = {});

    void persist() const;

    // Texts.
    std::string paneDescription(FilesSlot slot) const;
    FilesStateRow stateRow(FilesSlot slot) const;

private:
    struct Pane {
        std::filesystem::path root;
        bool hasBookmark = false;
        std::string_view bookmarkKey;
    };
    static std::size_t index(FilesSlot slot) { return std::size_t(slot); }

    void finishFilesScan(FilesSlot slot, std::optional<StorageScanComplete> result, bool missing);
    void finishDuplicatesScan(std::optional<DuplicateScanComplete> result, bool missing);
    void restore();
    void prune(FilesSlot slot, const std::set<std::string>& gone);
    FilesScanState& filesState(FilesSlot slot) { return slot == FilesSlot::largeFiles ? m_largeFilesState : m_oldFilesState; }
    const FilesScanState& filesState(FilesSlot slot) const { return slot == FilesSlot::largeFiles ? m_largeFilesState : m_oldFilesState; }

    Environment m_environment;
    FilesScanCache m_cache;
    FilesRootBookmarks m_bookmarks;
    std::array<Pane, 3> m_panes;
    std::uint64_t m_largeFilesThreshold = 104'857'600;
    int m_oldFilesAgeDays = 180;
    std::uint64_t m_duplicatesMinSize = 1'048'576;
    FilesScanState m_largeFilesState;
    FilesScanState m_oldFilesState;
    DuplicatesScanState m_duplicatesState;
    StreamTask<StorageScanProgress> m_largeFilesTask;
    StreamTask<StorageScanProgress> m_oldFilesTask;
    StreamTask<DuplicateScanProgress> m_duplicatesTask;
    BackgroundTask<RemovalOutcome> m_trashTask;
    ChangeObservers m_observers;
};

}  // namespace lopewell
