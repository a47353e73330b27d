#include "app/space/space_view_model.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

#include <gtest/gtest.h>

#include "core/concurrency/executor.h"

namespace lopewell {
namespace {

constexpr uint64_t MiB = 1 << 20;

// A ManualExecutor whose test can wait, without sleeping, for a background thread's post.
class WaitableExecutor final : public Executor {
public:
    void post(Job job) override
    {
        m_inner.post(std::move(job));
        std::lock_guard lock(m_mutex);
        ++m_posts;
        m_posted.notify_all();
    }
    bool isCurrent() const override { return m_inner.isCurrent(); }
    size_t runUntilIdle() { return m_inner.runUntilIdle(); }
    void waitForPosts(size_t count)
    {
        std::unique_lock lock(m_mutex);
        if (!m_posted.wait_for(lock, std::chrono::seconds(10), [&] { return m_posts >= count; }))
            ADD_FAILURE() << "waited 10 s for post " << count << "; " << m_posts << " arrived";
    }
    size_t posts()
    {
        std::lock_guard lock(m_mutex);
        return m_posts;
    }

private:
    ManualExecutor m_inner;
    std::mutex m_mutex;
    std::condition_variable m_posted;
    size_t m_posts = 0;
};

DiskNode fixtureTree()
{
    return DiskNode::directory("/home/ada",
        {
            DiskNode::directory("/home/ada/Movies",
                {
                    DiskNode::directory("/home/ada/Movies/2024",
                        {
                            DiskNode::file("/home/ada/Movies/2024/trip.mov", 40 * MiB),
                            DiskNode::file("/home/ada/Movies/2024/party.mov", 20 * MiB),
                        }),
                    DiskNode::file("/home/ada/Movies/old.avi", 10 * MiB),
                }),
            DiskNode::directory("/home/ada/Empty", {}),
            DiskNode::file("/home/ada/disk.img", 30 * MiB),
            DiskNode::smallFilesAggregate("/home/ada", 500, 4),
        });
}

class SpaceViewModelTest : public ::testing::Test {
protected:
    SpaceViewModel::Environment environment()
    {
        return {
            executor,
            [this](const std::string& path) {
                scannedPaths.push_back(path);
                auto [producer, stream] = Stream<DiskScanProgress>::makePair();
                producers.push_back(std::make_unique<StreamProducer<DiskScanProgress>>(std::move(producer)));
                return std::move(stream);
            },
            [this](const std::string& path) {
                std::lock_guard lock(trashMutex);
                trashed.push_back(path);
                return trashOutcome;
            },
            [this] { return accessGranted; },
            "/home/ada",
            "",
        };
    }

    void deliver(size_t scan, DiskScanProgress value)
    {
        producers.at(scan)->yield(std::move(value));
        executor.runUntilIdle();
    }
    void finish(size_t scan)
    {
        producers.at(scan)->finish();
        executor.runUntilIdle();
    }
    void scanFixture()
    {
        model.scanHome();
        deliver(producers.size() - 1, DiskScanComplete { fixtureTree(), 0 });
        finish(producers.size() - 1);
    }
    void trashAndWait()
    {
        const size_t posts = executor.posts();
        model.trashSelection();
        executor.waitForPosts(posts + 1);
        executor.runUntilIdle();
    }

