#include "app/startup/launch_agent_controller.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "app/startup/startup_scanner.h"
#include "tests/app/startup/launchd_fixture.h"

namespace lopewell {
namespace {

namespace fs = std::filesystem;
using testing::jobPlist;
using testing::readFile;
using testing::writeFile;

class LaunchAgentControllerTest : public ::testing::Test {
protected:
    LaunchAgentControllerTest() { writeFile(m_fixture.userAgents() / "my agent.plist", m_bytes); }

    LaunchAgentController controller()
    {
        return LaunchAgentController(LaunchctlClient(m_fixture.layout().launchctlPath()), { m_fixture.userAgents(), m_fixture.holding() },
            501, [this](const std::vector<std::string>& paths) {
                m_trashed.insert(m_trashed.end(), paths.begin(), paths.end());
                TrashService::Outcome outcome;
                for (const std::string& path : paths) {
                    if (fs::remove(path))
                        outcome.movedPaths.insert(path), ++outcome.movedCount;
                }
                return outcome;
            });
    }

    StartupItem scanned(const std::string& id)
    {
        for (StartupItem& item : StartupScanner::forLayout(m_fixture.layout()).scan(false)) {
            if (item.id == id)
                return item;
        }
        ADD_FAILURE() << "no item " << id;
        return {};
    }

    testing::LaunchdFixture m_fixture;
    const std::string m_bytes = jobPlist("com.example.a b", "/bin/true", "<key>RunAtLoad</key><true/>");
    std::vector<fs::path> m_trashed;
};

TEST_F(LaunchAgentControllerTest, DisableAndEnableRoundTripThePlistByteForByte)
{
    m_fixture.listing("-\\t0\\tcom.example.a b\\n");
    ASSERT_TRUE(controller().disable(scanned("userAgent|com.example.a b")));
    EXPECT_FALSE(fs::exists(m_fixture.userAgents() / "my agent.plist"));
    EXPECT_EQ(readFile(m_fixture.holding() / "my agent.plist"), m_bytes) << "the holding folder is created with its parents";

    const StartupItem disabled = scanned("userAgent|com.example.a b");
    EXPECT_EQ(disabled.runState, RunState::disabled());
    EXPECT_TRUE(disabled.isControllable());
    ASSERT_TRUE(controller().enable(disabled));
    EXPECT_EQ(readFile(m_fixture.userAgents() / "my agent.plist"), m_bytes);
    EXPECT_FALSE(fs::exists(m_fixture.holding() / "my agent.plist"));
    EXPECT_EQ(m_fixture.launchctl().log(),
        "[list]\n[bootout][gui/501/com.example.a b]\n[list]\n[bootstrap][gui/501][" + (m_fixture.userAgents() / "my agent.plist").string()
            + "]\n");
    EXPECT_TRUE(m_trashed.empty());
}

TEST_F(LaunchAgentControllerTest, RefusesOtherLayersAndMissingFilesWithoutRunningLaunchctl)
{
    for (StartupLayer layer : { StartupLayer::libraryAgent, StartupLayer::libraryDaemon, StartupLayer::appleSystem }) {
        StartupItem item;
        item.layer = layer;
        item.label = "x";
        item.plistPath = m_fixture.userAgents() / "my agent.plist";
        auto refused = controller().disable(item);
        ASSERT_FALSE(refused);
        EXPECT_EQ(refused.error().message, "Only your own login items can be changed here.");
        EXPECT_FALSE(controller().enable(item));
    }
    StartupItem gone;
    gone.label = "x";
    gone.plistPath = m_fixture.userAgents() / "deleted since.plist";
    auto missing = controller().disable(gone);
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().message, "The item's file is missing: deleted since.plist.");
    EXPECT_EQ(m_fixture.launchctl().log(), "");
}

TEST_F(LaunchAgentControllerTest, ARefusedBootoutMovesNothing)
{
    const StartupItem item = scanned("userAgent|com.example.a b");
    m_fixture.listing("", 3);
    auto failed = controller().disable(item);
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.error().message, "launchctl bootout failed (status 3)");
    EXPECT_EQ(readFile(m_fixture.userAgents() / "my agent.plist"), m_bytes);
}

TEST_F(LaunchAgentControllerTest, AnOlderCopyInTheWayGoesToTheTrash)
{
    writeFile(m_fixture.holding() / "my agent.plist", "older");
    ASSERT_TRUE(controller().disable(scanned("userAgent|com.example.a b")));
    EXPECT_EQ(m_trashed, std::vector<fs::path> { m_fixture.holding() / "my agent.plist" });
    EXPECT_EQ(readFile(m_fixture.holding() / "my agent.plist"), m_bytes);
}

TEST_F(LaunchAgentControllerTest, AFailedMoveLoadsTheAgentAgainAndSaysWhy)
{
    // A file where the holding folder should be: it cannot be created.
    writeFile(m_fixture.holding(), "not a folder");
    const StartupItem item = scanned("userAgent|com.example.a b");
    m_fixture.launchctl().clearLog();
    auto failed = controller().disable(item);
    ASSERT_FALSE(failed);
    EXPECT_NE(failed.error().message.find("not a folder"), std::string::npos) << failed.error().message;
    EXPECT_EQ(readFile(m_fixture.userAgents() / "my agent.plist"), m_bytes);
    EXPECT_EQ(m_fixture.launchctl().log(),
        "[bootout][gui/501/com.example.a b]\n[bootstrap][gui/501][" + (m_fixture.userAgents() / "my agent.plist").string() + "]\n");
}

TEST_F(LaunchAgentControllerTest, EnablingSucceedsOnceTheFileIsBackEvenWhenLaunchdRefuses)
{
    ASSERT_TRUE(controller().disable(scanned("userAgent|com.example.a b")));
    fs::remove_all(m_fixture.userAgents());
    m_fixture.listing("", 0, 5);
    ASSERT_TRUE(controller().enable(scanned("userAgent|com.example.a b")));
    EXPECT_EQ(readFile(m_fixture.userAgents() / "my agent.plist"), m_bytes) << "the agents folder is created again";
}

}  // namespace
}  // namespace lopewell
