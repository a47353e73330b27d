#include "app/shell/settings_model.h"

#include "app/shell/app_configuration.h"
#include "platform/log.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <string>
#include <vector>

#include "tests/support/temp_tree.h"

namespace lopewell {
namespace {

namespace fs = std::filesystem;

using testing::readFile;
using testing::writeFile;

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(m_folder / "home");
        log::setSinkForTesting([this](log::Level, std::string_view, std::string_view message) { m_logLines.emplace_back(message); });
    }

    void TearDown() override { log::setSinkForTesting(nullptr); }

    HostLayout layout() const { return HostLayout::forTesting(m_folder / "root", m_folder / "home", 1000, "alice", HostFlavour::macOS); }
    std::shared_ptr<UserDefaults> defaults() const { return UserDefaults::open(layout().userDefaultsFile()); }
    // What a fresh launch would read from disk.
    std::shared_ptr<UserDefaults> reloadedDefaults()
    {
        m_defaults.reset();
        return UserDefaults::open(layout().userDefaultsFile());
    }
    fs::path autostart() const { return layout().configFolder() / "autostart"; }

    GeneralPaneModel makeGeneralPane()
    {
        return GeneralPaneModel(
            m_defaults, LoginItemService(layout(), "/opt/lopewell/bin/lopewell"),
            [this](bool on) { m_calls.push_back(std::string("menu bar ") + (on ? "on" : "off")); },
            [this](bool hide) { m_calls.push_back(std::string("dock ") + (hide ? "hidden" : "shown")); });
    }

    testing::TempDir m_dir;
    const fs::path m_folder = m_dir.path();
    std::shared_ptr<UserDefaults> m_defaults = nullptr;
    std::vector<std::string> m_calls;
    std::vector<std::string> m_logLines;
};

TEST(SettingsTab, HasFourTaggedTabsWithTitlesSymbolsAndIcons)
{
    struct Row {
        SettingsTab tab;
        int tag;
        const char* title;
        const char* symbol;
    };
    const Row rows[] = {
        { SettingsTab::general, 0, "General", "gear" },
        { SettingsTab::updates, 1, "Updates", "arrow.down.circle" },
        { SettingsTab::privacy, 2, "Privacy", "lock.shield" },
        { SettingsTab::support, 3, "Support", "heart" },
    };
    ASSERT_EQ(allSettingsTabs.size(), std::size(rows));
    for (size_t i = 0; i < std::size(rows); ++i) {
        EXPECT_EQ(allSettingsTabs[i], rows[i].tab);
        EXPECT_EQ(settingsTabTag(rows[i].tab), rows[i].tag);
        EXPECT_EQ(settingsTabForTag(rows[i].tag), rows[i].tab);
        EXPECT_EQ(settingsTabTitle(rows[i].tab), rows[i].title);
        EXPECT_EQ(settingsTabSymbol(rows[i].tab), rows[i].symbol);
        EXPECT_FALSE(settingsTabIconName(rows[i].tab).empty()) << rows[i].title;
    }
}

TEST_F(SettingsTest, AStoredTabThatIsNoTagReadsAsGeneral)
{
    struct Case {
        const char* stored;  // the file's JSON, or nullptr for no file
        SettingsTab expected;
    };
    const Case cases[] = {
        { nullptr, SettingsTab::general },
        { R"({"selectedSettingsTab": 3})", SettingsTab::support },
        { R"({"selectedSettingsTab": 2.0})", SettingsTab::privacy },
        { R"({"selectedSettingsTab": 4})", SettingsTab::general },
        { R"({"selectedSettingsTab": -1})", SettingsTab::general },
        { R"({"selectedSettingsTab": 4294967297})", SettingsTab::general },  // 1 in the low 32 bits
        { R"({"selectedSettingsTab": "1"})", SettingsTab::general },
        { R"({"selectedSettingsTab": true})", SettingsTab::general },
        { R"({"selectedSettingsTab": 1.5})", SettingsTab::general },
        { "not json", SettingsTab::general },
    };
    for (const Case& c : cases) {
        std::error_code ignored;
        fs::remove_all(layout().configFolder(), ignored);
        if (c.stored)
            writeFile(layout().userDefaultsFile(), c.stored);
        EXPECT_EQ(storedSettingsTab(*defaults()), c.expected) << (c.stored ? c.stored : "no file");
    }
}