    WaitableExecutor executor;
    bool accessGranted = true;
    std::vector<std::string> scannedPaths;
    std::vector<std::unique_ptr<StreamProducer<DiskScanProgress>>> producers;
    std::mutex trashMutex;
    std::vector<std::string> trashed;
    SpaceTrashOutcome trashOutcome { true, 0, std::nullopt };
    SpaceViewModel model { environment() };
};

TEST_F(SpaceViewModelTest, ScanShowsCountersThenTheTreeAtItsRoot)
{
    int changes = 0;
    auto subscription = model.observers().add([&] { ++changes; });
    EXPECT_EQ(model.currentNode(), nullptr);
    EXPECT_EQ(model.emptyTitle(), "No scan yet.");

    model.scanHome();
    EXPECT_EQ(scannedPaths, (std::vector<std::string> { "/home/ada" }));
    EXPECT_TRUE(model.isScanning());
    deliver(0, DiskScanScanning { 2000, 5 * MiB });
    EXPECT_EQ(model.scannedFiles(), 2000);
    EXPECT_EQ(model.progressText(), "Scanning… 2,000 files · 5.2 MB");
    deliver(0, DiskScanComplete { fixtureTree(), 3 });
    EXPECT_TRUE(model.isScanning());
    finish(0);
    EXPECT_FALSE(model.isScanning());
    ASSERT_NE(model.currentNode(), nullptr);
    EXPECT_EQ(*model.currentNode(), fixtureTree());
    EXPECT_EQ(model.drillPath().size(), 1u);
    EXPECT_EQ(model.unreadableText(), "3 folders couldn't be read (permissions) and were skipped.");
    EXPECT_GE(changes, 4);
}

TEST_F(SpaceViewModelTest, ASupersededScanNeverTouchesCountersOrTree)
{
    model.scanHome();
    model.scan("/data");
    // The first scan's stream was dropped when the second began: its producer hears of it.
    EXPECT_TRUE(producers[0]->isStopRequested());
    EXPECT_FALSE(producers[0]->yield(DiskScanScanning { 4000, 1 }));
    deliver(1, DiskScanScanning { 2000, 7 });
    EXPECT_EQ(model.scannedFiles(), 2000);
    EXPECT_EQ(model.scannedBytes(), 7u);
    EXPECT_FALSE(model.rootNode().has_value());
    deliver(1, DiskScanComplete { DiskNode::directory("/data", {}), 0 });
    EXPECT_EQ(model.rootNode()->path(), "/data");
}

TEST_F(SpaceViewModelTest, RescanClearsSelectionButKeepsTheMapUntilTheNewTreeArrives)
{
    scanFixture();
    model.drill(model.currentNode()->children()[0]);
    model.select(model.currentNode()->children()[0]);
    model.rescan();
    EXPECT_EQ(scannedPaths.back(), "/home/ada");
    EXPECT_FALSE(model.selection().has_value());
    EXPECT_EQ(model.drillPath().size(), 2u);
    EXPECT_EQ(model.scannedFiles(), 0);
    deliver(1, DiskScanComplete { DiskNode::directory("/home/ada", {}), 0 });
    EXPECT_EQ(model.drillPath().size(), 1u);
    EXPECT_TRUE(model.currentNode()->children().empty());
}

TEST_F(SpaceViewModelTest, MissingLocationOrCancelLeavesTheOldTree)
{
    scanFixture();
    model.scan("/nowhere");
    deliver(1, DiskScanMissing { "/nowhere" });
    finish(1);
    EXPECT_FALSE(model.isScanning());
    EXPECT_EQ(*model.rootNode(), fixtureTree());

    model.scan("/again");
    model.cancelScan();
    EXPECT_FALSE(model.isScanning());
    EXPECT_TRUE(producers[2]->isStopRequested());
    executor.runUntilIdle();
    EXPECT_EQ(*model.rootNode(), fixtureTree());
}

TEST_F(SpaceViewModelTest, DrillsOnlyIntoFoldersWithChildrenAndNavigatesBack)
{
    scanFixture();
    const DiskNode root = *model.currentNode();
    model.drill(root.children()[1]);  // Empty
    model.drill(root.children()[2]);  // a file
    model.drill(root.children()[3]);  // the aggregate
    EXPECT_EQ(model.drillPath().size(), 1u);

    model.drill(root.children()[0]);
    model.select(model.currentNode()->children()[1]);
    model.drill(model.currentNode()->children()[0]);
    EXPECT_FALSE(model.selection().has_value());
    EXPECT_EQ(model.breadcrumbs(), (std::vector<Breadcrumb> { { "ada", 0 }, { "Movies", 1 }, { "2024", 2 } }));

    for (int64_t outside : { int64_t(3), int64_t(-1), int64_t(99) }) {
        model.navigate(outside);
        EXPECT_EQ(model.drillPath().size(), 3u);
    }
    model.select(model.currentNode()->children()[0]);
    model.navigate(1);
    EXPECT_EQ(model.currentNode()->name(), "Movies");
    EXPECT_FALSE(model.selection().has_value());
}

TEST_F(SpaceViewModelTest, InspectorTextsForFileFolderAndAggregate)
{
    EXPECT_FALSE(model.inspector().has_value());
    scanFixture();
    const DiskNode root = *model.currentNode();  // 100 MiB + 500 bytes

    model.select(root.children()[0]);
    SpaceInspector folder = *model.inspector();
    EXPECT_EQ(folder.name, "Movies");
    EXPECT_EQ(folder.rows, (std::vector<InspectorRow> { { "Size", "73.4 MB" }, { "Share", "70.0%" }, { "Kind", "Folder" } }));
    EXPECT_TRUE(folder.canOpen);
    EXPECT_TRUE(folder.canTrash);
    EXPECT_EQ(folder.revealTitle, "Reveal in Finder");
    EXPECT_EQ(folder.revealPath, "/home/ada/Movies");
    EXPECT_EQ(model.trashConfirmationTitle(), "Move Movies to Trash?");

    model.select(root.children()[1]);
    EXPECT_FALSE(model.inspector()->canOpen);  // an empty folder cannot be entered

    model.select(root.children()[3]);
    SpaceInspector aggregate = *model.inspector();
    EXPECT_EQ(aggregate.name, "Small files (4)");
    EXPECT_EQ(aggregate.rows, (std::vector<InspectorRow> { { "Size", "500 bytes" }, { "Share", "0.0%" } }));
    EXPECT_EQ(aggregate.note, "Many small files, grouped. Open the folder in Finder to manage them.");
    EXPECT_EQ(aggregate.revealTitle, "Reveal Folder in Finder");
    EXPECT_EQ(aggregate.revealPath, "/home/ada");
    EXPECT_FALSE(aggregate.canTrash);
}

TEST_F(SpaceViewModelTest, ShareIsLeftOutWhenTheCurrentNodeHasNoSize)
{
    model.scanHome();
    deliver(0, DiskScanComplete { DiskNode::directory("/z", { DiskNode::file("/z/empty", 0) }), 0 });
    model.select(model.currentNode()->children()[0]);
    EXPECT_EQ(model.inspector()->rows, (std::vector<InspectorRow> { { "Size", "Zero KB" }, { "Kind", "File" } }));
    EXPECT_EQ(model.breadcrumbs().front().title, "z");
    EXPECT_EQ(spaceShareText(1, 3), "33.3%");
}

TEST_F(SpaceViewModelTest, TrashingAFileTwoLevelsDownPrunesTheTreeAndKeepsTheDepth)
{
    scanFixture();
    model.drill(model.currentNode()->children()[0]);
    model.drill(model.currentNode()->children()[0]);
    model.select(model.currentNode()->children()[0]);  // trip.mov, 40 MiB
    trashAndWait();

    EXPECT_EQ(trashed, (std::vector<std::string> { "/home/ada/Movies/2024/trip.mov" }));
    EXPECT_FALSE(model.trashFailure().has_value());
    EXPECT_FALSE(model.selection().has_value());
    EXPECT_EQ(model.rootNode()->size(), fixtureTree().size() - 40 * MiB);
    ASSERT_EQ(model.drillPath().size(), 3u);
    EXPECT_EQ(model.drillPath()[0], *model.rootNode());
    EXPECT_EQ(model.drillPath()[1].size(), 30 * MiB);
    EXPECT_EQ(model.currentNode()->children().size(), 1u);
}

TEST_F(SpaceViewModelTest, TrashingTheCurrentFolderClimbsToWhereThePathStillExists)
{
    scanFixture();
    model.drill(model.currentNode()->children()[0]);
    model.drill(model.currentNode()->children()[0]);
    model.navigate(1);
    model.select(model.currentNode()->children()[0]);  // 2024
    trashAndWait();
    EXPECT_EQ(model.drillPath().size(), 2u);

    model.drill(model.drillPath()[0].children()[0]);  // Movies again: now only old.avi
    EXPECT_EQ(model.currentNode()->children().size(), 1u);
}

TEST_F(SpaceViewModelTest, AFailedOrVanishedTrashLeavesTheTreeAndRaisesTheAlert)
{
    scanFixture();
    model.select(model.currentNode()->children()[2]);
    trashOutcome = { false, 1, "The file doesn't exist." };
    trashAndWait();
    EXPECT_EQ(model.trashFailure(), TrashFailureAlert::make(1, "The file doesn't exist.", platformWords(HostFlavour::macOS)));
    EXPECT_EQ(model.trashFailure()->title, "Couldn't move 1 item to Trash");
    EXPECT_EQ(*model.rootNode(), fixtureTree());
    EXPECT_TRUE(model.selection().has_value());
    model.dismissTrashFailure();
    EXPECT_FALSE(model.trashFailure().has_value());
}

TEST_F(SpaceViewModelTest, TheAggregateAndNoSelectionAreNeverTrashed)
{
    scanFixture();
    model.trashSelection();
    model.select(model.currentNode()->children()[3]);
    model.trashSelection();
    EXPECT_FALSE(model.isTrashing());
    executor.runUntilIdle();
    EXPECT_TRUE(trashed.empty());
}

TEST_F(SpaceViewModelTest, MountPointsAreNamedOnScreenScannedOnTheirOwnAndNeverTrashed)
{
    model.scanRootVolume();
    EXPECT_FALSE(model.mountPointText().has_value());
    const DiskNode root = DiskNode::directory("/", { DiskNode::file("/vmlinuz", 2 * MiB), DiskNode::mountPoint("/proc") });
    deliver(0, DiskScanComplete { root, 0, { "/media/usb", "/proc" } });
    finish(0);
    EXPECT_EQ(model.mountPoints(), (std::vector<std::string> { "/media/usb", "/proc" }));
    EXPECT_EQ(model.mountPointText(), "Not scanned, other file systems mounted here: /media/usb, /proc.");

    model.select(model.currentNode()->children()[1]);
    const SpaceInspector mount = *model.inspector();
    EXPECT_EQ(mount.name, "proc");
    EXPECT_EQ(mount.rows, (std::vector<InspectorRow> { { "Size", "Zero KB" }, { "Share", "0.0%" }, { "Kind", "Mounted volume" } }));
    EXPECT_EQ(mount.note, std::string(mountPointNote));
    EXPECT_TRUE(mount.canScanVolume);
    EXPECT_FALSE(mount.canTrash);
    EXPECT_FALSE(mount.canOpen);
    model.trashSelection();
    EXPECT_FALSE(model.isTrashing());
    EXPECT_TRUE(trashed.empty());
    model.select(model.currentNode()->children()[0]);
    EXPECT_FALSE(model.inspector()->canScanVolume);

    // A new scan forgets the old list; a long one is cut after five names.
    model.scanHome();
    EXPECT_FALSE(model.mountPointText().has_value());
    deliver(1, DiskScanComplete { fixtureTree(), 0, { "/a", "/b", "/c", "/d", "/e", "/f", "/g" } });
    EXPECT_EQ(model.mountPointText(), "Not scanned, other file systems mounted here: /a, /b, /c, /d, /e and 2 more.");
    deliver(1, DiskScanComplete { fixtureTree(), 0, { "/mnt" } });
    EXPECT_EQ(model.mountPointText(), "Not scanned, another file system mounted here: /mnt.");
}

TEST(SpaceViewModel, ScanButtonsFollowFullDiskAccess)
{
    ManualExecutor executor;
    bool granted = false;
    SpaceViewModel model({ executor, nullptr, nullptr, [&] { return granted; }, "/home/ada", "system" });
    EXPECT_FALSE(model.canScan());
    EXPECT_EQ(model.emptyTitle(), "Grant Full Disk Access, then scan.");
    EXPECT_EQ(model.rootVolumeButtonTitle(), "Scan system");
    granted = true;
    model.recheckFullDiskAccess();
    EXPECT_TRUE(model.canScan());
    EXPECT_FALSE(model.canRescan());  // nothing scanned yet
    EXPECT_EQ(model.emptyTitle(), "No scan yet.");
}

}  // namespace
}  // namespace lopewell
