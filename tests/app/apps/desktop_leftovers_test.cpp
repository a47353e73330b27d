#include "app/apps/desktop_leftover_scanner.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "app/apps/app_removal.h"
#include "app/apps/app_sources.h"
#include "app/apps/desktop_apps_scanner.h"
#include "tests/app/apps/desktop_fixture.h"

namespace lopewell {
namespace {

namespace fs = std::filesystem;
using testing::writeFile;

class DesktopLeftoversTest : public ::testing::Test, protected testing::DesktopFixture {
protected:
    void SetUp() override
    {
        populate();
        apps = DesktopAppsScanner(layout).scan();
    }

    const InstalledApp& app(std::string_view name) const
    {
        return *std::find_if(apps.begin(), apps.end(), [&](const InstalledApp& app) { return app.name == name; });
    }

    AppLeftoverResult leftovers(std::string_view name) const { return DesktopLeftoverScanner(layout).scan(app(name), apps); }

    // The rows and whether each starts selected.
    static std::vector<std::pair<fs::path, bool>> rows(const AppLeftoverResult& result)
    {
        std::vector<std::pair<fs::path, bool>> rows;
        const std::set<std::string> chosen = result.preselected();
        for (const StorageItem& item : result.items)
            rows.emplace_back(item.path, chosen.contains(item.path));
        return rows;
    }

    // Records what it was asked to trash and says it all went.
    TrashFunction recordingTrash()
    {
        return [this](const std::vector<std::string>& paths) {
            trashed.insert(trashed.end(), paths.begin(), paths.end());
            RemovalOutcome outcome;
            for (const std::string& path : paths)
                markGone(outcome, path);
            return outcome;
        };
    }

