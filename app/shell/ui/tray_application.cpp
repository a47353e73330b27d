#include "app/shell/ui/tray_application.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QMenuBar>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QSystemTrayIcon>
#include <QTimer>
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
#include "platform/freed_memory.h"
#include "platform/host_layout.h"
#include "platform/log.h"
#include "platform/login_item.h"
#include "platform/quit_signals.h"

namespace lopewell {

namespace {

// The windowing operations the shell's rules need, over Qt's top-level widgets. The main
// window exists only while it is open: it stands first in the list all the same, and bringing
// it forward makes it.
class QtAppPlatform final : public AppPlatform {
public:
    // `openMain` makes the main window when there is none and returns it, `currentMain` returns
    // it or null, `others` lists the other windows that exist now.
    void setWindows(
        std::function<QWidget*()> openMain, std::function<QWidget*()> currentMain, std::function<std::vector<QWidget*>()> others)
    {
        m_openMain = std::move(openMain);
        m_currentMain = std::move(currentMain);
        m_others = std::move(others);
    }

    void hideFromTaskbar() override { setHiddenFromTaskbar(true); }

    // Tool windows stay out of the taskbar and the task switcher: the counterpart of a
    // program without a Dock icon. Changing the flag re-creates a shown window, so show it again.
    void setHiddenFromTaskbar(bool hidden)
    {
        m_hiddenFromTaskbar = hidden;
        for (QWidget* window : existingWindows())
            applyTaskbarFlag(window);
    }
    // For a window made after the choice.
    void applyTaskbarFlag(QWidget* window) const
    {
        if (window->windowFlags().testFlag(Qt::Tool) == m_hiddenFromTaskbar)
            return;
        const bool wasVisible = window->isVisible();
        window->setWindowFlag(Qt::Tool, m_hiddenFromTaskbar);
        if (wasVisible)
            window->show();
    }

    void activateIgnoringOtherApps() override
    {
        if (QWidget* active = QApplication::activeWindow())
            active->raise();
    }

    std::vector<AppWindow> windows() const override
    {
        std::vector<AppWindow> list { { mainWindowId, false, true } };
        for (QWidget* window : m_others())
            list.push_back({ reinterpret_cast<std::uintptr_t>(window), window->windowFlags().testFlag(Qt::Popup), true });
        return list;
    }

    void makeKeyAndOrderFront(std::uintptr_t windowId) override
    {
        QWidget* window = nullptr;
        if (windowId == mainWindowId) {
            window = m_openMain();
        } else {
            for (QWidget* other : m_others()) {
                if (reinterpret_cast<std::uintptr_t>(other) == windowId)
                    window = other;
            }
        }
        if (!window)
            return;
        window->show();
        window->raise();
        window->activateWindow();
    }

    void openURL(std::string_view url) override { QDesktopServices::openUrl(QUrl(toQString(url), QUrl::StrictMode)); }
    void terminate() override { QApplication::quit(); }

private:
    // No widget lives at address 1.
    static constexpr std::uintptr_t mainWindowId = 1;

    std::vector<QWidget*> existingWindows() const
    {
        std::vector<QWidget*> windows = m_others();
        if (QWidget* main = m_currentMain())
            windows.insert(windows.begin(), main);
        return windows;
    }

