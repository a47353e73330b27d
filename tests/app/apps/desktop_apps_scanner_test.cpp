#include "app/apps/desktop_apps_scanner.h"

#include <gtest/gtest.h>

#include <map>

#include <algorithm>
#include <tuple>

#include "app/apps/desktop_tool_output.h"
#include "tests/app/apps/apps_fixture.h"
#include "tests/app/apps/desktop_fixture.h"

namespace lopewell {
namespace {

namespace fs = std::filesystem;
using testing::writeFile;

class DesktopAppsScannerTest : public ::testing::Test, protected testing::DesktopFixture {
protected:
    const InstalledApp* find(const std::vector<InstalledApp>& apps, std::string_view name) const
    {
        auto it = std::find_if(apps.begin(), apps.end(), [&](const InstalledApp& app) { return app.name == name; });
        return it == apps.end() ? nullptr : &*it;
    }
};

TEST_F(DesktopAppsScannerTest, ListsEverySourceOnceWithItsVersionAndSize)
{
    populate();
    const std::vector<InstalledApp> apps = DesktopAppsScanner(layout).scan();
    using Row = std::tuple<std::string, AppSource, std::string, std::string, std::uint64_t>;
    std::vector<Row> rows;
    for (const InstalledApp& app : apps)
        rows.emplace_back(app.name, app.source, app.bundleID, app.version, app.size);
    const std::vector<Row> expected {
        { "Chat", AppSource::flatpak, "com.example.Chat", "—", 4444 },
        // Its status says only its configuration is left: no version, no size.
        { "Dolphin", AppSource::package, "kde4-dolphin", "—", 0 },
        { "Dolphin (Flatpak)", AppSource::flatpak, "org.kde.dolphin", "23.08", 0 },
        { "Garbled", AppSource::local, "garbled", "—", 0 },
        { "GIMP", AppSource::package, "gimp", "2.10.34-1", 20000 * 1024 },
        { "Maps", AppSource::package, "org.gnome.Maps", "43.0-1", 5120 * 1024 },
        { "mytool", AppSource::local, "mytool", "—", testing::treeBytes(home / "opt/mytool") },
        { "Notepad", AppSource::snap, "notepad", "1.2", 5000 },
        { "Obsidian", AppSource::appImage, "Obsidian-1.4.16-x86_64.AppImage", "1.4.16",
            testing::allocatedBytes(home / "Downloads/Obsidian-1.4.16-x86_64.AppImage") },
        { "Paint", AppSource::flatpak, "org.example.Paint", "2.1", 123456789 },
        { "Tool", AppSource::local, "tool", "—", 0 },
        { "Zed", AppSource::appImage, "appimagekit_0123abcd-Zed", "0.9", testing::allocatedBytes(home / "Applications/Zed-0.9.AppImage") },
    };
    EXPECT_EQ(rows, expected);

    const InstalledApp& gimp = *find(apps, "GIMP");
    EXPECT_TRUE(gimp.desktop->hiddenFromMenus);
    EXPECT_EQ(gimp.url, root / "usr/share/applications/gimp.desktop");
    EXPECT_EQ(gimp.desktop->packageName, "gimp");
    EXPECT_EQ(find(apps, "Paint")->desktop->flatpakRef, "app/org.example.Paint/x86_64/stable");
    EXPECT_EQ(find(apps, "Paint")->desktop->flatpakInstallation, "user");
    EXPECT_EQ(find(apps, "Chat")->desktop->flatpakInstallation, "system");
    EXPECT_EQ(find(apps, "Zed")->url, home / "Applications/Zed-0.9.AppImage");
    EXPECT_EQ(find(apps, "Zed")->desktop->appImageKey, "0123abcd");
    EXPECT_EQ(find(apps, "Dolphin")->desktop->desktopFileId, "kde4-dolphin.desktop");
    EXPECT_EQ(find(apps, "mytool")->desktop->programFolder, home / "opt/mytool");
    EXPECT_EQ(find(apps, "Tool")->desktop->execName, "tool");
}

TEST_F(DesktopAppsScannerTest, AUserEntryShadowsTheSystemOneOfTheSameId)
{
    writeFile(root / "usr/share/applications/editor.desktop", testing::desktopEntry("Name=System Editor\nExec=ed\n"));
    writeFile(data / "applications/editor.desktop", testing::desktopEntry("Name=My Editor\nExec=ed\n"));
    writeFile(root / "usr/share/applications/tomb.desktop", testing::desktopEntry("Name=Tomb\n"));
    writeFile(data / "applications/tomb.desktop", testing::desktopEntry("Name=Tomb\nHidden=true\n"));
    writeFile(data / "applications/only-hidden.desktop", testing::desktopEntry("Name=Only\nHidden=true\n"));
    const std::vector<InstalledApp> apps = DesktopAppsScanner(layout).scan();
    ASSERT_EQ(apps.size(), 2u);
    EXPECT_EQ(apps[0].name, "My Editor");
    EXPECT_EQ(apps[0].url, data / "applications/editor.desktop");
    EXPECT_EQ(apps[1].name, "Tomb");
    EXPECT_TRUE(apps[1].desktop->hiddenFromMenus);
}

TEST_F(DesktopAppsScannerTest, ToolsThatAreMissingHangOrPrintGarbageLeaveVersionsAndSizesUnknown)
{
    populate();
    const std::vector<InstalledApp> reference = DesktopAppsScanner(layout).scan();
    for (const char* variant : { "missing", "hanging", "garbage" }) {
        SCOPED_TRACE(variant);
        for (const char* name : { "dpkg-query", "flatpak", "snap" }) {
            fs::remove(root / "usr/bin" / name);
            if (std::string(variant) == "hanging")
                tool(name, "exec sleep 30");
            else if (std::string(variant) == "garbage")
                tool(name, "printf '\\001\\002 Name\\tx\\n\\n\\t\\t\\t\\n99999999999999999999999\\n'");
        }
        const std::vector<InstalledApp> apps = DesktopAppsScanner(layout, std::chrono::milliseconds(300)).scan();
        ASSERT_EQ(apps.size(), reference.size());
        for (size_t i = 0; i < apps.size(); ++i) {
            EXPECT_EQ(apps[i].name, reference[i].name);
            if (apps[i].source == AppSource::package || apps[i].source == AppSource::flatpak || apps[i].source == AppSource::snap) {
                EXPECT_EQ(apps[i].version, "—") << apps[i].name;
                EXPECT_EQ(apps[i].size, 0u) << apps[i].name;
            }
        }
    }
}

TEST_F(DesktopAppsScannerTest, ReadsTheSessionsDataFoldersAndAlwaysFlatpaksAndSnapsExports)
{
    populate();
    writeFile(root / "opt/extra/share/applications/extra.desktop", testing::desktopEntry("Name=Extra\nExec=/usr/bin/tool\n"));
    HostLayout::Fields fields = layout.fields();
    fields.environment["XDG_DATA_DIRS"]
        = (home / ".local/share/flatpak/exports/share/").native() + ":relative/share:/opt/extra/share:/usr/share";
    const DesktopAppsScanner scanner { HostLayout(fields) };
    using Kind = DesktopAppsScanner::FolderKind;
    EXPECT_EQ(scanner.applicationFolders(),
        (std::vector<DesktopAppsScanner::ApplicationFolder> { { data / "applications", Kind::user },
            { data / "flatpak/exports/share/applications", Kind::userFlatpak }, { root / "opt/extra/share/applications", Kind::shared },
            { root / "usr/share/applications", Kind::shared }, { root / "var/lib/flatpak/exports/share/applications", Kind::systemFlatpak },
            { root / "var/lib/snapd/desktop/applications", Kind::snap } }));
    std::map<std::string, AppSource> sources;
    for (const InstalledApp& app : scanner.scan())
        sources[app.name] = app.source;
    EXPECT_EQ(sources.at("Extra"), AppSource::local);
    EXPECT_EQ(sources.at("Paint"), AppSource::flatpak);
    EXPECT_EQ(sources.at("Notepad"), AppSource::snap);
}

TEST_F(DesktopAppsScannerTest, ResolvesAListedAppByPathOrIdAndAnUnlistedEntryOrAppImageByPath)
{
    populate();
    const DesktopAppsScanner scanner(layout);
    const std::vector<InstalledApp> apps = scanner.scan();
    EXPECT_EQ(scanner.resolve("org.gnome.Maps.desktop", apps)->name, "Maps");
    EXPECT_EQ(scanner.resolve("org.gnome.Maps", apps)->name, "Maps");
    EXPECT_EQ(scanner.resolve("notepad", apps)->name, "Notepad");
    EXPECT_EQ(scanner.resolve(data / "applications/appimagekit_0123abcd-Zed.desktop", apps)->name, "Zed");
    EXPECT_EQ(scanner.resolve(home / "Applications/Zed-0.9.AppImage", apps)->name, "Zed");

    writeFile(dir / "Elsewhere.desktop", testing::desktopEntry("Name=Elsewhere\nExec=/usr/bin/tool\n"));
    writeFile(dir / "Portable-2.0.AppImage", testing::appImageBytes());
    EXPECT_EQ(scanner.resolve(dir / "Elsewhere.desktop", apps)->source, AppSource::local);
    const std::optional<InstalledApp> portable = scanner.resolve(dir / "Portable-2.0.AppImage", apps);
    ASSERT_TRUE(portable);
    EXPECT_EQ(portable->name, "Portable");
    EXPECT_EQ(portable->version, "2.0");

    writeFile(dir / "notes.txt", "text");
    writeFile(dir / "NoGroup.desktop", "Name=x\n");
    fs::create_symlink(dir / "Portable-2.0.AppImage", dir / "Link.AppImage");
    for (const fs::path& target : { dir / "notes.txt", dir / "NoGroup.desktop", dir / "Link.AppImage", fs::path("unknown-id") })
        EXPECT_FALSE(scanner.resolve(target, apps)) << target;
}

TEST(ExecLineTest, ArgumentsAndTheProgramFollowTheQuotingRules)
{
    EXPECT_EQ(execArguments(R"("/opt/My App/run" --name "a \"quoted\" \\ word" %U)"),
        (std::vector<std::string> { "/opt/My App/run", "--name", "a \"quoted\" \\ word", "%U" }));
    EXPECT_EQ(execProgram("env GDK_BACKEND=x11 LANG=C /usr/bin/foo %U"), "/usr/bin/foo");
    EXPECT_EQ(execProgram("env -u X bar"), "bar");
    EXPECT_EQ(execProgram("\"unterminated"), "unterminated");
    EXPECT_EQ(execProgram(""), "");
}

TEST(DesktopToolOutputTest, ReadsWhatThePackageToolsPrint)
{
    EXPECT_EQ(dpkgPackageOfList("libfoo1:amd64.list"), "libfoo1");
    EXPECT_EQ(
        desktopEntriesInDpkgList("/usr\n/usr/share/applications/a.desktop\n/usr/share/doc/a.desktop\nrelative/applications/b.desktop\n"),
        std::vector<std::string> { "/usr/share/applications/a.desktop" });
    const auto packages = parseDpkgQuery("bash\t5.2\t7164\tinstall ok installed\nold\t1\t1\tdeinstall ok config-files\n"
                                         "x:i386\t\t1\tinstall ok installed\nbig\t1\t99999999999999999999\tinstall ok installed\nshort\t1\n"
                                         ":amd64\t1\t1\tinstall ok installed\n");
    EXPECT_EQ(packages.size(), 3u);
    EXPECT_EQ(packages.at("bash"), (DpkgPackageInfo { "5.2", 7164 * 1024 }));
    EXPECT_EQ(packages.at("x"), (DpkgPackageInfo { "—", 1024 }));
    EXPECT_EQ(packages.at("big").installedBytes, 0u);
    EXPECT_EQ(parseFlatpakList("org.a.B\t1.0\tstable\tx86_64\nbad line\n").size(), 1u);
    EXPECT_EQ(parseFlatpakSize(" 1234\n"), 1234u);
    EXPECT_EQ(parseFlatpakSize("1.2 GB"), std::nullopt);
    EXPECT_EQ(parseSnapList("Name Version Rev\nfoo 1.0 12 x\nbar 2 notanumber\n").size(), 1u);
    EXPECT_TRUE(parseSnapList("error: cannot communicate with server\n").empty());
    EXPECT_EQ(parseSimulatedRemoval("NOTE: This is only a simulation!\nRemv gimp [2.10]\nRemv gimp-data:all [2.10]\nRemv :all\nInst x\n"),
        (std::vector<std::string> { "gimp", "gimp-data" }));
}

}  // namespace
}  // namespace lopewell
