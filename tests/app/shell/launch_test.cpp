#include <gtest/gtest.h>

#include <filesystem>

#include <unistd.h>

#include "app/shell/launch.h"
#include "app/shell/menu_bar_coordinator.h"
#include "app/shell/settings_keys.h"
#include "platform/user_defaults.h"
#include "tests/app/shell/shell_fakes.h"
#include "tests/support/temp_tree.h"

using namespace lopewell;
using namespace lopewell::fakes;
namespace fs = std::filesystem;

TEST(LaunchSequence, AppliesTheTaskbarSettingAndTellsTheCoordinatorWhetherTheItemIsOn)
{
    struct Case {
        std::optional<bool> hideFromDock;
        std::optional<bool> menuBarItemEnabled;
        bool hides;
        bool itemShown;
    };
    const Case cases[] = {
        { std::nullopt, std::nullopt, false, true },  // first launch
        { false, true, false, true },
        { true, std::nullopt, true, true },
        { std::nullopt, false, false, false },  // a stored false is not an absent key
        { true, false, true, false },
    };
    const lopewell::testing::TempDir folder;

    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(index);
        const fs::path file = folder / ("defaults-" + std::to_string(index++) + ".json");
        {
            auto seed = UserDefaults::open(file);
            if (c.hideFromDock) {
                ASSERT_TRUE(seed->setBool(SettingsKey::hideFromDock, *c.hideFromDock));
            }
            if (c.menuBarItemEnabled) {
                ASSERT_TRUE(seed->setBool(SettingsKey::menuBarItemEnabled, *c.menuBarItemEnabled));
            }
        }
        ManualExecutor executor;
        FakeClock clock;
        RecordingPlatform platform;
        FakeMachine machine;
        auto defaults = UserDefaults::open(file);
        MenuBarCoordinator coordinator(
            defaults, [&] { return std::make_unique<MenuBarController>(machine.environment(executor, clock, platform)); });

        runLaunchSequence(*defaults, platform, coordinator);

        EXPECT_EQ(platform.calls, c.hides ? std::vector<std::string> { "hide" } : std::vector<std::string> {});
        EXPECT_EQ(coordinator.controller() != nullptr, c.itemShown);
        EXPECT_TRUE(defaults->objectExists(SettingsKey::menuBarItemEnabled));
        EXPECT_EQ(defaults->boolForKey(SettingsKey::menuBarItemEnabled), c.itemShown);  // written back
    }
}

TEST(Reopen, BringsForwardTheFirstNonPanelWindowThatCanBeMainOnlyWhenNothingIsVisible)
{
    struct Case {
        bool hasVisibleWindows;
        std::vector<AppWindow> windows;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        { false, { { 7, true, true }, { 8, false, false }, { 9, false, true }, { 10, false, true } }, { "front 9" } },
        { true, { { 9, false, true } }, {} },
        { false, { { 7, true, true } }, {} },  // only panels: nothing, and no failure
        { false, {}, {} },
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        RecordingPlatform platform;
        platform.windowList = cases[i].windows;
        handleReopen(cases[i].hasVisibleWindows, platform);
        EXPECT_EQ(platform.calls, cases[i].calls) << "case " << i;
    }
}

TEST(OpenableURL, AcceptsOnlyWebAndMailAddresses)
{
    const std::pair<const char*, bool> cases[] = {
        { "https://lopewell.app/thanks", true },
        { "HTTP://example.com", true },
        { "mailto:support@lopewell.app", true },
        { "", false },
        { "not a url", false },
        { "https://", false },
        { "https:///etc/passwd", false },
        { "file:///etc/passwd", false },
        { "javascript:alert(1)", false },
        { "mailto:", false },
        { "https://example.com/a b", false },
        { "https://example.com/\n", false },
        { "/usr/bin/xterm", false },
    };
    for (const auto& [text, openable] : cases)
        EXPECT_EQ(isOpenableURL(text), openable) << text;
}
