#include "app/files/files_view_model.h"

#include <gtest/gtest.h>

#include <thread>

#include "core/concurrency/executor.h"
#include "platform/user_defaults.h"
#include "tests/app/files/files_test_support.h"
#include "tests/support/temp_tree.h"

namespace lopewell {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono;
using testing::TempDir;

const Date now = dateFromSecondsSinceReferenceDate(800'000'000.0);

StorageItem item(const std::string& path, std::uint64_t size)
{
    return { .path = path, .size = size, .modificationDate = now - hours(24 * 400) };
}

DuplicateGroup group(char digit, std::uint64_t size, std::vector<std::string> files)
{
    return { std::string(64, digit), size, std::move(files) };
}

class FilesViewModelTest : public ::testing::Test {
protected:
    TempDir dir;
    ManualExecutor executor;
    std::shared_ptr<UserDefaults> defaults = UserDefaults::open(dir / "config/UserDefaults.json");
    fs::path cacheFile = dir / "support/FilesScanCache.json";

    // What the model asked the scanners for, and the producers the test feeds.
    std::vector<std::pair<fs::path, FilesScanner::Mode>> filesRequests;
    std::vector<std::pair<fs::path, std::uint64_t>> duplicatesRequests;
    std::vector<std::unique_ptr<StreamProducer<StorageScanProgress>>> filesProducers;
    std::vector<std::unique_ptr<StreamProducer<DuplicateScanProgress>>> duplicatesProducers;
    std::vector<std::vector<std::string>> trashRequests;
    std::set<std::string> trashRefuses;
    std::vector<std::pair<fs::path, std::string>> chooserCalls;
    std::optional<fs::path> chooserAnswer;

    FilesViewModel::Environment environment()
    {
        return {
            executor,
            [this](const fs::path& root, FilesScanner::Mode mode) {
                filesRequests.emplace_back(root, mode);
                auto [producer, stream] = Stream<StorageScanProgress>::makePair();
                filesProducers.push_back(std::make_unique<StreamProducer<StorageScanProgress>>(std::move(producer)));
                return std::move(stream);
            },
            [this](const fs::path& root, std::uint64_t minSize) {
                duplicatesRequests.emplace_back(root, minSize);
                auto [producer, stream] = Stream<DuplicateScanProgress>::makePair();
                duplicatesProducers.push_back(std::make_unique<StreamProducer<DuplicateScanProgress>>(std::move(producer)));
                return std::move(stream);
            },
            [this](const std::vector<std::string>& paths) {
                trashRequests.push_back(paths);
                RemovalOutcome outcome;
                for (const std::string& path : paths) {
                    if (trashRefuses.contains(path)) {
                        ++outcome.failedCount;
                        outcome.error = "Permission denied";
                    } else {
                        outcome.movedPaths.insert(path);
                        ++outcome.movedCount;
                    }
                }
                return outcome;
            },
            [this](const fs::path& startAt, std::string_view message) {
                chooserCalls.emplace_back(startAt, std::string(message));
                return chooserAnswer;
            },
            [] { return now; },
            cacheFile,
            defaults,
            dir / "home",
        };
    }

