// `lopewell startup ...` as a user runs it, against a fixture macOS tree with a fake launchctl.
#include <unistd.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "tests/app/startup/launchd_fixture.h"
#include "tests/support/run_program.h"

namespace lopewell {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using testing::Finished;
using testing::jobPlist;
using testing::readFile;
using testing::writeFile;

class StartupCommand : public ::testing::Test {
protected:
    StartupCommand()
    {
        writeFile(m_fixture.userAgents() / "com.foo.helper.plist", jobPlist("com.foo.helper", "/Applications/Foo.app/Contents/MacOS/foo"));
        writeFile(m_fixture.root() / "Library/LaunchDaemons/org.example.d.plist", jobPlist("org.example.d", "/usr/sbin/d"));
        writeFile(m_fixture.root() / "usr/sbin/d", "");
        m_fixture.listing("12\\t0\\tcom.foo.helper\\n");
    }

    Finished startup(std::vector<std::string> arguments) const
    {
        arguments.insert(arguments.begin(),
            { "--system-root", m_fixture.root().string(), "--home", m_fixture.home().string(), "--flavour", "macos", "startup" });
        return testing::runProgram(ChildCommand(LOPEWELL_EXECUTABLE, std::move(arguments)));
    }

    testing::LaunchdFixture m_fixture;
    const std::string m_uid = std::to_string(::getuid());
};

TEST_F(StartupCommand, ListsTheSectionsWithTheirItems)
{
    const Finished result = startup({});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out,
        "Login Items & Agents (You)\n"
        "  Foo \u00B7 Running \u00B7 12 \u00B7 orphaned\n"
        "      /Applications/Foo.app/Contents/MacOS/foo\n"
        "      userAgent|com.foo.helper  "
            + (m_fixture.userAgents() / "com.foo.helper.plist").string()
            + "\n"
              "\n"
              "System Agents\n"
              "  Nothing here.\n"
              "\n"
              "System Daemons\n"
              "  org.example.d \u00B7 Not loaded\n"
              "      /usr/sbin/d\n"
              "      libraryDaemon|org.example.d  "
            + (m_fixture.root() / "Library/LaunchDaemons/org.example.d.plist").string() + "\n");
    EXPECT_EQ(startup({ "--apple" }).out.find("Apple System\n  Nothing here.\n") != std::string::npos, true);
}

TEST_F(StartupCommand, PrintsJsonWithTheItemFieldNames)
{
    const Finished result = startup({ "--json" });
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const json items = json::parse(result.out);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0]["id"], "userAgent|com.foo.helper");
    EXPECT_EQ(items[0]["runState"], json::parse(R"({"state":"running","pid":12})"));
    EXPECT_EQ(items[0]["owner"], "Foo");
    EXPECT_EQ(items[1]["runState"], json::parse(R"({"state":"notLoaded"})"));
    EXPECT_EQ(items[1]["isOrphaned"], false);
}

TEST_F(StartupCommand, DisablesAndEnablesByIdAndExplainsRefusals)
{
    const std::string original = readFile(m_fixture.userAgents() / "com.foo.helper.plist");
    Finished result = startup({ "disable", "userAgent|com.foo.helper" });
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "Foo: Disabled by Lopewell\n");
    EXPECT_EQ(readFile(m_fixture.holding() / "com.foo.helper.plist"), original);

    result = startup({ "enable", "userAgent|com.foo.helper" });
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "Foo: Running \u00B7 12\n");
    EXPECT_EQ(readFile(m_fixture.userAgents() / "com.foo.helper.plist"), original);
    EXPECT_NE(m_fixture.launchctl().log().find("[bootout][gui/" + m_uid + "/com.foo.helper]\n"), std::string::npos);

    result = startup({ "disable", "libraryDaemon|org.example.d" });
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "lopewell startup disable: Only your own login items can be changed here.\n");

    result = startup({ "enable", "userAgent|nothing" });
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("no startup item has the id 'userAgent|nothing'"), std::string::npos) << result.err;

    m_fixture.listing("12\\t0\\tcom.foo.helper\\n", 5, 0, "Boot-out failed: 5: Input/output error\\n");
    result = startup({ "disable", "userAgent|com.foo.helper" });
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "lopewell startup disable: launchctl bootout failed (status 5): Boot-out failed: 5: Input/output error\n");
    EXPECT_EQ(readFile(m_fixture.userAgents() / "com.foo.helper.plist"), original);

    EXPECT_EQ(startup({ "disable" }).exitCode, 2);
}

}  // namespace
}  // namespace lopewell
