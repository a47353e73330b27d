#include "app/storage/storage_view_model.h"

#include <mutex>
#include <thread>

#include <gtest/gtest.h>

#include "app/storage/storage_scanner.h"
#include "tests/app/common/storage_test_printers.h"
#include "tests/support/temp_tree.h"

namespace lopewell {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono;
using testing::TempDir;
using testing::writeFile;
using VM = StorageViewModel;

// Scans the test controls: each call opens a stream whose producer the test drives.
struct ScriptedScans {
    std::vector<std::string> started;  // category ids, in call order
    std::map<std::string, std::unique_ptr<StreamProducer<StorageScanProgress>>> producers;

    Stream<StorageScanProgress> open(const StorageCategory& category)
    {
        auto [producer, stream] = Stream<StorageScanProgress>::makePair();
        started.push_back(category.id);
        producers[category.id] = std::make_unique<StreamProducer<StorageScanProgress>>(std::move(producer));
        return std::move(stream);
    }
    StreamProducer<StorageScanProgress>& operator[](const std::string& id) { return *producers.at(id); }
    void complete(const std::string& id, std::vector<StorageItem> items, std::vector<fs::path> missing = {})
    {
        for (fs::path& path : missing)
            (*this)[id].yield(StorageScanMissing { std::move(path) });
        uint64_t total = 0;
        for (const StorageItem& item : items)
            total += item.size;
        (*this)[id].yield(StorageScanComplete { std::move(items), total });
        (*this)[id].finish();
    }
};

// A trash service that moves everything except what the test says fails, and remembers what it
// was asked. Runs on the model's background thread.
struct FakeTrash {
    std::mutex mutex;
    std::vector<std::vector<std::string>> requests;
    std::set<std::string> failing;

    TrashService::Outcome operator()(const std::vector<std::string>& paths)
    {
        std::lock_guard lock(mutex);
        requests.push_back(paths);
        TrashService::Outcome outcome;
        for (const std::string& path : paths) {
            if (failing.contains(path))
                outcome.error = "Permission denied";
            else
                outcome.movedPaths.insert(path);
        }
        outcome.movedCount = int64_t(outcome.movedPaths.size());
        outcome.failedCount = int64_t(paths.size()) - outcome.movedCount;
        return outcome;
    }
};

// The real scanner, run to its end before the stream is handed over, so that one pass of the
// executor delivers the whole scan.
Stream<StorageScanProgress> scanNow(const StorageCategory& category)
{
    auto [producer, stream] = Stream<StorageScanProgress>::makePair();
    StorageScanner::run(category, producer);
    return std::move(stream);
}

class StorageViewModelTest : public ::testing::Test {
protected:
    fs::path home(const std::string& relative) const { return root / "home" / relative; }

    std::unique_ptr<VM> makeModel(bool scripted = false)
    {
        VM::ScanFunction scan
            = scripted ? VM::ScanFunction([this](const StorageCategory& c) { return scans.open(c); }) : VM::ScanFunction(scanNow);
        auto model = std::make_unique<VM>(VM::Environment {
            .executor = executor,
            .categories = buildStorageCatalogue(layout),
            .cache = StorageScanCache(layout),
            .scan = std::move(scan),
            .probeFullDiskAccess = [this] { return accessGranted; },
            .now = [this] { return now; },
            .moveToTrash = [this](const std::vector<std::string>& paths) { return trash(paths); },
        });
        subscription = model->observers().add([this] { ++notifications; });
        return model;
    }

    StorageScanCache::Entries cached() const { return StorageScanCache(layout).load(); }

    // The trash call answers from its own thread: run the executor until `done` holds.
    void runUntil(const std::function<bool()>& done) { ASSERT_TRUE(executor.runUntil(done, seconds { 60 })); }

