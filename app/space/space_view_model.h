// The Space section's logic: scanning a location into a size tree, drilling in and out of its
// folders along a path of breadcrumbs, selecting a cell, moving the selection to the Trash with
// the map pruned in place, and every text the screen shows.
//
//   SpaceViewModel model(SpaceViewModel::systemEnvironment(executor, layout));
//   auto subscription = model.observers().add([&] { render(); });
//   model.scanHome();
//   model.drill(model.currentNode()->children()[0]);
//   model.select(...); model.trashSelection();
//
// A new scan cancels the one it replaces, and a cancelled scan's task delivers nothing more
// (not even values already posted), so a superseded scan never touches the screen.
//
// THREAD-SAFETY: lives on its executor's thread; scans and trashing run on their own threads.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/space/disk_scanner.h"
#include "core/base/platform_words.h"
#include "core/concurrency/background_task.h"
#include "core/concurrency/change_observers.h"
#include "core/concurrency/executor.h"
#include "core/concurrency/stream_task.h"
#include "core/trash/trash_failure_alert.h"
#include "core/treemap/disk_node.h"

namespace lopewell {

class HostLayout;

inline constexpr std::string_view spaceNoScanText = "No scan yet.";
inline constexpr std::string_view spaceNeedsAccessText = "Grant Full Disk Access, then scan.";
inline constexpr std::string_view spaceEmptyHintText = "Scan a location to map its disk usage.";
inline constexpr std::string_view scanHomeTitle = "Scan Home";
inline constexpr std::string_view rescanTitle = "Re-scan";
inline constexpr std::string_view cancelTitle = "Cancel";
inline constexpr std::string_view breadcrumbSeparator = "›";
inline constexpr std::string_view selectRectangleText = "Select a rectangle.";
inline constexpr std::string_view openTitle = "Open";
inline constexpr std::string_view moveToTrashTitle = "Move to Trash";
inline constexpr std::string_view mountPointLabel = "Mounted volume — not scanned";
inline constexpr std::string_view mountPointKind = "Mounted volume";
inline constexpr std::string_view mountPointNote
    = "Another file system is mounted here, so the scan did not go in. Scan it on its own to map it.";
inline constexpr std::string_view scanVolumeTitle = "Scan This Volume";

struct Breadcrumb {
    std::string title;  // the node's name, "/" when it has none
    int64_t index = 0;  // for navigate(toIndex:)
    bool operator==(const Breadcrumb&) const = default;
};

struct InspectorRow {
    std::string title;
    std::string value;
    bool operator==(const InspectorRow&) const = default;
};

// What the inspector pane shows for the selection.
struct SpaceInspector {
    std::string name;
    std::vector<InspectorRow> rows;   // Size, Share (when the current node has a size), Kind
    std::optional<std::string> note;  // the aggregate's or the mount point's explanation
    bool isAggregate = false;
    bool canOpen = false;        // a folder with children: "Open" drills in
    bool canTrash = false;       // never the aggregate, never a mount point
    bool canScanVolume = false;  // a mount point: "Scan This Volume" scans it on its own
    std::string revealTitle;
    std::string revealPath;  // the item itself, or for the aggregate its folder
};

// Result of moving one location to the Trash.
struct SpaceTrashOutcome {
    bool moved = false;  // the location is gone from its place
    int64_t failedCount = 0;
    std::optional<std::string> error;
};

class SpaceViewModel {
public:
    struct Environment {
        Executor& executor;
        std::function<Stream<DiskScanProgress>(const std::string& path)> scan;
        // Runs off the main thread.
        std::function<SpaceTrashOutcome(const std::string& path)> moveToTrash;
        std::function<bool()> hasFullDiskAccess;
        std::string homeFolder;
        std::string rootVolumeName;  // for the whole-disk button
        PlatformWords words = platformWords(HostFlavour::macOS);
    };

    // The disk scanner with the 1 MiB threshold, the desktop's Trash, the real access probe.
    static Environment systemEnvironment(Executor& executor, const HostLayout& layout);

