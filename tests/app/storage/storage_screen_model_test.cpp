#include "app/storage/storage_screen_model.h"

#include <gtest/gtest.h>

#include <thread>

#include "app/storage/storage_scanner.h"
#include "tests/support/temp_tree.h"

namespace lopewell {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono;
using testing::TempDir;
using testing::writeFile;
using VM = StorageViewModel;

// The real scanner, run to its end before the stream is handed over.
Stream<StorageScanProgress> scanNow(const StorageCategory& category)
{
    auto [producer, stream] = Stream<StorageScanProgress>::makePair();
    StorageScanner::run(category, producer);
    return std::move(stream);
}

// The cleaning side: records each request and answers when the test says so.
struct FakeCleaning {
    struct Request {
        std::string categoryId;  // empty for the smart scan
        std::vector<std::string> paths;
        CategoryInspectorModel::RemoveDone done;
    };
    std::vector<Request> requests;

    StorageScreenModel::Cleaning cleaning()
    {
        return {
            [this](const std::string& id, std::vector<std::string> paths, CategoryInspectorModel::RemoveDone done) {
                requests.push_back({ id, std::move(paths), std::move(done) });
            },
            [this](std::vector<std::string> paths, CategoryInspectorModel::RemoveDone done) {
                requests.push_back({ "", std::move(paths), std::move(done) });
            },
        };
    }

    // Everything asked for went.
    void finishAll()
    {
        TrashService::Outcome outcome;
        outcome.movedPaths.insert(requests.back().paths.begin(), requests.back().paths.end());
        outcome.movedCount = int64_t(outcome.movedPaths.size());
        requests.back().done(outcome);
    }
};

class StorageScreenModelTest : public ::testing::Test {
protected:
    fs::path home(const std::string& relative) const { return root / "home" / relative; }

    void makeModels()
    {
        model = std::make_unique<VM>(VM::Environment {
            .executor = executor,
            .categories = buildStorageCatalogue(layout),
            .cache = StorageScanCache(layout),
            .scan = VM::ScanFunction(scanNow),
            .probeFullDiskAccess = [] { return true; },
            .now = [this] { return now; },
        });
        screen = std::make_unique<StorageScreenModel>(*model, fake.cleaning());
        subscription = screen->observers().add([this] { ++opened; });
    }

    void scan(const std::string& id)
    {
        model->startScan(id);
        executor.runUntilIdle();
    }

