#include "app/screenshots/ui/apps_screenshots.h"

#include <QApplication>
#include <QMessageBox>

#include "app/apps/ui/apps_view.h"
#include "app/apps/ui/uninstaller_drop_zone.h"
#include "app/common/ui/category_inspector_sheet.h"
#include "app/shell/ui/main_window.h"
#include "app/shell/ui/qt_executor.h"
#include "core/concurrency/executor.h"

namespace lopewell {

namespace {

namespace fs = std::filesystem;

// 10 Dec 2026, 12:53 UTC.
Date fixtureNow()
{
    return dateFromSecondsSinceReferenceDate(818'600'000);
}

// Fixed answers: the list, one leftover result, and a bundle that cannot be read.
class FixedSources final : public AppSources {
public:
    FixedSources(HostFlavour flavour) : m_flavour(flavour) {}

    std::vector<AppSource> sources() const override
    {
        if (m_flavour == HostFlavour::macOS)
            return { AppSource::apple, AppSource::appStore, AppSource::other };
        return { AppSource::package, AppSource::flatpak, AppSource::snap, AppSource::appImage, AppSource::local };
    }
    AppPicking picking() const override { return { { m_flavour == HostFlavour::macOS ? "app" : "desktop" }, true, {} }; }

    std::vector<InstalledApp> scanApps(std::stop_token) const override
    {
        const auto app = [](const char* url, const char* id, const char* name, const char* version, std::uint64_t size, AppSource source,
                             const char* icon = "") {
            InstalledApp made { url, id, name, version, size, source, std::nullopt };
            if (*icon)
                made.desktop = DesktopAppOrigin { .iconName = icon };
            return made;
        };
        if (m_flavour == HostFlavour::macOS)
            return {
                app("/Applications/Affinity Photo.app", "com.seriflabs.affinityphoto", "Affinity Photo", "2.5.3", 2'841'000'000,
                    AppSource::appStore),
                app("/System/Applications/Calendar.app", "com.apple.iCal", "Calendar", "15.0", 24'100'000, AppSource::apple),
                app("/Applications/Firefox.app", "org.mozilla.firefox", "Firefox", "133.0", 412'300'000, AppSource::other),
                app("/Applications/Keynote.app", "com.apple.iWork.Keynote", "Keynote", "14.2", 735'400'000, AppSource::appStore),
                app("/System/Applications/Mail.app", "com.apple.mail", "Mail", "16.0", 41'800'000, AppSource::apple),
                app("/Applications/Utilities/Obsidian.app", "md.obsidian", "Obsidian", "1.7.7", 386'000'000, AppSource::other),
                app("/Applications/Xcode.app", "com.apple.dt.Xcode", "Xcode", "16.1", 11'902'000'000, AppSource::apple),
            };
        return {
            app("/usr/share/applications/firefox-esr.desktop", "firefox-esr", "Firefox ESR", "128.5.0esr-1~deb12u1", 254'000'000,
                AppSource::package, "firefox-esr"),
            app("/var/lib/flatpak/exports/share/applications/org.gimp.GIMP.desktop", "org.gimp.GIMP", "GNU Image Manipulation Program",
                "2.10.38", 412'000'000, AppSource::flatpak, "gimp"),
            app("/usr/share/applications/libreoffice-writer.desktop", "libreoffice-writer", "LibreOffice Writer", "4:24.8.4-1~bpo12+1",
                31'600'000, AppSource::package, "libreoffice-writer"),
            app("/home/alice/Applications/Obsidian-1.7.7.AppImage", "Obsidian-1.7.7.AppImage", "Obsidian", "1.7.7", 117'000'000,
                AppSource::appImage),
            app("/var/lib/snapd/desktop/applications/spotify_spotify.desktop", "spotify", "Spotify", "1.2.50", 184'000'000, AppSource::snap,
                "spotify-client"),
            app("/usr/share/applications/org.gnome.TextEditor.desktop", "org.gnome.TextEditor", "Text Editor", "43.2-1", 2'900'000,
                AppSource::package, "org.gnome.TextEditor"),
            app("/home/alice/.local/share/applications/tool.desktop", "tool", "Tool", "—", 8'000'000, AppSource::local),
        };
    }

    std::optional<AppLeftoverResult> scanLeftovers(const fs::path& target, const std::vector<InstalledApp>&, std::stop_token) const override
    {
        if (target.filename() == "Broken.app")
            return std::nullopt;
        const auto item = [](const char* path, std::uint64_t size, int hours) {
            return StorageItem { path, size, fixtureNow() - std::chrono::hours(hours), std::nullopt };
        };
        AppLeftoverResult result;
        if (m_flavour == HostFlavour::macOS) {
            result = { "/Applications/Obsidian.app", "Obsidian", "md.obsidian",
                { item("/Applications/Utilities/Obsidian.app", 386'000'000, 400),
                    item("/Users/alice/Library/Application Support/obsidian", 91'500'000, 2),
                    item("/Users/alice/Library/Caches/md.obsidian", 48'200'000, 5),
                    item("/Users/alice/Library/Logs/md.obsidian", 1'200'000, 30),
                    item("/Users/alice/Library/Saved Application State/md.obsidian.savedState", 24'576, 90),
                    item("/Users/alice/Library/Preferences/md.obsidian.plist", 4'096, 3) },
                0 };
        } else {
            result
                = { "/var/lib/flatpak/exports/share/applications/org.gimp.GIMP.desktop", "GNU Image Manipulation Program", "org.gimp.GIMP",
                      { item("/var/lib/flatpak/exports/share/applications/org.gimp.GIMP.desktop", 412'000'000, 900),
                          item("/home/alice/.var/app/org.gimp.GIMP", 38'400'000, 20), item("/home/alice/.config/GIMP", 2'100'000, 20),
                          item("/home/alice/.cache/gimp", 12'700'000, 70) },
                      0 };
            result.nameMatches["/home/alice/.config/GIMP"] = "named like \"gimp\"";
            result.nameMatches["/home/alice/.cache/gimp"] = "named like \"gimp\"";
            result.removal = AppRemovalKind::flatpak;
            result.removalNote = "This Flatpak is installed for all users; flatpak asks for your password to remove it.";
        }
        for (const StorageItem& entry : result.items)
            result.totalBytes += entry.size;
        return result;
    }

    RemovalOutcome remove(const AppLeftoverResult&, const std::vector<StorageItem>&) const override { return {}; }

private:
    HostFlavour m_flavour;
};

struct Fixture {
    ManualExecutor executor;
    AppsViewModel model;

    explicit Fixture(HostFlavour flavour)
        : model(AppsViewModel::Environment { executor, std::make_shared<FixedSources>(flavour), platformWords(flavour), {} })
    {
        model.refresh();
        executor.runUntil([this] { return !model.isScanning(); });
    }
};

QImage picture(QWidget& widget)
{
    QApplication::processEvents();
    if (QWidget* focused = QApplication::focusWidget())
        focused->clearFocus();
    return widget.grab().toImage();
}

QImage screen(HostFlavour flavour, const std::function<void(AppsViewModel&)>& prepare = {})
{
    Fixture fixture(flavour);
    if (prepare)
        prepare(fixture.model);
    AppsView view(fixture.model);
    view.resize(860, 640);
    view.show();
    return picture(view);
}

// The section in its place in the main window.
QImage inWindow()
{
    Fixture fixture(HostFlavour::macOS);
    QtExecutor executor;
    NavigationModel navigation(executor);
    navigation.select(SidebarTab::apps);
    MainWindow window(navigation);
    window.setSectionWidget(SidebarTab::apps, new AppsView(fixture.model));
    window.show();
    return picture(window);
}

QImage sheet(HostFlavour flavour)
{
    Fixture fixture(flavour);
    AppsView view(fixture.model);
    view.resize(860, 640);
    view.show();
    fixture.model.inspect(flavour == HostFlavour::macOS ? "/Applications/Utilities/Obsidian.app" : "org.gimp.GIMP");
    fixture.executor.runUntil([&] { return !fixture.model.uninstallerScanning(); });
    QApplication::processEvents();
    CategoryInspectorSheet* shown = view.sheet();
    if (!shown)
        return {};
    shown->show();
    return picture(*shown);
}

QImage unreadable()
{
    Fixture fixture(HostFlavour::macOS);
    AppsView view(fixture.model);
    view.resize(860, 640);
    view.show();
    fixture.model.inspect("/Volumes/Backup/Broken.app");
    fixture.executor.runUntil([&] { return !fixture.model.uninstallerScanning(); });
    QApplication::processEvents();
    QMessageBox* box = view.errorBox();
    return box ? picture(*box) : QImage();
}

}  // namespace

std::vector<NamedScreenshot> appsScreenshots()
{
    std::vector<NamedScreenshot> shots;
    shots.push_back({ "apps.png", screen(HostFlavour::macOS) });
    shots.push_back({ "main-window-apps.png", inWindow() });
    shots.push_back({ "apps-filtered.png", screen(HostFlavour::macOS, [](AppsViewModel& model) {
                         model.setFilterSource(AppSource::apple);
                         model.setSearchText("xco");
                     }) });
    shots.push_back({ "apps-linux.png", screen(HostFlavour::linuxDesktop) });
    shots.push_back({ "apps-uninstall.png", sheet(HostFlavour::macOS) });
    shots.push_back({ "apps-uninstall-linux.png", sheet(HostFlavour::linuxDesktop) });
    shots.push_back({ "apps-unreadable.png", unreadable() });
    return shots;
}

}  // namespace lopewell