    TempDir root;
    HostLayout layout = HostLayout::forTesting(root / "sys", root / "home", 1000, "alice", HostFlavour::macOS);
    ManualExecutor executor;
    ScriptedScans scans;
    FakeTrash trash;
    bool accessGranted = true;
    Date now = referenceDate() + days { 9000 };
    int notifications = 0;
    ChangeObservers::Subscription subscription;
};

StorageItem item(const std::string& path, uint64_t size)
{
    return StorageItem { .path = path, .size = size };
}

TEST_F(StorageViewModelTest, StartsIdleWithWhatTheCacheHolds)
{
    StorageScanCache(layout).save({ { "system.userLogs", { now - hours { 2 }, 5000, 12 } }, { "gone.category", { now, 1, 1 } } });
    auto model = makeModel();
    EXPECT_EQ(model->categoryStates().size(), 24u);
    EXPECT_EQ(model->state("system.userLogs"), VM::CategoryState(VM::Idle { now - hours { 2 }, 5000, 12 }));
    EXPECT_EQ(model->state("system.userCaches"), VM::CategoryState(VM::Idle {}));
    EXPECT_FALSE(model->categoryStates().contains("gone.category"));
    EXPECT_FALSE(model->smartScanRunning());
    EXPECT_FALSE(model->smartScanResult());
    EXPECT_TRUE(model->fullDiskAccessGranted());
    EXPECT_EQ(model->categories(StorageSection::systemJunk).size(), 4u);
    EXPECT_EQ(model->categories(StorageSection::mailPhotos).front()->id, "media.mailAttachments");
}

TEST_F(StorageViewModelTest, AScanOfARealTreeEndsScannedAndIsCached)
{
    writeFile(home("Library/Caches/com.example/a.db"), std::string(10000, 'a'));
    writeFile(home("Library/Caches/b.bin"), "b");
    auto model = makeModel();
    model->startScan("system.userCaches");
    EXPECT_EQ(model->state("system.userCaches"), VM::CategoryState(VM::Scanning { 0, 0 }));
    executor.runUntilIdle();

    const auto* scanned = std::get_if<VM::Scanned>(&model->state("system.userCaches"));
    ASSERT_TRUE(scanned);
    EXPECT_EQ(scanned->items.size(), 2u);
    EXPECT_GE(scanned->totalBytes, 10000u);
    EXPECT_EQ(scanned->scannedAt, now);
    EXPECT_EQ(cached().at("system.userCaches"), (StorageScanCache::Entry { now, scanned->totalBytes, 2 }));
    EXPECT_GT(notifications, 0);
}

TEST_F(StorageViewModelTest, MissingFoldersEndMissingOnlyWhenNothingWasFound)
{
    // JetBrains Caches covers Library/Caches/JetBrains and Library/Logs/JetBrains.
    const struct {
        const char* name;
        std::function<void()> layOut;
        bool missing;
        size_t items;
    } cases[] = {
        { "both absent", [] {}, true, 0 },
        { "second present and empty", [&] { fs::create_directories(home("Library/Logs/JetBrains")); }, true, 0 },
        { "second holds files", [&] { writeFile(home("Library/Logs/JetBrains/idea.log"), "x"); }, false, 1 },
        { "first present and empty, second absent",
            [&] {
                fs::remove_all(home("Library/Logs/JetBrains"));
                fs::create_directories(home("Library/Caches/JetBrains"));
            },
            true, 0 },
    };
    auto model = makeModel();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        StorageScanCache(layout).save({ { "dev.jetBrainsCaches", { now, 99, 9 } } });
        c.layOut();
        model->startScan("dev.jetBrainsCaches");
        executor.runUntilIdle();
        if (c.missing) {
            EXPECT_EQ(model->state("dev.jetBrainsCaches"), VM::CategoryState(VM::Missing {}));
            EXPECT_FALSE(cached().contains("dev.jetBrainsCaches"));
        } else {
            const auto* scanned = std::get_if<VM::Scanned>(&model->state("dev.jetBrainsCaches"));
            ASSERT_TRUE(scanned);
            EXPECT_EQ(scanned->items.size(), c.items);
            EXPECT_EQ(cached().at("dev.jetBrainsCaches").itemCount, int64_t(c.items));
        }
    }