    explicit SpaceViewModel(Environment environment);
    ~SpaceViewModel();
    SpaceViewModel(const SpaceViewModel&) = delete;
    SpaceViewModel& operator=(const SpaceViewModel&) = delete;

    // Published; observers hear of every change.
    const std::optional<DiskNode>& rootNode() const { return m_rootNode; }
    const std::vector<DiskNode>& drillPath() const { return m_drillPath; }
    const std::optional<DiskNode>& selection() const { return m_selection; }
    bool isScanning() const { return m_isScanning; }
    int64_t scannedFiles() const { return m_scannedFiles; }
    uint64_t scannedBytes() const { return m_scannedBytes; }
    int64_t unreadableCount() const { return m_unreadableCount; }
    const std::vector<std::string>& mountPoints() const { return m_mountPoints; }
    bool fullDiskAccessGranted() const { return m_fullDiskAccessGranted; }
    const std::optional<TrashFailureAlert>& trashFailure() const { return m_trashFailure; }
    bool isTrashing() const { return m_trashTask.isRunning(); }
    ChangeObservers& observers() { return m_observers; }

    // The last element of the drill path; null before the first tree.
    const DiskNode* currentNode() const { return m_drillPath.empty() ? nullptr : &m_drillPath.back(); }

    void scan(std::string path);
    void scanHome() { scan(m_environment.homeFolder); }
    void scanRootVolume() { scan("/"); }
    // The first node of the drill path, again.
    void rescan();
    void cancelScan();

    // Back to a breadcrumb; an index outside the path changes nothing.
    void navigate(int64_t index);
    void select(const DiskNode& node);
    // Only a folder with at least one child can be entered.
    void drill(const DiskNode& node);

    // After the user confirmed: moves the selection to the Trash and prunes the map. Nothing
    // without a selection, for the aggregate or a mount point, or while a move is running.
    void trashSelection();
    void dismissTrashFailure();
    void recheckFullDiskAccess();

    // Texts.
    std::string emptyTitle() const;
    std::string rootVolumeButtonTitle() const;
    bool canScan() const { return m_fullDiskAccessGranted; }
    bool canRescan() const { return !m_drillPath.empty() && m_fullDiskAccessGranted; }
    // "Scanning… 12,000 files · 3.4 GB"
    std::string progressText() const;
    // "3 folders couldn't be read (permissions) and were skipped."; absent below 1.
    std::optional<std::string> unreadableText() const;
    // "Not scanned, other file systems mounted here: /proc, /sys."; absent without any.
    std::optional<std::string> mountPointText() const;
    std::vector<Breadcrumb> breadcrumbs() const;
    // Absent without a selection: show selectRectangleText.
    std::optional<SpaceInspector> inspector() const;
    // "Move Movies to Trash?"
    std::string trashConfirmationTitle() const;

private:
    void finishTrash(const std::string& path, SpaceTrashOutcome outcome);

    Environment m_environment;
    std::optional<DiskNode> m_rootNode;
    std::vector<DiskNode> m_drillPath;
    std::optional<DiskNode> m_selection;
    bool m_isScanning = false;
    int64_t m_scannedFiles = 0;
    uint64_t m_scannedBytes = 0;
    int64_t m_unreadableCount = 0;
    std::vector<std::string> m_mountPoints;
    bool m_fullDiskAccessGranted = false;
    std::optional<TrashFailureAlert> m_trashFailure;
    ChangeObservers m_observers;
    StreamTask<DiskScanProgress> m_scanTask;
    BackgroundTask<SpaceTrashOutcome> m_trashTask;
};

// Inspector and cell texts shared with the treemap painter.
std::string spaceSizeText(uint64_t bytes);
// "%.1f%%" of the current node's size; absent when that size is 0.
std::optional<std::string> spaceShareText(uint64_t size, uint64_t currentSize);

}  // namespace lopewell
