#include "app/startup/startup_scanner.h"

#include <gtest/gtest.h>

#include "tests/app/startup/launchd_fixture.h"

namespace lopewell {
namespace {

namespace fs = std::filesystem;
using testing::jobPlist;
using testing::writeFile;

class StartupScannerTest : public ::testing::Test {
protected:
    std::vector<StartupItem> scan(bool includeApple = false) const
    {
        return StartupScanner::forLayout(m_fixture.layout()).scan(includeApple);
    }

    testing::LaunchdFixture m_fixture;
};

StartupItem item(std::string label, StartupLayer layer, fs::path plist, RunState state)
{
    StartupItem result;
    result.id = startupItemId(layer, label);
    result.label = std::move(label);
    result.layer = layer;
    result.plistPath = std::move(plist);
    result.runState = state;
    return result;
}

TEST_F(StartupScannerTest, BuildsItemsFolderByFolderWithTheirStatesFromLaunchd)
{
    const fs::path program = m_fixture.root() / "Applications/Foo.app/Contents/MacOS/foo";
    writeFile(program, "");
    writeFile(m_fixture.userAgents() / "com.foo.helper.plist",
        jobPlist("com.foo.helper", "/Applications/Foo.app/Contents/MacOS/foo",
            "<key>RunAtLoad</key><true/><key>KeepAlive</key><dict><key>SuccessfulExit</key><false/></dict>"));
    writeFile(m_fixture.userAgents() / "com.gone.plist",
        jobPlist("", "", "<key>ProgramArguments</key><array><string>/opt/gone/bin/agent</string><string>-d</string></array>"));
    writeFile(m_fixture.root() / "Library/LaunchAgents/org.example.agent.plist",
        jobPlist("org.example.agent", "", "<key>KeepAlive</key><true/>"));
    writeFile(m_fixture.root() / "Library/LaunchDaemons/org.example.daemon.plist", jobPlist("org.example.daemon"));
    m_fixture.listing("412\\t0\\tcom.foo.helper\\n-\\t0\\torg.example.agent\\n-\\t78\\tcom.example.unrelated\\n");

    StartupItem helper
        = item("com.foo.helper", StartupLayer::userAgent, m_fixture.userAgents() / "com.foo.helper.plist", RunState::running(412));
    helper.programPath = "/Applications/Foo.app/Contents/MacOS/foo";
    helper.runAtLoad = true;
    helper.owner = "Foo";
    StartupItem gone = item("com.gone", StartupLayer::userAgent, m_fixture.userAgents() / "com.gone.plist", RunState::notLoaded());
    gone.programPath = "/opt/gone/bin/agent";
    gone.isOrphaned = true;
    StartupItem agent = item("org.example.agent", StartupLayer::libraryAgent,
        m_fixture.root() / "Library/LaunchAgents/org.example.agent.plist", RunState::loaded());
    agent.keepAlive = true;
    const StartupItem daemon = item("org.example.daemon", StartupLayer::libraryDaemon,
        m_fixture.root() / "Library/LaunchDaemons/org.example.daemon.plist", RunState::notLoaded());

    std::vector<StartupItem> items = scan();
    ASSERT_EQ(items.size(), 4u);
    // The user folder's own order is the file system's.
    std::sort(items.begin(), items.begin() + 2, [](const auto& a, const auto& b) { return a.label < b.label; });
    EXPECT_EQ(items, (std::vector<StartupItem> { helper, gone, agent, daemon }));
    EXPECT_EQ(m_fixture.launchctl().log(), "[list]\n") << "launchd is asked once";
}

TEST_F(StartupScannerTest, SkipsWhatIsNotAJobFile)
{
    const fs::path agents = m_fixture.userAgents();
    writeFile(agents / "ok.plist", jobPlist("ok"));
    writeFile(agents / "binary-garbage.plist", std::string("bplist00\xff\x00\x01", 9));
    writeFile(agents / "array.plist", "<plist version=\"1.0\"><array><string>x</string></array></plist>");
    writeFile(agents / "not xml.plist", "Label = x;");
    writeFile(agents / "wrong.PLIST", jobPlist("wrong-extension"));
    writeFile(agents / "wrong.plist.bak", jobPlist("backup"));
    fs::create_directories(agents / "folder.plist");
    fs::create_symlink(m_fixture.root() / "Library/elsewhere.plist", agents / "link.plist");
    writeFile(m_fixture.root() / "Library/elsewhere.plist", jobPlist("elsewhere"));

    const auto items = scan();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].label, "ok");
}

TEST_F(StartupScannerTest, TheFirstItemOfAnIdWinsAndDisabledCopiesComeLast)
{
    writeFile(m_fixture.userAgents() / "a.plist", jobPlist("com.same"));
    writeFile(m_fixture.root() / "Library/LaunchAgents/b.plist", jobPlist("com.same"));
    writeFile(m_fixture.holding() / "a.plist", jobPlist("com.same"));
    writeFile(m_fixture.holding() / "off.plist", jobPlist("com.off"));
    m_fixture.listing("9\\t0\\tcom.off\\n");

    const auto items = scan();
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].id, "userAgent|com.same");
    EXPECT_EQ(items[0].plistPath, m_fixture.userAgents() / "a.plist");
    EXPECT_EQ(items[1].id, "libraryAgent|com.same");
    EXPECT_EQ(items[2].id, "userAgent|com.off");
    EXPECT_EQ(items[2].runState, RunState::disabled()) << "launchd is not consulted for disabled agents";
    EXPECT_EQ(items[2].plistPath, m_fixture.holding() / "off.plist");
}

TEST_F(StartupScannerTest, AppleFoldersAreReadOnlyWhenAsked)
{
    writeFile(m_fixture.root() / "System/Library/LaunchAgents/com.apple.a.plist", jobPlist("com.apple.a"));
    writeFile(m_fixture.root() / "System/Library/LaunchDaemons/com.apple.d.plist", jobPlist("com.apple.d"));
    EXPECT_TRUE(scan(false).empty());
    const auto items = scan(true);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].layer, StartupLayer::appleSystem);
    EXPECT_EQ(items[1].id, "appleSystem|com.apple.d");
}

TEST_F(StartupScannerTest, AMissingLaunchctlLeavesEveryItemNotLoaded)
{
    fs::remove(m_fixture.launchctl().path());
    writeFile(m_fixture.userAgents() / "a.plist", jobPlist("a"));
    const auto items = scan();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].runState, RunState::notLoaded());
}

}  // namespace
}  // namespace lopewell
