// `lopewell security ...` as a user runs it, against fixture machines with fake tools and the
// fixture home's own Trash.
#include <unistd.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "core/base/file_url.h"
#include "tests/app/security/security_fixture.h"
#include "tests/support/run_program.h"

namespace lopewell {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using testing::Finished;
using testing::readFile;
using testing::writeFile;

class SecurityCommand : public ::testing::Test {
protected:
    Finished security(std::vector<std::string> arguments, bool withSignatures = true, const std::string& input = {}) const
    {
        if (withSignatures && arguments.size() >= 1) {
            arguments.push_back("--signatures");
            arguments.push_back(m_fixture.signatureFile().string());
        }
        arguments.insert(arguments.begin(),
            { "--system-root", m_fixture.root().string(), "--home", m_fixture.home().string(), "--flavour", "macos", "security" });
        ChildCommand command(LOPEWELL_EXECUTABLE, std::move(arguments));
        command.input = input;
        return testing::runProgram(command);
    }
    fs::path trashed(const std::string& name) const { return m_fixture.home() / ".local/share/Trash/files" / name; }

    testing::MacThreatFixture m_fixture;
    const std::string m_home = m_fixture.home().string();
    const std::string m_root = m_fixture.root().string();
    const std::string m_uid = std::to_string(::getuid());
};

TEST_F(SecurityCommand, ScanListsEachFamilyWithItsTracesInTheScreensWords)
{
    const Finished result = security({ "scan" });
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out,
        "Genieo \u00B7 adware \u00B7 genieo\n"
        "  About genieo.\n"
        "  app  com.genieo.engine\n"
        "      "
            + m_root
            + "/Applications/Genieo.app\n"
              "  app  com.genieo.system \u00B7 manual\n"
              "      "
            + m_root
            + "/System/Applications/Helper.app\n"
              "  launchAgent  com.genieo.update\n"
              "      "
            + m_home
            + "/Library/LaunchAgents/com.genieo.update.plist\n"
              "  launchAgent  com.genieo.machine \u00B7 manual\n"
              "      "
            + m_root
            + "/Library/LaunchAgents/com.genieo.machine.plist\n"
              "  launchDaemon  com.genieo.daemon \u00B7 manual\n"
              "      "
            + m_root
            + "/Library/LaunchDaemons/com.genieo.daemon.plist\n"
              "  profile  com.genieo.profile \u00B7 manual\n"
              "  file  /Library/Application Support/Genieo \u00B7 manual\n"
              "      "
            + m_root
            + "/Library/Application Support/Genieo\n"
              "\n"
              "MacKeeper \u00B7 pup \u00B7 mackeeper\n"
              "  About mackeeper.\n"
              "  launchAgent  com.keeper.helper\n"
              "      "
            + m_home
            + "/Library/Application Support/Lopewell/DisabledLaunchAgents/com.keeper.helper.plist\n"
              "  file  "
            + m_home
            + "/Library/Application Support/MacKeeper Helper\n"
              "\n"
              "Found 2 known threats — checked against 3 families.\n");
}

TEST_F(SecurityCommand, ScanJsonCarriesIdsKindsUrlsAndWhatIsRemovable)
{
    const Finished result = security({ "scan", "--json" });
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const json answer = json::parse(result.out);
    EXPECT_EQ(answer["families"], 3);
    ASSERT_EQ(answer["threats"].size(), 2u);
    const json& genieo = answer["threats"][0];
    EXPECT_EQ(genieo["id"], "genieo");
    EXPECT_EQ(genieo["family"], "Genieo");
    EXPECT_EQ(genieo["severity"], "adware");
    EXPECT_EQ(genieo["description"], "About genieo.");
    EXPECT_EQ(genieo["artifacts"][0],
        json({ { "kind", "app" }, { "identifier", "com.genieo.engine" }, { "url", fileURLString(m_root + "/Applications/Genieo.app") },
            { "isUserControllable", true } }));
    EXPECT_EQ(genieo["artifacts"][5],
        json({ { "kind", "profile" }, { "identifier", "com.genieo.profile" }, { "url", nullptr }, { "isUserControllable", false } }));
    EXPECT_EQ(answer["threats"][1]["artifacts"][1]["kind"], "file");

    // Nothing found: the count of what was checked, as the screen says it.
    writeFile(m_fixture.signatureFile(), "[]");
    const Finished empty = security({ "scan" });
    EXPECT_EQ(empty.exitCode, 0) << empty.err;
    EXPECT_EQ(empty.out, "No known threats found — checked against 0 families.\n");
    EXPECT_EQ(json::parse(security({ "scan", "--json" }).out), json::parse(R"({"families": 0, "threats": []})"));
}

