#include "app/shell/sidebar_tab.h"

#include "core/concurrency/executor.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <memory>
#include <string>
#include <vector>

namespace lopewell {
namespace {

TEST(SidebarTab, ListsTheEightSectionsInOrderWithTheirTitlesSymbolsAndIcons)
{
    struct Row {
        SidebarTab tab;
        const char* raw;
        const char* title;
        const char* symbol;
    };
    const Row rows[] = {
        { SidebarTab::dashboard, "dashboard", "Dashboard", "gauge.with.dots.needle.50percent" },
        { SidebarTab::storage, "storage", "Storage", "internaldrive" },
        { SidebarTab::files, "files", "Files", "doc.on.doc" },
        { SidebarTab::apps, "apps", "Apps", "app.dashed" },
        { SidebarTab::processes, "processes", "Processes", "list.bullet.rectangle" },
        { SidebarTab::startup, "startup", "Startup", "power" },
        { SidebarTab::space, "space", "Space", "square.grid.3x3.fill.square" },
        { SidebarTab::security, "security", "Security", "checkmark.shield" },
    };
    const auto cases = allCases<SidebarTab>();
    ASSERT_EQ(cases.size(), std::size(rows));
    for (size_t i = 0; i < cases.size(); ++i) {
        const Row& row = rows[i];
        EXPECT_EQ(cases[i], row.tab) << row.raw;
        EXPECT_EQ(rawValue(row.tab), row.raw);
        EXPECT_EQ(fromRawValue<SidebarTab>(row.raw), row.tab);
        EXPECT_EQ(nlohmann::json(row.tab).get<SidebarTab>(), row.tab);
        EXPECT_EQ(sidebarTabTitle(row.tab), row.title);
        EXPECT_EQ(sidebarTabSymbol(row.tab), row.symbol);
        EXPECT_FALSE(sidebarTabIconName(row.tab).empty()) << row.raw;
    }
    EXPECT_TRUE(sidebarTabIconName(SidebarTab::dashboard).starts_with("utilities-system-monitor,"));
    EXPECT_EQ(sidebarTabIconName(SidebarTab::storage), "drive-harddisk");
    EXPECT_THROW(nlohmann::json("Dashboard").get<SidebarTab>(), nlohmann::json::exception);
}

// Records the order in which the live sections are started and stopped.
class NavigationModelTest : public testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : { "dashboard", "processes" }) {
            m_model->addLiveSection({ name, [this, name] { m_calls.push_back(std::string("start ") + name); },
                [this, name] { m_calls.push_back(std::string("stop ") + name); } });
        }
    }

    ManualExecutor m_executor;
    std::unique_ptr<NavigationModel> m_model = std::make_unique<NavigationModel>(m_executor);
    std::vector<std::string> m_calls;
};

TEST_F(NavigationModelTest, StartsOnTheDashboardAndTitlesTheDetailAfterTheSelection)
{
    int changes = 0;
    auto subscription = m_model->observers().add([&] { ++changes; });
    EXPECT_EQ(m_model->selection(), SidebarTab::dashboard);
    EXPECT_EQ(m_model->detailTitle(), "Dashboard");

    m_model->select(SidebarTab::storage);
    EXPECT_EQ(m_model->detailTitle(), "Storage");
    m_model->select(SidebarTab::storage);
    EXPECT_EQ(changes, 1) << "re-selecting the same section is no change";
}

TEST_F(NavigationModelTest, ShowingStartsTheLiveSectionsWhicheverSectionIsSelectedAndClosingStopsThem)
{
    m_model->select(SidebarTab::storage);
    m_model->contentShown();
    EXPECT_TRUE(m_calls.empty()) << "starting is a job on the executor, not part of showing";
    m_model->contentShown();
    m_executor.runUntilIdle();
    EXPECT_EQ(m_calls, (std::vector<std::string> { "start dashboard", "start processes" }));

    m_model->select(SidebarTab::security);
    m_model->contentHidden();
    m_model->contentHidden();
    EXPECT_EQ(m_calls, (std::vector<std::string> { "start dashboard", "start processes", "stop dashboard", "stop processes" }));

    m_calls.clear();
    m_model->contentShown();
    m_executor.runUntilIdle();
    EXPECT_EQ(m_calls, (std::vector<std::string> { "start dashboard", "start processes" })) << "a second showing starts again";
}

TEST_F(NavigationModelTest, ClosingBeforeTheStartRanLeavesNothingRunning)
{
    m_model->contentShown();
    m_model->contentHidden();
    m_executor.runUntilIdle();
    EXPECT_TRUE(m_calls.empty());

    // Closed and reopened before the executor got to the first start: one start, not two.
    m_model->contentShown();
    m_model->contentHidden();
    m_model->contentShown();
    m_executor.runUntilIdle();
    EXPECT_EQ(m_calls, (std::vector<std::string> { "start dashboard", "start processes" }));
}

TEST_F(NavigationModelTest, AQueuedStartOutlivingTheModelDoesNothing)
{
    m_model->contentShown();
    m_model.reset();
    EXPECT_EQ(m_executor.runUntilIdle(), 1u);
    EXPECT_TRUE(m_calls.empty());
}

TEST_F(NavigationModelTest, ASectionRegisteredWhileShownStartsAndStopsWithTheOthers)
{
    m_model->contentShown();
    m_executor.runUntilIdle();
    m_model->addLiveSection({ "late", [this] { m_calls.push_back("start late"); }, [this] { m_calls.push_back("stop late"); } });
    m_executor.runUntilIdle();
    m_model->contentHidden();
    EXPECT_EQ(m_calls,
        (std::vector<std::string> { "start dashboard", "start processes", "start late", "stop dashboard", "stop processes", "stop late" }));
}

}  // namespace
}  // namespace lopewell
