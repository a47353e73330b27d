#include "app/startup/startup_view_model.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

#include "app/startup/startup_scanner.h"
#include "tests/app/startup/launchd_fixture.h"

namespace lopewell {
namespace {

using testing::jobPlist;
using testing::writeFile;

StartupItem item(
    std::string label, StartupLayer layer, std::optional<std::string> owner = std::nullopt, RunState state = RunState::loaded())
{
    StartupItem result;
    result.id = startupItemId(layer, label);
    result.label = std::move(label);
    result.layer = layer;
    result.owner = std::move(owner);
    result.runState = state;
    result.plistPath = "/x/" + result.label + ".plist";
    return result;
}

// Sources that answer from a list and record what they were asked.
class ScriptedSources final : public StartupSources {
public:
    std::vector<StartupItem> scan(bool includeSystem) const override
    {
        std::lock_guard lock(m_mutex);
        m_scans.push_back(includeSystem);
        return m_items;
    }
    ErrorOr<void> disable(const StartupItem& item) const override { return record("disable " + item.id); }
    ErrorOr<void> enable(const StartupItem& item) const override { return record("enable " + item.id); }
    std::vector<StartupLayer> layers(bool includeSystem) const override
    {
        std::vector<StartupLayer> layers { StartupLayer::userAgent, StartupLayer::libraryAgent, StartupLayer::libraryDaemon };
        if (includeSystem)
            layers.push_back(StartupLayer::appleSystem);
        return layers;
    }
    const StartupTexts& texts() const override { return m_texts; }
    std::optional<StartupSettingsLink> settingsLink() const override { return m_link; }

    void setItems(std::vector<StartupItem> items)
    {
        std::lock_guard lock(m_mutex);
        m_items = std::move(items);
    }
    std::vector<bool> scans() const
    {
        std::lock_guard lock(m_mutex);
        return m_scans;
    }
    std::vector<std::string> changes() const
    {
        std::lock_guard lock(m_mutex);
        return m_changes;
    }

    std::optional<std::string> failure;
    std::optional<StartupSettingsLink> m_link = StartupSettingsLink { "x-apple.systempreferences:x", {} };

private:
    ErrorOr<void> record(std::string change) const
    {
        std::lock_guard lock(m_mutex);
        m_changes.push_back(std::move(change));
        if (failure)
            return Error { 0, *failure };
        return {};
    }

    mutable std::mutex m_mutex;
    std::vector<StartupItem> m_items;
    mutable std::vector<bool> m_scans;
    mutable std::vector<std::string> m_changes;
    StartupTexts m_texts {
        .disabledState = "Disabled by Lopewell", .revealTitle = "Reveal in Finder", .openSettingsTitle = "Open in System Settings…"
    };
};

class StartupViewModelTest : public ::testing::Test {
protected:
    StartupViewModelTest() : m_model({ m_executor, m_sources }) {}

    void settle()
    {
        ASSERT_TRUE(m_executor.runUntil([&] { return !m_model.isScanning() && !m_model.isChanging(); }));
    }

