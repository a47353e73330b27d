#include "app/screenshots/ui/startup_screenshots.h"

#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QTemporaryDir>

#include "app/shell/ui/main_window.h"
#include "app/shell/ui/qt_executor.h"
#include "app/startup/startup_view_model.h"
#include "app/startup/ui/startup_view.h"
#include "core/concurrency/executor.h"

namespace lopewell {

namespace {

StartupItem item(StartupLayer layer, std::string label, std::string plist, std::optional<std::string> program,
    std::optional<std::string> owner, RunState state, bool orphaned = false, std::optional<std::string> note = std::nullopt)
{
    StartupItem result;
    result.id = startupItemId(layer, label);
    result.label = std::move(label);
    result.layer = layer;
    result.plistPath = std::move(plist);
    result.programPath = std::move(program);
    result.owner = std::move(owner);
    result.runState = state;
    result.isOrphaned = orphaned;
    result.note = std::move(note);
    return result;
}

std::vector<StartupItem> macOSItems()
{
    using L = StartupLayer;
    const std::string agents = "/Users/alice/Library/LaunchAgents/";
    return {
        item(L::userAgent, "com.example.sync.agent", agents + "com.example.sync.agent.plist",
            "/Applications/Sync.app/Contents/MacOS/SyncAgent", "Sync", RunState::running(812)),
        item(L::userAgent, "com.example.updater", agents + "com.example.updater.plist", "/Users/alice/Library/Updater/bin/updater",
            std::nullopt, RunState::loaded()),
        item(L::userAgent, "org.example.oldtool", agents + "org.example.oldtool.plist", "/usr/local/opt/oldtool/bin/oldtool-daemon",
            std::nullopt, RunState::notLoaded(), true),
        item(L::userAgent, "com.example.chat.helper",
            "/Users/alice/Library/Application Support/Lopewell/DisabledLaunchAgents/com.example.chat.helper.plist",
            "/Applications/Chat.app/Contents/Library/LoginItems/Helper.app/Contents/MacOS/Helper", "Chat", RunState::disabled()),
        item(L::libraryAgent, "com.vendor.vpn.agent", "/Library/LaunchAgents/com.vendor.vpn.agent.plist",
            "/Applications/Vendor VPN.app/Contents/MacOS/vpn-agent", "Vendor VPN", RunState::running(455)),
        item(L::libraryDaemon, "com.vendor.vpn.daemon", "/Library/LaunchDaemons/com.vendor.vpn.daemon.plist",
            "/Library/PrivilegedHelperTools/com.vendor.vpn.daemon", std::nullopt, RunState::running(301)),
        item(L::libraryDaemon, "org.example.backup", "/Library/LaunchDaemons/org.example.backup.plist", "/usr/local/sbin/backupd",
            std::nullopt, RunState::loaded()),
    };
}

std::vector<StartupItem> linuxItems()
{
    using L = StartupLayer;
    const std::string autostart = "/home/alice/.config/autostart/";
    return {
        item(L::autostartUser, "org.example.Notes", autostart + "org.example.Notes.desktop", "/usr/bin/notes", "Notes",
            RunState::running(2210)),
        item(L::autostartUser, "syncthing-start", autostart + "syncthing-start.desktop", "/opt/syncthing/syncthing", "Start Syncthing",
            RunState::notLoaded(), true),
        item(L::autostartUser, "chat", autostart + "chat.desktop", "/usr/bin/chat", "Chat", RunState::disabled(), false,
            "May be turned on again by the application"),
        item(L::autostartSystem, "nm-applet", "/etc/xdg/autostart/nm-applet.desktop", "/usr/bin/nm-applet", "Network",
            RunState::running(1702)),
        item(L::autostartSystem, "org.kde.kdeconnect.daemon", "/etc/xdg/autostart/org.kde.kdeconnect.daemon.desktop",
            "/usr/bin/kdeconnectd", "KDE Connect", RunState::notLoaded(), false, "Not for this desktop"),
        item(L::autostartSystem, "print-applet", autostart + "print-applet.desktop", "/usr/bin/print-applet", "Print Queue Applet",
            RunState::disabled()),
        item(L::userService, "backup.timer", "/home/alice/.config/systemd/user/backup.timer", std::nullopt, "Nightly backup",
            RunState::loaded()),
        item(L::globalService, "pipewire.service", "/usr/lib/systemd/user/pipewire.service", "/usr/bin/pipewire",
            "PipeWire Multimedia Service", RunState::running(1420)),
        item(L::globalService, "gpg-agent.socket", "/usr/lib/systemd/user/gpg-agent.socket", std::nullopt,
            "GnuPG cryptographic agent and passphrase cache", RunState::loaded()),
    };
}

// The real texts and sections of a flavour, over fixed items.
class FixtureSources final : public StartupSources {
public:
    FixtureSources(std::shared_ptr<const StartupSources> real, std::vector<StartupItem> items)
        : m_real(std::move(real))
        , m_items(std::move(items))
    {
    }

