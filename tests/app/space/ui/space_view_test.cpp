// Wiring only: the rules and texts are tested with the view model and the treemap plan.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "app/space/ui/space_view.h"
#include "app/space/ui/treemap_view.h"
#include "core/concurrency/executor.h"
#include "tests/support/temp_tree.h"

using namespace lopewell;

namespace {

constexpr uint64_t megabyte = 1'000'000;

DiskNode tree()
{
    return DiskNode::directory("/home/ada",
        {
            DiskNode::directory("/home/ada/Movies",
                { DiskNode::file("/home/ada/Movies/a.mov", 600 * megabyte), DiskNode::file("/home/ada/Movies/b.mov", 200 * megabyte) }),
            DiskNode::file("/home/ada/disk.img", 200 * megabyte),
        });
}

QPushButton* buttonNamed(QWidget& root, const QString& text)
{
    for (QPushButton* button : root.findChildren<QPushButton*>()) {
        if (button->text() == text && button->isVisible())
            return button;
    }
    return nullptr;
}

void settle()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

TEST(SpaceView, ScansDrillsSelectsAndClimbsBackThroughTheBreadcrumbs)
{
    ManualExecutor executor;
    std::vector<std::string> scanned;
    SpaceViewModel model({
        executor,
        [&](const std::string& path) {
            scanned.push_back(path);
            auto [producer, stream] = Stream<DiskScanProgress>::makePair();
            producer.yield(DiskScanComplete { tree(), 0 });
            producer.finish();
            return std::move(stream);
        },
        [](const std::string&) { return SpaceTrashOutcome {}; },
        [] { return true; },
        "/home/ada",
        "",
    });
    SpaceView view(model, [] {});
    view.resize(900, 600);
    view.show();
    settle();

    QPushButton* scanHome = buttonNamed(view, QStringLiteral("Scan Home"));
    ASSERT_NE(scanHome, nullptr);
    QTest::mouseClick(scanHome, Qt::LeftButton);
    executor.runUntilIdle();
    settle();
    EXPECT_EQ(scanned, (std::vector<std::string> { "/home/ada" }));

    TreemapView* map = view.treemap();
    ASSERT_TRUE(map->isVisible());
    ASSERT_EQ(map->plan().cells.size(), 2u);
    const TreemapRect movies = map->plan().cells[0].rect;
    const QPoint inMovies(int(movies.x + movies.width / 2), int(movies.y + movies.height / 2));
    QTest::mouseClick(map, Qt::LeftButton, {}, inMovies);
    ASSERT_TRUE(model.selection().has_value());
    EXPECT_EQ(model.selection()->name(), "Movies");
    settle();
    EXPECT_NE(buttonNamed(view, QStringLiteral("Move to Trash")), nullptr);
    EXPECT_NE(buttonNamed(view, QStringLiteral("Open")), nullptr);

    QTest::mouseDClick(map, Qt::LeftButton, {}, inMovies);
    settle();
    EXPECT_EQ(model.drillPath().size(), 2u);
    EXPECT_EQ(map->plan().cells.size(), 2u);  // a.mov and b.mov now
    QPushButton* crumb = buttonNamed(view, QStringLiteral("ada"));
    ASSERT_NE(crumb, nullptr);
    QTest::mouseClick(crumb, Qt::LeftButton);
    settle();
    EXPECT_EQ(model.drillPath().size(), 1u);
}

TEST(SpaceView, WithoutAccessTheScanButtonsAreDisabledAndTheBannerShows)
{
    ManualExecutor executor;
    SpaceViewModel model({ executor, nullptr, nullptr, [] { return false; }, "/home/ada", "" });
    SpaceView view(model, [] {});
    view.show();
    settle();
    QPushButton* scanHome = buttonNamed(view, QStringLiteral("Scan Home"));
    ASSERT_NE(scanHome, nullptr);
    EXPECT_FALSE(scanHome->isEnabled());
    bool found = false;
    for (QLabel* label : view.findChildren<QLabel*>())
        found = found || (label->isVisible() && label->text() == QStringLiteral("Grant Full Disk Access, then scan."));
    EXPECT_TRUE(found);
}

}  // namespace