TEST_F(SecurityCommand, ABadSignatureListOrCommandLineIsRefusedWithItsReason)
{
    writeFile(m_fixture.signatureFile(),
        R"([{"id": "a", "family": "A", "severity": "adware", "description": ""},)"
        R"( {"id": "b", "family": "B", "severity": "nasty", "description": ""}])");
    for (const std::string verb : { "scan", "remove" }) {
        const Finished result = verb == "scan" ? security({ "scan" }) : security({ "remove", "a" });
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.out, "");
        EXPECT_NE(result.err.find("lopewell security " + verb + ": " + m_fixture.signatureFile().string() + ": entry 1 (\"b\")"),
            std::string::npos)
            << result.err;
    }
    EXPECT_NE(security({ "scan", "--signatures", (m_fixture.dir() / "missing.json").string() }, false).err.find("No such file"),
        std::string::npos);
    EXPECT_EQ(security({ "scan", "--signatures", (m_fixture.dir() / "missing.json").string() }, false).exitCode, 1);

    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>> {
             {}, { "frob" }, { "scan", "extra" }, { "scan", "--bogus" }, { "remove" }, { "remove", "a", "b" } }) {
        const Finished result = security(arguments, false);
        EXPECT_EQ(result.exitCode, 2) << (arguments.empty() ? "" : arguments.front()) << result.err;
    }
}

TEST_F(SecurityCommand, RemoveMovesTheRemovableItemsAfterAskingAndLeavesTheRest)
{
    const std::string app = m_root + "/Applications/Genieo.app";
    const std::string agent = m_home + "/Library/LaunchAgents/com.genieo.update.plist";
    Finished result = security({ "remove", "genieo" });  // no answer: no
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("Move 2 items to the Trash? [y/N] "), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("Cancelled; nothing was removed."), std::string::npos);
    EXPECT_TRUE(fs::exists(app));
    m_fixture.launchctl().clearLog();

    result = security({ "remove", "genieo" }, true, "y\n");
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out.substr(0, result.out.find("  Stays")),
        "Remove Genieo?\n"
        "Moves this family's removable items to the Trash (reversible). System-level items and profiles must be removed manually.\n"
        "  To the Trash:\n"
        "    app  com.genieo.engine\n"
        "        "
            + app + "\n    launchAgent  com.genieo.update\n        " + agent + "\n");
    EXPECT_NE(result.out.find("  Stays (manual):\n    app  com.genieo.system \u00B7 manual\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("Moved 2 items to the Trash.\n"), std::string::npos) << result.out;
    EXPECT_EQ(m_fixture.launchctl().log().find("bootout"), m_fixture.launchctl().log().rfind("bootout")) << "one bootout";
    EXPECT_NE(m_fixture.launchctl().log().find("[bootout][gui/" + m_uid + "/com.genieo.update]\n"), std::string::npos);
    EXPECT_FALSE(fs::exists(app));
    EXPECT_TRUE(fs::exists(trashed("Genieo.app/Contents/Info.plist")));
    EXPECT_TRUE(fs::exists(trashed("com.genieo.update.plist")));
    EXPECT_TRUE(fs::exists(m_root + "/Library/LaunchDaemons/com.genieo.daemon.plist"));

    // The disabled agent's bootout fails; its file goes all the same.
    result = security({ "remove", "mackeeper", "--yes" });
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(fs::exists(trashed("com.keeper.helper.plist")));
    EXPECT_TRUE(fs::exists(trashed("MacKeeper Helper/helper")));
    EXPECT_EQ(security({ "remove", "mackeeper", "--yes" }).exitCode, 1) << "nothing of it is left";
}

TEST_F(SecurityCommand, RemoveRefusesWhatIsNotThereOrNotRemovable)
{
    Finished result = security({ "remove", "nosuch" });
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "lopewell security remove: no signature has the id 'nosuch' (see lopewell security scan)\n");
    result = security({ "remove", "pirrit" });
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "lopewell security remove: 'pirrit' was not found on this system; nothing to remove\n");

    // Everything of this family is the system's.
    m_fixture.signatures[2].agentLabels = { "com.genieo.daemon" };
    m_fixture.writeSignatures();
    result = security({ "remove", "pirrit", "--yes" });
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("nothing of Pirrit can be moved to the Trash here"), std::string::npos) << result.err;
    EXPECT_TRUE(fs::exists(m_root + "/Library/LaunchDaemons/com.genieo.daemon.plist"));
}

