#include "core/xdg/autostart_entry.h"

#include <gtest/gtest.h>

namespace lopewell {
namespace {

using Strings = std::vector<std::string>;

TEST(AutostartEntry, ReadsTheKeysSessionsLookAt)
{
    const AutostartEntry entry = AutostartEntry::read("[Desktop Entry]\n"
                                                      "Name=Notes\n"
                                                      "Exec=\"/opt/My Notes/notes\" --hidden %U\n"
                                                      "TryExec=notes\n"
                                                      "OnlyShowIn=GNOME;KDE;\n"
                                                      "X-GNOME-Autostart-enabled=false\n"
                                                      "X-XDP-Autostart=org.example.Notes\n"
                                                      "[Desktop Action x]\n"
                                                      "Hidden=true\n");
    EXPECT_TRUE(entry.hasMainGroup);
    EXPECT_EQ(entry.name, "Notes");
    EXPECT_EQ(entry.execProgram(), "/opt/My Notes/notes");
    EXPECT_EQ(entry.tryExec, "notes");
    EXPECT_EQ(entry.onlyShowIn, (Strings { "GNOME", "KDE" }));
    EXPECT_EQ(entry.hidden, std::nullopt) << "only the main group counts";
    EXPECT_EQ(entry.portalApp, "org.example.Notes");
    EXPECT_TRUE(entry.isSwitchedOff(true));
    EXPECT_FALSE(entry.isSwitchedOff(false)) << "outside GNOME the key is not read";
    EXPECT_FALSE(AutostartEntry::read("Name=x\n").hasMainGroup);
}

TEST(AutostartEntry, FindsTheProgramOfAnExecLine)
{
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        { "Exec=nm-applet", "nm-applet" },
        { "Exec=  /usr/bin/a -b", "/usr/bin/a" },
        { "Exec=\"/opt/a b/c\\\\\\\\\\\\\"d\" x", "/opt/a b/c\\\"d" },
        { "Exec=\"unterminated", std::nullopt },
        { "Exec=", std::nullopt },
        { "Name=no exec", std::nullopt },
    };
    for (const auto& [line, program] : cases)
        EXPECT_EQ(AutostartEntry::read("[Desktop Entry]\n" + line + "\n").execProgram(), program) << line;
}

TEST(AutostartEntry, OnlyShowInAndNotShowInFollowTheCurrentDesktops)
{
    struct Case {
        std::string keys;
        Strings desktops;
        bool shown;
    };
    const Case cases[] = {
        { "", {}, true },
        { "OnlyShowIn=GNOME;", { "ubuntu", "GNOME" }, true },
        { "OnlyShowIn=GNOME;", { "KDE" }, false },
        { "OnlyShowIn=GNOME;", {}, false },
        { "NotShowIn=KDE;", { "KDE" }, false },
        { "NotShowIn=KDE;", { "XFCE" }, true },
        { "OnlyShowIn=KDE;\nNotShowIn=KDE;", { "KDE" }, false },
    };
    for (const Case& each : cases)
        EXPECT_EQ(AutostartEntry::read("[Desktop Entry]\n" + each.keys + "\n").isShownIn(each.desktops), each.shown) << each.keys;
    EXPECT_EQ(splitDesktopNames("ubuntu:GNOME::"), (Strings { "ubuntu", "GNOME" }));
    EXPECT_TRUE(isGnomeFamily({ "ubuntu", "GNOME" }));
    EXPECT_FALSE(isGnomeFamily({ "KDE" }));
}

TEST(AutostartEntry, SwitchingOffKeepsEveryByteToRestore)
{
    const std::string originals[] = {
        "[Desktop Entry]\nName=A\nExec=a\n",
        "# comment\r\n[Desktop Entry]\r\nHidden=false\r\nX-GNOME-Autostart-enabled=true\r\nExec=a\r\n",
        "[Desktop Entry]\nHidden = false\nName=A\n[Desktop Action x]\nHidden=true\n[Desktop Entry]\nHidden=maybe\n",
        "[Desktop Entry]",
        "[Desktop Entry]\nName=caf\xff\n  Hidden=true",
        "[Desktop Entry]\nHidden=true\nHidden=false\nX-GNOME-Autostart-enabled=false\nX-GNOME-Autostart-enabled=true\n",
    };
    for (const std::string& original : originals) {
        const auto off = disabledAutostartText(original);
        ASSERT_TRUE(off) << original;
        const AutostartEntry entry = AutostartEntry::read(*off);
        EXPECT_EQ(entry.hidden, true) << *off;
        EXPECT_EQ(entry.gnomeEnabled, false) << *off;
        EXPECT_TRUE(entry.disabledByUs);
        EXPECT_EQ(disabledAutostartText(*off), std::nullopt) << "switching off twice changes nothing";
        EXPECT_EQ(restoredAutostartText(*off), original);
    }
    EXPECT_EQ(*disabledAutostartText("[Desktop Entry]\nHidden=false\nName=A\n"),
        "[Desktop Entry]\nHidden=true\nX-GNOME-Autostart-enabled=false\nX-Lopewell-Disabled=true\nX-Lopewell-Was-Hidden=false\nName=A\n");
    EXPECT_EQ(disabledAutostartText("Name=A\n"), std::nullopt);
    EXPECT_EQ(restoredAutostartText("[Desktop Entry]\nHidden=true\n"), std::nullopt) << "not switched off by us";
}

TEST(AutostartEntry, OverridesCarryTheirOwnMark)
{
    const auto override = disabledAutostartText("[Desktop Entry]\nName=Sys\n", autostartOverrideKey);
    ASSERT_TRUE(override);
    EXPECT_TRUE(AutostartEntry::read(*override).isOurOverride);
    EXPECT_FALSE(AutostartEntry::read(*override).disabledByUs);
}

TEST(AutostartEntry, SwitchingOnAnEntryOffForOtherReasonsFlipsItsKeys)
{
    EXPECT_EQ(switchedOnAutostartText("[Desktop Entry]\nHidden=true\nX-GNOME-Autostart-enabled=false\r\n[Other]\nHidden=true\n"),
        "[Desktop Entry]\nHidden=false\nX-GNOME-Autostart-enabled=true\r\n[Other]\nHidden=true\n");
}

}  // namespace
}  // namespace lopewell