    std::function<QWidget*()> m_openMain;
    std::function<QWidget*()> m_currentMain;
    std::function<std::vector<QWidget*>()> m_others;
    bool m_hiddenFromTaskbar = false;
};

// Tells when a window has been closed (not merely hidden for a flag change).
class CloseWatcher final : public QObject {
public:
    explicit CloseWatcher(std::function<void()> onClose) : m_onClose(std::move(onClose)) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Close)
            QTimer::singleShot(0, this, [this] { m_onClose(); });
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_onClose;
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

// What the section screens need from the shell around them.
struct ShellContext {
    QtExecutor& executor;
    const HostLayout& layout;
    std::shared_ptr<UserDefaults> defaults;
    AppUpdater& updater;
    std::function<void()> showSettings;  // at the tab last chosen
    std::function<void()> showSettingsAtSupport;
    std::function<void()> showAbout;
};

// The main window and everything behind it: the section models and their screens. Made when the
// window opens and released, scan results included, when it closes, so that what stays running
// between uses is the tray alone.
class MainWindowSession {
public:
    explicit MainWindowSession(const ShellContext& context)
        : m_dashboard(DashboardViewModel::systemEnvironment(context.executor, context.showSettingsAtSupport))
        , m_processes(ProcessesViewModel::systemEnvironment(context.executor))
        , m_files(FilesViewModel::systemEnvironment(context.executor, context.layout, context.defaults,
              [this](const std::filesystem::path& startAt, std::string_view message) -> std::optional<std::filesystem::path> {
                  const QString chosen = QFileDialog::getExistingDirectory(m_window.get(), toQString(message),
                      QFile::decodeName(QByteArray::fromStdString(startAt.string())), QFileDialog::ShowDirsOnly);
                  if (chosen.isEmpty())
                      return std::nullopt;
                  return std::filesystem::path(QFile::encodeName(chosen).toStdString());
              }))
        , m_storage(StorageViewModel::systemEnvironment(context.executor, context.layout))
        , m_apps(AppsViewModel::systemEnvironment(context.executor, context.layout,
              [this](const AppPicking& picking, std::string_view message) -> std::optional<std::filesystem::path> {
                  // A bundle is a folder here, so its chooser picks folders; the desktop's apps are files.
                  const QString chosen = picking.isFolder
                      ? QFileDialog::getExistingDirectory(m_window.get(), toQString(message), QDir::homePath(), QFileDialog::ShowDirsOnly)
                      : QFileDialog::getOpenFileName(
                            m_window.get(), toQString(message), QDir::homePath(), toQString(picking.chooserFilter));
                  if (chosen.isEmpty())
                      return std::nullopt;
                  return std::filesystem::path(QFile::encodeName(chosen).toStdString());
              }))
        , m_space(SpaceViewModel::systemEnvironment(context.executor, context.layout))
        , m_startup(StartupViewModel::systemEnvironment(context.executor, context.layout))
        , m_security(SecurityViewModel::systemEnvironment(
              context.executor, context.layout, appResourcePath(signatureResourceName(context.layout.flavour()))))
        , m_navigation(context.executor)
    {
        m_navigation.addLiveSection({ "dashboard", [this] { m_dashboard.start(); }, [this] { m_dashboard.stop(); } });
        m_navigation.addLiveSection({ "processes", [this] { m_processes.start(); }, [this] { m_processes.stop(); } });
        m_window = std::make_unique<MainWindow>(m_navigation);
        MainWindow& window = *m_window;
        const HostLayout& layout = context.layout;
        window.setSectionWidget(SidebarTab::dashboard, new DashboardView(m_dashboard));
        window.setSectionWidget(SidebarTab::processes, new ProcessesView(m_processes));
        window.setSectionWidget(SidebarTab::files, new FilesView(m_files));
        window.setSectionWidget(SidebarTab::apps, new AppsView(m_apps));
        window.setSectionWidget(SidebarTab::storage,
            new StorageView(m_storage, StorageScreenModel::cleaningThrough(m_storage), [&layout] { openFullDiskAccessSettings(layout); }));
        window.setSectionWidget(SidebarTab::space, new SpaceView(m_space, [&layout] { openFullDiskAccessSettings(layout); }));
        window.setSectionWidget(SidebarTab::startup, new StartupView(m_startup));
        window.setSectionWidget(SidebarTab::security,
            new SecurityView(m_security,
                { [](const std::vector<std::string>& paths) { revealInFileManager(paths); },
                    [&layout] { openFullDiskAccessSettings(layout); } }));

        // The application menu, on the main window: About, Check for Updates…, Settings…, Quit.
        auto* menuBar = new QMenuBar(&window);
        QMenu* appMenu = menuBar->addMenu(QStringLiteral("&Lopewell"));
        appMenu->addAction(QStringLiteral("About Lopewell"), &window, context.showAbout);
        AppUpdater& updater = context.updater;
        m_checkForUpdates = appMenu->addAction(QStringLiteral("Check for Updates…"), &window, [&updater] { updater.checkForUpdates(); });
        m_checkForUpdates->setEnabled(updater.canCheckForUpdates());
        appMenu->addAction(QStringLiteral("Settings…"), QKeySequence(QStringLiteral("Ctrl+,")), &window, context.showSettings);
        appMenu->addSeparator();
        appMenu->addAction(QStringLiteral("Quit Lopewell"), QKeySequence::Quit, qApp, &QApplication::quit);
        window.layout()->setMenuBar(menuBar);
    }

