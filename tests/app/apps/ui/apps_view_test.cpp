// Wiring only: the list's rules and texts are tested with the view model.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>

#include "app/apps/ui/apps_view.h"
#include "app/apps/ui/uninstaller_drop_zone.h"
#include "app/common/ui/category_inspector_sheet.h"
#include "core/concurrency/executor.h"
#include "tests/app/apps/apps_fixture.h"

using namespace lopewell;
namespace fs = std::filesystem;

namespace {

class AppsViewTest : public ::testing::Test {
protected:
    AppsViewTest()
    {
        lopewell::testing::makeBundle(dir / "Applications/Notes.app", "com.example.notes");
        lopewell::testing::makeBundle(dir / "Applications/Maps.app", "com.apple.Maps");
        lopewell::testing::writeFile(dir / "Applications/NoId.app/Contents/Info.plist", lopewell::testing::infoPlist(""));
        lopewell::testing::writeFile(dir / "Users/ann/Library/Caches/com.example.notes/x", "x");
        model = std::make_unique<AppsViewModel>(AppsViewModel::Environment { executor,
            appSourcesFor(layout,
                [this](const std::vector<std::string>& paths) {
                    trashed = paths;
                    RemovalOutcome outcome;
                    for (const std::string& path : paths)
                        markGone(outcome, path);
                    return outcome;
                }),
            platformWords(HostFlavour::macOS), {} });
    }

    void settle(const std::function<bool()>& done) { ASSERT_TRUE(executor.runUntil(done)); }

    lopewell::testing::TempDir dir;
    HostLayout layout = HostLayout::forTesting(dir.path(), dir / "Users/ann", 501, "ann", HostFlavour::macOS);
    ManualExecutor executor;
    std::vector<std::string> trashed;
    std::unique_ptr<AppsViewModel> model;
};

TEST_F(AppsViewTest, ShowingScansChipsFilterAndARowOpensTheSheetThatUninstalls)
{
    AppsView view(*model);
    view.show();
    settle([&] { return !model->isScanning() && !model->apps().empty(); });
    QApplication::processEvents();
    EXPECT_EQ(view.list()->count(), 2);
    ASSERT_EQ(view.chipButtons().size(), 4u);
    EXPECT_EQ(view.chipButtons()[1]->text().toStdString(), "Apple 1");
    view.chipButtons()[3]->click();  // Other
    EXPECT_EQ(view.list()->count(), 1);
    view.searchField()->setText(QStringLiteral("zzz"));
    EXPECT_EQ(view.placeholder()->text().toStdString(), "No apps match this filter.");
    view.searchField()->clear();

    Q_EMIT view.list()->itemClicked(view.list()->item(0));
    settle([&] { return model->inspectorTarget().has_value(); });
    QApplication::processEvents();
    CategoryInspectorSheet* sheet = view.sheet();
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->model().selectedCount(), 2u);
    sheet->model().confirm();
    settle([&] { return !model->isRemoving() && !model->isScanning(); });
    EXPECT_EQ(trashed.size(), 2u);
    EXPECT_FALSE(model->inspectorTarget());
}

TEST_F(AppsViewTest, TheTileTakesADroppedBundleAndAnUnreadableOneRaisesTheAlert)
{
    AppsView view(*model);
    view.show();
    QMimeData mime;
    mime.setUrls({ QUrl::fromLocalFile(QString::fromStdString((dir / "notes.txt").string())),
        QUrl::fromLocalFile(QString::fromStdString((dir / "Applications/NoId.app").string())) });
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    // Straight to the tile: QApplication only forwards a drop that a drag session started.
    static_cast<QObject*>(view.dropZone())->event(&drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_TRUE(view.dropZone()->progressLabel()->isVisibleTo(&view));
    settle([&] { return !model->uninstallerScanning(); });
    QApplication::processEvents();
    ASSERT_TRUE(view.errorBox());
    EXPECT_EQ(view.errorBox()->windowTitle().toStdString(), "Couldn't read that app");
    EXPECT_EQ(view.errorBox()->text().toStdString(), "We couldn't read NoId.app's bundle identifier. Pick a different .app and try again.");
    view.errorBox()->buttons().front()->click();
    QApplication::processEvents();
    EXPECT_FALSE(model->uninstallerError());

    QMimeData text;
    text.setUrls({ QUrl::fromLocalFile(QStringLiteral("/tmp/readme.txt")) });
    QDropEvent refused(QPointF(10, 10), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    refused.setAccepted(false);
    static_cast<QObject*>(view.dropZone())->event(&refused);
    EXPECT_FALSE(refused.isAccepted());
}

}  // namespace
