#include "app/security/security_scanner.h"

#include <gtest/gtest.h>

#include "app/security/mac_security_sources.h"
#include "app/security/threat_remover.h"
#include "tests/app/security/security_fixture.h"

namespace lopewell {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using testing::writeFile;

// "genieo: launchDaemon com.genieo.daemon manual", one line per artifact of each threat.
std::vector<std::string> summary(const std::vector<DetectedThreat>& threats)
{
    std::vector<std::string> lines;
    for (const DetectedThreat& threat : threats) {
        for (const ObservedArtifact& artifact : threat.artifacts) {
            lines.push_back(threat.signature.id + ": " + std::string(rawValue(artifact.kind)) + " " + artifact.identifier
                + (artifact.isUserControllable ? "" : " manual"));
        }
    }
    return lines;
}

// The Trash as the removal sees it: every call recorded, every path moved out of the way.
struct RecordingTrash {
    std::vector<std::vector<std::string>> calls;
    std::function<void()> onCall;

    ThreatRemover::TrashFunction function()
    {
        return [this](const std::vector<std::string>& paths) {
            calls.push_back(paths);
            if (onCall)
                onCall();
            TrashService::Outcome outcome;
            for (const std::string& path : paths) {
                std::error_code error;
                if (fs::remove_all(path, error) > 0) {
                    outcome.movedPaths.insert(path);
                    ++outcome.movedCount;
                }
            }
            outcome.failedCount = int64_t(paths.size()) - outcome.movedCount;
            return outcome;
        };
    }
};

class MacSecurityScan : public ::testing::Test {
protected:
    std::shared_ptr<const SecuritySources> sources(std::chrono::milliseconds profilesLimit = std::chrono::seconds(10)) const
    {
        return makeSecuritySources(m_fixture.layout(), SecuritySourceOptions { .profilesTimeLimit = profilesLimit });
    }
    std::vector<DetectedThreat> scan(std::chrono::milliseconds profilesLimit = std::chrono::seconds(10)) const
    {
        return SecurityScanner(m_fixture.signatures, sources(profilesLimit)).scan();
    }

