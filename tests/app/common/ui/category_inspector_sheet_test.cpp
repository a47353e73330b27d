// Wiring only: the texts and rules are the model's and are tested there.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>

#include "app/common/ui/category_inspector_sheet.h"

using namespace lopewell;

namespace {

std::vector<StorageItem> threeItems()
{
    std::vector<StorageItem> items;
    for (int i = 1; i <= 3; ++i) {
        StorageItem item;
        item.path = "/c/f" + std::to_string(i);
        item.size = uint64_t(i) * 1000;
        items.push_back(item);
    }
    return items;
}

QString cell(const QTableView* table, int row, int column)
{
    return table->model()->index(row, column).data().toString();
}

QPushButton* buttonTitled(QMessageBox* box, const QString& title)
{
    for (QAbstractButton* button : box->buttons()) {
        if (button->text() == title)
            return static_cast<QPushButton*>(button);
    }
    return nullptr;
}

struct Fixture {
    std::vector<std::vector<StorageItem>> requests;
    CategoryInspectorModel::RemoveDone pending;
    CategoryInspectorModel model;
    QWidget owner;
    CategoryInspectorSheet sheet;

    explicit Fixture(CategoryInspectorModel::Options options)
        : model(std::move(options), threeItems(),
              [this](std::vector<StorageItem> items, CategoryInspectorModel::RemoveDone done) {
                  requests.push_back(std::move(items));
                  pending = std::move(done);
              })
        , sheet(model, &owner)
    {
        owner.show();
        sheet.open();
    }

    void finish(std::set<std::string> moved, int failed)
    {
        RemovalOutcome outcome;
        outcome.movedPaths = std::move(moved);
        outcome.movedCount = int(outcome.movedPaths.size());
        outcome.failedCount = failed;
        std::exchange(pending, {})(outcome);
    }
};

CategoryInspectorModel::Options category()
{
    CategoryInspectorModel::Options options;
    options.title = "User Logs";
    options.offersTrashAll = true;
    return options;
}

}  // namespace

TEST(CategoryInspectorSheet, ShowsTheRowsLargestFirstAllSelectedAndSortsOnHeaderClicks)
{
    Fixture f(category());
    QTableView* table = f.sheet.table();
    ASSERT_EQ(table->model()->rowCount(), 3);
    EXPECT_EQ(cell(table, 0, 0), QStringLiteral("f3"));
    EXPECT_EQ(cell(table, 0, 3), QStringLiteral("/c/f3"));
    EXPECT_EQ(cell(table, 0, 2), QStringLiteral("—")) << "no modification date";
    EXPECT_EQ(table->selectionModel()->selectedRows().size(), 3);

    table->horizontalHeader()->sectionClicked(0);  // Name, A first
    EXPECT_EQ(f.model.sortOrder(), (InspectorSortOrder { InspectorColumn::name, true }));
    EXPECT_EQ(cell(table, 0, 0), QStringLiteral("f1"));
    EXPECT_EQ(table->selectionModel()->selectedRows().size(), 3) << "a new order keeps the selection";
    table->horizontalHeader()->sectionClicked(0);
    EXPECT_EQ(cell(table, 0, 0), QStringLiteral("f3"));
}

TEST(CategoryInspectorSheet, DeselectingARowInTheTableReachesTheModelAndTheButton)
{
    Fixture f(category());
    QTableView* table = f.sheet.table();
    table->selectionModel()->select(table->model()->index(0, 0), QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    EXPECT_EQ(f.model.selection().size(), 2u);
    EXPECT_FALSE(f.model.selection().contains("/c/f3"));
    EXPECT_EQ(f.sheet.primaryButton()->text(), QStringLiteral("Move 2 items to Trash"));

    table->clearSelection();
    EXPECT_FALSE(f.sheet.primaryButton()->isEnabled());
    EXPECT_EQ(f.sheet.askToConfirm(), nullptr);
}

TEST(CategoryInspectorSheet, ConfirmingRemovesUnderTheOverlayThenShowsWhatIsLeft)
{
    Fixture f(category());
    QMessageBox* box = f.sheet.askToConfirm();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), QStringLiteral("Move 3 items to Trash?"));
    QPushButton* destructive = buttonTitled(box, QStringLiteral("Move to Trash"));
    ASSERT_NE(destructive, nullptr);
    destructive->click();

    ASSERT_EQ(f.requests.size(), 1u);
    EXPECT_EQ(f.requests[0].size(), 3u);
    EXPECT_TRUE(f.sheet.progressOverlay()->isVisibleTo(&f.sheet));
    EXPECT_FALSE(f.sheet.cancelButton()->isEnabled());
    f.sheet.reject();  // Escape while a removal runs
    EXPECT_TRUE(f.sheet.isVisible());

    f.finish({ "/c/f3", "/c/f2" }, 1);
    EXPECT_FALSE(f.sheet.progressOverlay()->isVisibleTo(&f.sheet));
    EXPECT_EQ(f.sheet.table()->model()->rowCount(), 1);
    auto* alert = f.sheet.findChild<QMessageBox*>(QStringLiteral("trashFailureAlert"));
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->text(), QStringLiteral("Couldn't move 1 item to Trash"));
    alert->buttons().front()->click();
    EXPECT_EQ(f.model.failure(), std::nullopt);
}

TEST(CategoryInspectorSheet, CancellingTheConfirmationRemovesNothing)
{
    Fixture f(category());
    QMessageBox* box = f.sheet.askToConfirmAll();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), QStringLiteral("Move all 3 items to Trash?"));
    buttonTitled(box, QStringLiteral("Cancel"))->click();
    EXPECT_TRUE(f.requests.empty());
    EXPECT_TRUE(f.sheet.isVisible());
}

TEST(CategoryInspectorSheet, ClosesWithTheModel)
{
    Fixture f(category());
    f.sheet.reject();
    EXPECT_FALSE(f.model.isOpen());
    EXPECT_FALSE(f.sheet.isVisible());
}

TEST(CategoryInspectorSheet, ASheetThatClosesOnConfirmShowsTheFailureOverItsOwner)
{
    CategoryInspectorModel::Options smartScan;
    smartScan.title = "Smart Scan";
    smartScan.staysOpen = false;
    Fixture f(smartScan);
    EXPECT_FALSE(f.sheet.trashAllButton()->isVisibleTo(&f.sheet));
    buttonTitled(f.sheet.askToConfirm(), QStringLiteral("Move to Trash"))->click();
    EXPECT_FALSE(f.sheet.isVisible());

    f.finish({ "/c/f1" }, 2);
    auto* alert = f.owner.findChild<QMessageBox*>(QStringLiteral("trashFailureAlert"), Qt::FindDirectChildrenOnly);
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->text(), QStringLiteral("Couldn't move 2 items to Trash"));
}
