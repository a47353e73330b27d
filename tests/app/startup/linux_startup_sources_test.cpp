#include "app/startup/linux_startup_sources.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/fake_tool.h"
#include "tests/support/temp_tree.h"

namespace lopewell {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using testing::writeFile;

constexpr std::string_view unitFilesJson = R"([{"unit_file":"mine.service","state":"enabled","preset":"enabled"},)"
                                           R"({"unit_file":"stopped.service","state":"disabled","preset":"enabled"},)"
                                           R"({"unit_file":"gpg-agent.socket","state":"enabled","preset":"enabled"},)"
                                           R"({"unit_file":"old.service","state":"disabled","preset":"enabled"},)"
                                           R"({"unit_file":"masked.timer","state":"masked","preset":"enabled"},)"
                                           R"({"unit_file":"foo@.service","state":"enabled","preset":"enabled"},)"
                                           R"({"unit_file":"app-sys@autostart.service","state":"generated","preset":"enabled"},)"
                                           R"({"unit_file":"default.target","state":"static","preset":"enabled"}])";

constexpr std::string_view showOutput
    = "Id=mine.service\nDescription=My sync daemon\nLoadState=loaded\nActiveState=active\n"
      "SubState=running\nMainPID=42\nExecStart={ path=/opt/mine/bin/mine ; argv[]=/opt/mine/bin/mine ; }\n\n"
      "Id=gpg-agent.socket\nDescription=GnuPG agent socket\nLoadState=loaded\nActiveState=active\n"
      "SubState=listening\nMainPID=0\n\n"
      "Id=app-sys@autostart.service\nLoadState=loaded\nActiveState=active\nSubState=running\nMainPID=555\n\n"
      "Id=app-user@autostart.service\nLoadState=loaded\nActiveState=inactive\nMainPID=0\n";

class LinuxStartupSourcesTest : public ::testing::Test {
protected:
    LinuxStartupSourcesTest()
    {
        writeFile(root() / "usr/bin/userapp", "");
        writeFile(root() / "usr/bin/sysapp", "");
        writeFile(userAutostart() / "user.desktop", m_userEntry);
        writeFile(userAutostart() / "orphan.desktop", "[Desktop Entry]\nName=Orphan\nTryExec=/opt/gone/orphan\nExec=orphan\n");
        writeFile(userAutostart() / "off.desktop", "[Desktop Entry]\nName=Off\nExec=userapp\nHidden=true\n");
        writeFile(userAutostart() / "shadow.desktop", "[Desktop Entry]\nName=My Shadow\nExec=userapp\n");
        writeFile(userAutostart() / "kdeonly.desktop", "[Desktop Entry]\nName=Kde\nExec=userapp\nOnlyShowIn=KDE;\n");
        writeFile(userAutostart() / "broken.desktop", "Name=No group\n");
        writeFile(userAutostart() / "notes.txt", "[Desktop Entry]\n");
        writeFile(systemAutostart() / "sys.desktop", m_systemEntry);
        writeFile(systemAutostart() / "shadow.desktop", "[Desktop Entry]\nName=System Shadow\nExec=sysapp\n");
        writeFile(home() / ".config/systemd/user/mine.service", "[Service]\nExecStart=/opt/mine/bin/mine\n");
        writeFile(home() / ".config/systemd/user/stopped.service", "[Service]\nExecStart=/usr/bin/userapp\n");
        writeFile(root() / "usr/lib/systemd/user/gpg-agent.socket", "[Socket]\n");
        writeFile(root() / "usr/lib/systemd/user/masked.timer", "[Timer]\n");
        fs::create_symlink("/dev/null", home() / ".config/systemd/user/masked.timer");
        writeFile(m_dir / "unit-files.json", std::string(unitFilesJson));
        writeFile(m_dir / "show.txt", std::string(showOutput));
        m_systemctl.script("case \"$*\" in\n"
                           "*list-unit-files*json*) cat '"
            + (m_dir / "unit-files.json").string()
            + "' ;;\n"
              "*show*) cat '"
            + (m_dir / "show.txt").string()
            + "' ;;\n"
              "esac");
    }

