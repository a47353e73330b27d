// Wiring only: the card and banner rules are tested with their models.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTableView>

#include "app/common/ui/category_inspector_sheet.h"
#include "app/common/ui/full_disk_access_banner.h"
#include "app/storage/storage_scanner.h"
#include "app/storage/ui/smart_scan_banner_view.h"
#include "app/storage/ui/storage_category_card.h"
#include "app/storage/ui/storage_view.h"
#include "core/concurrency/executor.h"
#include "tests/support/temp_tree.h"

using namespace lopewell;
namespace fs = std::filesystem;

namespace {

// The real scanner, run to its end before the stream is handed over.
Stream<StorageScanProgress> scanNow(const StorageCategory& category)
{
    auto [producer, stream] = Stream<StorageScanProgress>::makePair();
    StorageScanner::run(category, producer);
    return std::move(stream);
}

QPushButton* buttonTitled(const std::vector<QPushButton*>& buttons, const QString& title)
{
    for (QPushButton* button : buttons) {
        if (button->text() == title)
            return button;
    }
    return nullptr;
}

class StorageViewTest : public ::testing::Test {
protected:
    StorageViewTest()
    {
        lopewell::testing::writeFile(root / "home/Library/Logs/a.log", std::string(3000, 'a'));
        lopewell::testing::writeFile(root / "home/Library/Logs/b.log", "b");
    }

    void makeView()
    {
        model = std::make_unique<StorageViewModel>(StorageViewModel::Environment {
            .executor = executor,
            .categories = buildStorageCatalogue(layout),
            .cache = StorageScanCache(layout),
            .scan = StorageViewModel::ScanFunction(scanNow),
            .probeFullDiskAccess = [this] { return accessGranted; },
            .now = [] { return referenceDate(); },
        });
        StorageScreenModel::Cleaning cleaning {
            [this](const std::string& id, std::vector<std::string> paths, CategoryInspectorModel::RemoveDone) {
                cleaned.emplace_back(id, std::move(paths));
            },
            [this](std::vector<std::string> paths, CategoryInspectorModel::RemoveDone) { cleaned.emplace_back("", std::move(paths)); },
        };
        view = std::make_unique<StorageView>(*model, cleaning, [this] { ++settingsOpened; }, [] { return referenceDate(); });
        view->show();
    }

    lopewell::testing::TempDir root;
    HostLayout layout = HostLayout::forTesting(root / "sys", root / "home", 1000, "alice", HostFlavour::macOS);
    ManualExecutor executor;
    bool accessGranted = true;
    int settingsOpened = 0;
    std::vector<std::pair<std::string, std::vector<std::string>>> cleaned;
    std::unique_ptr<StorageViewModel> model;
    std::unique_ptr<StorageView> view;
};

}  // namespace

TEST_F(StorageViewTest, OneCardPerCategoryWhoseButtonsScanAndReview)
{
    makeView();
    for (const StorageCategory& category : model->categories())
        EXPECT_NE(view->card(category.id), nullptr) << category.id;

    StorageCategoryCard* logs = view->card("system.userLogs");
    buttonTitled(logs->buttons(), QStringLiteral("Scan"))->click();
    EXPECT_EQ(logs->statusText()->text(), QStringLiteral("Scanning…"));
    executor.runUntilIdle();
    EXPECT_EQ(logs->statusText()->text(), QStringLiteral("2 items · now"));

    QPushButton* clean = buttonTitled(logs->buttons(), QStringLiteral("Clean"));
    ASSERT_NE(clean, nullptr);
    clean->click();
    CategoryInspectorSheet* sheet = view->sheet();
    ASSERT_NE(sheet, nullptr);
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(sheet->table()->model()->rowCount(), 2);
    EXPECT_EQ(sheet->primaryButton()->text(), QStringLiteral("Move 2 items to Trash"));

    sheet->model().confirm();
    ASSERT_EQ(cleaned.size(), 1u);
    EXPECT_EQ(cleaned[0].first, "system.userLogs");
    EXPECT_EQ(cleaned[0].second.size(), 2u);
}

TEST_F(StorageViewTest, TheSmartScanBannerStartsTheScanAndReviewsItsResult)
{
    makeView();
    SmartScanBannerView* banner = view->smartScanBanner();
    buttonTitled(banner->buttons(), QStringLiteral("Start Smart Scan"))->click();
    EXPECT_TRUE(model->smartScanRunning());
    EXPECT_NE(buttonTitled(banner->buttons(), QStringLiteral("Cancel")), nullptr);
    executor.runUntilIdle();
    ASSERT_TRUE(model->smartScanResult());

    buttonTitled(banner->buttons(), QStringLiteral("Clean"))->click();
    ASSERT_NE(view->sheet(), nullptr);
    EXPECT_EQ(view->sheet()->windowTitle(), QStringLiteral("Smart Scan"));

    buttonTitled(banner->buttons(), QStringLiteral("Dismiss"))->click();
    EXPECT_FALSE(model->smartScanResult());
}

TEST_F(StorageViewTest, TheAccessBannerShowsWhileAccessIsMissingAndRechecks)
{
    accessGranted = false;
    makeView();
    EXPECT_TRUE(view->accessBanner()->isVisibleTo(view.get()));
    EXPECT_EQ(view->card("system.systemCaches")->statusText()->text(), QStringLiteral("Requires Full Disk Access"));
    EXPECT_FALSE(buttonTitled(view->smartScanBanner()->buttons(), QStringLiteral("Start Smart Scan"))->isEnabled());

    view->accessBanner()->openSettingsButton()->click();
    EXPECT_EQ(settingsOpened, 1);
    accessGranted = true;
    view->accessBanner()->recheckButton()->click();
    EXPECT_FALSE(view->accessBanner()->isVisibleTo(view.get()));
    EXPECT_EQ(view->card("system.systemCaches")->statusText()->text(), QStringLiteral("Not scanned yet"));
    EXPECT_TRUE(buttonTitled(view->smartScanBanner()->buttons(), QStringLiteral("Start Smart Scan"))->isEnabled());
}

TEST_F(StorageViewTest, CleaningFromACachedSummaryOpensTheReviewOnceScanned)
{
    StorageScanCache(layout).save({ { "system.userLogs", { referenceDate(), 4096, 2 } } });
    makeView();
    buttonTitled(view->card("system.userLogs")->buttons(), QStringLiteral("Clean"))->click();
    EXPECT_EQ(view->sheet(), nullptr);
    executor.runUntilIdle();
    ASSERT_NE(view->sheet(), nullptr);
    EXPECT_EQ(view->sheet()->windowTitle(), QStringLiteral("User Logs"));
}