    QWidget& window() { return *m_window; }
    void setCanCheckForUpdates(bool can) { m_checkForUpdates->setEnabled(can); }

private:
    DashboardViewModel m_dashboard;
    ProcessesViewModel m_processes;
    FilesViewModel m_files;
    StorageViewModel m_storage;
    AppsViewModel m_apps;
    SpaceViewModel m_space;
    StartupViewModel m_startup;
    SecurityViewModel m_security;
    NavigationModel m_navigation;
    // Last: the screens go before the models they observe.
    std::unique_ptr<MainWindow> m_window;
    QAction* m_checkForUpdates = nullptr;
};

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

    // The settings and About windows are made the first time they are asked for, then kept.
    SettingsWindowModel settingsModel(defaults);
    GeneralPaneModel general(
        defaults, LoginItemService(layout), [&](bool on) { coordinator.setEnabled(on); },
        [&](bool hide) { platform.setHiddenFromTaskbar(hide); });
    std::unique_ptr<SettingsWindow> settings;
    std::unique_ptr<AboutWindow> about;
    const auto present = [&platform](QWidget& window) {
        platform.applyTaskbarFlag(&window);
        window.show();
        window.raise();
        window.activateWindow();
    };
    const auto showSettings = [&] {
        if (!settings)
            settings = std::make_unique<SettingsWindow>(settingsModel, general, updater);
        present(*settings);
    };
    const auto showAbout = [&] {
        if (!about)
            about = std::make_unique<AboutWindow>();
        present(*about);
    };

    std::unique_ptr<MainWindowSession> session;
    const ShellContext context {
        executor,
        layout,
        defaults,
        updater,
        showSettings,
        [&] {
            openSettingsAt(*defaults, SettingsTab::support, [&] {
                settingsModel.windowShown();  // already open: showing it again would not switch the tab
                showSettings();
            });
        },
        showAbout,
    };
    // Closed, not just hidden (a change of the taskbar flag hides and shows): let it all go.
    CloseWatcher closeWatcher([&] {
        if (session && !session->window().isVisible()) {
            session.reset();
            returnFreedMemoryToSystem();
        }
    });
    const auto openMainWindow = [&]() -> QWidget* {
        if (!session) {
            session = std::make_unique<MainWindowSession>(context);
            session->window().installEventFilter(&closeWatcher);
        }
        platform.applyTaskbarFlag(&session->window());
        return &session->window();
    };
    platform.setWindows(
        openMainWindow, [&]() -> QWidget* { return session ? &session->window() : nullptr; },
        [&] {
            std::vector<QWidget*> windows;
            if (settings)
                windows.push_back(settings.get());
            if (about)
                windows.push_back(about.get());
            return windows;
        });

    bool checkWasRunning = !updater.canCheckForUpdates();
    auto updaterSubscription = updater.observers().add([&] {
        if (session)
            session->setCanCheckForUpdates(updater.canCheckForUpdates());
        const bool finished = checkWasRunning && updater.canCheckForUpdates();
        checkWasRunning = !updater.canCheckForUpdates();
        if (finished)
            presentOutcome(updater, session && session->window().isVisible() ? &session->window() : nullptr);
    });

    runLaunchSequence(*defaults, platform, coordinator);
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        log::info("Shell", "No system tray is running; showing the main window so Lopewell stays reachable.");
        openMainWindow()->show();
    }
    // Leaving the scope stops the tray (before its controller) and then the coordinator's
    // sampling; the stored "menuBarItemEnabled" stays as the user chose it.
    return QApplication::exec();
}

}  // namespace lopewell