    fs::path root() const { return m_dir / "root"; }
    fs::path home() const { return m_dir / "home"; }
    fs::path userAutostart() const { return home() / ".config/autostart"; }
    fs::path systemAutostart() const { return root() / "etc/xdg/autostart"; }

    LinuxStartupSources sources()
    {
        LinuxStartupSources::Environment environment { .layout
            = HostLayout::forTesting(root(), home(), 1000, "alice", HostFlavour::linuxDesktop) };
        environment.currentDesktops = { "ubuntu", "GNOME" };
        environment.searchPath = { "/usr/bin" };
        environment.processes = [] {
            return std::vector<ProcessEntry> {
                { .pid = 900, .uid = 0, .name = "userapp", .path = "/usr/bin/userapp" },
                { .pid = 777, .uid = 1000, .name = "userapp", .path = "/usr/bin/userapp" },
            };
        };
        environment.moveToTrash = [this](const std::vector<std::string>& paths) {
            TrashService::Outcome outcome;
            for (const std::string& path : paths) {
                m_trashed.push_back(path);
                if (fs::remove(path))
                    outcome.movedPaths.insert(path), ++outcome.movedCount;
            }
            return outcome;
        };
        return LinuxStartupSources(std::move(environment));
    }

    std::map<std::string, StartupItem> scan(bool includeSystem = false)
    {
        std::map<std::string, StartupItem> items;
        for (StartupItem& item : sources().scan(includeSystem))
            items.emplace(item.id, std::move(item));
        return items;
    }