    // The trash runs on a thread of its own; its result arrives through the executor.
    void waitForTrash(FilesViewModel& model)
    {
        ASSERT_TRUE(executor.runUntil([&] { return !model.isTrashing(); })) << "the trash never answered";
    }
};

TEST_F(FilesViewModelTest, StartsFromTheRememberedFoldersAndTheLastResults)
{
    fs::create_directories(dir / "Movies");
    fs::create_directories(dir / "Gone");
    FilesRootBookmarks bookmarks(defaults);
    bookmarks.saveBookmark(dir / "Movies", FilesRootBookmarks::largeFilesKey);
    bookmarks.saveBookmark(dir / "Gone", FilesRootBookmarks::duplicatesKey);
    fs::remove(dir / "Gone");

    FilesScanSnapshot snapshot;
    snapshot.largeFiles = FilesScanEntry { { item("/m/a.iso", 500) }, 500, now - seconds(60) };
    snapshot.oldFiles = FilesScanEntry { {}, 0, now };  // an empty list is no result
    snapshot.duplicates = DuplicatesScanEntry { { group('a', 10, { "/x", "/y" }) }, 10, now - seconds(5) };
    FilesScanCache(cacheFile).save(snapshot);

    testing::LogRecorder log;
    FilesViewModel model(environment());
    EXPECT_EQ(model.root(FilesSlot::largeFiles), dir / "Movies");
    EXPECT_TRUE(model.hasBookmark(FilesSlot::largeFiles));
    EXPECT_EQ(model.root(FilesSlot::oldFiles), dir / "home");
    EXPECT_FALSE(model.hasBookmark(FilesSlot::oldFiles));
    EXPECT_EQ(model.root(FilesSlot::duplicates), dir / "home");
    EXPECT_FALSE(model.hasBookmark(FilesSlot::duplicates));
    ASSERT_EQ(log.lines.size(), 1u);

    EXPECT_EQ(model.largeFilesState(), FilesScanState(*snapshot.largeFiles));
    EXPECT_EQ(model.oldFilesState(), FilesScanState(FilesIdle {}));
    EXPECT_EQ(model.duplicatesState(), DuplicatesScanState(*snapshot.duplicates));
    EXPECT_EQ(model.largeFilesThreshold(), 104'857'600u);
    EXPECT_EQ(model.oldFilesAgeDays(), 180);
    EXPECT_EQ(model.duplicatesMinSize(), 1'048'576u);
}

TEST_F(FilesViewModelTest, AScanGoesFromScanningToScannedAndIsSaved)
{
    FilesViewModel model(environment());
    model.setLargeFilesThreshold(524'288'000);
    model.scanLargeFiles();
    EXPECT_EQ(model.largeFilesState(), FilesScanState(FilesScanning {}));
    ASSERT_EQ(filesRequests.size(), 1u);
    EXPECT_EQ(filesRequests[0].first, dir / "home");
    EXPECT_EQ(std::get<FilesScanner::LargerThan>(filesRequests[0].second).threshold, 524'288'000u);

    filesProducers[0]->yield(StorageScanning { 2, 2000 });
    executor.runUntilIdle();
    EXPECT_EQ(model.largeFilesState(), FilesScanState(FilesScanning { 2, 2000 }));
    EXPECT_EQ(model.stateRow(FilesSlot::largeFiles).detail, "2 matches · 2 KB");

    const std::vector<StorageItem> items { item("/h/a", 1000), item("/h/b", 3000) };
    filesProducers[0]->yield(StorageScanComplete { items, 4000 });
    filesProducers[0]->finish();
    executor.runUntilIdle();
    EXPECT_EQ(model.largeFilesState(), FilesScanState(FilesScanned { items, 4000, now }));
    EXPECT_EQ(FilesScanCache(cacheFile).load()->largeFiles, (FilesScanEntry { items, 4000, now }));
    EXPECT_FALSE(model.isScanning(FilesSlot::largeFiles));
}

TEST_F(FilesViewModelTest, OldFilesAskForTheCutoffTheCalendarGives)
{
    FilesViewModel model(environment());
    model.setOldFilesAgeDays(90);
    model.scanOldFiles();
    ASSERT_EQ(filesRequests.size(), 1u);
    EXPECT_EQ(std::get<FilesScanner::OlderThan>(filesRequests[0].second).cutoff, calendarDaysBefore(now, 90));
    EXPECT_LT(calendarDaysBefore(now, 90), now - hours(24 * 89));
    EXPECT_GT(calendarDaysBefore(now, 90), now - hours(24 * 91));
}

TEST_F(FilesViewModelTest, AnUnreadableFolderFailsButAnEmptyOneIsScanned)
{
    FilesViewModel model(environment());
    model.scanDuplicates();
    duplicatesProducers[0]->yield(DuplicateScanMissing { dir / "home" });
    duplicatesProducers[0]->finish();
    executor.runUntilIdle();
    EXPECT_EQ(model.duplicatesState(), DuplicatesScanState(FilesFailed { "Couldn't read that folder — check permissions." }));
    const FilesStateRow failed = model.stateRow(FilesSlot::duplicates);
    EXPECT_TRUE(failed.showsWarning);
    EXPECT_EQ(failed.buttons, std::vector<std::string> { "Retry" });

    model.scanOldFiles();
    filesProducers[0]->yield(StorageScanComplete {});
    filesProducers[0]->finish();
    executor.runUntilIdle();
    EXPECT_EQ(model.oldFilesState(), FilesScanState(FilesScanned { {}, 0, now }));
    // Saved as it is; a restart shows the pane idle.
    EXPECT_EQ(FilesScanCache(cacheFile).load()->oldFiles, (FilesScanEntry { {}, 0, now }));
    EXPECT_EQ(FilesViewModel(environment()).oldFilesState(), FilesScanState(FilesIdle {}));
}

TEST_F(FilesViewModelTest, CancellingIsImmediateAndACancelledScanNeverTouchesANewerOne)
{
    FilesViewModel model(environment());
    model.scanDuplicates();
    model.cancel(FilesSlot::duplicates);
    EXPECT_EQ(model.duplicatesState(), DuplicatesScanState(FilesIdle {}));
    EXPECT_TRUE(duplicatesProducers[0]->isStopRequested());

    // A scan superseded by the next one: whatever it still sends goes nowhere.
    model.scanDuplicates();
    model.scanDuplicates();
    ASSERT_EQ(duplicatesProducers.size(), 3u);
    EXPECT_TRUE(duplicatesProducers[1]->isStopRequested());
    duplicatesProducers[1]->yield(DuplicateScanComplete { { group('b', 5, { "/old1", "/old2" }) }, 5 });
    duplicatesProducers[1]->finish();
    duplicatesProducers[2]->yield(DuplicateScanning { 7, 1, 9 });
    executor.runUntilIdle();
    EXPECT_EQ(model.duplicatesState(), DuplicatesScanState(DuplicatesScanning { 7, 1, 9 }));
    EXPECT_TRUE(model.isScanning(FilesSlot::duplicates));

    // The panes scan independently.
    model.scanLargeFiles();
    model.cancel(FilesSlot::largeFiles);
    EXPECT_EQ(model.duplicatesState(), DuplicatesScanState(DuplicatesScanning { 7, 1, 9 }));
    duplicatesProducers[2]->yield(DuplicateScanComplete { { group('c', 5, { "/new1", "/new2" }) }, 5 });
    duplicatesProducers[2]->finish();
    executor.runUntilIdle();
    ASSERT_TRUE(std::holds_alternative<DuplicatesScanned>(model.duplicatesState()));
    EXPECT_EQ(std::get<DuplicatesScanned>(model.duplicatesState()).groups[0].files[0], "/new1");
}

TEST_F(FilesViewModelTest, ReviewListsTheLargest2000WithTheTotalsOfAll)
{
    FilesViewModel model(environment());
    for (const std::size_t count : { std::size_t(1500), std::size_t(2500) }) {
        model.scanLargeFiles();
        std::vector<StorageItem> items;
        std::uint64_t total = 0;
        for (std::size_t i = 0; i < count; ++i) {
            items.push_back(item("/f" + std::to_string(i), (i * 7919) % 3001));
            total += items.back().size;
        }
        filesProducers.back()->yield(StorageScanComplete { items, total });
        filesProducers.back()->finish();
        executor.runUntilIdle();

        const std::optional<FilesReviewRequest> review = model.reviewItems(FilesSlot::largeFiles);
        ASSERT_TRUE(review);
        EXPECT_EQ(review->id(), "files.largeFiles");
        EXPECT_EQ(review->totalCount, std::int64_t(count));
        EXPECT_EQ(review->totalBytes, total);
        EXPECT_EQ(review->defaultSelection, std::set<std::string> {});
        if (count <= 2000) {
            EXPECT_EQ(review->items, items);
        } else {
            ASSERT_EQ(review->items.size(), 2000u);
            std::vector<StorageItem> largest = items;
            std::stable_sort(largest.begin(), largest.end(), [](const auto& a, const auto& b) { return a.size > b.size; });
            largest.resize(2000);
            EXPECT_EQ(review->items, largest);
        }
    }
    EXPECT_FALSE(model.reviewItems(FilesSlot::oldFiles));
}

TEST_F(FilesViewModelTest, DuplicatesReviewTagsEachFileAndPreselectsAllButTheCanonicalCopies)
{
    FilesViewModel model(environment());
    model.scanDuplicates();
    duplicatesProducers[0]->yield(
        DuplicateScanComplete { { group('e', 300, { "/a/keep", "/b/copy", "/c/copy" }), group('7', 100, { "/k", "/dup" }) }, 700 });
    duplicatesProducers[0]->finish();
    executor.runUntilIdle();

    const std::optional<FilesReviewRequest> review = model.reviewItems(FilesSlot::duplicates);
    ASSERT_TRUE(review);
    std::vector<std::string> names;
    for (const StorageItem& row : review->items) {
        names.push_back(row.name());
        EXPECT_FALSE(row.modificationDate);
    }
    EXPECT_EQ(names, (std::vector<std::string> { "[eeeeee] keep", "[eeeeee] copy", "[eeeeee] copy", "[777777] k", "[777777] dup" }));
    EXPECT_EQ(review->totalBytes, 1100u);
    EXPECT_EQ(review->totalCount, 5);
    EXPECT_EQ(review->defaultSelection, (std::set<std::string> { "/b/copy", "/c/copy", "/dup" }));
    EXPECT_EQ(review->id(), "files.duplicates");
}

TEST_F(FilesViewModelTest, TrashingPrunesExactlyWhatWentAndSaves)
{
    FilesViewModel model(environment());
    model.scanDuplicates();
    duplicatesProducers[0]->yield(DuplicateScanComplete {
        { group('1', 100, { "/t1", "/t2", "/t3" }), group('2', 50, { "/p1", "/p2" }), group('3', 10, { "/q1", "/q2" }) }, 260 });
    duplicatesProducers[0]->finish();
    executor.runUntilIdle();

    trashRefuses = { "/q2" };
    std::optional<RemovalOutcome> reported;
    ASSERT_TRUE(model.trash(FilesSlot::duplicates, { "/t3", "/p2", "/q2" }, [&](RemovalOutcome outcome) { reported = outcome; }));
    EXPECT_FALSE(model.trash(FilesSlot::duplicates, { "/t2" })) << "one move at a time";
    waitForTrash(model);
    ASSERT_TRUE(reported);
    EXPECT_EQ(reported->failedCount, 1);
    // One of three: the group stays with two. One of two: the group goes. Refused: stays.
    const DuplicatesScanned expected { { group('1', 100, { "/t1", "/t2" }), group('3', 10, { "/q1", "/q2" }) }, 110, now };
    EXPECT_EQ(model.duplicatesState(), DuplicatesScanState(expected));
    EXPECT_EQ(FilesScanCache(cacheFile).load()->duplicates, expected);

    trashRefuses.clear();
    ASSERT_TRUE(model.trash(FilesSlot::duplicates, { "/t2", "/q1" }));
    waitForTrash(model);
    EXPECT_EQ(model.duplicatesState(), DuplicatesScanState(FilesIdle {}));
    EXPECT_FALSE(FilesScanCache(cacheFile).load()->duplicates);
}

TEST_F(FilesViewModelTest, TrashingFromAFilesPaneRecomputesTheTotalAndEmptiesToIdle)
{
    FilesViewModel model(environment());
    model.scanOldFiles();
    const std::vector<StorageItem> items { item("/o1", 10), item("/o2", 20), item("/o3", 30) };
    filesProducers[0]->yield(StorageScanComplete { items, 60 });
    filesProducers[0]->finish();
    executor.runUntilIdle();

    ASSERT_TRUE(model.trash(FilesSlot::oldFiles, { "/o2" }));
    waitForTrash(model);
    EXPECT_EQ(model.oldFilesState(), FilesScanState(FilesScanned { { items[0], items[2] }, 40, now }));

    ASSERT_TRUE(model.trash(FilesSlot::oldFiles, { "/o1", "/o3" }));
    waitForTrash(model);
    EXPECT_EQ(model.oldFilesState(), FilesScanState(FilesIdle {}));
}

TEST_F(FilesViewModelTest, PickingAFolderRemembersItWithoutScanning)
{
    fs::create_directories(dir / "Downloads");
    FilesViewModel model(environment());
    model.pickFolder(FilesSlot::oldFiles);  // cancelled
    EXPECT_EQ(model.root(FilesSlot::oldFiles), dir / "home");
    EXPECT_FALSE(model.hasBookmark(FilesSlot::oldFiles));

    chooserAnswer = dir / "Downloads";
    model.pickFolder(FilesSlot::oldFiles);
    ASSERT_EQ(chooserCalls.size(), 2u);
    EXPECT_EQ(chooserCalls[1], std::make_pair(dir / "home", std::string("Choose the folder to scan.")));
    EXPECT_EQ(model.root(FilesSlot::oldFiles), dir / "Downloads");
    EXPECT_TRUE(model.hasBookmark(FilesSlot::oldFiles));
    EXPECT_TRUE(filesRequests.empty());
    EXPECT_EQ(FilesViewModel(environment()).root(FilesSlot::oldFiles), dir / "Downloads");
}

TEST(FilesTexts, AgeTextReadsInTheLargestWholeUnit)
{
    const std::pair<int, const char*> cases[] = {
        { 30, "1 month" },
        { 90, "3 months" },
        { 180, "6 months" },
        { 45, "45 days" },
        { 365, "1 year" },
        { 730, "2 years" },
        { 400, "400 days" },
        { 360, "12 months" },
        { 1, "1 days" },
    };
    for (const auto& [days, text] : cases)
        EXPECT_EQ(filesAgeText(days), text) << days;
}

TEST_F(FilesViewModelTest, StateRowsSayWhatEachPaneIsDoing)
{
    FilesViewModel model(environment());
    EXPECT_EQ(
        model.stateRow(FilesSlot::largeFiles), (FilesStateRow { FilesStateRow::Kind::idle, "Not scanned yet", "", { "Scan" }, false }));
    EXPECT_EQ(model.paneDescription(FilesSlot::oldFiles), "Files untouched for more than 6 months");

    model.scanDuplicates();
    duplicatesProducers[0]->yield(DuplicateScanning { 1234, 5, 2'500'000 });
    executor.runUntilIdle();
    EXPECT_EQ(model.stateRow(FilesSlot::duplicates),
        (FilesStateRow {
            FilesStateRow::Kind::scanning, "5 groups · 2.5 MB reclaimable", "Hashing 1234 candidate files…", { "Cancel" }, false }));
    duplicatesProducers[0]->yield(DuplicateScanComplete { { group('a', 1000, { "/a", "/b", "/c" }) }, 2000 });
    duplicatesProducers[0]->finish();
    executor.runUntilIdle();
    EXPECT_EQ(model.stateRow(FilesSlot::duplicates),
        (FilesStateRow { FilesStateRow::Kind::scanned, "2 KB", "1 groups · 3 files · now", { "Re-scan", "Review" }, false }));

    model.scanLargeFiles();
    EXPECT_EQ(model.stateRow(FilesSlot::largeFiles).headline, "Scanning…");
}

}  // namespace
}  // namespace lopewell
