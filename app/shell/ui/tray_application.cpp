#include "app/shell/ui/tray_application.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QMenuBar>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QSystemTrayIcon>
#include <QUrl>
#include <QVBoxLayout>
#include <functional>
#include <memory>

#include "app/apps/apps_view_model.h"
#include "app/apps/ui/apps_view.h"
#include "app/common/ui/file_manager.h"
#include "app/common/ui/full_disk_access_banner.h"
#include "app/common/ui/theme.h"
#include "app/common/ui/widgets.h"
#include "app/dashboard/dashboard_view_model.h"
#include "app/dashboard/ui/dashboard_view.h"
#include "app/files/files_view_model.h"
#include "app/files/ui/files_view.h"
#include "app/processes/processes_view_model.h"
#include "app/processes/ui/processes_view.h"
#include "app/security/security_view_model.h"
#include "app/security/ui/security_view.h"
#include "app/shell/app_configuration.h"
#include "app/shell/app_updater.h"
#include "app/shell/launch.h"
#include "app/shell/menu_bar_coordinator.h"
#include "app/shell/settings_model.h"
#include "app/shell/sidebar_tab.h"
#include "app/shell/ui/about_window.h"
#include "app/shell/ui/main_window.h"
#include "app/shell/ui/qt_executor.h"
#include "app/shell/ui/settings_window.h"
#include "app/shell/ui/tray_icon.h"
#include "app/shell/ui/tray_icon_renderer.h"
#include "app/space/space_view_model.h"
#include "app/space/ui/space_view.h"
#include "app/startup/startup_view_model.h"
#include "app/startup/ui/startup_view.h"
#include "app/storage/storage_view_model.h"
#include "app/storage/ui/storage_view.h"
#include "platform/app_resources.h"
#include "platform/continuous_clock.h"
#include "platform/host_layout.h"
#include "platform/log.h"
#include "platform/login_item.h"
#include "platform/quit_signals.h"

namespace lopewell {

namespace {

// The windowing operations the shell's rules need, over Qt's top-level widgets.
class QtAppPlatform final : public AppPlatform {
public:
    void setWindows(std::vector<QWidget*> windows) { m_windows = std::move(windows); }

    void hideFromTaskbar() override { setHiddenFromTaskbar(true); }

    // Tool windows stay out of the taskbar and the task switcher: the counterpart of a
    // program without a Dock icon. Changing the flag re-creates a shown window, so show it again.
    void setHiddenFromTaskbar(bool hidden)
    {
        m_hiddenFromTaskbar = hidden;
        for (QWidget* window : m_windows) {
            const bool wasVisible = window->isVisible();
            window->setWindowFlag(Qt::Tool, hidden);
            if (wasVisible)
                window->show();
        }
    }

    void activateIgnoringOtherApps() override
    {
        if (QWidget* active = QApplication::activeWindow())
            active->raise();
    }

    std::vector<AppWindow> windows() const override
    {
        std::vector<AppWindow> list;
        for (QWidget* window : m_windows)
            list.push_back({ reinterpret_cast<std::uintptr_t>(window), window->windowFlags().testFlag(Qt::Popup), true });
        return list;
    }

    void makeKeyAndOrderFront(std::uintptr_t windowId) override
    {
        for (QWidget* window : m_windows) {
            if (reinterpret_cast<std::uintptr_t>(window) != windowId)
                continue;
            window->show();
            window->raise();
            window->activateWindow();
        }
    }