    testing::TempDir m_dir;
    testing::FakeTool m_systemctl { m_dir / "root/usr/bin/systemctl", m_dir / "systemctl.log" };
    const std::string m_userEntry = "[Desktop Entry]\r\nType=Application\nName=User App\nExec=userapp --tray\nHidden=false\n";
    const std::string m_systemEntry = "[Desktop Entry]\nName=System App\nExec=/usr/bin/sysapp\n";
    std::vector<fs::path> m_trashed;
};

std::vector<std::string> keys(const std::map<std::string, StartupItem>& items)
{
    std::vector<std::string> result;
    for (const auto& [id, item] : items)
        result.push_back(id);
    return result;
}

TEST_F(LinuxStartupSourcesTest, ListsAutostartEntriesAndUnitsWithTheirStates)
{
    const auto items = scan();
    EXPECT_EQ(keys(items),
        (std::vector<std::string> { "autostartSystem|sys", "autostartUser|kdeonly", "autostartUser|off", "autostartUser|orphan",
            "autostartUser|shadow", "autostartUser|user", "globalService|gpg-agent.socket", "globalService|masked.timer",
            "userService|mine.service", "userService|stopped.service" }));

    const StartupItem& user = items.at("autostartUser|user");
    EXPECT_EQ(user.owner, "User App");
    EXPECT_EQ(user.programPath, "/usr/bin/userapp");
    EXPECT_EQ(user.plistPath, userAutostart() / "user.desktop");
    EXPECT_EQ(user.runState, RunState::running(777)) << "the user's own process, found where the unit is not running";
    EXPECT_TRUE(user.isControllable());

    const StartupItem& system = items.at("autostartSystem|sys");
    EXPECT_EQ(system.runState, RunState::running(555)) << "the generated unit's main process";
    EXPECT_EQ(system.plistPath, systemAutostart() / "sys.desktop");

    EXPECT_EQ(items.at("autostartUser|orphan").programPath, "/opt/gone/orphan");
    EXPECT_TRUE(items.at("autostartUser|orphan").isOrphaned);
    EXPECT_EQ(items.at("autostartUser|orphan").runState, RunState::notLoaded());
    EXPECT_EQ(items.at("autostartUser|off").runState, RunState::disabled());
    EXPECT_EQ(items.at("autostartUser|kdeonly").note, "Not for this desktop");
    EXPECT_EQ(items.at("autostartUser|kdeonly").runState, RunState::notLoaded());
    EXPECT_EQ(items.at("autostartUser|shadow").owner, "My Shadow") << "the user's file wins over the system's";

    const StartupItem& mine = items.at("userService|mine.service");
    EXPECT_EQ(mine.owner, "My sync daemon");
    EXPECT_EQ(mine.runState, RunState::running(42));
    EXPECT_TRUE(mine.isOrphaned) << "its program is not there";
    EXPECT_EQ(mine.plistPath, home() / ".config/systemd/user/mine.service");
    EXPECT_EQ(items.at("userService|stopped.service").runState, RunState::disabled());
    EXPECT_EQ(items.at("globalService|gpg-agent.socket").runState, RunState::loaded());
    EXPECT_EQ(items.at("globalService|gpg-agent.socket").plistPath, root() / "usr/lib/systemd/user/gpg-agent.socket");
    EXPECT_EQ(items.at("globalService|masked.timer").runState, RunState::disabled());
}

TEST_F(LinuxStartupSourcesTest, TheTextTableStandsInWhenJsonIsNotUnderstood)
{
    writeFile(m_dir / "unit-files.txt", "mine.service enabled enabled\n\n1 unit files listed.\n");
    writeFile(home() / ".config/systemd/user/mine.service", "[Unit]\nDescription = Mine, from its file \n[Service]\nExecStart=/x\n");
    m_systemctl.script("case \"$*\" in\n"
                       "*json*) echo 'Unknown output json' >&2; exit 1 ;;\n"
                       "*list-unit-files*) cat '"
        + (m_dir / "unit-files.txt").string()
        + "' ;;\n"
          "*show*) echo 'Failed to connect to bus' >&2; exit 1 ;;\n"
          "esac");
    const auto items = scan();
    ASSERT_TRUE(items.contains("userService|mine.service"));
    EXPECT_EQ(items.at("userService|mine.service").runState, RunState::loaded()) << "no bus: enabled reads as loaded";
    EXPECT_EQ(items.at("userService|mine.service").owner, "Mine, from its file") << "no bus: the unit file says what it is";
    EXPECT_EQ(items.at("autostartSystem|sys").runState, RunState::loaded());
}

TEST_F(LinuxStartupSourcesTest, AMissingOrHangingSystemctlLeavesTheAutostartEntries)
{
    fs::remove(m_systemctl.path());
    auto items = scan();
    EXPECT_EQ(items.size(), 6u);
    EXPECT_EQ(items.at("autostartUser|user").runState, RunState::running(777));
}

TEST_F(LinuxStartupSourcesTest, SwitchingTheUsersOwnEntryRestoresItsBytes)
{
    ASSERT_TRUE(sources().disable(scan().at("autostartUser|user")));
    const StartupItem off = scan().at("autostartUser|user");
    EXPECT_EQ(off.runState, RunState::disabled());
    EXPECT_NE(readFile(off.plistPath).find("Hidden=true"), std::string::npos);
    ASSERT_TRUE(sources().enable(off));
    EXPECT_EQ(readFile(userAutostart() / "user.desktop"), m_userEntry);
    EXPECT_TRUE(m_trashed.empty());

    // Switched off elsewhere: switching on flips the key.
    ASSERT_TRUE(sources().enable(scan().at("autostartUser|off")));
    EXPECT_EQ(readFile(userAutostart() / "off.desktop"), "[Desktop Entry]\nName=Off\nExec=userapp\nHidden=false\n");
}

TEST_F(LinuxStartupSourcesTest, AnEntryTheApplicationRewroteSaysItMayComeBack)
{
    ASSERT_TRUE(sources().disable(scan().at("autostartUser|user")));
    writeFile(userAutostart() / "user.desktop", m_userEntry);  // the application, at its next start
    const StartupItem rewritten = scan().at("autostartUser|user");
    EXPECT_EQ(rewritten.runState, RunState::running(777));
    EXPECT_EQ(rewritten.note, "May be turned on again by the application");
    EXPECT_EQ(scan().at("autostartUser|shadow").note, std::nullopt);

    ASSERT_TRUE(sources().disable(rewritten));
    ASSERT_TRUE(sources().enable(scan().at("autostartUser|user")));
    EXPECT_EQ(scan().at("autostartUser|user").note, std::nullopt) << "switched on here: nothing to warn of";

    writeFile(userAutostart() / "portal.desktop", "[Desktop Entry]\nName=P\nExec=userapp\nHidden=true\nX-XDP-Autostart=org.example.P\n");
    EXPECT_EQ(scan().at("autostartUser|portal").note, "May be turned on again by the application");
}

TEST_F(LinuxStartupSourcesTest, ASystemEntryIsSwitchedOffByAnOverrideThatGoesToTheTrash)
{
    ASSERT_TRUE(sources().disable(scan().at("autostartSystem|sys")));
    const fs::path override = userAutostart() / "sys.desktop";
    const std::string written = readFile(override);
    EXPECT_NE(written.find("Hidden=true\n"), std::string::npos) << written;
    EXPECT_NE(written.find("X-Lopewell-Override=true\n"), std::string::npos) << written;
    EXPECT_NE(written.find("Name=System App\n"), std::string::npos) << "a whole copy, so menus still name it";

    const StartupItem off = scan().at("autostartSystem|sys");
    EXPECT_EQ(off.runState, RunState::disabled());
    EXPECT_EQ(off.plistPath, override);
    ASSERT_TRUE(sources().enable(off));
    EXPECT_EQ(m_trashed, std::vector<fs::path> { override });
    EXPECT_EQ(readFile(systemAutostart() / "sys.desktop"), m_systemEntry);
    EXPECT_EQ(scan().at("autostartSystem|sys").plistPath, systemAutostart() / "sys.desktop");
}

TEST_F(LinuxStartupSourcesTest, AnAutostartFolderThatCannotBeWrittenLosesNothing)
{
    const StartupItem system = scan().at("autostartSystem|sys");
    const StartupItem user = scan().at("autostartUser|user");
    fs::remove_all(userAutostart());
    writeFile(userAutostart(), "a file where the folder should be");
    auto failed = sources().disable(system);
    ASSERT_FALSE(failed);
    EXPECT_NE(failed.error().message.find("not a folder"), std::string::npos) << failed.error().message;
    EXPECT_EQ(readFile(systemAutostart() / "sys.desktop"), m_systemEntry);
    failed = sources().disable(user);
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.error().message, "The item's file is missing: user.desktop.");
}

