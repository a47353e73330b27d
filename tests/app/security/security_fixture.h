// Machines with known threats on them, for the Security tests: a macOS tree with two families'
// traces (an app, agents and daemons, a profile printed by a fake `profiles`, files) and a Linux
// desktop with a miner's (autostart entry, user and system units, a forced Chrome extension,
// files). Each writes its signature list to a file and logs what its fake tools were asked.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <string>

#include "core/security/threat_signature.h"
#include "platform/host_layout.h"
#include "tests/app/apps/apps_fixture.h"
#include "tests/app/startup/launchd_fixture.h"
#include "tests/support/fake_tool.h"
#include "tests/support/temp_tree.h"

namespace lopewell::testing {

inline ThreatSignature threatSignature(std::string id, std::string family, ThreatSignature::Severity severity)
{
    ThreatSignature signature;
    signature.id = id;
    signature.family = std::move(family);
    signature.severity = severity;
    signature.description = "About " + id + ".";
    return signature;
}

// Genieo: an app in /Applications, a user agent, a machine agent, a machine daemon, a profile and
// a machine file. MacKeeper: a disabled agent in the holding folder and a folder in ~/Library.
// Pirrit: nothing of it is there.
class MacThreatFixture {
public:
    MacThreatFixture()
    {
        makeBundle(root() / "Applications/Genieo.app", "com.genieo.engine");
        makeBundle(root() / "System/Applications/Helper.app", "com.genieo.system");
        writeFile(m_launchd.userAgents() / "com.genieo.update.plist", jobPlist("com.genieo.update", "/Applications/Genieo.app/x"));
        writeFile(root() / "Library/LaunchAgents/com.genieo.machine.plist", jobPlist("com.genieo.machine"));
        writeFile(root() / "Library/LaunchDaemons/com.genieo.daemon.plist", jobPlist("com.genieo.daemon"));
        writeFile(m_launchd.holding() / "com.keeper.helper.plist", jobPlist("com.keeper.helper"));
        writeFile(root() / "Library/Application Support/Genieo/engine.dat", "x");
        writeFile(home() / "Library/Application Support/MacKeeper Helper/helper", "x");
        writeFile(home() / "Library/Caches/com.genieo.cache/blob", "x");
        // A bootout of an agent that is not loaded fails; removal goes on all the same.
        m_launchd.listing("7\\t0\\tcom.genieo.update\\n", 3, 0, "Boot-out failed: 3: No such process\\n");
        profilesPrint("_computerlevel[1] attribute: name: Search Helper\n"
                      "_computerlevel[1] attribute: profileIdentifier: com.genieo.profile\n"
                      "\xff\xfe garbage without the marker\n"
                      "    profileIdentifier:   \t\n"
                      "\tprofileIdentifier:com.unrelated.profile\n");

        ThreatSignature genieo = threatSignature("genieo", "Genieo", ThreatSignature::Severity::adware);
        genieo.bundleIDs = { "com.genieo.engine", "com.genieo.system" };
        genieo.agentLabels = { "com.genieo.update", "com.genieo.machine", "com.genieo.daemon" };
        genieo.profileIDs = { "com.genieo.profile" };
        genieo.pathGlobs = { "/Library/Application Support/Genieo", "~/Library/Caches/com.genieo.*" };
        ThreatSignature keeper = threatSignature("mackeeper", "MacKeeper", ThreatSignature::Severity::pup);
        keeper.agentLabels = { "com.keeper.helper" };
        keeper.pathGlobs = { "~/Library/Application Support/MacKeeper Helper" };
        ThreatSignature pirrit = threatSignature("pirrit", "Pirrit", ThreatSignature::Severity::malware);
        pirrit.bundleIDs = { "com.pirrit.agent" };
        pirrit.pathGlobs = { "~/Library/Pirrit" };
        signatures = { genieo, keeper, pirrit };
        writeSignatures();
    }

    std::filesystem::path root() const { return m_launchd.root(); }
    std::filesystem::path home() const { return m_launchd.home(); }
    std::filesystem::path userAgents() const { return m_launchd.userAgents(); }
    std::filesystem::path holding() const { return m_launchd.holding(); }
    std::filesystem::path signatureFile() const { return m_dir / "signatures.json"; }
    std::filesystem::path dir() const { return m_dir.path(); }
    HostLayout layout() const { return HostLayout::forTesting(root(), home(), 501, "alice", HostFlavour::macOS); }
    const FakeTool& launchctl() const { return m_launchd.launchctl(); }
    const FakeTool& profiles() const { return m_profiles; }

