// Wiring only: the panes' rules and texts are tested with the view model.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <thread>

#include "app/common/ui/category_inspector_sheet.h"
#include "app/files/ui/files_view.h"
#include "core/concurrency/executor.h"
#include "platform/user_defaults.h"
#include "tests/support/temp_tree.h"

using namespace lopewell;
namespace fs = std::filesystem;

namespace {

class FilesViewTest : public ::testing::Test {
protected:
    FilesViewTest()
    {
        const std::string body(3 << 20, 'q');
        for (const char* name : { "keep", "sub/copy" })
            lopewell::testing::writeFile(home / name, body);
        model = std::make_unique<FilesViewModel>(FilesViewModel::Environment {
            executor,
            [](const fs::path& root, FilesScanner::Mode mode) {
                auto [producer, stream] = Stream<StorageScanProgress>::makePair();
                FilesScanner::run(root, mode, producer);
                return std::move(stream);
            },
            [](const fs::path& root, std::uint64_t minSize) {
                auto [producer, stream] = Stream<DuplicateScanProgress>::makePair();
                DuplicateScanner(1).run(root, minSize, producer);
                return std::move(stream);
            },
            [this](const std::vector<std::string>& paths) {
                trashed.assign(paths.begin(), paths.end());
                return RemovalOutcome { { paths.begin(), paths.end() }, int(paths.size()), 0, std::nullopt };
            },
            {},
            [] { return referenceDate(); },
            dir / "support/FilesScanCache.json",
            UserDefaults::open(dir / "config/UserDefaults.json"),
            home,
        });
    }

    lopewell::testing::TempDir dir;
    fs::path home = dir / "<i>home</i>";  // a name that reads as markup
    ManualExecutor executor;
    std::unique_ptr<FilesViewModel> model;
    std::vector<fs::path> trashed;
};

TEST_F(FilesViewTest, ScansReviewsAndTrashesThroughTheSharedSheet)
{
    FilesView view(*model);
    view.show();
    view.findChild<QPushButton*>(QStringLiteral("duplicates"))->click();
    EXPECT_EQ(view.currentPane(), FilesSlot::duplicates);

    ASSERT_TRUE(view.stateButton(FilesSlot::duplicates, "Scan"));
    view.stateButton(FilesSlot::duplicates, "Scan")->click();
    executor.runUntilIdle();
    ASSERT_TRUE(std::holds_alternative<DuplicatesScanned>(model->duplicatesState()));
    EXPECT_EQ(view.headline(FilesSlot::duplicates)->text().toStdString(), model->stateRow(FilesSlot::duplicates).headline);
    EXPECT_NE(model->stateRow(FilesSlot::duplicates).headline, "Not scanned yet");

    QPushButton* reviewButton = view.stateButton(FilesSlot::duplicates, "Review");
    ASSERT_TRUE(reviewButton);
    ASSERT_TRUE(reviewButton->isEnabled());
    reviewButton->click();
    CategoryInspectorSheet* sheet = view.sheet();
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->model().selection(), (std::set<std::string> { home / "sub/copy" }));

    sheet->model().confirm();
    while (model->isTrashing()) {
        if (executor.runUntilIdle() == 0)
            std::this_thread::yield();
    }
    executor.runUntilIdle();
    EXPECT_EQ(trashed, (std::vector<fs::path> { home / "sub/copy" }));
    EXPECT_EQ(model->duplicatesState(), DuplicatesScanState(FilesIdle {}));
    EXPECT_TRUE(view.stateButton(FilesSlot::duplicates, "Scan"));
}

TEST_F(FilesViewTest, ThePickerSetsThePanesThreshold)
{
    FilesView view(*model);
    auto* large = view.findChild<QComboBox*>(QStringLiteral("largeFiles.picker"));
    auto* old = view.findChild<QComboBox*>(QStringLiteral("oldFiles.picker"));
    ASSERT_TRUE(large && old);
    ASSERT_EQ(large->count(), 4);
    EXPECT_EQ(large->currentText(), QStringLiteral("100 MB"));
    large->setCurrentIndex(2);
    Q_EMIT large->activated(2);
    EXPECT_EQ(model->largeFilesThreshold(), 1'073'741'824u);
    Q_EMIT old->activated(4);
    EXPECT_EQ(model->oldFilesAgeDays(), 730);
}

TEST_F(FilesViewTest, AFolderNamedLikeMarkupIsShownAsPlainText)
{
    FilesView view(*model);
    const QString path = QString::fromStdString(home.native());
    QLabel* folder = nullptr;
    for (QLabel* label : view.findChildren<QLabel*>())
        if (label->text() == path)
            folder = label;
    ASSERT_TRUE(folder);
    EXPECT_EQ(folder->textFormat(), Qt::PlainText);
    EXPECT_TRUE(folder->toolTip().contains(QStringLiteral("&lt;i&gt;home&lt;/i&gt;"))) << folder->toolTip().toStdString();
}

}  // namespace