    std::vector<StartupItem> scan(bool) const override { return m_items; }
    ErrorOr<void> disable(const StartupItem&) const override
    {
        return Error { 0, "launchctl bootout failed (status 5): Boot-out failed: 5: Input/output error" };
    }
    ErrorOr<void> enable(const StartupItem&) const override { return {}; }
    std::vector<StartupLayer> layers(bool includeSystem) const override { return m_real->layers(includeSystem); }
    const StartupTexts& texts() const override { return m_real->texts(); }
    std::optional<StartupSettingsLink> settingsLink() const override { return StartupSettingsLink { "about:blank", {} }; }

private:
    std::shared_ptr<const StartupSources> m_real;
    std::vector<StartupItem> m_items;
};

class StartupFixture {
public:
    explicit StartupFixture(HostFlavour flavour)
    {
        const std::string root = m_root.path().toStdString();
        const HostLayout layout = HostLayout::forTesting(root, root + "/home", 1000, "alice", flavour);
        auto sources
            = std::make_shared<FixtureSources>(makeStartupSources(layout), flavour == HostFlavour::macOS ? macOSItems() : linuxItems());
        m_model = std::make_unique<StartupViewModel>(StartupViewModel::Environment { m_executor, sources });
    }

    StartupViewModel& model() { return *m_model; }
    void settle()
    {
        m_executor.runUntil([this] { return !m_model->isScanning() && !m_model->isChanging(); });
    }

private:
    QTemporaryDir m_root;
    ManualExecutor m_executor;
    std::unique_ptr<StartupViewModel> m_model;
};

StartupView::DesktopActions inertActions()
{
    return { [](const std::string&) {}, [](const StartupSettingsLink&) {}, [](const std::string&) {} };
}

QImage section(HostFlavour flavour, int height)
{
    StartupFixture fixture(flavour);
    StartupView view(fixture.model(), inertActions());
    view.resize(820, height);
    view.show();
    fixture.settle();
    QApplication::processEvents();
    return view.grab().toImage();
}

QImage mainWindowStartup()
{
    StartupFixture fixture(HostFlavour::macOS);
    QtExecutor executor;
    NavigationModel navigation(executor);
    navigation.select(SidebarTab::startup);
    MainWindow window(navigation);
    window.setSectionWidget(SidebarTab::startup, new StartupView(fixture.model(), inertActions()));
    window.show();
    fixture.settle();
    // The rows arrive after the first layout pass; let the layouts settle on them.
    for (int pass = 0; pass < 3; ++pass)
        QApplication::processEvents();
    return window.grab().toImage();
}

struct MenuShots {
    QImage menu;
    QImage error;
};

MenuShots menuAndError()
{
    StartupFixture fixture(HostFlavour::macOS);
    StartupView view(fixture.model(), inertActions());
    view.show();
    fixture.settle();
    const StartupItem sync = fixture.model().items(StartupLayer::userAgent).back();  // "Sync", running
    std::unique_ptr<QMenu> menu = view.actionMenu(sync);
    menu->popup(QPoint(0, 0));
    QApplication::processEvents();
    MenuShots shots;
    shots.menu = menu->grab().toImage();
    menu->actions().front()->trigger();  // Disable: refused by launchd in this fixture
    fixture.settle();
    QApplication::processEvents();
    if (QMessageBox* alert = view.errorAlert())
        shots.error = alert->grab().toImage();
    return shots;
}

}  // namespace

std::vector<NamedScreenshot> startupScreenshots()
{
    std::vector<NamedScreenshot> shots;
    shots.push_back({ "startup.png", section(HostFlavour::macOS, 760) });
    shots.push_back({ "startup-linux.png", section(HostFlavour::linuxDesktop, 980) });
    shots.push_back({ "main-window-startup.png", mainWindowStartup() });
    MenuShots menu = menuAndError();
    shots.push_back({ "startup-menu.png", std::move(menu.menu) });
    shots.push_back({ "startup-error.png", std::move(menu.error) });
    return shots;
}

}  // namespace lopewell