    // One existing, empty folder and nothing missing: scanned, with nothing in it.
    fs::create_directories(home("Library/Caches/Homebrew"));
    model->startScan("dev.homebrewCache");
    executor.runUntilIdle();
    EXPECT_EQ(model->state("dev.homebrewCache"), VM::CategoryState(VM::Scanned { {}, 0, now }));
    EXPECT_EQ(cached().at("dev.homebrewCache"), (StorageScanCache::Entry { now, 0, 0 }));
}

TEST_F(StorageViewModelTest, StartScanIsRefusedWhileScanningAndRestartsAScannedCategory)
{
    auto model = makeModel(true);
    model->startScan("system.userLogs");
    scans["system.userLogs"].yield(StorageScanning { 500, 4096 });
    executor.runUntilIdle();
    EXPECT_EQ(model->state("system.userLogs"), VM::CategoryState(VM::Scanning { 500, 4096 }));

    model->startScan("system.userLogs");
    EXPECT_EQ(scans.started.size(), 1u);
    EXPECT_EQ(model->state("system.userLogs"), VM::CategoryState(VM::Scanning { 500, 4096 }));

    scans.complete("system.userLogs", { item("/l/a", 10), item("/l/b", 20) });
    executor.runUntilIdle();
    EXPECT_EQ(model->state("system.userLogs"), VM::CategoryState(VM::Scanned { { item("/l/a", 10), item("/l/b", 20) }, 30, now }));

    model->startScan("system.userLogs");
    EXPECT_EQ(scans.started.size(), 2u);
    EXPECT_EQ(model->state("system.userLogs"), VM::CategoryState(VM::Scanning { 0, 0 }));

    model->startScan("no.such.category");
    EXPECT_EQ(scans.started.size(), 2u);
}

TEST_F(StorageViewModelTest, CancelScanFallsBackToTheCacheAndIgnoresTheOldStream)
{
    StorageScanCache(layout).save({ { "system.trash", { now - days { 1 }, 777, 3 } } });
    auto model = makeModel(true);
    model->startScan("system.trash");
    model->cancelScan("system.trash");
    EXPECT_EQ(model->state("system.trash"), VM::CategoryState(VM::Idle { now - days { 1 }, 777, 3 }));

    // What the cancelled scan still produces goes nowhere.
    EXPECT_FALSE(scans["system.trash"].yield(StorageScanComplete { { item("/t/x", 1) }, 1 }));
    executor.runUntilIdle();
    EXPECT_EQ(model->state("system.trash"), VM::CategoryState(VM::Idle { now - days { 1 }, 777, 3 }));
    EXPECT_EQ(cached().at("system.trash").totalBytes, 777u);
}

TEST_F(StorageViewModelTest, SmartScanRunsTheDefaultCategoriesOneAfterAnother)
{
    accessGranted = false;  // none of the three needs it
    auto model = makeModel(true);
    model->startSmartScan();
    EXPECT_TRUE(model->smartScanRunning());
    EXPECT_EQ(scans.started, std::vector<std::string> { "system.userCaches" });
    EXPECT_EQ(model->smartScanBanner(now).buttons, SmartScanBanner::Buttons::cancel);
    EXPECT_EQ(model->smartScanBanner(now).subtitle, "Scanning user caches, logs, and Trash…");

    scans.complete("system.userCaches", { item("/c/1", 100), item("/c/2", 200) });
    executor.runUntilIdle();
    EXPECT_EQ(scans.started, (std::vector<std::string> { "system.userCaches", "system.userLogs" }));
    scans.complete("system.userLogs", {}, { home("Library/Logs") });
    executor.runUntilIdle();
    now += seconds { 5 };
    scans.complete("system.trash", { item("/t/1", 50) });
    executor.runUntilIdle();

    EXPECT_FALSE(model->smartScanRunning());
    ASSERT_TRUE(model->smartScanResult());
    const VM::SmartScanResult& result = *model->smartScanResult();
    std::vector<std::string> done;
    for (const StorageCategory& category : result.categories)
        done.push_back(category.id);
    EXPECT_EQ(done, (std::vector<std::string> { "system.userCaches", "system.trash" }));
    EXPECT_EQ(result.items, (std::vector<StorageItem> { item("/c/1", 100), item("/c/2", 200), item("/t/1", 50) }));
    EXPECT_EQ(result.totalBytes, 350u);
    EXPECT_EQ(result.scannedAt, now);

    EXPECT_EQ(model->state("system.userLogs"), VM::CategoryState(VM::Missing {}));
    EXPECT_EQ(model->state("system.trash"), VM::CategoryState(VM::Scanned { { item("/t/1", 50) }, 50, now }));
    EXPECT_EQ(cached().at("system.userCaches"), (StorageScanCache::Entry { now - seconds { 5 }, 300, 2 }));
    EXPECT_FALSE(cached().contains("system.userLogs"));
}

