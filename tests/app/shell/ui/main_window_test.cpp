#include <QLabel>
#include <QListWidget>
#include <QStackedWidget>
#include <QTest>
#include <gtest/gtest.h>

#include "app/common/ui/widgets.h"
#include "app/shell/ui/main_window.h"
#include "core/concurrency/executor.h"

using namespace lopewell;

namespace {

size_t indexOf(SidebarTab tab)
{
    const auto cases = allCases<SidebarTab>();
    return size_t(std::find(cases.begin(), cases.end(), tab) - cases.begin());
}

// The window over a navigation model on a manual executor, with a screen of its own for every
// section but Apps, so a wrong screen or a stale one shows up as the wrong pointer.
class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest()
    {
        for (SidebarTab tab : allCases<SidebarTab>()) {
            if (tab == SidebarTab::apps)
                continue;
            screens[indexOf(tab)] = new QWidget;
            window.setSectionWidget(tab, screens[indexOf(tab)]);
        }
    }

    QListWidget* sidebar() const { return window.findChild<QListWidget*>(); }
    QStackedWidget* detail() const { return window.findChild<QStackedWidget*>(); }
    QString title() const
    {
        // The detail column's title: the one label that is neither in the sidebar column nor a section's.
        for (QLabel* label : window.findChildren<QLabel*>()) {
            if (!sidebar()->parentWidget()->isAncestorOf(label) && !detail()->isAncestorOf(label))
                return label->text();
        }
        return {};
    }

    ManualExecutor executor;
    NavigationModel navigation { executor };
    MainWindow window { navigation };
    std::array<QWidget*, allCases<SidebarTab>().size()> screens {};
};

TEST_F(MainWindowTest, ChoosingASidebarRowSelectsItsSectionAndShowsItsScreen)
{
    window.show();
    ASSERT_EQ(size_t(sidebar()->count()), allCases<SidebarTab>().size());
    for (SidebarTab tab : { SidebarTab::processes, SidebarTab::storage, SidebarTab::security, SidebarTab::dashboard }) {
        const int row = int(indexOf(tab));
        QTest::mouseClick(sidebar()->viewport(), Qt::LeftButton, {}, sidebar()->visualItemRect(sidebar()->item(row)).center());
        EXPECT_EQ(navigation.selection(), tab) << sidebarTabTitle(tab);
        EXPECT_EQ(detail()->currentWidget(), screens[indexOf(tab)]) << sidebarTabTitle(tab);
        EXPECT_EQ(title(), toQString(navigation.detailTitle())) << sidebarTabTitle(tab);
    }
}

TEST_F(MainWindowTest, ASelectionMadeElsewhereMovesTheSidebarAndTheDetail)
{
    for (SidebarTab tab : allCases<SidebarTab>()) {
        navigation.select(tab);
        EXPECT_EQ(sidebar()->currentRow(), int(indexOf(tab))) << sidebarTabTitle(tab);
        EXPECT_EQ(title(), toQString(sidebarTabTitle(tab)));
        if (QWidget* screen = screens[indexOf(tab)])
            EXPECT_EQ(detail()->currentWidget(), screen) << sidebarTabTitle(tab);
        else  // no screen installed yet: an empty one, not the last section's
            EXPECT_FALSE(std::count(screens.begin(), screens.end(), detail()->currentWidget())) << sidebarTabTitle(tab);
    }
}

TEST_F(MainWindowTest, AScreenInstalledForTheSelectedSectionShowsAtOnce)
{
    navigation.select(SidebarTab::apps);
    auto* apps = new QWidget;
    window.setSectionWidget(SidebarTab::apps, apps);
    EXPECT_EQ(detail()->currentWidget(), apps);

    // A section's screen replaced while it is on display: the new one shows.
    auto* replacement = new QWidget;
    window.setSectionWidget(SidebarTab::apps, replacement);
    EXPECT_EQ(detail()->currentWidget(), replacement);
    EXPECT_EQ(navigation.selection(), SidebarTab::apps);
}

TEST_F(MainWindowTest, ShowingAndHidingTheWindowStartsAndStopsTheLiveSections)
{
    int started = 0, stopped = 0;
    navigation.addLiveSection({ "dashboard", [&] { ++started; }, [&] { ++stopped; } });
    window.show();
    executor.runUntilIdle();
    EXPECT_TRUE(navigation.isContentShown());
    EXPECT_EQ(started, 1);
    window.hide();
    EXPECT_FALSE(navigation.isContentShown());
    EXPECT_EQ(stopped, 1);
}

}  // namespace
