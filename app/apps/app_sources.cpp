#include "app/apps/app_sources.h"

#include "app/apps/app_leftover_scanner.h"
#include "app/apps/desktop_apps_scanner.h"
#include "app/apps/desktop_leftover_scanner.h"
#include "app/apps/installed_apps_scanner.h"

namespace lopewell {

namespace fs = std::filesystem;

namespace {

class MacAppSources final : public AppSources {
public:
    MacAppSources(const HostLayout& layout, TrashFunction trash) : m_layout(layout), m_trash(std::move(trash)) {}

    std::vector<AppSource> sources() const override { return { AppSource::apple, AppSource::appStore, AppSource::other }; }
    AppPicking picking() const override { return { { "app" }, true, {} }; }

    std::vector<InstalledApp> scanApps(std::stop_token stop) const override { return InstalledAppsScanner(m_layout).scan(stop); }

    std::optional<AppLeftoverResult> scanLeftovers(
        const fs::path& target, const std::vector<InstalledApp>&, std::stop_token stop) const override
    {
        return AppLeftoverScanner(m_layout).scan(target, stop);
    }

    RemovalOutcome remove(const AppLeftoverResult&, const std::vector<StorageItem>& chosen) const override
    {
        return m_trash(pathsOf(chosen));
    }

private:
    HostLayout m_layout;
    TrashFunction m_trash;
};

class DesktopAppSources final : public AppSources {
public:
    DesktopAppSources(const HostLayout& layout, TrashFunction trash) : m_layout(layout), m_trash(std::move(trash)) {}

    std::vector<AppSource> sources() const override
    {
        return { AppSource::package, AppSource::flatpak, AppSource::snap, AppSource::appImage, AppSource::local };
    }
    AppPicking picking() const override { return { { "desktop", "appimage" }, false, "Applications (*.desktop *.AppImage *.appimage)" }; }

    std::vector<InstalledApp> scanApps(std::stop_token stop) const override { return DesktopAppsScanner(m_layout).scan(stop); }

    std::optional<AppLeftoverResult> scanLeftovers(
        const fs::path& target, const std::vector<InstalledApp>& installed, std::stop_token stop) const override
    {
        std::vector<InstalledApp> known = installed;
        if (known.empty())
            known = DesktopAppsScanner(m_layout).scan(stop);
        const std::optional<InstalledApp> app = DesktopAppsScanner(m_layout).resolve(target, known);
        if (!app)
            return std::nullopt;
        AppLeftoverResult result = DesktopLeftoverScanner(m_layout).scan(*app, known, stop);
        if (result.removal == AppRemovalKind::package) {
            const std::vector<std::string> also = packagesRemovedWith(app->desktop->packageName, m_layout);
            result.removalNote
                = "The package " + app->desktop->packageName + " is removed through PackageKit, which asks for your password.";
            if (!also.empty()) {
                result.removalNote += " It also removes:";
                for (const std::string& package : also)
                    result.removalNote += " " + package;
                result.removalNote += ".";
            }
        } else if (result.removal == AppRemovalKind::flatpak && app->desktop->flatpakInstallation == "system") {
            result.removalNote = "This Flatpak is installed for all users; flatpak asks for your password to remove it.";
        } else if (result.removal == AppRemovalKind::snap) {
            result.removalNote = "snap asks for your password to remove it, and keeps a snapshot of its data for 31 days.";
        }
        return result;
    }

    RemovalOutcome remove(const AppLeftoverResult& result, const std::vector<StorageItem>& chosen) const override
    {
        return removeApp(result, chosen, RemovalTools { m_layout, m_trash });
    }

private:
    HostLayout m_layout;
    TrashFunction m_trash;
};

}  // namespace

std::shared_ptr<const AppSources> appSourcesFor(const HostLayout& layout, TrashFunction trash)
{
    if (layout.flavour() == HostFlavour::macOS)
        return std::make_shared<MacAppSources>(layout, std::move(trash));
    return std::make_shared<DesktopAppSources>(layout, std::move(trash));
}

}  // namespace lopewell