    ManualExecutor m_executor;
    std::shared_ptr<ScriptedSources> m_sources = std::make_shared<ScriptedSources>();
    StartupViewModel m_model;
};

std::vector<std::string> labels(const std::vector<StartupItem>& items)
{
    std::vector<std::string> result;
    for (const StartupItem& each : items)
        result.push_back(each.label);
    return result;
}

TEST_F(StartupViewModelTest, RefreshScansOffTheMainThreadAndPublishes)
{
    m_sources->setItems({ item("a", StartupLayer::userAgent) });
    int changes = 0;
    auto subscription = m_model.observers().add([&] { ++changes; });
    m_model.refresh();
    EXPECT_TRUE(m_model.isScanning());
    settle();
    EXPECT_FALSE(m_model.isScanning());
    EXPECT_EQ(labels(m_model.items()), std::vector<std::string> { "a" });
    EXPECT_GE(changes, 2);
}

TEST_F(StartupViewModelTest, TheAppleToggleRescansAndShowsItsSection)
{
    EXPECT_EQ(m_model.visibleLayers(), (std::vector { StartupLayer::userAgent, StartupLayer::libraryAgent, StartupLayer::libraryDaemon }));
    m_model.refresh();
    settle();
    m_model.setShowSystemItems(true);
    settle();
    m_model.setShowSystemItems(true);  // no change: no scan
    settle();
    EXPECT_EQ(m_sources->scans(), (std::vector { false, true }));
    EXPECT_EQ(m_model.visibleLayers().back(), StartupLayer::appleSystem);
}

TEST_F(StartupViewModelTest, ARefreshAskedDuringAScanRunsOnceAfterIt)
{
    m_model.refresh();
    m_model.refresh();
    m_model.refresh();
    settle();
    EXPECT_EQ(m_sources->scans().size(), 2u);
}

TEST_F(StartupViewModelTest, SectionsSortByOwnerOrLabelWithoutCase)
{
    m_sources->setItems({
        item("com.z", StartupLayer::userAgent, "zeta"),
        item("Alpha", StartupLayer::userAgent),
        item("b", StartupLayer::userAgent, "Émile"),
        item("c", StartupLayer::userAgent, "beta"),
        item("d", StartupLayer::libraryAgent, "Other layer"),
    });
    m_model.refresh();
    settle();
    EXPECT_EQ(labels(m_model.items(StartupLayer::userAgent)), (std::vector<std::string> { "Alpha", "c", "b", "com.z" }));
    EXPECT_EQ(labels(m_model.items(StartupLayer::libraryAgent)), std::vector<std::string> { "d" });
    EXPECT_TRUE(m_model.items(StartupLayer::libraryDaemon).empty());
    EXPECT_TRUE(startupSortsBefore("alpha", "Beta"));
    EXPECT_TRUE(startupSortsBefore("émile", "Zed")) << "accented letters sort with their own, before z";
    EXPECT_TRUE(startupSortsBefore("emile", "Émile"));
    EXPECT_TRUE(startupSortsBefore("Émile", "emilf"));
    EXPECT_FALSE(startupSortsBefore("same", "same"));
}

TEST_F(StartupViewModelTest, RowsOfferTheirActionsAndTexts)
{
    using A = StartupAction;
    const StartupItem running = item("com.a", StartupLayer::userAgent, std::nullopt, RunState::running(42));
    const StartupItem disabled = item("com.b", StartupLayer::userAgent, "B", RunState::disabled());
    const StartupItem system = item("com.c", StartupLayer::libraryDaemon);
    EXPECT_EQ(m_model.actions(running), (std::vector { A::disable, A::revealInFinder, A::openLoginItemsSettings, A::copyPath }));
    EXPECT_EQ(m_model.actions(disabled), (std::vector { A::enable, A::revealInFinder, A::openLoginItemsSettings, A::copyPath }));
    EXPECT_EQ(m_model.actions(system), (std::vector { A::revealInFinder, A::openLoginItemsSettings, A::copyPath }));
    EXPECT_EQ(m_model.actionTitle(A::openLoginItemsSettings), "Open in System Settings…");
    EXPECT_EQ(m_model.runStateText(running.runState), "Running \u00B7 42");
    EXPECT_EQ(m_model.runStateText(RunState::loaded()), "Loaded");
    EXPECT_EQ(m_model.runStateText(RunState::notLoaded()), "Not loaded");
    EXPECT_EQ(m_model.runStateText(RunState::disabled()), "Disabled by Lopewell");
    EXPECT_EQ(m_model.rowTitle(running), "com.a");
    EXPECT_EQ(m_model.rowTitle(disabled), "B");
    EXPECT_EQ(m_model.rowDetail(running), "com.a");

    m_sources->m_link.reset();
    EXPECT_EQ(m_model.actions(system), (std::vector { A::revealInFinder, A::copyPath })) << "no settings page: no action";
}

TEST_F(StartupViewModelTest, AFailedChangeSaysWhyAndRescansAnyway)
{
    const StartupItem agent = item("com.a", StartupLayer::userAgent);
    m_sources->failure = "launchctl bootout failed (status 5): nope";
    m_model.perform(StartupAction::disable, agent);
    EXPECT_TRUE(m_model.isChanging());
    m_model.perform(StartupAction::enable, agent);  // one change at a time
    settle();
    EXPECT_EQ(m_sources->changes(), std::vector<std::string> { "disable userAgent|com.a" });
    EXPECT_EQ(m_model.operationError(), "launchctl bootout failed (status 5): nope");
    EXPECT_EQ(m_sources->scans().size(), 1u) << "rescanned after the change";

    m_model.clearOperationError();
    EXPECT_EQ(m_model.operationError(), std::nullopt);
    m_sources->failure.reset();
    m_model.perform(StartupAction::enable, agent);
    settle();
    EXPECT_EQ(m_model.operationError(), std::nullopt);
    EXPECT_EQ(m_sources->scans().size(), 2u);
    m_model.perform(StartupAction::copyPath, agent);
    EXPECT_FALSE(m_model.isChanging()) << "only disable and enable change anything";
}

// The whole path on a macOS tree: the real sources, the fake launchctl.
TEST(StartupViewModelOnLaunchd, ADisabledAgentComesBackUnderTheUsersSection)
{
    testing::LaunchdFixture fixture;
    writeFile(fixture.userAgents() / "a.plist", jobPlist("com.example.a"));
    ManualExecutor executor;
    StartupViewModel model(StartupViewModel::systemEnvironment(executor, fixture.layout()));
    auto settle = [&] { return executor.runUntil([&] { return !model.isScanning() && !model.isChanging(); }); };
    model.refresh();
    ASSERT_TRUE(settle());
    ASSERT_EQ(model.items(StartupLayer::userAgent).size(), 1u);
    model.perform(StartupAction::disable, model.items(StartupLayer::userAgent).front());
    ASSERT_TRUE(settle());
    ASSERT_EQ(model.items().size(), 1u);
    EXPECT_EQ(model.items().front().runState, RunState::disabled());
    EXPECT_EQ(model.texts().systemItemsToggle, "Show Apple system items");

    fixture.listing("7\\t0\\tcom.example.a\\n");
    model.perform(StartupAction::enable, model.items().front());
    ASSERT_TRUE(settle());
    EXPECT_EQ(model.operationError(), std::nullopt);
    ASSERT_EQ(model.items(StartupLayer::userAgent).size(), 1u);
    EXPECT_EQ(model.items(StartupLayer::userAgent).front().runState, RunState::running(7));
}

}  // namespace
}  // namespace lopewell
