#include <gtest/gtest.h>

#include <memory>

#include "app/common/category_inspector_model.h"
#include "core/format/byte_count_formatter.h"

using namespace lopewell;
using namespace std::chrono_literals;

namespace {

using Paths = std::set<std::string>;

StorageItem item(std::string path, uint64_t size, std::optional<Date> modified = std::nullopt)
{
    StorageItem row;
    row.path = std::move(path);
    row.size = size;
    row.modificationDate = modified;
    return row;
}

// Ten files of 1 000 to 10 000 bytes: /c/f1 is the smallest, /c/f10 the largest.
std::vector<StorageItem> tenItems()
{
    std::vector<StorageItem> items;
    for (int i = 1; i <= 10; ++i)
        items.push_back(item("/c/f" + std::to_string(i), uint64_t(i) * 1000));
    return items;
}

std::vector<std::string> paths(const std::vector<StorageItem>& items)
{
    std::vector<std::string> result;
    for (const StorageItem& row : items)
        result.push_back(row.path);
    return result;
}

// The owner's side of a removal: records what it was asked to remove and answers when the test
// says so, as the trash service would after its work.
struct FakeRemoval {
    std::vector<std::vector<StorageItem>> requests;
    CategoryInspectorModel::RemoveDone pending;

    CategoryInspectorModel::RemoveAction action()
    {
        return [this](std::vector<StorageItem> items, CategoryInspectorModel::RemoveDone done) {
            requests.push_back(std::move(items));
            pending = std::move(done);
        };
    }

    // Everything asked for went, except `failing`.
    void finish(const Paths& failing = {}, std::optional<std::string> error = std::nullopt)
    {
        RemovalOutcome outcome;
        for (const StorageItem& row : requests.back()) {
            if (!failing.contains(row.path))
                outcome.movedPaths.insert(row.path);
        }
        outcome.movedCount = int(outcome.movedPaths.size());
        outcome.failedCount = int(requests.back().size()) - outcome.movedCount;
        outcome.error = std::move(error);
        std::exchange(pending, {})(outcome);
    }
};

CategoryInspectorModel::Options options(std::string title)
{
    CategoryInspectorModel::Options result;
    result.title = std::move(title);
    return result;
}

// As the Storage screen opens a category.
CategoryInspectorModel::Options categoryOptions(bool permanentDelete = false)
{
    CategoryInspectorModel::Options result = options("User Caches");
    result.offersTrashAll = true;
    result.permanentDelete = permanentDelete;
    return result;
}

}  // namespace

TEST(CategoryInspectorModel, OpensWithEveryRowSelectedLargestFirst)
{
    FakeRemoval removal;
    CategoryInspectorModel inspector(categoryOptions(), tenItems(), removal.action());

    EXPECT_TRUE(inspector.isOpen());
    EXPECT_EQ(paths(inspector.sortedItems()).front(), "/c/f10");
    EXPECT_EQ(paths(inspector.sortedItems()).back(), "/c/f1");
    EXPECT_EQ(inspector.selection().size(), 10u);
    EXPECT_EQ(inspector.headerText(), "10 items · 55 KB total");
    EXPECT_EQ(inspector.captionText(), std::nullopt);
    EXPECT_EQ(inspector.selectionText(), "Selected: 10 items · 55 KB");
    EXPECT_EQ(inspector.tipText(), "Tip: Cmd-click to deselect, Cmd-A to reselect all.");
    EXPECT_EQ(inspector.primaryButtonTitle(), "Move 10 items to Trash");
}

TEST(CategoryInspectorModel, DeselectingOneRowChangesTheButtonFooterAndConfirmation)
{
    FakeRemoval removal;
    CategoryInspectorModel inspector(categoryOptions(), tenItems(), removal.action());
    int changes = 0;
    auto subscription = inspector.observers().add([&] { ++changes; });

    Paths nine = inspector.selection();
    nine.erase("/c/f10");
    inspector.setSelection(nine);

    EXPECT_EQ(changes, 1);
    EXPECT_EQ(inspector.primaryButtonTitle(), "Move 9 items to Trash");
    EXPECT_EQ(inspector.selectionText(), "Selected: 9 items · 45 KB");
    EXPECT_EQ(inspector.confirmation(),
        (InspectorConfirmation {
            "Move 9 items to Trash?", "Items go to your Trash, not permanent deletion. Total: 45 KB.", "Cancel", "Move to Trash" }));

    // The selected rows go in display order.
    inspector.confirm();
    ASSERT_EQ(removal.requests.size(), 1u);
    EXPECT_EQ(paths(removal.requests[0]).front(), "/c/f9");
    EXPECT_EQ(paths(removal.requests[0]).back(), "/c/f1");
    EXPECT_EQ(removal.requests[0].size(), 9u);
}