    void openURL(std::string_view url) override { QDesktopServices::openUrl(QUrl(toQString(url), QUrl::StrictMode)); }
    void terminate() override { QApplication::quit(); }

private:
    std::vector<QWidget*> m_windows;
    bool m_hiddenFromTaskbar = false;
};

// The answer to a check: always for the user's own, and for a scheduled one only when there
// is something new.
void presentOutcome(const AppUpdater& updater, QWidget* parent)
{
    const auto& outcome = updater.lastOutcome();
    if (!outcome || (updater.lastCheckTrigger() == CheckTrigger::schedule && !std::holds_alternative<UpdateAvailable>(*outcome)))
        return;
    QMessageBox box(parent);
    box.setWindowTitle(QStringLiteral("Lopewell"));
    box.setIcon(std::holds_alternative<UpdateCheckFailed>(*outcome) ? QMessageBox::Warning : QMessageBox::Information);
    box.setText(toQString(outcomeHeadline(*outcome)));
    box.setInformativeText(toQString(outcomeDetail(*outcome)));
    QPushButton* view = nullptr;
    if (releasePageUrl(*outcome))
        view = box.addButton(toQString(UpdateCheckText::viewReleaseButton), QMessageBox::AcceptRole);
    box.addButton(QMessageBox::Ok);
    box.exec();
    if (view && box.clickedButton() == view)
        QDesktopServices::openUrl(QUrl(toQString(*releasePageUrl(*outcome)), QUrl::StrictMode));
}

// SIGINT, SIGTERM and SIGHUP quit like the menu's Quit.
void quitOnSignals(QApplication& application)
{
    const int fd = watchQuitSignals();
    if (fd < 0)
        return;
    auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, &application);
    QObject::connect(notifier, &QSocketNotifier::activated, &application, [] { QApplication::quit(); });
}

}  // namespace

