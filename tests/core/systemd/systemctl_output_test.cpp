#include "core/systemd/systemctl_output.h"

#include <gtest/gtest.h>

namespace lopewell {
namespace {

using Files = std::vector<UnitFile>;

TEST(SystemctlOutput, ReadsUnitFilesFromJsonAndSkipsWhatIsNotAnEntry)
{
    EXPECT_EQ(parseUnitFilesJson(R"([{"unit_file":"gpg-agent.socket","state":"enabled","preset":"enabled"},)"
                                 R"({"unit_file":"x.service"},{"unit_file":3,"state":"enabled"},7,)"
                                 R"({"unit_file":"foo.timer","state":"masked","preset":null}])"),
        (Files { { "gpg-agent.socket", "enabled" }, { "foo.timer", "masked" } }));
    EXPECT_EQ(parseUnitFilesJson("[]"), Files {});
    for (std::string_view garbage : { "", "{}", "Unknown output 'json'.", "[{\"unit_file\":", "\xff\xfe" })
        EXPECT_EQ(parseUnitFilesJson(garbage), std::nullopt) << garbage;
}

TEST(SystemctlOutput, ReadsTheUnitFileTableWithOrWithoutItsLegend)
{
    EXPECT_EQ(parseUnitFilesText("UNIT FILE                 STATE    PRESET\n"
                                 "gpg-agent.socket          enabled  enabled\n"
                                 "pipewire.service\tdisabled\tenabled\n"
                                 "\n"
                                 "2 unit files listed.\n"
                                 "lonely\n"),
        (Files { { "gpg-agent.socket", "enabled" }, { "pipewire.service", "disabled" } }));
}

TEST(SystemctlOutput, ReadsShowBlocksPerUnit)
{
    const auto statuses = parseShowOutput("Id=a.service\n"
                                          "Description=The A daemon\n"
                                          "LoadState=loaded\n"
                                          "ActiveState=active\n"
                                          "SubState=running\n"
                                          "MainPID=4321\n"
                                          "UnitFileState=enabled\n"
                                          "FragmentPath=/usr/lib/systemd/user/a.service\n"
                                          "ExecStart={ path=/usr/bin/a-daemon ; argv[]=/usr/bin/a-daemon --x ; ignore_errors=no }\n"
                                          "\n"
                                          "MainPID=12ab\n"
                                          "Id=b.socket\n"
                                          "ActiveState=inactive\n"
                                          "\n"
                                          "\n"
                                          "Description=no id\n");
    ASSERT_EQ(statuses.size(), 2u);
    EXPECT_EQ(statuses[0],
        (UnitStatus { "a.service", "The A daemon", "loaded", "active", "running", "enabled", "/usr/lib/systemd/user/a.service",
            "/usr/bin/a-daemon", 4321 }));
    EXPECT_EQ(statuses[1].id, "b.socket");
    EXPECT_EQ(statuses[1].mainPid, 0);
    EXPECT_EQ(statuses[1].program, std::nullopt);
}

TEST(SystemctlOutput, EscapesAutostartNamesAsSystemdDoes)
{
    const std::pair<std::string_view, std::string_view> cases[] = {
        { "org.gnome.Evolution-alarm-notify.desktop", "app-org.gnome.Evolution\\x2dalarm\\x2dnotify@autostart.service" },
        { "nm-applet.desktop", "app-nm\\x2dapplet@autostart.service" },
        { "my app.desktop", "app-my\\x20app@autostart.service" },
        { ".hidden.desktop", "app-\\x2ehidden@autostart.service" },
        { "a_b:c.desktop", "app-a_b:c@autostart.service" },
        { "caf\xc3\xa9.desktop", "app-caf\\xc3\\xa9@autostart.service" },
    };
    for (const auto& [file, unit] : cases)
        EXPECT_EQ(autostartUnitName(file), unit) << file;
    EXPECT_EQ(systemdUnitNameEscape("a/b\\c"), "a-b\\x5cc");
}

}  // namespace
}  // namespace lopewell