TEST(CategoryInspectorModel, AfterABatchTheSheetShowsWhatIsLeftSelectedAgain)
{
    FakeRemoval removal;
    CategoryInspectorModel inspector(categoryOptions(), tenItems(), removal.action());
    Paths nine = inspector.selection();
    nine.erase("/c/f10");
    inspector.setSelection(nine);

    inspector.confirm();
    EXPECT_TRUE(inspector.isCleaning());
    EXPECT_TRUE(inspector.showsProgress());
    EXPECT_EQ(inspector.progressText(), "Moving to Trash…");
    removal.finish();

    EXPECT_TRUE(inspector.isOpen());
    EXPECT_FALSE(inspector.isCleaning());
    EXPECT_EQ(paths(inspector.sortedItems()), std::vector<std::string> { "/c/f10" });
    EXPECT_EQ(inspector.selection(), Paths { "/c/f10" });
    EXPECT_EQ(inspector.headerText(), "1 items · 10 KB total");
    EXPECT_EQ(inspector.failure(), std::nullopt);

    inspector.confirm();
    removal.finish();
    EXPECT_FALSE(inspector.isOpen()) << "nothing left to review";
}

TEST(CategoryInspectorModel, OnlyWhatTheOutcomeNamesLeavesTheListAndFailuresRaiseTheAlert)
{
    FakeRemoval removal;
    CategoryInspectorModel inspector(categoryOptions(), tenItems(), removal.action());
    inspector.setSelection({ "/c/f1", "/c/f2", "/c/f3" });
    inspector.confirm();
    removal.finish({ "/c/f2" }, "Permission denied");

    EXPECT_EQ(inspector.totalCount(), 8);
    EXPECT_EQ(inspector.totalBytes(), 55'000u - 1000 - 3000);
    EXPECT_EQ(inspector.selection().size(), 8u) << "the failed row is offered again with the rest";
    EXPECT_EQ(inspector.failure(), (RemovalFailure { 1, "Permission denied" }));

    inspector.clearFailure();
    EXPECT_EQ(inspector.failure(), std::nullopt);
}

TEST(CategoryInspectorModel, ListsTheLargest2000AndTheRestBubbleUpAfterEachBatch)
{
    std::vector<StorageItem> items;
    for (int i = 0; i < 2500; ++i)
        items.push_back(item("/c/" + std::to_string(i), uint64_t(i + 1)));
    FakeRemoval removal;
    CategoryInspectorModel inspector(categoryOptions(), items, removal.action());

    EXPECT_EQ(inspector.listedCount(), 2000u);
    EXPECT_EQ(inspector.totalCount(), 2500);
    EXPECT_EQ(inspector.totalBytes(), 2500u * 2501 / 2);
    EXPECT_EQ(inspector.sortedItems().back().size, 501u) << "the smallest 500 wait";
    EXPECT_EQ(inspector.captionText(), "Showing top 2000 by size · 500 more not listed — they'll bubble up after each batch.");
    EXPECT_EQ(inspector.trashAllConfirmation().message,
        "Trashes every scanned item in this category, including 500 not shown in the list. Total: "
            + formatByteCount(2500u * 2501 / 2, ByteCountStyle::file) + ".");
    EXPECT_EQ(inspector.trashAllConfirmation().title, "Move all 2500 items to Trash?");

    inspector.confirm();
    EXPECT_EQ(removal.requests.back().size(), 2000u);
    removal.finish();

    EXPECT_TRUE(inspector.isOpen());
    EXPECT_EQ(inspector.listedCount(), 500u);
    EXPECT_EQ(inspector.totalCount(), 500);
    EXPECT_EQ(inspector.selection().size(), 500u);
    EXPECT_EQ(inspector.captionText(), std::nullopt);
    EXPECT_EQ(inspector.trashAllConfirmation().message, "Trashes every scanned item in this category. Total: 125 KB.");
}

TEST(CategoryInspectorModel, TrashAllRemovesEveryHeldItemIncludingTheUnlisted)
{
    std::vector<StorageItem> items;
    for (int i = 0; i < 2001; ++i)
        items.push_back(item("/c/" + std::to_string(i), 10));
    FakeRemoval removal;
    CategoryInspectorModel inspector(categoryOptions(), items, removal.action());
    inspector.setSelection({});

    EXPECT_TRUE(inspector.isTrashAllEnabled()) << "does not depend on the selection";
    inspector.confirmAll();
    ASSERT_EQ(removal.requests.size(), 1u);
    EXPECT_EQ(removal.requests[0].size(), 2001u);
    removal.finish();
    EXPECT_FALSE(inspector.isOpen());
}

TEST(CategoryInspectorModel, PermanentDeletionSaysSoEverywhere)
{
    std::vector<StorageItem> items;
    for (int i = 0; i < 2003; ++i)
        items.push_back(item("/u/.Trash/" + std::to_string(i), 1000));
    FakeRemoval removal;
    CategoryInspectorModel inspector(categoryOptions(true), items, removal.action());

    EXPECT_EQ(inspector.primaryButtonTitle(), "Delete 2000 items");
    EXPECT_EQ(inspector.trashAllButtonTitle(), "Delete All Permanently");
    EXPECT_EQ(inspector.confirmation(),
        (InspectorConfirmation { "Delete 2000 items permanently?",
            "These items are already in the Trash — this permanently deletes them and can't be undone. Total: 2 MB.", "Cancel",
            "Delete Permanently" }));
    EXPECT_EQ(inspector.trashAllConfirmation(),
        (InspectorConfirmation { "Delete all 2003 items permanently?",
            "Permanently deletes every scanned item in this category, including 3 not shown in the list — this can't be undone. "
            "Total: 2 MB.",
            "Cancel", "Delete All Permanently" }));
    inspector.confirm();
    EXPECT_EQ(inspector.progressText(), "Deleting…");

    CategoryInspectorModel trash(categoryOptions(false), items, removal.action());
    EXPECT_EQ(trash.trashAllButtonTitle(), "Move all to Trash");
    EXPECT_EQ(trash.trashAllConfirmation().confirmButton, "Move all to Trash");
}

TEST(CategoryInspectorModel, NothingSelectedOrARunningRemovalDisablesTheButtons)
{
    FakeRemoval removal;
    CategoryInspectorModel inspector(categoryOptions(), tenItems(), removal.action());
    inspector.setSelection({});
    EXPECT_FALSE(inspector.isPrimaryEnabled());
    EXPECT_TRUE(inspector.isCancelEnabled());
    EXPECT_EQ(inspector.primaryButtonTitle(), "Move 0 items to Trash");
    inspector.confirm();
    EXPECT_TRUE(removal.requests.empty());

    inspector.selectAll();
    inspector.confirm();
    ASSERT_EQ(removal.requests.size(), 1u);
    EXPECT_FALSE(inspector.isPrimaryEnabled());
    EXPECT_FALSE(inspector.isTrashAllEnabled());
    EXPECT_FALSE(inspector.isCancelEnabled());
    inspector.confirm();
    inspector.confirmAll();
    inspector.cancel();
    EXPECT_EQ(removal.requests.size(), 1u) << "no second removal while one runs";
    EXPECT_TRUE(inspector.isOpen());

    removal.finish({ "/c/f1" });
    EXPECT_TRUE(inspector.isCancelEnabled());
    inspector.cancel();
    EXPECT_FALSE(inspector.isOpen());
}

TEST(CategoryInspectorModel, ASheetThatDoesNotStayOpenClosesOnConfirmAndStillReportsFailures)
{
    FakeRemoval removal;
    CategoryInspectorModel::Options smartScan = options("Smart Scan");
    smartScan.staysOpen = false;
    CategoryInspectorModel inspector(smartScan, tenItems(), removal.action());
    EXPECT_FALSE(inspector.offersTrashAll());

    inspector.confirm();
    EXPECT_FALSE(inspector.isOpen());
    EXPECT_FALSE(inspector.showsProgress());
    removal.finish({ "/c/f3", "/c/f4" });
    EXPECT_EQ(inspector.failure(), (RemovalFailure { 2, std::nullopt }));
    EXPECT_FALSE(inspector.isOpen());
}

TEST(CategoryInspectorModel, ADefaultSelectionChoosesTheRowsAgainAfterEachBatch)
{
    FakeRemoval removal;
    CategoryInspectorModel::Options duplicates = options("Duplicates");
    duplicates.preselectAll = false;
    duplicates.defaultSelection = Paths { "/c/f2", "/c/f3", "/c/f9", "/elsewhere" };
    CategoryInspectorModel inspector(duplicates, tenItems(), removal.action());
    EXPECT_EQ(inspector.selection(), (Paths { "/c/f2", "/c/f3", "/c/f9" }));
    EXPECT_EQ(inspector.tipText(), "Tip: click to select, Cmd-click to extend, Cmd-A to select all.");

    inspector.setSelection({ "/c/f9" });
    inspector.confirm();
    removal.finish();
    EXPECT_EQ(inspector.selection(), (Paths { "/c/f2", "/c/f3" }));
}

TEST(CategoryInspectorModel, WithoutPreselectionTheUsersChoiceSurvivesARefreshMinusVanishedRows)
{
    FakeRemoval removal;
    CategoryInspectorModel::Options files = options("Files");
    files.preselectAll = false;
    CategoryInspectorModel inspector(files, tenItems(), removal.action());
    EXPECT_TRUE(inspector.selection().empty());

    inspector.setSelection({ "/c/f1", "/c/f2", "/not/listed" });
    EXPECT_EQ(inspector.selection(), (Paths { "/c/f1", "/c/f2" }));

    auto fewer = tenItems();
    fewer.erase(fewer.begin());  // /c/f1 is gone
    inspector.replaceItems(fewer);
    EXPECT_EQ(inspector.selection(), Paths { "/c/f2" });
}

TEST(CategoryInspectorModel, EveryColumnSorts)
{
    const Date day = referenceDate() + std::chrono::days(9000);
    const std::vector<StorageItem> rows {
        item("/b/file10", 300, day),
        item("/a/File2", 100),
        item("/c/file1", 300, day - 1h),
        item("/a/file2", 200, day + 1h),
    };
    struct Case {
        InspectorSortOrder order;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        { { InspectorColumn::size, false }, { "/b/file10", "/c/file1", "/a/file2", "/a/File2" } },  // ties by path
        { { InspectorColumn::size, true }, { "/a/File2", "/a/file2", "/b/file10", "/c/file1" } },
        { { InspectorColumn::name, true }, { "/c/file1", "/a/File2", "/a/file2", "/b/file10" } },      // file2 before file10
        { { InspectorColumn::modified, true }, { "/a/File2", "/c/file1", "/b/file10", "/a/file2" } },  // no date is oldest
        { { InspectorColumn::path, false }, { "/c/file1", "/b/file10", "/a/file2", "/a/File2" } },
    };
    for (const Case& c : cases) {
        FakeRemoval removal;
        CategoryInspectorModel inspector(categoryOptions(), rows, removal.action());
        inspector.setSortOrder(c.order);
        EXPECT_EQ(paths(inspector.sortedItems()), c.expected)
            << inspectorColumnTitle(c.order.column) << (c.order.ascending ? " up" : " down");
        // The confirmation hands rows over in this order.
        inspector.confirm();
        EXPECT_EQ(paths(removal.requests.at(0)), c.expected);
    }
}

TEST(CategoryInspectorModel, LargestItemsKeepsShortListsInTheirOwnOrder)
{
    const std::vector<StorageItem> rows { item("/a", 1), item("/b", 3), item("/c", 3), item("/d", 2) };
    EXPECT_EQ(paths(largestItems(rows, 4)), (std::vector<std::string> { "/a", "/b", "/c", "/d" }));
    EXPECT_EQ(paths(largestItems(rows, 3)), (std::vector<std::string> { "/b", "/c", "/d" }));
}

TEST(CategoryInspectorModel, ARemovalThatReportsAfterTheSheetWentAwayIsIgnored)
{
    FakeRemoval removal;
    auto inspector = std::make_unique<CategoryInspectorModel>(categoryOptions(), tenItems(), removal.action());
    inspector->confirm();
    inspector.reset();
    removal.finish();  // must not touch the destroyed model
    EXPECT_EQ(removal.requests.size(), 1u);
}

TEST(CategoryInspectorModel, AnAnswerGivenAtOnceIsHandledLikeALateOne)
{
    CategoryInspectorModel inspector(
        categoryOptions(), tenItems(), [](std::vector<StorageItem> items, CategoryInspectorModel::RemoveDone done) {
            RemovalOutcome outcome;
            outcome.movedPaths.insert(items.front().path);
            outcome.movedCount = 1;
            outcome.failedCount = int(items.size()) - 1;
            done(outcome);
        });
    inspector.confirm();
    EXPECT_FALSE(inspector.isCleaning());
    EXPECT_EQ(inspector.totalCount(), 9);
    EXPECT_EQ(inspector.failure(), (RemovalFailure { 9, std::nullopt }));
}

TEST(CategoryInspectorModel, TheTrashWordingNamesTheSelectedRowsThatAreDeletedForGood)
{
    CategoryInspectorModel::Options smartScan = options("Smart Scan");
    smartScan.staysOpen = false;
    smartScan.isAlreadyInTrash = [](const StorageItem& row) { return row.path.starts_with("/u/.Trash/"); };
    std::vector<StorageItem> rows { item("/c/a", 1000), item("/u/.Trash/b", 2000), item("/u/.Trash/c", 3000) };
    FakeRemoval removal;
    CategoryInspectorModel inspector(smartScan, rows, removal.action());

    EXPECT_EQ(inspector.confirmation().message,
        "Items go to your Trash, except 2 already in the Trash, which are deleted permanently and can't be restored. Total: 6 KB.");
    inspector.setSelection({ "/c/a", "/u/.Trash/c" });
    EXPECT_EQ(inspector.confirmation().message,
        "Items go to your Trash, except 1 already in the Trash, which are deleted permanently and can't be restored. Total: 4 KB.");
    inspector.setSelection({ "/c/a" });
    EXPECT_EQ(inspector.confirmation().message, "Items go to your Trash, not permanent deletion. Total: 1 KB.");
}
