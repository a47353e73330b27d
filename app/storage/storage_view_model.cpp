#include "app/storage/storage_view_model.h"

#include <cassert>
#include <chrono>

#include "app/storage/storage_scanner.h"
#include "core/concurrency/background_task.h"
#include "core/concurrency/stream_task.h"
#include "core/format/byte_count_formatter.h"
#include "core/format/relative_time_formatter.h"
#include "platform/full_disk_access.h"

namespace lopewell {

namespace {

TrashService::Outcome nothingMoved(const std::vector<std::string>& paths, std::string reason)
{
    return TrashService::Outcome { {}, 0, int64_t(paths.size()), std::move(reason) };
}

}  // namespace

// One per-category scan: the stream's consumer and what it has gathered so far.
struct StorageViewModel::ScanRun {
    std::vector<StorageItem> items;
    std::uint64_t totalBytes = 0;
    std::vector<std::string> skipped;
    bool sawMissing = false;
    bool completed = false;
    StreamTask<StorageScanProgress> task;  // last: cancelled before the rest goes
};

struct StorageViewModel::CleanRun {
    std::vector<StorageItem> items;  // what the category held when the removal started
    BackgroundTask<TrashService::Outcome> task;
};

struct StorageViewModel::SmartRun {
    std::vector<StorageCategory> eligible;
    size_t index = 0;
    std::vector<StorageCategory> done;
    std::vector<StorageItem> allItems;
    std::uint64_t grandTotal = 0;
    ScanRun current;  // the category being scanned now; last, so its task goes first
};

StorageViewModel::Environment StorageViewModel::systemEnvironment(Executor& executor, const HostLayout& layout)
{
    return Environment {
        .executor = executor,
        .categories = storageCatalogue(layout),
        .cache = StorageScanCache(layout),
        .scan = [](const StorageCategory& category) { return StorageScanner().scan(category); },
        .probeFullDiskAccess = [layout] { return hasFullDiskAccess(layout); },
        .now = [] { return std::chrono::system_clock::now(); },
        .moveToTrash = TrashService::moveToTrash,
        .words = platformWords(layout.flavour()),
    };
}

StorageViewModel::StorageViewModel(Environment environment) : m_environment(std::move(environment))
{
    m_fullDiskAccessGranted = m_environment.probeFullDiskAccess ? m_environment.probeFullDiskAccess() : true;
    const StorageScanCache::Entries cached = m_environment.cache.load();
    for (const StorageCategory& category : m_environment.categories) {
        Idle idle;
        if (auto entry = cached.find(category.id); entry != cached.end())
            idle = { entry->second.lastScanned, entry->second.totalBytes, entry->second.itemCount };
        m_categoryStates[category.id] = idle;
    }
}

StorageViewModel::~StorageViewModel()
{
    // The tasks call back into this object: end them before anything else goes. A removal that
    // is under way finishes first (an item is never left half-moved).
    m_smartScanTask.reset();
    m_scanTasks.clear();
    m_smartCleanTask.reset();
    m_cleanTasks.clear();
}

const StorageViewModel::CategoryState& StorageViewModel::state(std::string_view categoryId) const
{
    static const CategoryState nothing = Idle {};
    auto it = m_categoryStates.find(std::string(categoryId));
    return it == m_categoryStates.end() ? nothing : it->second;
}

const StorageCategory* StorageViewModel::category(std::string_view categoryId) const
{
    return findStorageCategory(m_environment.categories, categoryId);
}

std::vector<const StorageCategory*> StorageViewModel::categories(StorageSection section) const
{
    std::vector<const StorageCategory*> result;
    for (const StorageCategory& category : m_environment.categories) {
        if (category.section == section)
            result.push_back(&category);
    }
    return result;
}

void StorageViewModel::setState(const std::string& categoryId, CategoryState state)
{
    m_categoryStates[categoryId] = std::move(state);
}

StorageViewModel::CategoryState StorageViewModel::idleFromCache(const std::string& categoryId) const
{
    const StorageScanCache::Entries cached = m_environment.cache.load();
    if (auto entry = cached.find(categoryId); entry != cached.end())
        return Idle { entry->second.lastScanned, entry->second.totalBytes, entry->second.itemCount };
    return Idle {};
}

void StorageViewModel::changed()
{
    if (m_pendingCleanCategoryID) {
        const CategoryState& pending = state(*m_pendingCleanCategoryID);
        if (std::holds_alternative<Scanned>(pending)) {
            m_reviewRequest = std::exchange(m_pendingCleanCategoryID, std::nullopt);
        } else if (!std::holds_alternative<Scanning>(pending)) {
            m_pendingCleanCategoryID.reset();
        }
    }
    m_observers.notify();
}

void StorageViewModel::startScan(std::string_view categoryId)
{
    assert(m_environment.executor.isCurrent());
    const StorageCategory* found = category(categoryId);
    if (!found || std::holds_alternative<Scanning>(state(categoryId)))
        return;
    const std::string id = found->id;
    m_scanTasks.erase(id);
    auto run = std::make_unique<ScanRun>();
    ScanRun& live = *run;
    m_scanTasks.emplace(id, std::move(run));
    runCategoryScan(*found, live, [this, id] { finishScan(id); });
    changed();
}

void StorageViewModel::runCategoryScan(const StorageCategory& category, ScanRun& run, std::function<void()> onEnd)
{
    run.items.clear();
    run.totalBytes = 0;
    run.skipped.clear();
    run.sawMissing = false;
    run.completed = false;
    setState(category.id, Scanning {});
    run.task = StreamTask<StorageScanProgress>(
        m_environment.executor, m_environment.scan(category),
        [this, id = category.id, live = &run](StorageScanProgress progress) {
            if (auto scanning = std::get_if<StorageScanning>(&progress)) {
                setState(id, Scanning { scanning->itemsSeen, scanning->bytes });
                changed();
            } else if (auto complete = std::get_if<StorageScanComplete>(&progress)) {
                live->items = std::move(complete->items);
                live->totalBytes = complete->totalBytes;
                live->skipped = std::move(complete->skipped);
                live->completed = true;
            } else {
                live->sawMissing = true;
            }
        },
        std::move(onEnd));
}

void StorageViewModel::finishScan(const std::string& categoryId)
{
    auto it = m_scanTasks.find(categoryId);
    if (it == m_scanTasks.end())
        return;
    // Ending the task from inside its own callback is allowed; nothing of it is used afterwards.
    std::unique_ptr<ScanRun> run = std::move(it->second);
    m_scanTasks.erase(it);

    StorageScanCache::Entries cached = m_environment.cache.load();
    if (!run->completed) {
        // The scan ended without a result: treat it like a cancel.
        setState(categoryId, idleFromCache(categoryId));
    } else if (run->sawMissing && run->items.empty() && run->skipped.empty()) {
        setState(categoryId, Missing {});
        cached.erase(categoryId);
        m_environment.cache.save(cached);
    } else {
        const Date now = m_environment.now();
        const auto count = std::int64_t(run->items.size());
        cached[categoryId] = { now, run->totalBytes, count };
        setState(categoryId, Scanned { std::move(run->items), run->totalBytes, now, std::move(run->skipped) });
        m_environment.cache.save(cached);
    }
    changed();
}

void StorageViewModel::cancelScan(std::string_view categoryId)
{
    const StorageCategory* found = category(categoryId);
    if (!found)
        return;
    m_scanTasks.erase(found->id);
    setState(found->id, idleFromCache(found->id));
    changed();
}

void StorageViewModel::startSmartScan()
{
    assert(m_environment.executor.isCurrent());
    // A smart scan that is replaced publishes nothing: the new one owns the banner now.
    m_smartScanTask.reset();
    m_smartScanRunning = true;
    m_smartScanResult.reset();

    auto run = std::make_unique<SmartRun>();
    for (const StorageCategory& category : m_environment.categories) {
        if (category.defaultEnabled && (!category.requiresFullDiskAccess || m_fullDiskAccessGranted))
            run->eligible.push_back(category);
    }
    m_smartScanTask = std::move(run);
    startSmartCategory();
}

void StorageViewModel::startSmartCategory()
{
    SmartRun& run = *m_smartScanTask;
    if (run.index >= run.eligible.size()) {
        publishSmartResult();
        return;
    }
    runCategoryScan(run.eligible[run.index], run.current, [this] { finishSmartCategory(); });
    changed();
}

void StorageViewModel::finishSmartCategory()
{
    SmartRun& run = *m_smartScanTask;
    ScanRun& scan = run.current;
    const StorageCategory& category = run.eligible[run.index];
    if (!scan.completed) {
        setState(category.id, idleFromCache(category.id));
    } else if (scan.sawMissing && scan.items.empty() && scan.skipped.empty()) {
        setState(category.id, Missing {});
    } else {
        const Date now = m_environment.now();
        StorageScanCache::Entries cached = m_environment.cache.load();
        cached[category.id] = { now, scan.totalBytes, std::int64_t(scan.items.size()) };
        m_environment.cache.save(cached);
        run.allItems.insert(run.allItems.end(), scan.items.begin(), scan.items.end());
        run.grandTotal += scan.totalBytes;
        run.done.push_back(category);
        setState(category.id, Scanned { std::move(scan.items), scan.totalBytes, now, std::move(scan.skipped) });
    }
    ++run.index;
    startSmartCategory();
}

void StorageViewModel::publishSmartResult()
{
    std::unique_ptr<SmartRun> run = std::move(m_smartScanTask);
    m_smartScanResult = SmartScanResult { std::move(run->done), std::move(run->allItems), run->grandTotal, m_environment.now() };
    m_smartScanRunning = false;
    changed();
}

void StorageViewModel::cancelSmartScan()
{
    if (!m_smartScanTask)
        return;
    SmartRun& run = *m_smartScanTask;
    run.current.task.cancel();
    // The category it was in the middle of shows its cached summary again, unless a scan of its
    // own is still running.
    if (run.index < run.eligible.size()) {
        const std::string& id = run.eligible[run.index].id;
        if (!m_scanTasks.contains(id) && std::holds_alternative<Scanning>(state(id)))
            setState(id, idleFromCache(id));
    }
    publishSmartResult();
}

void StorageViewModel::dismissSmartScanResult()
{
    if (!m_smartScanResult)
        return;
    m_smartScanResult.reset();
    changed();
}

void StorageViewModel::recheckFullDiskAccess()
{
    m_fullDiskAccessGranted = m_environment.probeFullDiskAccess ? m_environment.probeFullDiskAccess() : true;
    changed();
}

std::uint64_t StorageViewModel::aggregateBytes() const
{
    std::uint64_t total = 0;
    for (const auto& [id, categoryState] : m_categoryStates) {
        if (auto scanned = std::get_if<Scanned>(&categoryState))
            total += scanned->totalBytes;
        else if (auto idle = std::get_if<Idle>(&categoryState))
            total += idle->totalBytes.value_or(0);
    }
    return total;
}

std::int64_t StorageViewModel::aggregateCount() const
{
    std::int64_t count = 0;
    for (const auto& [id, categoryState] : m_categoryStates) {
        if (auto scanned = std::get_if<Scanned>(&categoryState))
            count += scanned->totalBytes != 0;
        else if (auto idle = std::get_if<Idle>(&categoryState))
            count += idle->totalBytes.value_or(0) != 0;
    }
    return count;
}

SmartScanBanner StorageViewModel::smartScanBanner(Date now) const
{
    SmartScanBanner banner;
    if (m_smartScanRunning) {
        banner.subtitle = "Scanning user caches, logs, and Trash…";
        banner.buttons = SmartScanBanner::Buttons::cancel;
        return banner;
    }
    if (m_smartScanResult) {
        const SmartScanResult& result = *m_smartScanResult;
        banner.buttons = SmartScanBanner::Buttons::cleanAndDismiss;
        banner.isCleanEnabled = !result.items.empty();
        const std::string when = formatRelativeTime(result.scannedAt, now);
        if (result.totalBytes > 0)
            banner.subtitle = formatByteCount(result.totalBytes, ByteCountStyle::file) + " across "
                + std::to_string(result.categories.size()) + " categories · " + when;
        else
            banner.subtitle = "Nothing reclaimable · " + when;
        return banner;
    }
    banner.buttons = SmartScanBanner::Buttons::start;
    banner.isStartEnabled = m_fullDiskAccessGranted;
    const std::uint64_t bytes = aggregateBytes();
    if (!m_fullDiskAccessGranted) {
        banner.subtitle = "Grant Full Disk Access to scan caches, logs, and Trash.";
    } else if (bytes == 0) {
        banner.subtitle = "Scan the safe, default-on buckets in one pass — caches, logs, Trash.";
    } else {
        const std::int64_t count = aggregateCount();
        banner.subtitle = formatByteCount(bytes, ByteCountStyle::file) + " reclaimable across " + std::to_string(count)
            + (count == 1 ? " category" : " categories") + " — Smart Scan to refresh.";
    }
    return banner;
}

void StorageViewModel::clean(std::string_view categoryId, std::vector<std::string> paths, CleanDone done)
{
    assert(m_environment.executor.isCurrent());
    const StorageCategory* found = category(categoryId);
    if (!found || std::holds_alternative<Cleaning>(state(found->id))) {
        if (done)
            done(nothingMoved(paths, found ? "Items of this category are already being moved to the Trash." : "Unknown category."));
        return;
    }
    const std::string id = found->id;
    auto run = std::make_unique<CleanRun>();
    if (auto scanned = std::get_if<Scanned>(&state(id)))
        run->items = scanned->items;
    setState(id, Cleaning {});
    CleanRun* live = run.get();
    m_cleanTasks[id] = std::move(run);
    live->task = BackgroundTask<TrashService::Outcome>(
        m_environment.executor, [trash = m_environment.moveToTrash, paths = std::move(paths)](std::stop_token) { return trash(paths); },
        [this, id, live, done = std::move(done)](TrashService::Outcome outcome) {
            // Exactly what the outcome does not report gone stays, in its order.
            std::vector<StorageItem> remaining;
            std::uint64_t total = 0;
            for (StorageItem& item : live->items) {
                if (outcome.movedPaths.contains(item.path))
                    continue;
                total += item.size;
                remaining.push_back(std::move(item));
            }
            const Date now = m_environment.now();
            StorageScanCache::Entries cached = m_environment.cache.load();
            cached[id] = { now, total, std::int64_t(remaining.size()) };
            m_environment.cache.save(cached);
            setState(id, Scanned { std::move(remaining), total, now });
            // The task ends here; its callback may drop it.
            std::unique_ptr<CleanRun> finished = std::move(m_cleanTasks[id]);
            m_cleanTasks.erase(id);
            changed();
            if (done)
                done(outcome);
        });
    changed();
}

void StorageViewModel::pruneScanned(const std::string& categoryId, const std::set<std::string>& gone, StorageScanCache::Entries& cached)
{
    auto* scanned = std::get_if<Scanned>(&m_categoryStates[categoryId]);
    if (!scanned)
        return;
    const size_t before = scanned->items.size();
    std::erase_if(scanned->items, [&gone](const StorageItem& item) { return gone.contains(item.path); });
    if (scanned->items.size() == before)
        return;
    scanned->totalBytes = 0;
    for (const StorageItem& item : scanned->items)
        scanned->totalBytes += item.size;
    scanned->scannedAt = m_environment.now();
    cached[categoryId] = { scanned->scannedAt, scanned->totalBytes, std::int64_t(scanned->items.size()) };
}

void StorageViewModel::cleanSmartScan(std::vector<std::string> paths, CleanDone done)
{
    assert(m_environment.executor.isCurrent());
    if (m_smartCleanTask) {
        if (done)
            done(nothingMoved(paths, "The smart scan's items are already being moved to the Trash."));
        return;
    }
    m_smartScanRunning = true;
    m_smartCleanTask = std::make_unique<CleanRun>();
    m_smartCleanTask->task = BackgroundTask<TrashService::Outcome>(
        m_environment.executor, [trash = m_environment.moveToTrash, paths = std::move(paths)](std::stop_token) { return trash(paths); },
        [this, done = std::move(done)](TrashService::Outcome outcome) {
            // Cards that still list what just went would offer it again; they drop it, and the
            // cache follows.
            StorageScanCache::Entries cached = m_environment.cache.load();
            const StorageScanCache::Entries before = cached;
            for (const StorageCategory& category : m_environment.categories)
                pruneScanned(category.id, outcome.movedPaths, cached);
            if (cached != before)
                m_environment.cache.save(cached);
            m_smartScanRunning = m_smartScanTask != nullptr;
            m_smartScanResult.reset();
            std::unique_ptr<CleanRun> finished = std::move(m_smartCleanTask);
            changed();
            if (done)
                done(outcome);
        });
    changed();
}

void StorageViewModel::cleanFromCache(std::string_view categoryId)
{
    const StorageCategory* found = category(categoryId);
    if (!found)
        return;
    m_pendingCleanCategoryID = found->id;
    if (std::holds_alternative<Scanning>(state(found->id)))
        changed();  // already on its way; the request waits for it
    else
        startScan(found->id);
}

void StorageViewModel::clearReviewRequest()
{
    if (!m_reviewRequest)
        return;
    m_reviewRequest.reset();
    changed();
}

}  // namespace lopewell
