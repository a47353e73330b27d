#include "core/startup/startup_item.h"

#include <gtest/gtest.h>

namespace lopewell {
namespace {

TEST(StartupItem, LayersHaveTheirTitlesAndOnlyTheUsersOwnAreControllable)
{
    const std::tuple<StartupLayer, std::string_view, bool> cases[] = {
        { StartupLayer::userAgent, "Login Items & Agents (You)", true },
        { StartupLayer::libraryAgent, "System Agents", false },
        { StartupLayer::libraryDaemon, "System Daemons", false },
        { StartupLayer::appleSystem, "Apple System", false },
        { StartupLayer::autostartUser, "Autostart (You)", true },
        { StartupLayer::autostartSystem, "Autostart (System)", true },
        { StartupLayer::userService, "Your services", true },
        { StartupLayer::globalService, "Services for all users", true },
        { StartupLayer::systemService, "System services", false },
    };
    ASSERT_EQ(allCases<StartupLayer>().size(), std::size(cases));
    for (const auto& [layer, title, controllable] : cases) {
        EXPECT_EQ(startupLayerTitle(layer), title);
        EXPECT_EQ(isControllable(layer), controllable) << title;
    }
}

TEST(StartupItem, RunStatesCompareByKindAndPid)
{
    EXPECT_EQ(RunState::running(4), RunState::running(4));
    EXPECT_NE(RunState::running(4), RunState::running(5));
    EXPECT_NE(RunState::loaded(), RunState::notLoaded());
    EXPECT_NE(RunState::running(0), RunState::loaded());
}

TEST(StartupItem, EncodesWithItsFieldNames)
{
    StartupItem item;
    item.label = "com.example.a b";
    item.layer = StartupLayer::userAgent;
    item.id = startupItemId(item.layer, item.label);
    item.plistPath = "/Users/a/Library/LaunchAgents/a.plist";
    item.programPath = "/Applications/A.app/Contents/MacOS/a";
    item.owner = "A";
    item.runState = RunState::running(42);
    EXPECT_EQ(item.id, "userAgent|com.example.a b");
    EXPECT_EQ(encodeStartupItem(item).dump(),
        R"({"id":"userAgent|com.example.a b","label":"com.example.a b","layer":"userAgent",)"
        R"("plistPath":"/Users/a/Library/LaunchAgents/a.plist","programPath":"/Applications/A.app/Contents/MacOS/a",)"
        R"("runAtLoad":false,"keepAlive":false,"owner":"A","runState":{"state":"running","pid":42},"isOrphaned":false,)"
        R"("note":null,"isControllable":true})");
    EXPECT_EQ(encodeRunState(RunState::loaded()).dump(), R"({"state":"loaded"})");
    EXPECT_EQ(encodeRunState(RunState::notLoaded()).dump(), R"({"state":"notLoaded"})");
    EXPECT_EQ(encodeRunState(RunState::disabled()).dump(), R"({"state":"disabled"})");
}

}  // namespace
}  // namespace lopewell
