#include <gtest/gtest.h>

#include <limits>

#include "app/shell/menu_bar_controller.h"
#include "app/shell/popover_model.h"

using namespace lopewell;

namespace {

constexpr uint64_t GiB = 1024ull * 1024 * 1024;
constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();

}  // namespace

TEST(PopoverModel, MenuBarRoundsAndThePopoverTruncatesWithTheSameColourBands)
{
    struct Case {
        double load;
        const char* title;
        const char* popoverText;
        LoadBand band;
    };
    const Case cases[] = {
        { 0.4999, " 50%", "49%", LoadBand::low },
        { 0.5, " 50%", "50%", LoadBand::middle },
        { 0.7999, " 80%", "79%", LoadBand::middle },
        { 0.8, " 80%", "80%", LoadBand::high },
        { 1.0, " 100%", "100%", LoadBand::high },
        // Broken readings show as idle rather than as garbage or an alarm.
        { notANumber, " 0%", "0%", LoadBand::low },
        { 1.5, " 100%", "100%", LoadBand::high },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(readoutTitle(c.load), (ReadoutTitle { c.title, c.band })) << c.load;
        const PopoverContent content = popoverContent(c.load, {}, std::nullopt);
        EXPECT_EQ(content.cpuPercentText, c.popoverText) << c.load;
        EXPECT_EQ(content.cpuBand, c.band) << c.load;
    }
}

TEST(PopoverModel, CoreBarsKeepTheirOrderAndFadeWithLoad)
{
    const std::vector<double> perCore { 0.0, 1.0, 0.5, -0.2 };
    const PopoverContent content = popoverContent(0.9, perCore, std::nullopt);
    ASSERT_EQ(content.cores.size(), 4u);
    EXPECT_EQ(content.cores[0], (CoreBar { 0.0, 0.25 }));
    EXPECT_EQ(content.cores[1], (CoreBar { 1.0, 1.0 }));
    EXPECT_EQ(content.cores[2], (CoreBar { 0.5, 0.625 }));
    EXPECT_EQ(content.cores[3], (CoreBar { 0.0, 0.25 }));
    EXPECT_EQ(content.cpuBand, LoadBand::high);  // the bars take the overall load's colour
}

TEST(PopoverModel, MemoryRowShowsTruncatedPercentBandBarAndCaptionOnceRead)
{
    EXPECT_EQ(popoverContent(0.1, {}, std::nullopt).memory, std::nullopt);  // "Sampling…"

    struct Case {
        MemoryStats memory;
        MemoryRow row;
    };
    const Case cases[] = {
        { MemoryStats { .active = 6 * GiB, .wired = 2 * GiB, .compressed = 2 * GiB, .total = 16 * GiB },
            { 62, "62%", 0.625, LoadBand::low, "10 GB of 16 GB" } },
        { MemoryStats { .active = 13 * GiB, .total = 16 * GiB }, { 81, "81%", 0.8125, LoadBand::middle, "13 GB of 16 GB" } },
        { MemoryStats { .active = 15 * GiB, .total = 16 * GiB }, { 93, "93%", 0.9375, LoadBand::high, "15 GB of 16 GB" } },
        // A machine whose total reads 0: 0 % in green with an empty bar.
        { MemoryStats { .active = 1 * GiB, .total = 0 }, { 0, "0%", 0.0, LoadBand::low, "1 GB of Zero KB" } },
        // Counters taken at different instants can exceed the total: the bar stops full.
        { MemoryStats { .active = 17 * GiB, .total = 16 * GiB }, { 100, "100%", 1.0, LoadBand::high, "17 GB of 16 GB" } },
    };
    for (const Case& c : cases) {
        const PopoverContent content = popoverContent(0.0, {}, c.memory);
        ASSERT_TRUE(content.memory);
        EXPECT_EQ(*content.memory, c.row) << c.row.caption;
    }
}

TEST(StatusMenu, ListsOpenSupportAndQuitInOrderWithTheirActions)
{
    const SupportLinks links { "https://coffee.example/l", "https://sponsors.example/l", "https://tip.example/l" };
    const std::vector<MenuItem> menu = statusMenu(links);
    ASSERT_EQ(menu.size(), 5u);
    EXPECT_EQ(menu[0].title, "Open Lopewell");
    EXPECT_EQ(menu[0].action, MenuAction::openMainWindow);
    EXPECT_EQ(menu[0].keyEquivalent, "");
    EXPECT_EQ(menu[1].kind, MenuItem::Kind::separator);
    EXPECT_EQ(menu[2].kind, MenuItem::Kind::submenu);
    EXPECT_EQ(menu[2].title, "Support development");
    EXPECT_EQ(menu[3].kind, MenuItem::Kind::separator);
    EXPECT_EQ(menu[4].title, "Quit Lopewell");
    EXPECT_EQ(menu[4].action, MenuAction::quit);
    EXPECT_EQ(menu[4].keyEquivalent, "q");

    const std::pair<const char*, const std::string*> expected[] = {
        { "Buy me a coffee", &links.buyMeACoffee },
        { "GitHub Sponsors", &links.gitHubSponsors },
        { "One-time tip", &links.oneTimeTip },
    };
    ASSERT_EQ(menu[2].submenu.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(menu[2].submenu[i].title, expected[i].first);
        EXPECT_EQ(menu[2].submenu[i].action, MenuAction::openSupportURL);
        EXPECT_EQ(menu[2].submenu[i].representedObject, *expected[i].second);
    }
}

TEST(StatusClick, RightButtonOrControlOpensTheMenuOtherwiseThePopoverToggles)
{
    struct Case {
        std::optional<StatusClick> click;
        bool popoverShown;
        std::optional<StatusClickResponse> response;
    };
    const Case cases[] = {
        { StatusClick { MouseButton::left, false }, false, StatusClickResponse::showPopover },
        { StatusClick { MouseButton::left, false }, true, StatusClickResponse::closePopover },
        { StatusClick { MouseButton::left, true }, false, StatusClickResponse::showMenu },
        { StatusClick { MouseButton::left, true }, true, StatusClickResponse::showMenu },
        { StatusClick { MouseButton::right, false }, false, StatusClickResponse::showMenu },
        { std::nullopt, false, std::nullopt },
    };
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(statusClickResponse(cases[i].click, cases[i].popoverShown), cases[i].response) << "case " << i;
}
