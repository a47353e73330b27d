#include "platform/launchctl_client.h"

#include <gtest/gtest.h>

#include "tests/support/fake_tool.h"
#include "tests/support/temp_tree.h"

namespace lopewell {
namespace {

using namespace std::chrono_literals;

class LaunchctlClientTest : public ::testing::Test {
protected:
    testing::TempDir m_dir;
    testing::FakeTool m_tool { m_dir / "bin/launchctl", m_dir / "log" };
    LaunchctlClient m_client { m_tool.path(), 5s };
};

TEST_F(LaunchctlClientTest, ListsLoadedJobsWhateverTheExitStatus)
{
    m_tool.script("printf 'PID\\tStatus\\tLabel\\n12\\t0\\tcom.example.run\\n-\\t0\\tcom.example.idle\\n'; exit 3");
    using Jobs = std::map<std::string, LaunchctlClient::LoadedJob, std::less<>>;
    EXPECT_EQ(m_client.loadedJobs(), (Jobs { { "com.example.run", { 12 } }, { "com.example.idle", { std::nullopt } } }));
    EXPECT_EQ(m_tool.log(), "[list]\n");
}

TEST_F(LaunchctlClientTest, AMissingHangingOrGarbledToolGivesNoJobs)
{
    EXPECT_TRUE(LaunchctlClient(m_dir / "missing").loadedJobs().empty());
    EXPECT_FALSE(LaunchctlClient(m_dir / "missing").run({ "list" }));

    m_tool.script("printf 'PID Status Label\\n1 0 ok\\n'; exec sleep 30");
    EXPECT_TRUE(LaunchctlClient(m_tool.path(), 200ms).bootout("x", 1).has_value()) << "killed at its limit is a failure";

    m_tool.script("printf 'PID\\tStatus\\tLabel\\n\\377\\376\\t0\\tcom.\\377bad\\n'");
    const auto jobs = m_client.loadedJobs();
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(jobs.begin()->first, "com.\uFFFDbad") << "output is decoded with replacement";
}

TEST_F(LaunchctlClientTest, BootoutAndBootstrapPassEachArgumentWhole)
{
    m_tool.script("exit 0");
    EXPECT_FALSE(m_client.bootout("com.example.a b;$(rm -rf x)", 501));
    EXPECT_FALSE(m_client.bootstrap("/Users/a/Library/LaunchAgents/my agent.plist", 501));
    EXPECT_EQ(m_tool.log(),
        "[bootout][gui/501/com.example.a b;$(rm -rf x)]\n"
        "[bootstrap][gui/501][/Users/a/Library/LaunchAgents/my agent.plist]\n");
}

TEST_F(LaunchctlClientTest, NonZeroExitsKeepTheRawErrorAndDescribeItTrimmed)
{
    m_tool.script("printf 'Boot-out failed: 5: Input/output error\\n' >&2; exit 5");
    auto failed = m_client.bootout("com.example.a", 501);
    ASSERT_TRUE(failed);
    EXPECT_FALSE(failed->startError);
    EXPECT_EQ(failed->command, "bootout");
    EXPECT_EQ(failed->status, 5);
    EXPECT_EQ(failed->standardError, "Boot-out failed: 5: Input/output error\n");
    EXPECT_EQ(failed->description(), "launchctl bootout failed (status 5): Boot-out failed: 5: Input/output error");

    m_tool.script("exit 3");
    failed = m_client.bootstrap("/x.plist", 501);
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->description(), "launchctl bootstrap failed (status 3)");

    failed = LaunchctlClient(m_dir / "missing").bootstrap("/x.plist", 501);
    ASSERT_TRUE(failed);
    ASSERT_TRUE(failed->startError);
    EXPECT_EQ(failed->description(), failed->startError->message);
}

}  // namespace
}  // namespace lopewell