    // The profiles tool prints `output` and exits.
    void profilesPrint(const std::string& output) const
    {
        writeFile(m_dir / "profiles.out", output);
        m_profiles.script("cat '" + (m_dir / "profiles.out").string() + "'");
    }
    void writeSignatures() const { writeFile(signatureFile(), encodeThreatSignatures(signatures)); }

    std::vector<ThreatSignature> signatures;

private:
    LaunchdFixture m_launchd;
    TempDir m_dir;
    FakeTool m_profiles { root() / "usr/bin/profiles", m_dir / "profiles.log" };
};

// XMRig: a local app under home and one installed for everyone, the user's autostart entry,
// a system autostart entry, the user's own unit and a system service, a file under home and a
// system file. Chrome hijack: a forced extension and a home page in a managed policy file.
class LinuxThreatFixture {
public:
    LinuxThreatFixture()
    {
        writeFile(
            home() / ".local/share/applications/xmrig-gui.desktop", "[Desktop Entry]\nType=Application\nName=XMRig GUI\nExec=xmrig\n");
        writeFile(root() / "usr/share/applications/minerd.desktop", "[Desktop Entry]\nType=Application\nName=Minerd\nExec=minerd\n");
        writeFile(home() / ".config/autostart/xmrig.desktop",
            "[Desktop Entry]\nType=Application\nName=xmrig\nExec=" + (home() / "moneroocean/xmrig").string() + "\n");
        writeFile(
            root() / "etc/xdg/autostart/miner-helper.desktop", "[Desktop Entry]\nType=Application\nName=Helper\nExec=/usr/bin/helper\n");
        writeFile(home() / ".config/systemd/user/moneroocean_miner.service", "[Unit]\nDescription=Miner\n[Service]\nExecStart=/bin/true\n");
        writeFile(root() / "etc/systemd/system/xmrig.service", "[Unit]\nDescription=XMRig\n[Service]\nExecStart=/usr/bin/xmrig\n");
        writeFile(home() / "moneroocean/xmrig", "ELF");
        writeFile(root() / "etc/opt/chrome/policies/managed/search.json",
            R"({"ExtensionInstallForcelist": ["abcdefghijklmnopabcdefghijklmnop;https://clients2.google.com/service/update2/crx"],)"
            R"( "HomepageLocation": "http://Search.Example.com:80/home"})");
        writeFile(root() / "etc/opt/chrome/policies/managed/00_gssapi.json", R"({"AuthServerAllowlist": "*.example.org"})");
        writeFile(m_dir / "user-units.json", R"([{"unit_file":"moneroocean_miner.service","state":"enabled","preset":"enabled"}])");
        writeFile(m_dir / "system-units.json", R"([{"unit_file":"xmrig.service","state":"enabled","preset":"enabled"}])");
        m_systemctl.script("case \"$*\" in\n"
                           "'--user list-unit-files -o json --no-pager') cat '"
            + (m_dir / "user-units.json").string()
            + "' ;;\n"
              "'list-unit-files -o json --no-pager') cat '"
            + (m_dir / "system-units.json").string()
            + "' ;;\n"
              "esac");

        ThreatSignature miner = threatSignature("xmrig", "XMRig miners", ThreatSignature::Severity::malware);
        miner.bundleIDs = { "xmrig-gui", "minerd" };
        miner.agentLabels = { "xmrig", "miner-helper", "moneroocean_miner.service", "xmrig.service" };
        miner.pathGlobs = { "~/moneroocean/xmrig", "/etc/systemd/system/xmrig.service", "/tmp/kinsing*" };
        ThreatSignature hijack = threatSignature("chrome-hijack", "Chrome hijacker", ThreatSignature::Severity::adware);
        hijack.profileIDs
            = { "chrome:ExtensionInstallForcelist:abcdefghijklmnopabcdefghijklmnop", "chrome:HomepageLocation:search.example.com" };
        signatures = { miner, hijack };
        writeFile(signatureFile(), encodeThreatSignatures(signatures));
    }

    std::filesystem::path root() const { return m_dir / "root"; }
    std::filesystem::path home() const { return m_dir / "home"; }
    std::filesystem::path signatureFile() const { return m_dir / "signatures.json"; }
    std::filesystem::path dir() const { return m_dir.path(); }
    HostLayout layout() const { return HostLayout::forTesting(root(), home(), ::getuid(), "alice", HostFlavour::linuxDesktop); }
    const FakeTool& systemctl() const { return m_systemctl; }

    std::vector<ThreatSignature> signatures;

private:
    TempDir m_dir;
    FakeTool m_systemctl { m_dir / "root/usr/bin/systemctl", m_dir / "systemctl.log" };
};

}  // namespace lopewell::testing