    testing::MacThreatFixture m_fixture;
    const std::string m_home = m_fixture.home().string();
};

TEST_F(MacSecurityScan, FindsEachFamilyWithItsTracesAndMarksWhatOnlyTheSystemMayRemove)
{
    const std::vector<DetectedThreat> threats = scan();
    EXPECT_EQ(summary(threats),
        (std::vector<std::string> {
            "genieo: app com.genieo.engine",
            "genieo: app com.genieo.system manual",
            "genieo: launchAgent com.genieo.update",
            "genieo: launchAgent com.genieo.machine manual",
            "genieo: launchDaemon com.genieo.daemon manual",
            "genieo: profile com.genieo.profile manual",
            "genieo: file /Library/Application Support/Genieo manual",
            "mackeeper: launchAgent com.keeper.helper",
            "mackeeper: file " + m_home + "/Library/Application Support/MacKeeper Helper",
        }));
    ASSERT_EQ(threats.size(), 2u);
    const auto& genieo = threats[0].artifacts;
    EXPECT_EQ(genieo[0].path, (m_fixture.root() / "Applications/Genieo.app").string());
    EXPECT_EQ(genieo[2].path, (m_fixture.userAgents() / "com.genieo.update.plist").string());
    EXPECT_EQ(genieo[5].path, std::nullopt);
    // A system path is resolved under the root and named as the system sees it.
    EXPECT_EQ(genieo[6].path, (m_fixture.root() / "Library/Application Support/Genieo").string());
    EXPECT_EQ(threats[1].artifacts[0].path, (m_fixture.holding() / "com.keeper.helper.plist").string());
    EXPECT_EQ(m_fixture.profiles().log(), "[show][-type][configuration]\n");
}

TEST_F(MacSecurityScan, WithoutSignaturesStillLooksButFindsNothing)
{
    EXPECT_TRUE(SecurityScanner({}, sources()).scan().empty());
    EXPECT_EQ(m_fixture.profiles().log(), "[show][-type][configuration]\n");
}

TEST_F(MacSecurityScan, AProfilesToolThatIsMissingHangsOrPrintsGarbageAddsNoProfile)
{
    const auto profiles = [](const std::vector<DetectedThreat>& threats) {
        std::vector<std::string> found;
        for (const std::string& line : summary(threats)) {
            if (line.find(": profile ") != std::string::npos)
                found.push_back(line);
        }
        return found;
    };
    fs::remove(m_fixture.profiles().path());
    const auto missing = scan();
    EXPECT_TRUE(profiles(missing).empty());
    EXPECT_EQ(summary(missing).size(), 8u) << "every other source still counts";

    // Killed at its limit: half an identifier is no identifier.
    m_fixture.profiles().script("printf 'profileIdentifier: com.genieo.profile\\n'; exec sleep 30");
    EXPECT_TRUE(profiles(scan(std::chrono::milliseconds(300))).empty());

    m_fixture.profilesPrint(std::string("\0\x01profileIdentifier\n:com.genieo.profile\nprofileidentifier: com.genieo.profile\n", 59));
    EXPECT_TRUE(profiles(scan()).empty());
}

TEST_F(MacSecurityScan, ProfilesLinesFollowTheToolsFormat)
{
    m_fixture.profilesPrint("There are 2 configuration profiles installed\n\n"
                            "_computerlevel[1] attribute: profileIdentifier: com.genieo.profile   \n"
                            "  \tprofileIdentifier: com.genieo.profile\n"
                            "profileIdentifier: two profileIdentifier: markers\n"
                            "profileIdentifier:\n");
    EXPECT_EQ(installedProfileIdentifiers(m_fixture.profiles().path(), std::chrono::seconds(10)),
        (std::vector<std::string> { "com.genieo.profile", "com.genieo.profile", "two profileIdentifier: markers" }));
}

TEST_F(MacSecurityScan, ALinkNamedByASignatureIsReportedAsItselfAndItsTargetIsNeverLookedAt)
{
    writeFile(m_fixture.dir() / "elsewhere/target", "keep me");
    fs::create_symlink(m_fixture.dir() / "elsewhere/target", m_fixture.home() / "Library/Pirrit");
    fs::create_symlink(m_fixture.dir() / "missing", m_fixture.home() / "Library/PirritDangling");
    m_fixture.signatures[2].pathGlobs.push_back("~/Library/PirritDangling");
    const auto threats = scan();
    ASSERT_EQ(threats.size(), 3u);
    EXPECT_EQ(summary({ threats[2] }),
        (std::vector<std::string> { "pirrit: file " + m_home + "/Library/Pirrit", "pirrit: file " + m_home + "/Library/PirritDangling" }));
    EXPECT_EQ(threats[2].artifacts[0].path, m_home + "/Library/Pirrit");
}

TEST(SecurityPaths, LiteralPathsAreExpandedOnceAndNeverEscapeTheirPlace)
{
    testing::MacThreatFixture fixture;
    writeFile(fixture.root() / "Applications/Tool.app/x", "");
    writeFile(fixture.root() / "Applications/x", "");
    writeFile(fixture.root() / "etc/passwd", "");
    ThreatSignature first = testing::threatSignature("a", "A", ThreatSignature::Severity::pup);
    first.pathGlobs = { "/Applications/Tool.app", "~/Library/Caches/*", "~", "/Applications/../etc/passwd", "~/../../etc/passwd",
        "/Applications/Tool.app/", "relative/path", "/Applications" };
    ThreatSignature second = testing::threatSignature("b", "B", ThreatSignature::Severity::pup);
    second.pathGlobs = { "/Applications/Tool.app", "~/Library/Caches/com.genieo.cache" };
    const HostLayout layout = fixture.layout();
    std::vector<std::string> found;
    for (const ObservedArtifact& artifact : SecurityPaths::literalPathArtifacts(
             { first, second }, layout, [&](const fs::path& path) { return SecurityPaths::isUserControllableOnMac(layout, path); }))
        found.push_back(artifact.identifier + (artifact.isUserControllable ? "" : " manual"));
    const std::string home = fixture.home().string();
    // The home and /Applications themselves exist but are never something to trash.
    EXPECT_EQ(found,
        (std::vector<std::string> {
            "/Applications/Tool.app", home + " manual", "/Applications manual", home + "/Library/Caches/com.genieo.cache" }));

    EXPECT_EQ(SecurityPaths::systemView(layout, fixture.root() / "Applications/x"), "/Applications/x");
    EXPECT_EQ(SecurityPaths::systemView(layout, fixture.home() / "x"), std::nullopt);
    EXPECT_FALSE(SecurityPaths::isUnderHome(layout, fs::path(home + "ish/x")));
}

TEST_F(MacSecurityScan, RemovalBootsOutTheUsersOwnAgentsThenTrashesInOneCallInArtifactOrder)
{
    const auto threats = scan();
    ASSERT_EQ(threats.size(), 2u);
    RecordingTrash trash;
    m_fixture.launchctl().clearLog();
    trash.onCall = [&] { EXPECT_EQ(m_fixture.launchctl().log(), "[bootout][gui/501/com.genieo.update]\n"); };
    const TrashService::Outcome outcome = ThreatRemover(sources(), trash.function()).remove(threats[0]);
    ASSERT_EQ(trash.calls.size(), 1u);
    EXPECT_EQ(trash.calls[0],
        (std::vector<std::string> {
            (m_fixture.root() / "Applications/Genieo.app").string(), (m_fixture.userAgents() / "com.genieo.update.plist").string() }));
    EXPECT_EQ(outcome.movedCount, 2);
    EXPECT_TRUE(fs::exists(m_fixture.root() / "Library/LaunchDaemons/com.genieo.daemon.plist"));

    // A disabled agent is not loaded: its bootout fails and its file goes all the same.
    m_fixture.launchctl().clearLog();
    trash.onCall = nullptr;
    ThreatRemover(sources(), trash.function()).remove(threats[1]);
    EXPECT_EQ(m_fixture.launchctl().log(), "[bootout][gui/501/com.keeper.helper]\n");
    ASSERT_EQ(trash.calls.size(), 2u);
    EXPECT_EQ(trash.calls[1],
        (std::vector<std::string> {
            (m_fixture.holding() / "com.keeper.helper.plist").string(), m_home + "/Library/Application Support/MacKeeper Helper" }));

    const auto left = scan();
    EXPECT_EQ(summary(left),
        (std::vector<std::string> { "genieo: app com.genieo.system manual", "genieo: launchAgent com.genieo.machine manual",
            "genieo: launchDaemon com.genieo.daemon manual", "genieo: profile com.genieo.profile manual",
            "genieo: file /Library/Application Support/Genieo manual" }));
}

TEST_F(MacSecurityScan, AThreatWithNothingRemovableStillMakesOneEmptyTrashCallAndNoBootout)
{
    const DetectedThreat threat { m_fixture.signatures[0],
        { { ObservedArtifact::Kind::launchDaemon, "com.genieo.daemon", "/Library/LaunchDaemons/com.genieo.daemon.plist", false },
            { ObservedArtifact::Kind::profile, "com.genieo.profile", std::nullopt, false } } };
    RecordingTrash trash;
    m_fixture.launchctl().clearLog();
    ThreatRemover(sources(), trash.function()).remove(threat);
    EXPECT_EQ(trash.calls, (std::vector<std::vector<std::string>> { {} }));
    EXPECT_EQ(m_fixture.launchctl().log(), "");
}

TEST(ThreatRemover, EachFileGoesToTheTrashOnceAndNothingInsideAFolderThatGoesToo)
{
    using Kind = ObservedArtifact::Kind;
    const DetectedThreat threat { testing::threatSignature("k", "K", ThreatSignature::Severity::pup),
        {
            { Kind::file, "/Users/a/Keeper/helper", "/Users/a/Keeper/helper", true },
            { Kind::app, "com.keeper", "/Applications/Keeper.app", true },
            { Kind::file, "/Applications/Keeper.app", "/Applications/Keeper.app", true },
            { Kind::launchDaemon, "com.keeper.d", "/Users/a/Keeper", false },
            { Kind::file, "/Users/a/Keeper", "/Users/a/Keeper/", true },
            { Kind::file, "/Users/a/KeeperOld", "/Users/a/KeeperOld", true },
        } };
    EXPECT_EQ(ThreatRemover::trashPaths(threat),
        (std::vector<std::string> { "/Applications/Keeper.app", "/Users/a/Keeper/", "/Users/a/KeeperOld" }));
}

class LinuxSecurityScan : public ::testing::Test {
protected:
    std::shared_ptr<const SecuritySources> sources() const { return makeSecuritySources(m_fixture.layout()); }
    std::vector<DetectedThreat> scan() const { return SecurityScanner(m_fixture.signatures, sources()).scan(); }