int runTrayApplication(int argc, char** argv)
{
    QApplication application(argc, argv);
    quitOnSignals(application);
    QApplication::setApplicationName(QStringLiteral("Lopewell"));
    QApplication::setApplicationVersion(QStringLiteral(LOPEWELL_VERSION));
    QApplication::setQuitOnLastWindowClosed(quitsWhenLastWindowCloses);
    useInstalledIconTheme();
    QApplication::setWindowIcon(QIcon(QPixmap::fromImage(renderApplicationIcon(128))));

    QtExecutor executor;
    QtAppPlatform platform;
    const HostLayout layout = HostLayout::forCurrentUser();
    const std::shared_ptr<UserDefaults> defaults = UserDefaults::open(layout.userDefaultsFile());
    AppUpdater updater(executor, ContinuousClock::shared(), defaults, std::string(configuration::updateFeedURL), LOPEWELL_VERSION);

    MenuBarCoordinator coordinator(
        defaults, [&] { return std::make_unique<MenuBarController>(MenuBarController::systemEnvironment(executor, platform)); });
    std::unique_ptr<TrayIcon> tray;
    auto traySubscription = coordinator.observers().add([&] {
        tray.reset();
        if (MenuBarController* controller = coordinator.controller())
            tray = std::make_unique<TrayIcon>(*controller);
    });

    NavigationModel navigation(executor);
    // The section models outlive the main window, whose screens observe them; the settings
    // window they open comes later, so the dashboard reaches it through this.
    std::function<void()> showSettings;
    DashboardViewModel dashboard(DashboardViewModel::systemEnvironment(executor, [&] {
        openSettingsAt(*defaults, SettingsTab::support, [&] {
            if (showSettings)
                showSettings();
        });
    }));
    ProcessesViewModel processes(ProcessesViewModel::systemEnvironment(executor));
    QWidget* dialogParent = nullptr;  // the main window, once it exists
    FilesViewModel files(FilesViewModel::systemEnvironment(executor, layout, defaults,
        [&dialogParent](const std::filesystem::path& startAt, std::string_view message) -> std::optional<std::filesystem::path> {
            const QString chosen = QFileDialog::getExistingDirectory(dialogParent, toQString(message),
                QFile::decodeName(QByteArray::fromStdString(startAt.string())), QFileDialog::ShowDirsOnly);
            if (chosen.isEmpty())
                return std::nullopt;
            return std::filesystem::path(QFile::encodeName(chosen).toStdString());
        }));
    StorageViewModel storage(StorageViewModel::systemEnvironment(executor, layout));
    AppsViewModel apps(AppsViewModel::systemEnvironment(
        executor, layout, [&dialogParent](const AppPicking& picking, std::string_view message) -> std::optional<std::filesystem::path> {
            // A bundle is a folder here, so its chooser picks folders; the desktop's apps are files.
            const QString chosen = picking.isFolder
                ? QFileDialog::getExistingDirectory(dialogParent, toQString(message), QDir::homePath(), QFileDialog::ShowDirsOnly)
                : QFileDialog::getOpenFileName(dialogParent, toQString(message), QDir::homePath(), toQString(picking.chooserFilter));
            if (chosen.isEmpty())
                return std::nullopt;
            return std::filesystem::path(QFile::encodeName(chosen).toStdString());
        }));
    navigation.addLiveSection({ "dashboard", [&] { dashboard.start(); }, [&] { dashboard.stop(); } });
    navigation.addLiveSection({ "processes", [&] { processes.start(); }, [&] { processes.stop(); } });
    SpaceViewModel space(SpaceViewModel::systemEnvironment(executor, layout));
    StartupViewModel startup(StartupViewModel::systemEnvironment(executor, layout));
    SecurityViewModel security(
        SecurityViewModel::systemEnvironment(executor, layout, appResourcePath(signatureResourceName(layout.flavour()))));
    MainWindow mainWindow(navigation);
    mainWindow.setSectionWidget(SidebarTab::dashboard, new DashboardView(dashboard));
    mainWindow.setSectionWidget(SidebarTab::processes, new ProcessesView(processes));
    mainWindow.setSectionWidget(SidebarTab::files, new FilesView(files));
    mainWindow.setSectionWidget(SidebarTab::apps, new AppsView(apps));
    dialogParent = &mainWindow;
    mainWindow.setSectionWidget(SidebarTab::storage,
        new StorageView(storage, StorageScreenModel::cleaningThrough(storage), [&layout] { openFullDiskAccessSettings(layout); }));
    mainWindow.setSectionWidget(SidebarTab::space, new SpaceView(space, [&layout] { openFullDiskAccessSettings(layout); }));
    mainWindow.setSectionWidget(SidebarTab::startup, new StartupView(startup));
    mainWindow.setSectionWidget(SidebarTab::security,
        new SecurityView(security,
            { [](const std::vector<std::string>& paths) { revealInFileManager(paths); },
                [&layout] { openFullDiskAccessSettings(layout); } }));
    AboutWindow about;
    SettingsWindowModel settingsModel(defaults);
    GeneralPaneModel general(
        defaults, LoginItemService(layout), [&](bool on) { coordinator.setEnabled(on); },
        [&](bool hide) { platform.setHiddenFromTaskbar(hide); });
    SettingsWindow settings(settingsModel, general, updater);
    showSettings = [&] {
        settingsModel.windowShown();  // already open: showing it again would not switch the tab
        settings.show();
        settings.raise();
        settings.activateWindow();
    };
    platform.setWindows({ &mainWindow, &settings, &about });

    // The application menu, on the main window: About, Check for Updates…, Settings…, Quit.
    auto* menuBar = new QMenuBar(&mainWindow);
    QMenu* appMenu = menuBar->addMenu(QStringLiteral("&Lopewell"));
    appMenu->addAction(QStringLiteral("About Lopewell"), &about, [&about] { about.show(), about.raise(), about.activateWindow(); });
    QAction* checkForUpdates
        = appMenu->addAction(QStringLiteral("Check for Updates…"), &mainWindow, [&updater] { updater.checkForUpdates(); });
    appMenu->addAction(QStringLiteral("Settings…"), QKeySequence(QStringLiteral("Ctrl+,")), &settings,
        [&settings] { settings.show(), settings.raise(), settings.activateWindow(); });
    appMenu->addSeparator();
    appMenu->addAction(QStringLiteral("Quit Lopewell"), QKeySequence::Quit, &application, &QApplication::quit);
    mainWindow.layout()->setMenuBar(menuBar);

    bool checkWasRunning = !updater.canCheckForUpdates();
    auto updaterSubscription = updater.observers().add([&] {
        checkForUpdates->setEnabled(updater.canCheckForUpdates());
        const bool finished = checkWasRunning && updater.canCheckForUpdates();
        checkWasRunning = !updater.canCheckForUpdates();
        if (finished)
            presentOutcome(updater, mainWindow.isVisible() ? &mainWindow : nullptr);
    });
    checkForUpdates->setEnabled(updater.canCheckForUpdates());

    runLaunchSequence(*defaults, platform, coordinator);
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        log::info("Shell", "No system tray is running; showing the main window so Lopewell stays reachable.");
        mainWindow.show();
    }
    // Leaving the scope stops the tray (before its controller) and then the coordinator's
    // sampling; the stored "menuBarItemEnabled" stays as the user chose it.
    return QApplication::exec();
}

}  // namespace lopewell
