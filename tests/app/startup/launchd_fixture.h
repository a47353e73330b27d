// A macOS tree for the Startup tests: a system root with its version file, a home folder, and a
// fake /bin/launchctl that logs its argument vectors and prints a `list` table.
#pragma once

#include <string>

#include "platform/host_layout.h"
#include "tests/support/fake_tool.h"
#include "tests/support/temp_tree.h"

namespace lopewell::testing {

// An XML job file: Label, Program and RunAtLoad when given; `extra` goes inside the dictionary.
inline std::string jobPlist(const std::string& label, const std::string& program = {}, const std::string& extra = {})
{
    std::string body;
    if (!label.empty())
        body += "<key>Label</key><string>" + label + "</string>";
    if (!program.empty())
        body += "<key>Program</key><string>" + program + "</string>";
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>" + body + extra + "</dict></plist>\n";
}

class LaunchdFixture {
public:
    LaunchdFixture()
    {
        writeFile(root() / "System/Library/CoreServices/SystemVersion.plist", jobPlist("version"));
        std::filesystem::create_directories(home());
        listing("");
    }

    std::filesystem::path root() const { return m_dir / "root"; }
    std::filesystem::path home() const { return m_dir / "home"; }
    std::filesystem::path userAgents() const { return home() / "Library/LaunchAgents"; }
    std::filesystem::path holding() const { return home() / "Library/Application Support/Lopewell/DisabledLaunchAgents"; }
    HostLayout layout() const { return HostLayout::forTesting(root(), home(), 501, "alice", HostFlavour::macOS); }
    const FakeTool& launchctl() const { return m_launchctl; }

    // `list` prints the header and `rows`; bootout and bootstrap exit with the given statuses.
    void listing(const std::string& rows, int bootoutStatus = 0, int bootstrapStatus = 0, const std::string& bootoutError = {}) const
    {
        m_launchctl.script("case \"$1\" in\n"
                           "list) printf 'PID\\tStatus\\tLabel\\n"
            + rows
            + "' ;;\n"
              "bootout) printf '"
            + bootoutError + "' >&2; exit " + std::to_string(bootoutStatus)
            + " ;;\n"
              "bootstrap) exit "
            + std::to_string(bootstrapStatus)
            + " ;;\n"
              "esac");
    }

private:
    TempDir m_dir;
    FakeTool m_launchctl { m_dir / "root/bin/launchctl", m_dir / "launchctl.log" };
};

}  // namespace lopewell::testing
