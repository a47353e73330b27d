#include "app/files/files_view_model.h"

#include <algorithm>
#include <cassert>
#include <memory>

#include "core/format/byte_count_formatter.h"
#include "core/format/relative_time_formatter.h"
#include "platform/trash_service.h"

namespace lopewell {

namespace fs = std::filesystem;

namespace {

std::string bytesText(std::uint64_t bytes)
{
    return formatByteCount(bytes, ByteCountStyle::file);
}

std::uint64_t saturatingAdd(std::uint64_t a, std::uint64_t b)
{
    return b > UINT64_MAX - a ? UINT64_MAX : a + b;
}

// What one scan has gathered by the time its stream ends.
template <typename Complete>
struct Gathered {
    std::optional<Complete> complete;
    bool missing = false;
};

}  // namespace

std::string_view filesSegmentTitle(FilesSlot slot)
{
    switch (slot) {
    case FilesSlot::largeFiles:
        return "Large Files";
    case FilesSlot::oldFiles:
        return "Old Files";
    case FilesSlot::duplicates:
        return "Duplicates";
    }
    return {};
}

std::string filesAgeText(int days)
{
    if (days == 365)
        return "1 year";
    if (days > 365 && days % 365 == 0)
        return std::to_string(days / 365) + " years";
    if (days == 30)
        return "1 month";
    if (days > 30 && days < 365 && days % 30 == 0)
        return std::to_string(days / 30) + " months";
    return std::to_string(days) + " days";
}

FilesViewModel::Environment FilesViewModel::systemEnvironment(Executor& executor, const HostLayout& layout,
    std::shared_ptr<UserDefaults> defaults, std::function<std::optional<fs::path>(const fs::path&, std::string_view)> chooseFolder)
{
    return {
        executor,
        [](const fs::path& root, FilesScanner::Mode mode) { return FilesScanner().scan(root, mode); },
        [](const fs::path& root, std::uint64_t minSize) { return DuplicateScanner().scan(root, minSize); },
        [](const std::vector<std::string>& paths) {
            const TrashService::Outcome outcome = TrashService::moveToTrash(paths);
            return RemovalOutcome { outcome.movedPaths, int(outcome.movedCount), int(outcome.failedCount), outcome.error };
        },
        std::move(chooseFolder),
        [] { return Date(std::chrono::system_clock::now()); },
        FilesScanCache(layout).filePath(),
        std::move(defaults),
        layout.home(),
        platformWords(layout.flavour()),
    };
}

FilesViewModel::FilesViewModel(Environment environment)
    : m_environment(std::move(environment))
    , m_cache(m_environment.cacheFile)
    , m_bookmarks(m_environment.defaults)
{
    const std::array<std::string_view, 3> keys { FilesRootBookmarks::largeFilesKey, FilesRootBookmarks::oldFilesKey,
        FilesRootBookmarks::duplicatesKey };
    for (std::size_t i = 0; i < m_panes.size(); ++i) {
        m_panes[i].bookmarkKey = keys[i];
        std::optional<fs::path> folder = m_bookmarks.resolveBookmark(keys[i]);
        m_panes[i].hasBookmark = folder.has_value();
        m_panes[i].root = folder.value_or(m_environment.homeFolder);
    }
    restore();
}

FilesViewModel::~FilesViewModel()
{
    m_largeFilesTask.cancel();
    m_oldFilesTask.cancel();
    m_duplicatesTask.cancel();
    m_trashTask.cancel();
}

void FilesViewModel::restore()
{
    std::optional<FilesScanSnapshot> snapshot = m_cache.load();
    if (!snapshot)
        return;
    // An empty list is no result: the pane starts idle.
    if (snapshot->largeFiles && !snapshot->largeFiles->items.empty())
        m_largeFilesState = std::move(*snapshot->largeFiles);
    if (snapshot->oldFiles && !snapshot->oldFiles->items.empty())
        m_oldFilesState = std::move(*snapshot->oldFiles);
    if (snapshot->duplicates && !snapshot->duplicates->groups.empty())
        m_duplicatesState = std::move(*snapshot->duplicates);
}

bool FilesViewModel::isScanning(FilesSlot slot) const
{
    if (slot == FilesSlot::duplicates)
        return std::holds_alternative<DuplicatesScanning>(m_duplicatesState);
    return std::holds_alternative<FilesScanning>(filesState(slot));
}

void FilesViewModel::setLargeFilesThreshold(std::uint64_t bytes)
{
    m_largeFilesThreshold = bytes;
    m_observers.notify();
}

void FilesViewModel::setOldFilesAgeDays(int days)
{
    m_oldFilesAgeDays = std::max(0, days);
    m_observers.notify();
}

void FilesViewModel::setDuplicatesMinSize(std::uint64_t bytes)
{
    m_duplicatesMinSize = bytes;
    m_observers.notify();
}

void FilesViewModel::scan(FilesSlot slot)
{
    assert(m_environment.executor.isCurrent());
    const fs::path root = m_panes[index(slot)].root;
    if (slot == FilesSlot::duplicates) {
        m_duplicatesTask.cancel();
        m_duplicatesState = DuplicatesScanning {};
        auto gathered = std::make_shared<Gathered<DuplicateScanComplete>>();
        m_duplicatesTask = StreamTask<DuplicateScanProgress>(
            m_environment.executor, m_environment.scanDuplicates(root, m_duplicatesMinSize),
            [this, gathered](DuplicateScanProgress value) {
                if (auto* scanning = std::get_if<DuplicateScanning>(&value)) {
                    m_duplicatesState = DuplicatesScanning { scanning->filesSeen, scanning->groupsSoFar, scanning->reclaimableBytes };
                    m_observers.notify();
                } else if (auto* complete = std::get_if<DuplicateScanComplete>(&value)) {
                    gathered->complete = std::move(*complete);
                } else {
                    gathered->missing = true;
                }
            },
            [this, gathered] { finishDuplicatesScan(std::move(gathered->complete), gathered->missing); });
        m_observers.notify();
        return;
    }

    StreamTask<StorageScanProgress>& task = slot == FilesSlot::largeFiles ? m_largeFilesTask : m_oldFilesTask;
    task.cancel();
    filesState(slot) = FilesScanning {};
    FilesScanner::Mode mode = FilesScanner::LargerThan { m_largeFilesThreshold };
    if (slot == FilesSlot::oldFiles)
        mode = FilesScanner::OlderThan { calendarDaysBefore(m_environment.now(), m_oldFilesAgeDays) };
    auto gathered = std::make_shared<Gathered<StorageScanComplete>>();
    task = StreamTask<StorageScanProgress>(
        m_environment.executor, m_environment.scanFiles(root, mode),
        [this, slot, gathered](StorageScanProgress value) {
            if (auto* scanning = std::get_if<StorageScanning>(&value)) {
                filesState(slot) = FilesScanning { scanning->itemsSeen, scanning->bytes };
                m_observers.notify();
            } else if (auto* complete = std::get_if<StorageScanComplete>(&value)) {
                gathered->complete = std::move(*complete);
            } else {
                gathered->missing = true;
            }
        },
        [this, slot, gathered] { finishFilesScan(slot, std::move(gathered->complete), gathered->missing); });
    m_observers.notify();
}

void FilesViewModel::finishFilesScan(FilesSlot slot, std::optional<StorageScanComplete> result, bool missing)
{
    if (missing && (!result || result->items.empty()))
        filesState(slot) = FilesFailed { std::string(filesUnreadableFolderMessage) };
    else if (result)
        filesState(slot) = FilesScanned { std::move(result->items), result->totalBytes, m_environment.now() };
    else
        filesState(slot) = FilesScanned { {}, 0, m_environment.now() };
    persist();
    // The task stays as the pane's handle until the next scan or cancel replaces it; it is over.
    m_observers.notify();
}

void FilesViewModel::finishDuplicatesScan(std::optional<DuplicateScanComplete> result, bool missing)
{
    if (missing && (!result || result->groups.empty()))
        m_duplicatesState = FilesFailed { std::string(filesUnreadableFolderMessage) };
    else if (result)
        m_duplicatesState = DuplicatesScanned { std::move(result->groups), result->reclaimableBytes, m_environment.now() };
    else
        m_duplicatesState = DuplicatesScanned { {}, 0, m_environment.now() };
    persist();
    m_observers.notify();
}

void FilesViewModel::cancel(FilesSlot slot)
{
    assert(m_environment.executor.isCurrent());
    switch (slot) {
    case FilesSlot::largeFiles:
        m_largeFilesTask.cancel();
        m_largeFilesState = FilesIdle {};
        break;
    case FilesSlot::oldFiles:
        m_oldFilesTask.cancel();
        m_oldFilesState = FilesIdle {};
        break;
    case FilesSlot::duplicates:
        m_duplicatesTask.cancel();
        m_duplicatesState = FilesIdle {};
        break;
    }
    persist();
    m_observers.notify();
}

void FilesViewModel::pickFolder(FilesSlot slot)
{
    if (!m_environment.chooseFolder)
        return;
    Pane& pane = m_panes[index(slot)];
    std::optional<fs::path> chosen = m_environment.chooseFolder(pane.root, filesChooseFolderMessage);
    if (!chosen || chosen->empty())
        return;
    m_bookmarks.saveBookmark(*chosen, pane.bookmarkKey);
    pane.root = *chosen;
    pane.hasBookmark = true;
    m_observers.notify();
}

std::optional<FilesReviewRequest> FilesViewModel::reviewItems(FilesSlot slot) const
{
    std::optional<FilesReviewRequest> request = reviewAllItems(slot);
    if (request)
        request->items = largestItems(std::move(request->items));
    return request;
}

std::optional<FilesReviewRequest> FilesViewModel::reviewAllItems(FilesSlot slot) const
{
    FilesReviewRequest request;
    request.slot = slot;
    if (slot == FilesSlot::duplicates) {
        const auto* scanned = std::get_if<DuplicatesScanned>(&m_duplicatesState);
        if (!scanned || scanned->groups.empty())
            return std::nullopt;
        std::set<std::string> selection;
        for (const DuplicateGroup& group : scanned->groups) {
            const std::string tag = "[" + group.id.substr(0, 6) + "] ";
            for (std::size_t i = 0; i < group.files.size(); ++i) {
                StorageItem item { .path = group.files[i], .size = group.size };
                item.displayName = tag + item.name();
                request.items.push_back(std::move(item));
                request.totalBytes = saturatingAdd(request.totalBytes, group.size);
                if (i > 0)
                    selection.insert(group.files[i]);
            }
        }
        request.defaultSelection = std::move(selection);
    } else {
        const auto* scanned = std::get_if<FilesScanned>(&filesState(slot));
        if (!scanned || scanned->items.empty())
            return std::nullopt;
        request.items = scanned->items;
        request.totalBytes = scanned->totalBytes;
        request.defaultSelection = std::set<std::string> {};
    }
    request.totalCount = std::int64_t(request.items.size());
    return request;
}

bool FilesViewModel::trash(FilesSlot slot, std::vector<std::string> paths, std::function<void(RemovalOutcome)> done)
{
    assert(m_environment.executor.isCurrent());
    if (m_trashTask.isRunning())
        return false;
    auto moveToTrash = m_environment.moveToTrash;
    m_trashTask = BackgroundTask<RemovalOutcome>(
        m_environment.executor, [moveToTrash, paths = std::move(paths)](std::stop_token) { return moveToTrash(paths); },
        [this, slot, done = std::move(done)](RemovalOutcome outcome) {
            prune(slot, outcome.movedPaths);
            persist();
            m_observers.notify();
            if (done)
                done(std::move(outcome));
        });
    m_observers.notify();
    return true;
}

void FilesViewModel::prune(FilesSlot slot, const std::set<std::string>& gone)
{
    if (gone.empty())
        return;
    if (slot == FilesSlot::duplicates) {
        auto* scanned = std::get_if<DuplicatesScanned>(&m_duplicatesState);
        if (!scanned)
            return;
        std::vector<DuplicateGroup> kept;
        for (DuplicateGroup& group : scanned->groups) {
            std::erase_if(group.files, [&](const std::string& file) { return gone.contains(file); });
            if (group.files.size() >= 2)
                kept.push_back(std::move(group));
        }
        if (kept.empty()) {
            m_duplicatesState = FilesIdle {};
            return;
        }
        scanned->reclaimableBytes = totalReclaimableBytes(kept);
        scanned->groups = std::move(kept);
        return;
    }
    auto* scanned = std::get_if<FilesScanned>(&filesState(slot));
    if (!scanned)
        return;
    std::erase_if(scanned->items, [&](const StorageItem& item) { return gone.contains(item.path); });
    if (scanned->items.empty()) {
        filesState(slot) = FilesIdle {};
        return;
    }
    std::uint64_t total = 0;
    for (const StorageItem& item : scanned->items)
        total = saturatingAdd(total, item.size);
    scanned->totalBytes = total;
}

void FilesViewModel::persist() const
{
    FilesScanSnapshot snapshot;
    if (const auto* large = std::get_if<FilesScanned>(&m_largeFilesState))
        snapshot.largeFiles = *large;
    if (const auto* old = std::get_if<FilesScanned>(&m_oldFilesState))
        snapshot.oldFiles = *old;
    if (const auto* duplicates = std::get_if<DuplicatesScanned>(&m_duplicatesState))
        snapshot.duplicates = *duplicates;
    m_cache.save(snapshot);
}

std::string FilesViewModel::paneDescription(FilesSlot slot) const
{
    switch (slot) {
    case FilesSlot::largeFiles:
        return "Files at or above the chosen size threshold.";
    case FilesSlot::oldFiles:
        return "Files untouched for more than " + filesAgeText(m_oldFilesAgeDays);
    case FilesSlot::duplicates:
        return "Byte-identical files (SHA-256). Each group keeps one canonical copy by default.";
    }
    return {};
}

FilesStateRow FilesViewModel::stateRow(FilesSlot slot) const
{
    using Kind = FilesStateRow::Kind;
    const Date now = m_environment.now();
    const auto idleOrFailed = [](const auto& state, FilesStateRow& row) {
        if (const auto* failed = std::get_if<FilesFailed>(&state)) {
            row = { Kind::failed, failed->message, "", { "Retry" }, true };
            return true;
        }
        if (std::holds_alternative<FilesIdle>(state)) {
            row = { Kind::idle, "Not scanned yet", "", { "Scan" }, false };
            return true;
        }
        return false;
    };
    FilesStateRow row;
    if (slot == FilesSlot::duplicates) {
        if (idleOrFailed(m_duplicatesState, row))
            return row;
        if (const auto* scanning = std::get_if<DuplicatesScanning>(&m_duplicatesState)) {
            return { Kind::scanning,
                std::to_string(scanning->groupsSoFar) + " groups · " + bytesText(scanning->reclaimableBytes) + " reclaimable",
                "Hashing " + std::to_string(scanning->filesSeen) + " candidate files…", { "Cancel" }, false };
        }
        const auto& scanned = std::get<DuplicatesScanned>(m_duplicatesState);
        std::uint64_t files = 0;
        for (const DuplicateGroup& group : scanned.groups)
            files += group.files.size();
        return { Kind::scanned, bytesText(scanned.reclaimableBytes),
            std::to_string(scanned.groups.size()) + " groups · " + std::to_string(files) + " files · "
                + formatRelativeTime(scanned.scannedAt, now),
            { "Re-scan", "Review" }, false };
    }
    const FilesScanState& state = filesState(slot);
    if (idleOrFailed(state, row))
        return row;
    if (const auto* scanning = std::get_if<FilesScanning>(&state))
        return { Kind::scanning, "Scanning…", std::to_string(scanning->matches) + " matches · " + bytesText(scanning->matchBytes),
            { "Cancel" }, false };
    const auto& scanned = std::get<FilesScanned>(state);
    return { Kind::scanned, bytesText(scanned.totalBytes),
        std::to_string(scanned.items.size()) + " matches · " + formatRelativeTime(scanned.scannedAt, now), { "Re-scan", "Review" }, false };
}

}  // namespace lopewell
