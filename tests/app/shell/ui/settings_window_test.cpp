#include <QCheckBox>
#include <QLabel>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <gtest/gtest.h>

#include "app/common/ui/widgets.h"
#include "app/shell/app_updater.h"
#include "app/shell/ui/settings_window.h"
#include "core/concurrency/executor.h"
#include "core/concurrency/fake_clock.h"

using namespace lopewell;

namespace {

// The window over a throw-away home folder. Nothing moves the fake clock, so the updater's
// schedule never reaches the network.
class SettingsWindowTest : public ::testing::Test {
protected:
    QTabWidget* tabs() const { return window.findChild<QTabWidget*>(); }
    QCheckBox* checkBox(std::string_view text) const
    {
        for (QCheckBox* box : window.findChildren<QCheckBox*>()) {
            if (box->text() == toQString(text))
                return box;
        }
        ADD_FAILURE() << "no check box " << text;
        return nullptr;
    }
    QLabel* labelShowing(std::string_view text) const
    {
        for (QLabel* label : window.findChildren<QLabel*>()) {
            if (label->text() == toQString(text))
                return label;
        }
        return nullptr;
    }
    void clickTab(SettingsTab tab) const
    {
        QTabBar* bar = tabs()->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(settingsTabTag(tab)).center());
    }
    std::filesystem::path autostart() const { return layout.configFolder() / "autostart"; }

    const std::filesystem::path executable = "/opt/lopewell/bin/lopewell";
    QTemporaryDir home;
    const HostLayout layout = HostLayout::forTesting("/", home.path().toStdString(), 1000, "alice", HostFlavour::macOS);
    std::shared_ptr<UserDefaults> defaults = UserDefaults::open(layout.userDefaultsFile());
    ManualExecutor executor;
    FakeClock clock;
    AppUpdater updater { executor, clock, defaults, "https://updates.invalid/appcast.xml", "1.0.0" };
    SettingsWindowModel windowModel { defaults };
    std::vector<std::string> calls;
    GeneralPaneModel general { defaults, LoginItemService(layout, executable),
        [this](bool on) { calls.push_back(std::string("menu bar ") + (on ? "on" : "off")); },
        [this](bool hide) { calls.push_back(std::string("dock ") + (hide ? "hidden" : "shown")); } };
    SettingsWindow window { windowModel, general, updater };
};

TEST_F(SettingsWindowTest, TheTabsFollowTheWindowModelAndAChosenTabIsWrittenBack)
{
    window.show();
    ASSERT_EQ(size_t(tabs()->count()), allSettingsTabs.size());
    for (SettingsTab tab : { SettingsTab::updates, SettingsTab::support, SettingsTab::general }) {
        windowModel.select(tab);
        EXPECT_EQ(tabs()->currentIndex(), settingsTabTag(tab)) << settingsTabTitle(tab);
    }
    for (SettingsTab tab : { SettingsTab::privacy, SettingsTab::updates }) {
        clickTab(tab);
        EXPECT_EQ(tabs()->currentIndex(), settingsTabTag(tab)) << settingsTabTitle(tab);
        EXPECT_EQ(windowModel.selectedTab(), tab) << settingsTabTitle(tab);
        EXPECT_EQ(storedSettingsTab(*defaults), tab) << settingsTabTitle(tab);
    }
}

TEST_F(SettingsWindowTest, OpensAtTheTabAnotherScreenChose)
{
    openSettingsAt(*defaults, SettingsTab::support, [this] { window.show(); });
    EXPECT_EQ(tabs()->currentIndex(), settingsTabTag(SettingsTab::support));

    window.hide();
    openSettingsAt(*defaults, SettingsTab::updates, [this] { window.show(); });
    EXPECT_EQ(tabs()->currentIndex(), settingsTabTag(SettingsTab::updates));
}

TEST_F(SettingsWindowTest, EachGeneralToggleReachesItsModelAndShowsWhatTheModelDecided)
{
    window.show();
    struct Toggle {
        std::string_view text;
        std::function<bool()> modelState;
        std::function<bool()> stored;
        std::string call;  // what the model passed on, when it passes anything on
    };
    const Toggle toggles[] = {
        { GeneralPaneText::menuBarToggle, [&] { return general.menuBarEnabled(); }, [&] { return storedMenuBarItemEnabled(*defaults); },
            "menu bar off" },
        { GeneralPaneText::dockToggle, [&] { return general.hideFromDock(); }, [&] { return storedHideFromDock(*defaults); },
            "dock hidden" },
        { GeneralPaneText::loginToggle, [&] { return general.autoLaunchEnabled(); },
            [&] { return std::filesystem::exists(LoginItemService(layout, executable).entryPath()); }, "" },
    };
    for (const Toggle& toggle : toggles) {
        QCheckBox* box = checkBox(toggle.text);
        ASSERT_NE(box, nullptr);
        const bool before = toggle.modelState();
        EXPECT_EQ(box->isChecked(), before) << toggle.text;
        calls.clear();
        box->click();
        EXPECT_EQ(toggle.modelState(), !before) << toggle.text;
        EXPECT_EQ(toggle.stored(), !before) << toggle.text;
        EXPECT_EQ(box->isChecked(), !before) << toggle.text;
        EXPECT_EQ(calls, toggle.call.empty() ? std::vector<std::string> {} : std::vector<std::string> { toggle.call }) << toggle.text;
    }
}

TEST_F(SettingsWindowTest, TheGeneralPaneShowsAFailedLoginItemAndRereadsTheDefaultsWhenShown)
{
    std::filesystem::create_directories(autostart().parent_path());
    std::ofstream(autostart()) << "not a folder";
    window.show();
    QCheckBox* login = checkBox(GeneralPaneText::loginToggle);
    ASSERT_NE(login, nullptr);
    login->click();
    ASSERT_TRUE(general.errorMessage());
    EXPECT_FALSE(general.autoLaunchEnabled());
    EXPECT_FALSE(login->isChecked());  // snapped back with the model
    QLabel* error = labelShowing(*general.errorMessage());
    ASSERT_NE(error, nullptr);
    EXPECT_TRUE(error->isVisible());

    // Changed behind the window's back; the pane reads it again the next time it shows.
    window.hide();
    ASSERT_TRUE(defaults->setBool(SettingsKey::hideFromDock, true));
    EXPECT_FALSE(checkBox(GeneralPaneText::dockToggle)->isChecked());
    window.show();
    EXPECT_TRUE(checkBox(GeneralPaneText::dockToggle)->isChecked());
}

TEST_F(SettingsWindowTest, TheAutomaticChecksToggleReachesTheUpdater)
{
    windowModel.select(SettingsTab::updates);
    window.show();
    QCheckBox* automatic = checkBox(UpdatesPaneText::automaticChecksToggle);
    ASSERT_NE(automatic, nullptr);
    ASSERT_TRUE(updater.automaticallyChecksForUpdates());
    EXPECT_TRUE(automatic->isChecked());
    automatic->click();
    EXPECT_FALSE(updater.automaticallyChecksForUpdates());
    EXPECT_FALSE(defaults->boolForKey(UpdaterKey::automaticallyChecks));
    EXPECT_FALSE(automatic->isChecked());

    updater.setAutomaticallyChecksForUpdates(true);
    EXPECT_TRUE(automatic->isChecked());
}

}  // namespace