    TempDir root;
    HostLayout layout = HostLayout::forTesting(root / "sys", root / "home", 1000, "alice", HostFlavour::macOS);
    ManualExecutor executor;
    Date now = referenceDate() + days { 9000 };
    FakeCleaning fake;
    std::unique_ptr<VM> model;
    std::unique_ptr<StorageScreenModel> screen;
    ChangeObservers::Subscription subscription;
    int opened = 0;
};

TEST_F(StorageScreenModelTest, ACardsCleanOpensItsCategoryForReviewAndConfirmingCleansThroughTheModel)
{
    writeFile(home("Library/Logs/a.log"), std::string(5000, 'a'));
    writeFile(home("Library/Logs/b.log"), "b");
    makeModels();
    const StorageCategory& logs = *model->category("system.userLogs");
    scan(logs.id);

    screen->perform(logs, CardAction::review);
    ASSERT_NE(screen->inspector(), nullptr);
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(screen->inspectorIdentity(), "category.system.userLogs");
    CategoryInspectorModel& inspector = *screen->inspector();
    EXPECT_EQ(inspector.options().title, "User Logs");
    EXPECT_TRUE(inspector.offersTrashAll());
    EXPECT_TRUE(inspector.options().staysOpen);
    EXPECT_EQ(inspector.totalCount(), 2);
    EXPECT_EQ(inspector.primaryButtonTitle(), "Move 2 items to Trash");

    inspector.confirm();
    ASSERT_EQ(fake.requests.size(), 1u);
    EXPECT_EQ(fake.requests[0].categoryId, "system.userLogs");
    EXPECT_EQ(fake.requests[0].paths.front(), home("Library/Logs/a.log")) << "largest first";
    fake.finishAll();
    EXPECT_FALSE(inspector.isOpen());
}

TEST_F(StorageScreenModelTest, TheTrashCategoryIsReviewedWithThePermanentWording)
{
    writeFile(home(".Trash/old.zip"), "z");
    makeModels();
    scan("system.trash");
    screen->perform(*model->category("system.trash"), CardAction::review);
    ASSERT_NE(screen->inspector(), nullptr);
    EXPECT_TRUE(screen->inspector()->options().permanentDelete);
    EXPECT_EQ(screen->inspector()->primaryButtonTitle(), "Delete 1 items");
}

TEST_F(StorageScreenModelTest, NothingScannedOrNothingFoundOpensNoReview)
{
    fs::create_directories(home("Library/Caches"));
    makeModels();
    screen->perform(*model->category("system.userCaches"), CardAction::review);
    EXPECT_EQ(screen->inspector(), nullptr) << "idle: nothing in memory to review";
    scan("system.userCaches");
    screen->perform(*model->category("system.userCaches"), CardAction::review);
    EXPECT_EQ(screen->inspector(), nullptr) << "an empty folder";
    EXPECT_EQ(opened, 0);
}

TEST_F(StorageScreenModelTest, CleaningFromACachedSummaryScansThenOpensTheReview)
{
    writeFile(home("Library/Logs/a.log"), "a");
    StorageScanCache(layout).save({ { "system.userLogs", { now - hours { 3 }, 4096, 1 } } });
    makeModels();
    const StorageCategory& logs = *model->category("system.userLogs");

    screen->perform(logs, CardAction::cleanFromCache);
    EXPECT_EQ(screen->inspector(), nullptr) << "not before the scan is done";
    EXPECT_TRUE(std::holds_alternative<VM::Scanning>(model->state(logs.id)));
    executor.runUntilIdle();

    ASSERT_NE(screen->inspector(), nullptr);
    EXPECT_EQ(screen->inspectorIdentity(), "category.system.userLogs");
    EXPECT_EQ(screen->inspector()->totalCount(), 1);
    EXPECT_EQ(model->reviewRequest(), std::nullopt) << "the request is taken";
}

TEST_F(StorageScreenModelTest, TheSmartScanReviewClosesOnConfirmAndCleansTheResult)
{
    writeFile(home("Library/Caches/c.bin"), "c");
    writeFile(home("Library/Logs/l.log"), "l");
    writeFile(home(".Trash/t.zip"), "t");
    writeFile(home("Library/Caches/.Trash-old/k"), "k");
    makeModels();
    model->startSmartScan();
    executor.runUntilIdle();
    ASSERT_TRUE(model->smartScanResult());

    screen->reviewSmartScan();
    ASSERT_NE(screen->inspector(), nullptr);
    EXPECT_EQ(screen->inspectorIdentity(), "smartScan");
    CategoryInspectorModel& inspector = *screen->inspector();
    EXPECT_EQ(inspector.options().title, "Smart Scan");
    EXPECT_FALSE(inspector.offersTrashAll());
    EXPECT_FALSE(inspector.options().permanentDelete);
    EXPECT_NE(inspector.confirmation().message.find("except 1 already in the Trash"), std::string::npos)
        << "the Trash's own item is deleted for good, the look-alike folder's is not";

    inspector.confirm();
    EXPECT_FALSE(inspector.isOpen());
    ASSERT_EQ(fake.requests.size(), 1u);
    EXPECT_EQ(fake.requests[0].categoryId, "");
    EXPECT_EQ(fake.requests[0].paths.size(), 4u);
}

TEST_F(StorageScreenModelTest, AReviewWhoseRemovalRunsIsNotReplaced)
{
    writeFile(home("Library/Logs/a.log"), "a");
    writeFile(home("Library/Caches/c.bin"), "c");
    makeModels();
    scan("system.userLogs");
    scan("system.userCaches");
    screen->perform(*model->category("system.userLogs"), CardAction::review);
    screen->inspector()->confirm();

    screen->perform(*model->category("system.userCaches"), CardAction::review);
    EXPECT_EQ(screen->inspectorIdentity(), "category.system.userLogs");
    fake.finishAll();
    screen->perform(*model->category("system.userCaches"), CardAction::review);
    EXPECT_EQ(screen->inspectorIdentity(), "category.system.userCaches");
}

// The real cleaning path: the view model's clean() over a trash function that refuses one file.
TEST_F(StorageScreenModelTest, ThroughTheViewModelABatchLeavesExactlyWhatDidNotGoInBothTheCardAndTheSheet)
{
    writeFile(home("Library/Logs/a.log"), std::string(9000, 'a'));
    writeFile(home("Library/Logs/b.log"), std::string(5000, 'b'));
    writeFile(home("Library/Logs/c.log"), "c");
    const std::string locked = home("Library/Logs/b.log");
    model = std::make_unique<VM>(VM::Environment {
        .executor = executor,
        .categories = buildStorageCatalogue(layout),
        .cache = StorageScanCache(layout),
        .scan = VM::ScanFunction(scanNow),
        .probeFullDiskAccess = [] { return true; },
        .now = [this] { return now; },
        .moveToTrash =
            [locked](const std::vector<std::string>& paths) {
                TrashService::Outcome outcome;
                for (const std::string& path : paths) {
                    if (path != locked)
                        outcome.movedPaths.insert(path);
                }
                outcome.movedCount = int64_t(outcome.movedPaths.size());
                outcome.failedCount = int64_t(paths.size()) - outcome.movedCount;
                if (outcome.failedCount > 0)
                    outcome.error = "Permission denied";
                return outcome;
            },
    });
    screen = std::make_unique<StorageScreenModel>(*model, StorageScreenModel::cleaningThrough(*model));
    scan("system.userLogs");
    screen->perform(*model->category("system.userLogs"), CardAction::review);
    CategoryInspectorModel& inspector = *screen->inspector();
    inspector.setSelection({ home("Library/Logs/a.log"), locked });

    inspector.confirm();
    EXPECT_TRUE(std::holds_alternative<VM::Cleaning>(model->state("system.userLogs")));
    const auto giveUp = steady_clock::now() + seconds { 60 };
    while (inspector.isCleaning() && steady_clock::now() < giveUp) {
        if (executor.runUntilIdle() == 0)
            std::this_thread::yield();
    }
    ASSERT_FALSE(inspector.isCleaning());

    const auto* scanned = std::get_if<VM::Scanned>(&model->state("system.userLogs"));
    ASSERT_TRUE(scanned);
    EXPECT_EQ(scanned->items.size(), 2u);
    EXPECT_EQ(inspector.totalCount(), 2);
    EXPECT_TRUE(inspector.isOpen());
    EXPECT_EQ(inspector.failure(), (RemovalFailure { 1, "Permission denied" }));
}

TEST_F(StorageScreenModelTest, CardButtonsScanAndCancel)
{
    writeFile(home("Library/Logs/a.log"), "a");
    makeModels();
    const StorageCategory& logs = *model->category("system.userLogs");
    screen->perform(logs, CardAction::scan);
    EXPECT_TRUE(std::holds_alternative<VM::Scanning>(model->state(logs.id)));
    screen->perform(logs, CardAction::cancel);
    EXPECT_TRUE(std::holds_alternative<VM::Idle>(model->state(logs.id)));
}

}  // namespace
}  // namespace lopewell