TEST_F(StorageViewModelTest, SmartScanOfARealHome)
{
    writeFile(home("Library/Caches/x/y.cache"), std::string(3000, 'c'));
    writeFile(home(".Trash/old.zip"), std::string(8000, 'z'));
    writeFile(home("Library/Developer/Xcode/Archives/ship.xcarchive/Info.plist"), "not default-on");
    auto model = makeModel();
    model->startSmartScan();
    executor.runUntilIdle();
    ASSERT_TRUE(model->smartScanResult());
    EXPECT_EQ(model->smartScanResult()->categories.size(), 2u);
    EXPECT_EQ(model->smartScanResult()->items.size(), 2u);
    EXPECT_EQ(model->state("system.userLogs"), VM::CategoryState(VM::Missing {}));
    EXPECT_EQ(model->state("dev.xcodeArchives"), VM::CategoryState(VM::Idle {}));
}

TEST_F(StorageViewModelTest, CancellingASmartScanPublishesWhatItCompleted)
{
    auto model = makeModel(true);
    model->startSmartScan();
    scans.complete("system.userCaches", { item("/c/1", 100) });
    executor.runUntilIdle();
    scans["system.userLogs"].yield(StorageScanning { 7, 70 });
    executor.runUntilIdle();
    EXPECT_EQ(model->state("system.userLogs"), VM::CategoryState(VM::Scanning { 7, 70 }));

    model->cancelSmartScan();
    EXPECT_FALSE(model->smartScanRunning());
    ASSERT_TRUE(model->smartScanResult());
    ASSERT_EQ(model->smartScanResult()->categories.size(), 1u);
    EXPECT_EQ(model->smartScanResult()->categories[0].id, "system.userCaches");
    EXPECT_EQ(model->smartScanResult()->totalBytes, 100u);
    // The interrupted card does not stay "Scanning…".
    EXPECT_EQ(model->state("system.userLogs"), VM::CategoryState(VM::Idle {}));
    EXPECT_EQ(scans.started.size(), 2u);

    scans.complete("system.userLogs", { item("/l/1", 1) });
    executor.runUntilIdle();
    EXPECT_EQ(model->state("system.userLogs"), VM::CategoryState(VM::Idle {}));
    EXPECT_EQ(scans.started.size(), 2u);
}

TEST_F(StorageViewModelTest, RestartingASmartScanDropsTheOldOneWithoutAResult)
{
    auto model = makeModel(true);
    model->startSmartScan();
    scans.complete("system.userCaches", { item("/c/old", 1) });
    executor.runUntilIdle();
    model->startSmartScan();
    EXPECT_TRUE(model->smartScanRunning());
    EXPECT_FALSE(model->smartScanResult());
    executor.runUntilIdle();
    EXPECT_FALSE(model->smartScanResult());
    EXPECT_EQ(scans.started, (std::vector<std::string> { "system.userCaches", "system.userLogs", "system.userCaches" }));

    scans.complete("system.userCaches", { item("/c/new", 2) });
    executor.runUntilIdle();
    scans.complete("system.userLogs", {});
    executor.runUntilIdle();
    scans.complete("system.trash", {});
    executor.runUntilIdle();
    ASSERT_TRUE(model->smartScanResult());
    EXPECT_EQ(model->smartScanResult()->items, std::vector<StorageItem> { item("/c/new", 2) });

    model->dismissSmartScanResult();
    EXPECT_FALSE(model->smartScanResult());
}