TEST_F(SettingsTest, AnotherScreenChoosesTheTabBeforeTheWindowOpens)
{
    m_defaults = defaults();
    SettingsWindowModel window(m_defaults);
    EXPECT_EQ(window.selectedTab(), SettingsTab::general);

    int opened = 0;
    openSettingsAt(*m_defaults, SettingsTab::support, [&] {
        ++opened;
        window.windowShown();
    });
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(window.selectedTab(), SettingsTab::support);

    window.select(SettingsTab::updates);
    EXPECT_EQ(storedSettingsTab(*reloadedDefaults()), SettingsTab::updates);
}

TEST_F(SettingsTest, AbsentTogglesReadAsMenuBarOnAndDockShown)
{
    m_defaults = defaults();
    GeneralPaneModel pane = makeGeneralPane();
    EXPECT_TRUE(pane.menuBarEnabled());
    EXPECT_FALSE(pane.hideFromDock());
    EXPECT_FALSE(pane.autoLaunchEnabled());
    EXPECT_FALSE(pane.errorMessage());

    ASSERT_TRUE(m_defaults->setBool(SettingsKey::menuBarItemEnabled, false));
    ASSERT_TRUE(m_defaults->setBool(SettingsKey::hideFromDock, true));
    pane.paneShown();
    EXPECT_FALSE(pane.menuBarEnabled());
    EXPECT_TRUE(pane.hideFromDock());
    EXPECT_TRUE(m_calls.empty()) << "reading the settings applies nothing";
}

TEST_F(SettingsTest, EachToggleIsStoredAndAppliedAtOnce)
{
    m_defaults = defaults();
    GeneralPaneModel pane = makeGeneralPane();
    int changes = 0;
    auto subscription = pane.observers().add([&] { ++changes; });

    pane.setMenuBarEnabled(false);
    pane.setHideFromDock(true);
    pane.setHideFromDock(true);
    EXPECT_EQ(m_calls, (std::vector<std::string> { "menu bar off", "dock hidden" }));
    EXPECT_EQ(changes, 2);
    EXPECT_FALSE(pane.menuBarEnabled());
    EXPECT_TRUE(pane.hideFromDock());

    auto stored = reloadedDefaults();
    EXPECT_FALSE(storedMenuBarItemEnabled(*stored));
    EXPECT_TRUE(stored->objectExists(SettingsKey::menuBarItemEnabled));
    EXPECT_TRUE(storedHideFromDock(*stored));
}

TEST_F(SettingsTest, AToggleThatCannotBeStoredStillTakesEffectAndIsLogged)
{
    // The defaults file's folder is a regular file, so no write can succeed.
    writeFile(layout().configFolder() / "com.vantorel.lopewellmac", "in the way");
    m_defaults = defaults();
    GeneralPaneModel pane = makeGeneralPane();

    pane.setMenuBarEnabled(false);
    EXPECT_EQ(m_calls, (std::vector<std::string> { "menu bar off" }));
    EXPECT_FALSE(pane.menuBarEnabled());
    ASSERT_EQ(m_logLines.size(), 1u);
    EXPECT_NE(m_logLines[0].find("menuBarItemEnabled"), std::string::npos) << m_logLines[0];
}