TEST_F(LinuxStartupSourcesTest, UnitsAreDisabledOrMaskedByWhoWroteThem)
{
    const auto items = scan(true);
    m_systemctl.clearLog();
    const auto source = sources();
    ASSERT_TRUE(source.disable(items.at("userService|mine.service")));
    ASSERT_TRUE(source.enable(items.at("userService|mine.service")));
    ASSERT_TRUE(source.disable(items.at("globalService|gpg-agent.socket")));
    ASSERT_TRUE(source.enable(items.at("globalService|masked.timer")));
    EXPECT_EQ(m_systemctl.log(),
        "[--user][disable][--][mine.service]\n[--user][enable][--][mine.service]\n"
        "[--user][mask][--][gpg-agent.socket]\n[--user][unmask][--][masked.timer]\n");

    m_systemctl.script("echo 'Failed to mask unit: Access denied' >&2; exit 1");
    auto failed = source.disable(items.at("globalService|gpg-agent.socket"));
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.error().message, "systemctl mask gpg-agent.socket failed (status 1): Failed to mask unit: Access denied");
}

TEST_F(LinuxStartupSourcesTest, SystemServicesAreListedOnlyWhenAskedAndNeverChanged)
{
    m_systemctl.script("case \"$*\" in\n"
                       "--user*) echo '[]' ;;\n"
                       "*list-unit-files*json*) echo '[{\"unit_file\":\"ssh.service\",\"state\":\"enabled\"}]' ;;\n"
                       "*show*) printf 'Id=ssh.service\\nActiveState=active\\nMainPID=300\\n' ;;\n"
                       "esac");
    EXPECT_FALSE(scan(false).contains("systemService|ssh.service"));
    const auto items = scan(true);
    const StartupItem& ssh = items.at("systemService|ssh.service");
    EXPECT_EQ(ssh.runState, RunState::running(300));
    EXPECT_FALSE(ssh.isControllable());
    m_systemctl.clearLog();
    EXPECT_FALSE(sources().disable(ssh));
    EXPECT_EQ(m_systemctl.log(), "");
}

}  // namespace
}  // namespace lopewell