TEST_F(StorageViewModelTest, AggregatesCountScannedAndCachedNonZeroTotals)
{
    StorageScanCache(layout).save({
        { "system.userCaches", { now, 1'000'000'000, 10 } },
        { "system.userLogs", { now, 0, 0 } },
    });
    auto model = makeModel(true);
    EXPECT_EQ(model->aggregateBytes(), 1'000'000'000u);
    EXPECT_EQ(model->aggregateCount(), 1);
    EXPECT_EQ(model->smartScanBanner(now).subtitle, "1 GB reclaimable across 1 category — Smart Scan to refresh.");

    model->startScan("dev.npmCache");
    scans.complete("dev.npmCache", { item("/n/1", 500'000'000) });
    model->startScan("system.trash");
    executor.runUntilIdle();
    EXPECT_EQ(model->aggregateBytes(), 1'500'000'000u);  // a scanning category counts nothing
    EXPECT_EQ(model->aggregateCount(), 2);
    EXPECT_EQ(model->smartScanBanner(now).subtitle, "1.5 GB reclaimable across 2 categories — Smart Scan to refresh.");
}

TEST_F(StorageViewModelTest, BannerFollowsItsRulesInOrder)
{
    accessGranted = false;
    auto model = makeModel(true);
    SmartScanBanner banner = model->smartScanBanner(now);
    EXPECT_EQ(banner,
        (SmartScanBanner { "Grant Full Disk Access to scan caches, logs, and Trash.", SmartScanBanner::Buttons::start, false, false }));

    accessGranted = true;
    model->recheckFullDiskAccess();
    EXPECT_TRUE(model->fullDiskAccessGranted());
    banner = model->smartScanBanner(now);
    EXPECT_EQ(banner,
        (SmartScanBanner {
            "Scan the safe, default-on buckets in one pass — caches, logs, Trash.", SmartScanBanner::Buttons::start, false, true }));

    model->startSmartScan();
    scans.complete("system.userCaches", {});
    executor.runUntilIdle();
    scans.complete("system.userLogs", {});
    executor.runUntilIdle();
    scans.complete("system.trash", {});
    executor.runUntilIdle();
    banner = model->smartScanBanner(now + minutes { 5 });
    EXPECT_EQ(banner, (SmartScanBanner { "Nothing reclaimable · 5 min. ago", SmartScanBanner::Buttons::cleanAndDismiss, false, false }));

    model->startSmartScan();
    scans.complete("system.userCaches", { item("/c/1", 2'500'000) });
    executor.runUntilIdle();
    scans.complete("system.userLogs", {});
    executor.runUntilIdle();
    model->cancelSmartScan();
    banner = model->smartScanBanner(now + hours { 3 });
    // One completed category still reads "categories".
    EXPECT_EQ(
        banner, (SmartScanBanner { "2.5 MB across 2 categories · 3 hr. ago", SmartScanBanner::Buttons::cleanAndDismiss, true, false }));
}

TEST_F(StorageViewModelTest, CleanFromCacheOpensTheReviewOnceTheScanHasItems)
{
    StorageScanCache(layout).save({ { "system.userCaches", { now, 5, 1 } }, { "system.userLogs", { now, 5, 1 } } });
    auto model = makeModel(true);
    model->cleanFromCache("system.userCaches");
    EXPECT_EQ(model->pendingCleanCategoryID(), "system.userCaches");
    scans["system.userCaches"].yield(StorageScanning { 500, 10 });
    executor.runUntilIdle();
    EXPECT_EQ(model->pendingCleanCategoryID(), "system.userCaches");
    EXPECT_FALSE(model->reviewRequest());

    scans.complete("system.userCaches", { item("/c/1", 5) });
    executor.runUntilIdle();
    EXPECT_FALSE(model->pendingCleanCategoryID());
    EXPECT_EQ(model->reviewRequest(), "system.userCaches");
    model->clearReviewRequest();
    EXPECT_FALSE(model->reviewRequest());

    // A scan that ends any other way drops the request.
    model->cleanFromCache("system.userLogs");
    scans.complete("system.userLogs", {}, { home("Library/Logs") });
    executor.runUntilIdle();
    EXPECT_FALSE(model->pendingCleanCategoryID());
    EXPECT_FALSE(model->reviewRequest());
}

TEST_F(StorageViewModelTest, CleaningKeepsExactlyWhatTheOutcomeDoesNotReportGone)
{
    auto model = makeModel(true);
    model->startScan("system.userCaches");
    const std::vector<StorageItem> five { item("/c/1", 1), item("/c/2", 2), item("/c/3", 3), item("/c/4", 4), item("/c/5", 5) };
    scans.complete("system.userCaches", five);
    executor.runUntilIdle();

    trash.failing = { "/c/2" };
    now += minutes { 1 };
    std::optional<TrashService::Outcome> outcome;
    model->clean("system.userCaches", { "/c/1", "/c/2", "/c/4" }, [&](const TrashService::Outcome& o) { outcome = o; });
    EXPECT_EQ(model->state("system.userCaches"), VM::CategoryState(VM::Cleaning {}));
    runUntil([&] { return outcome.has_value(); });

    EXPECT_EQ(trash.requests, (std::vector<std::vector<std::string>> { { "/c/1", "/c/2", "/c/4" } }));
    EXPECT_EQ(outcome->movedCount, 2);
    EXPECT_EQ(outcome->failedCount, 1);
    EXPECT_EQ(model->state("system.userCaches"),
        VM::CategoryState(VM::Scanned { { item("/c/2", 2), item("/c/3", 3), item("/c/5", 5) }, 10, now }));
    EXPECT_EQ(cached().at("system.userCaches"), (StorageScanCache::Entry { now, 10, 3 }));
}

TEST_F(StorageViewModelTest, CleaningACategoryWithoutItemsInMemoryLeavesItScannedAndEmpty)
{
    StorageScanCache(layout).save({ { "system.userLogs", { now - days { 3 }, 900, 9 } } });
    auto model = makeModel(true);
    std::optional<TrashService::Outcome> outcome;
    model->clean("system.userLogs", { "/l/x" }, [&](const TrashService::Outcome& o) { outcome = o; });
    runUntil([&] { return outcome.has_value(); });
    EXPECT_EQ(model->state("system.userLogs"), VM::CategoryState(VM::Scanned { {}, 0, now }));
    EXPECT_EQ(cached().at("system.userLogs"), (StorageScanCache::Entry { now, 0, 0 }));

    // A second removal while one runs is refused, and says that nothing moved.
    std::optional<TrashService::Outcome> first, second;
    model->clean("system.userLogs", { "/l/a" }, [&](const TrashService::Outcome& o) { first = o; });
    model->clean("system.userLogs", { "/l/b", "/l/c" }, [&](const TrashService::Outcome& o) { second = o; });
    ASSERT_TRUE(second);
    EXPECT_EQ(second->movedCount, 0);
    EXPECT_EQ(second->failedCount, 2);
    EXPECT_TRUE(second->error);
    runUntil([&] { return first.has_value(); });
    EXPECT_EQ(first->movedCount, 1);
}

TEST_F(StorageViewModelTest, CleaningTheSmartScanClearsItsResultAndDropsWhatWentFromTheCards)
{
    auto model = makeModel(true);
    model->startSmartScan();
    scans.complete("system.userCaches", { item("/c/1", 100), item("/c/2", 200) });
    executor.runUntilIdle();
    scans.complete("system.userLogs", { item("/l/1", 10) });
    executor.runUntilIdle();
    scans.complete("system.trash", { item("/t/1", 1) });
    executor.runUntilIdle();
    ASSERT_TRUE(model->smartScanResult());

    trash.failing = { "/c/2" };
    now += minutes { 2 };
    std::optional<TrashService::Outcome> outcome;
    model->cleanSmartScan({ "/c/1", "/c/2", "/t/1" }, [&](const TrashService::Outcome& o) { outcome = o; });
    EXPECT_TRUE(model->smartScanRunning());
    runUntil([&] { return outcome.has_value(); });
    EXPECT_FALSE(model->smartScanRunning());
    EXPECT_FALSE(model->smartScanResult());
    EXPECT_EQ(outcome->failedCount, 1);

    EXPECT_EQ(model->state("system.userCaches"), VM::CategoryState(VM::Scanned { { item("/c/2", 200) }, 200, now }));
    EXPECT_EQ(model->state("system.trash"), VM::CategoryState(VM::Scanned { {}, 0, now }));
    EXPECT_EQ(model->state("system.userLogs"), VM::CategoryState(VM::Scanned { { item("/l/1", 10) }, 10, now - minutes { 2 } }));
    EXPECT_EQ(cached().at("system.userCaches"), (StorageScanCache::Entry { now, 200, 1 }));
    EXPECT_EQ(cached().at("system.userLogs").lastScanned, now - minutes { 2 });
    EXPECT_EQ(model->aggregateBytes(), 210u);
    EXPECT_EQ(model->smartScanBanner(now).subtitle, "210 bytes reclaimable across 2 categories — Smart Scan to refresh.");
}

TEST_F(StorageViewModelTest, CleaningRealFilesPrunesByWhatTheTrashServiceReports)
{
    // The real service, with the fixture's Trash standing in for the desktop's: an item under
    // ~/.Trash is deleted for good, and a missing one fails.
    writeFile(home(".Trash/old.zip"), "zip");
    writeFile(home(".Trash/folder/inner.txt"), "inner");
    writeFile(home(".Trash/keep.txt"), "keep");
    auto model = std::make_unique<VM>(VM::Environment {
        .executor = executor,
        .categories = buildStorageCatalogue(layout),
        .cache = StorageScanCache(layout),
        .scan = scanNow,
        .probeFullDiskAccess = [] { return true; },
        .now = [this] { return now; },
    });
    model->startScan("system.trash");
    executor.runUntilIdle();
    ASSERT_EQ(std::get<VM::Scanned>(model->state("system.trash")).items.size(), 3u);

    std::optional<TrashService::Outcome> outcome;
    model->clean("system.trash", { home(".Trash/old.zip"), home(".Trash/folder/inner.txt"), home(".Trash/never-there") },
        [&](const TrashService::Outcome& o) { outcome = o; });
    runUntil([&] { return outcome.has_value(); });
    EXPECT_EQ(outcome->movedCount, 2);
    EXPECT_EQ(outcome->failedCount, 1);
    EXPECT_FALSE(fs::exists(home(".Trash/old.zip")));
    EXPECT_FALSE(fs::exists(home(".Trash/folder/inner.txt")));
    EXPECT_TRUE(fs::exists(home(".Trash/keep.txt")));
    const auto& remaining = std::get<VM::Scanned>(model->state("system.trash")).items;
    ASSERT_EQ(remaining.size(), 1u);
    EXPECT_EQ(remaining[0].path, home(".Trash/keep.txt"));
}

TEST_F(StorageViewModelTest, GoingAwayMidScanEndsItsTasksQuietly)
{
    auto model = makeModel(true);
    model->startScan("system.userLogs");
    model->startSmartScan();
    model.reset();
    EXPECT_FALSE(scans["system.userLogs"].yield(StorageScanning { 1, 1 }));
    EXPECT_FALSE(scans["system.userCaches"].yield(StorageScanning { 1, 1 }));
    executor.runUntilIdle();
}

}  // namespace
}  // namespace lopewell