TEST_F(SettingsTest, OpenAtLoginFollowsTheLoginItemsRealState)
{
    m_defaults = defaults();
    GeneralPaneModel pane = makeGeneralPane();
    LoginItemService loginItem(layout(), "/opt/lopewell/bin/lopewell");

    pane.setAutoLaunchEnabled(true);
    EXPECT_TRUE(pane.autoLaunchEnabled());
    EXPECT_FALSE(pane.errorMessage());
    EXPECT_EQ(loginItem.status(), LoginItemStatus::enabled);

    // Switched off in the desktop's own settings while the pane was closed.
    ASSERT_TRUE(loginItem.unregisterItem());
    pane.paneShown();
    EXPECT_FALSE(pane.autoLaunchEnabled());

    ASSERT_TRUE(loginItem.registerItem());
    pane.paneShown();
    EXPECT_TRUE(pane.autoLaunchEnabled());
    pane.setAutoLaunchEnabled(false);
    EXPECT_FALSE(pane.autoLaunchEnabled());
    EXPECT_EQ(loginItem.status(), LoginItemStatus::notRegistered);
}

TEST_F(SettingsTest, ARefusedLoginItemChangeShowsWhyAndSnapsBackToTheRealState)
{
    m_defaults = defaults();
    GeneralPaneModel pane = makeGeneralPane();
    std::vector<bool> shownStates;
    auto subscription = pane.observers().add([&] { shownStates.push_back(pane.autoLaunchEnabled()); });

    writeFile(autostart(), "in the way");
    pane.setAutoLaunchEnabled(true);
    EXPECT_FALSE(pane.autoLaunchEnabled());
    ASSERT_TRUE(pane.errorMessage());
    EXPECT_EQ(*pane.errorMessage(), "Couldn't update Open at Login: " + autostart().string() + " exists but is not a folder");
    EXPECT_EQ(shownStates.back(), false);
    EXPECT_EQ(readFile(autostart()), "in the way");

    // Someone else's entry under our name: switching it off is refused, and it stays on.
    fs::remove(autostart());
    const std::string foreign = "[Desktop Entry]\nType=Application\nExec=/usr/bin/other\n";
    writeFile(autostart() / "com.vantorel.lopewellmac.desktop", foreign);
    pane.paneShown();
    EXPECT_TRUE(pane.autoLaunchEnabled());
    pane.setAutoLaunchEnabled(false);
    EXPECT_TRUE(pane.autoLaunchEnabled());
    ASSERT_TRUE(pane.errorMessage());
    EXPECT_EQ(pane.errorMessage()->rfind("Couldn't update Open at Login: ", 0), 0u);
    EXPECT_EQ(readFile(autostart() / "com.vantorel.lopewellmac.desktop"), foreign);

    // The next change that works clears the error line.
    fs::remove(autostart() / "com.vantorel.lopewellmac.desktop");
    pane.paneShown();
    pane.setAutoLaunchEnabled(true);
    EXPECT_TRUE(pane.autoLaunchEnabled());
    EXPECT_FALSE(pane.errorMessage());
}

TEST(SupportPane, LinksOpenTheConfiguredAddresses)
{
    const std::vector<LinkRow> links = supportPaneLinks();
    ASSERT_EQ(links.size(), 3u);
    const char* titles[] = { "Buy me a coffee", "GitHub Sponsors", "Direct tip via Stripe" };
    const std::string_view urls[] = { configuration::buyMeACoffeeURL, configuration::gitHubSponsorsURL, configuration::directTipURL };
    for (size_t i = 0; i < links.size(); ++i) {
        EXPECT_EQ(links[i].title, titles[i]);
        EXPECT_EQ(links[i].url, urls[i]);
        EXPECT_EQ(links[i].url.rfind("https://", 0), 0u) << links[i].url;
        EXPECT_FALSE(iconThemeName(links[i].symbol).empty()) << links[i].symbol;
    }
    EXPECT_EQ(links[1].subtitle, "Recurring sponsorship");
    EXPECT_EQ(links[2].subtitle, "One-time, no platform cut");

    const LinkRow feedback = supportPaneFeedbackLink();
    EXPECT_EQ(feedback.title, configuration::supportEmail);
    EXPECT_EQ(feedback.url, "mailto:" + std::string(configuration::supportEmail));
    EXPECT_FALSE(iconThemeName(linkRowTrailingSymbol).empty());
    EXPECT_FALSE(iconThemeName(GeneralPaneText::errorSymbol).empty());
}

}  // namespace
}  // namespace lopewell