TEST_F(SecurityCommand, AFamilyThatPutsItsAgentBackIsReportedAsStillThere)
{
    // Every scan asks launchctl first, and here that writes the agent again.
    const fs::path agent = m_fixture.userAgents() / "com.genieo.update.plist";
    writeFile(m_fixture.dir() / "agent.copy", readFile(agent));
    m_fixture.launchctl().script(
        "[ \"$1\" = list ] && cp '" + (m_fixture.dir() / "agent.copy").string() + "' '" + agent.string() + "'; exit 0");
    const Finished result = security({ "remove", "genieo", "--yes" });
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.out.find("Still there:\n  launchAgent  com.genieo.update\n"), std::string::npos) << result.out;
}

TEST_F(SecurityCommand, ALinkNamedByASignatureIsTrashedAsItselfAndItsTargetStays)
{
    const fs::path target = m_fixture.dir() / "elsewhere/precious";
    writeFile(target, "keep me");
    fs::create_symlink(target, m_fixture.home() / "Library/Pirrit");
    const Finished result = security({ "remove", "pirrit", "--yes" });
    ASSERT_EQ(result.exitCode, 0) << result.err << result.out;
    EXPECT_FALSE(fs::exists(fs::symlink_status(m_fixture.home() / "Library/Pirrit")));
    EXPECT_TRUE(fs::is_symlink(trashed("Pirrit")));
    EXPECT_EQ(readFile(target), "keep me");
}

TEST(SecurityCommandLinux, ScansTheDesktopAndLeavesTheAdministratorsPoliciesAlone)
{
    testing::LinuxThreatFixture fixture;
    const auto run = [&](std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(),
            { "--system-root", fixture.root().string(), "--home", fixture.home().string(), "--flavour", "linux", "security" });
        arguments.push_back("--signatures");
        arguments.push_back(fixture.signatureFile().string());
        return testing::runProgram(ChildCommand(LOPEWELL_EXECUTABLE, std::move(arguments)));
    };
    Finished result = run({ "scan" });
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("Chrome hijacker \u00B7 adware \u00B7 chrome-hijack\n  About chrome-hijack.\n"
                              "  profile  chrome:ExtensionInstallForcelist:abcdefghijklmnopabcdefghijklmnop \u00B7 manual\n      "
                  + fixture.root().string() + "/etc/opt/chrome/policies/managed/search.json\n"),
        std::string::npos)
        << result.out;
    EXPECT_NE(result.out.find("Found 2 known threats — checked against 2 families.\n"), std::string::npos);

    result = run({ "remove", "chrome-hijack", "--yes" });
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.out.find("System-level items and browser policies must be removed by an administrator."), std::string::npos);
    EXPECT_TRUE(fs::exists(fixture.root() / "etc/opt/chrome/policies/managed/search.json"));

    result = run({ "remove", "xmrig", "--yes" });
    EXPECT_EQ(result.exitCode, 0) << result.err << result.out;
    EXPECT_NE(result.out.find("Moved 4 items to the Trash.\n"), std::string::npos) << result.out;
    EXPECT_NE(fixture.systemctl().log().find("[--user][disable][--][moneroocean_miner.service]\n"), std::string::npos);
    EXPECT_FALSE(fs::exists(fixture.home() / "moneroocean/xmrig"));
    EXPECT_TRUE(fs::exists(fixture.root() / "etc/systemd/system/xmrig.service"));
}

}  // namespace
}  // namespace lopewell