    std::vector<InstalledApp> apps;
    std::vector<fs::path> trashed;
};

TEST_F(DesktopLeftoversTest, AFlatpakOffersItsExactDataSelectedAndNameMatchesForReview)
{
    writeFile(home / ".var/app/org.example.Paint/config/x", std::string(4000, 'c'));
    writeFile(data / "flatpak/overrides/org.example.Paint", "[Context]\n");
    writeFile(config / "autostart/org.example.Paint.desktop", testing::desktopEntry("Exec=paint\n"));
    writeFile(config / "autostart/portal-made.desktop", testing::desktopEntry("Exec=x\nX-XDP-Autostart=org.example.Paint\n"));
    writeFile(config / "autostart/other.desktop", testing::desktopEntry("Exec=x\nX-XDP-Autostart=org.example.Other\n"));
    writeFile(config / "Paint/settings.json", "{}");
    writeFile(home / ".cache/paint-2/blob", "b");
    writeFile(config / "paintbrush/x", "near miss");
    writeFile(config / "xpaint/x", "near miss");
    writeFile(config / "paint.d/x", "near miss");
    writeFile(config / "gtk-3.0/settings.ini", "shared");
    // The same program as a package and as a Flatpak: its folder is not one app's leftover.
    writeFile(config / "dolphinrc", "shared by two installed apps");

    const AppLeftoverResult result = leftovers("Paint");
    EXPECT_EQ(result.removal, AppRemovalKind::flatpak);
    const std::vector<std::pair<fs::path, bool>> expected {
        { data / "flatpak/exports/share/applications/org.example.Paint.desktop", true },
        { home / ".var/app/org.example.Paint", true },
        { data / "flatpak/overrides/org.example.Paint", true },
        { config / "autostart/org.example.Paint.desktop", true },
        { config / "autostart/portal-made.desktop", true },
        { config / "Paint", false },
        { home / ".cache/paint-2", false },
    };
    EXPECT_EQ(rows(result), expected);
    EXPECT_EQ(result.items.front().size, 123456789u);
    EXPECT_EQ(result.nameMatches.at((config / "Paint").native()), "named like \"paint\"");
    EXPECT_TRUE(DesktopLeftoverScanner(layout).scan(app("Dolphin"), apps).nameMatches.empty());
}

TEST_F(DesktopLeftoversTest, SnapsAppImagesAndPackagesFindTheirOwnExactLeftovers)
{
    writeFile(home / "snap/notepad/common/x", "n");
    writeFile(data / "icons/hicolor/256x256/apps/appimagekit_0123abcd_zed.png", "png");
    writeFile(data / "icons/hicolor/256x256/apps/appimagekit_99999999_other.png", "png");
    writeFile(data / "mime/packages/appimagekit_0123abcd_zed.xml", "<xml/>");
    writeFile(config / "systemd/user/gnome-maps.service", "[Service]\n");
    fs::create_directories(config / "systemd/user/default.target.wants");
    fs::create_symlink("../gnome-maps.service", config / "systemd/user/default.target.wants/gnome-maps.service");
    writeFile(home / ".cache/gnome-maps/tiles", std::string(7000, 't'));

    EXPECT_EQ(rows(leftovers("Notepad")),
        (std::vector<std::pair<fs::path, bool>> {
            { root / "var/lib/snapd/desktop/applications/notepad_notepad.desktop", true }, { home / "snap/notepad", true } }));
    EXPECT_EQ(rows(leftovers("Zed")),
        (std::vector<std::pair<fs::path, bool>> { { home / "Applications/Zed-0.9.AppImage", true },
            { data / "applications/appimagekit_0123abcd-Zed.desktop", true },
            { data / "icons/hicolor/256x256/apps/appimagekit_0123abcd_zed.png", true },
            { data / "mime/packages/appimagekit_0123abcd_zed.xml", true } }));
    // An image that was integrated and whose entry is gone: its files still carry the md5 of its URI.
    writeFile(data / "icons/hicolor/128x128/apps/appimagekit_4877dc514876ff68f7c7a24adecabad3_obsidian.png", "png");
    EXPECT_EQ(rows(leftovers("Obsidian")),
        (std::vector<std::pair<fs::path, bool>> { { home / "Downloads/Obsidian-1.4.16-x86_64.AppImage", true },
            { data / "icons/hicolor/128x128/apps/appimagekit_4877dc514876ff68f7c7a24adecabad3_obsidian.png", true } }));
    EXPECT_EQ(rows(leftovers("Maps")),
        (std::vector<std::pair<fs::path, bool>> { { root / "usr/share/applications/org.gnome.Maps.desktop", true },
            { config / "systemd/user/gnome-maps.service", true }, { config / "systemd/user/default.target.wants/gnome-maps.service", true },
            { home / ".cache/gnome-maps", false } }));
    // A hidden user copy of a package's entry goes with the package.
    EXPECT_EQ(rows(leftovers("GIMP"))[1], std::pair(data / "applications/gimp.desktop", true));
}

TEST(LeftoverTokenTest, WholeTokensOnlyAndNeverSharedFolders)
{
    const struct {
        const char* name;
        const char* token;
        bool matches;
    } cases[] = {
        { "code", "code", true },
        { "Code", "code", true },
        { "kwriterc", "kwrite", true },
        { "kwritestaterc", "kwrite", true },
        { "foo-2", "foo", true },
        { "foo_10.1", "foo", true },
        { "xcode-tools", "code", false },
        { "katerc-backups", "kate", false },
        { "foo-bar", "foo", false },
        { "foo2", "foo", false },
        { "fo", "foo", false },
    };
    for (const auto& c : cases)
        EXPECT_EQ(matchesToken(c.name, c.token), c.matches) << c.name << " / " << c.token;
    for (const char* shared : { "autostart", "GTK-3.0", "user-dirs.dirs", "Trash", "doc", "git" })
        EXPECT_TRUE(isSharedDesktopFolder(shared)) << shared;
    EXPECT_FALSE(isSharedDesktopFolder("Signal"));
    InstalledApp files { "/usr/share/applications/org.gnome.Files.desktop", "org.gnome.Files", "Files", "—", 0, AppSource::package,
        DesktopAppOrigin { .desktopFileId = "org.gnome.Files.desktop", .packageName = "nautilus", .execName = "sh" } };
    EXPECT_EQ(leftoverTokens(files), (std::vector<std::string> { "org.gnome.files", "nautilus" }));
}

TEST_F(DesktopLeftoversTest, EachUninstallRunsItsToolThenTrashesTheChosenLeftovers)
{
    writeFile(home / ".var/app/org.example.Paint/data", "p");
    writeFile(home / ".var/app/com.example.Chat/data", "c");
    writeFile(home / "snap/notepad/common/x", "n");
    writeFile(home / ".cache/gnome-maps/tiles", "t");
    tool("pkcon", "exit 0");
    tool("flatpak", "exit 0");
    tool("snap", "rm -rf '" + (home / "snap/notepad").string() + "'");
    const std::shared_ptr<const AppSources> sources = appSourcesFor(layout, recordingTrash());

    const struct {
        const char* app;
        const char* tool;
        std::vector<std::string> arguments;
    } cases[] = {
        { "Paint", "flatpak", { "uninstall", "--user", "--noninteractive", "app/org.example.Paint/x86_64/stable" } },
        { "Chat", "flatpak", { "uninstall", "--system", "--noninteractive", "app/com.example.Chat/x86_64/stable" } },
        { "Notepad", "snap", { "remove", "notepad" } },
        { "Maps", "pkcon", { "--plain", "--noninteractive", "remove", "gnome-maps" } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.app);
        fs::remove(root / "calls" / c.tool);
        trashed.clear();
        const AppLeftoverResult result = leftovers(c.app);
        std::vector<StorageItem> chosen = result.items;  // the name matches too
        const RemovalOutcome outcome = sources->remove(result, chosen);
        std::string expectedCalls;
        for (const std::string& argument : c.arguments)
            expectedCalls += argument + "\n";
        EXPECT_EQ(calls(c.tool), expectedCalls);
        EXPECT_EQ(outcome.failedCount, 0);
        EXPECT_EQ(outcome.movedCount, int64_t(chosen.size()));
        // The app itself was the tool's; what snapd removed itself is gone without the Trash.
        std::vector<fs::path> expectedTrash;
        for (size_t i = 1; i < chosen.size(); ++i) {
            if (chosen[i].path != (home / "snap/notepad").native())
                expectedTrash.push_back(chosen[i].path);
        }
        EXPECT_EQ(trashed, expectedTrash);
    }
}

TEST_F(DesktopLeftoversTest, AToolThatIsMissingFailsOrHangsLeavesEverythingInPlace)
{
    writeFile(home / ".var/app/org.example.Paint/data", "p");
    const AppLeftoverResult result = leftovers("Paint");
    ASSERT_EQ(result.items.size(), 2u);
    for (const char* behaviour : { "missing", "refused", "hanging" }) {
        SCOPED_TRACE(behaviour);
        fs::remove(root / "usr/bin/flatpak");
        if (std::string(behaviour) == "refused")
            tool("flatpak", "echo 'error: Not authorized' >&2; exit 1");
        else if (std::string(behaviour) == "hanging")
            tool("flatpak", "exec sleep 30");
        trashed.clear();
        const RemovalOutcome outcome
            = removeApp(result, result.items, RemovalTools { layout, recordingTrash(), std::chrono::milliseconds(300) });
        EXPECT_TRUE(trashed.empty());
        EXPECT_EQ(outcome.movedCount, 0);
        EXPECT_EQ(outcome.failedCount, 2);
        ASSERT_TRUE(outcome.error);
        EXPECT_NE(outcome.error->find("flatpak"), std::string::npos) << *outcome.error;
        if (std::string(behaviour) == "refused") {
            EXPECT_NE(outcome.error->find("Not authorized"), std::string::npos) << *outcome.error;
        }
    }
}

TEST_F(DesktopLeftoversTest, AnAppImageGoesFirstAndItsLeftoversOnlyAfterIt)
{
    const AppLeftoverResult result = leftovers("Zed");
    ASSERT_EQ(result.items.size(), 2u);
    const RemovalOutcome refused = removeApp(result, result.items,
        RemovalTools { layout, [](const std::vector<std::string>& paths) { return failedOutcome(paths, "locked"); } });
    EXPECT_EQ(refused.failedCount, 2);
    EXPECT_EQ(refused.error, "locked");

    const RemovalOutcome outcome = removeApp(result, result.items, RemovalTools { layout, recordingTrash() });
    EXPECT_EQ(trashed,
        (std::vector<fs::path> { home / "Applications/Zed-0.9.AppImage", data / "applications/appimagekit_0123abcd-Zed.desktop" }));
    EXPECT_EQ(outcome.movedCount, 2);
}

TEST_F(DesktopLeftoversTest, NothingAPackageOwnsGoesToTheTrash)
{
    writeFile(root / "opt/zed/Zed.AppImage", testing::appImageBytes());
    writeFile(root / "var/lib/dpkg/info/zed-bin.list", "/opt\n/opt/zed\n/opt/zed/Zed.AppImage\n");
    writeFile(home / ".cache/zed/x", "z");
    AppLeftoverResult result;
    result.app = InstalledApp { root / "opt/zed/Zed.AppImage", "zed", "Zed", "—", 0, AppSource::appImage, DesktopAppOrigin {} };
    result.items = { StorageItem { (root / "opt/zed/Zed.AppImage").native() }, StorageItem { (home / ".cache/zed").native() } };
    const RemovalOutcome outcome = removeApp(result, { result.items[1], result.items[0] }, RemovalTools { layout, recordingTrash() });
    // The app was chosen but a package owns it: it stays, and so does everything after it.
    EXPECT_TRUE(trashed.empty());
    EXPECT_EQ(outcome.failedCount, 2);
    ASSERT_TRUE(outcome.error);
    EXPECT_NE(outcome.error->find("zed-bin"), std::string::npos);
}

}  // namespace
}  // namespace lopewell