    testing::LinuxThreatFixture m_fixture;
    const std::string m_home = m_fixture.home().string();
};

TEST_F(LinuxSecurityScan, FindsTheMinersTracesAndTheHijackersPolicies)
{
    const auto threats = scan();
    EXPECT_EQ(summary(threats),
        (std::vector<std::string> {
            "xmrig: app minerd manual",
            "xmrig: app xmrig-gui",
            "xmrig: launchAgent xmrig",
            "xmrig: launchAgent miner-helper manual",
            "xmrig: launchAgent moneroocean_miner.service",
            "xmrig: launchDaemon xmrig.service manual",
            "xmrig: file " + m_home + "/moneroocean/xmrig",
            "xmrig: file /etc/systemd/system/xmrig.service manual",
            "chrome-hijack: profile chrome:ExtensionInstallForcelist:abcdefghijklmnopabcdefghijklmnop manual",
            "chrome-hijack: profile chrome:HomepageLocation:search.example.com manual",
        }));
    ASSERT_EQ(threats.size(), 2u);
    // The policy file is named, so it can be shown to whoever removes it.
    EXPECT_EQ(threats[1].artifacts[0].path, (m_fixture.root() / "etc/opt/chrome/policies/managed/search.json").string());
    EXPECT_EQ(threats[0].artifacts[4].path, m_home + "/.config/systemd/user/moneroocean_miner.service");
}

TEST_F(LinuxSecurityScan, RemovalSwitchesOffTheUsersOwnEntriesAndUnitsThenTrashesExactlyThoseFiles)
{
    const auto threats = scan();
    ASSERT_EQ(threats.size(), 2u);
    RecordingTrash trash;
    m_fixture.systemctl().clearLog();
    const fs::path entry = m_fixture.home() / ".config/autostart/xmrig.desktop";
    trash.onCall = [&] {
        EXPECT_NE(m_fixture.systemctl().log().find(
                      "[--user][disable][--][moneroocean_miner.service]\n[--user][stop][--][moneroocean_miner.service]\n"),
            std::string::npos)
            << m_fixture.systemctl().log();
        EXPECT_NE(readFile(entry).find("Hidden=true"), std::string::npos);
    };
    ThreatRemover(sources(), trash.function()).remove(threats[0]);
    ASSERT_EQ(trash.calls.size(), 1u);
    EXPECT_EQ(trash.calls[0],
        (std::vector<std::string> { m_home + "/.local/share/applications/xmrig-gui.desktop", entry.string(),
            m_home + "/.config/systemd/user/moneroocean_miner.service", m_home + "/moneroocean/xmrig" }));
    EXPECT_EQ(m_fixture.systemctl().log().find("xmrig.service"), std::string::npos) << "a system service is never touched";
    EXPECT_TRUE(fs::exists(m_fixture.root() / "etc/xdg/autostart/miner-helper.desktop"));

    // The hijacker's policies are the administrator's: nothing moves.
    trash.onCall = nullptr;
    ThreatRemover(sources(), trash.function()).remove(threats[1]);
    EXPECT_EQ(trash.calls[1], std::vector<std::string>());
}

}  // namespace
}  // namespace lopewell
