#include "app/screenshots/ui/screenshots.h"

#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <cstdio>

#include "app/common/ui/theme.h"
#include "app/dashboard/ui/dashboard_view.h"
#include "app/processes/ui/processes_view.h"
#include "app/screenshots/screen_fixtures.h"
#include "app/screenshots/ui/apps_screenshots.h"
#include "app/screenshots/ui/files_screenshots.h"
#include "app/screenshots/ui/security_screenshots.h"
#include "app/screenshots/ui/space_screenshots.h"
#include "app/screenshots/ui/startup_screenshots.h"
#include "app/screenshots/ui/storage_screenshots.h"
#include "app/shell/app_configuration.h"
#include "app/shell/app_updater.h"
#include "app/shell/ui/about_window.h"
#include "app/shell/ui/main_window.h"
#include "app/shell/ui/popover_widget.h"
#include "app/shell/ui/qt_executor.h"
#include "app/shell/ui/settings_window.h"
#include "app/shell/ui/tray_icon_renderer.h"
#include "core/concurrency/fake_clock.h"
#include "platform/host_layout.h"

namespace lopewell {

namespace {

// The tray icon at several loads and sizes, on a light and a dark strip of panel.
QImage trayIconSheet()
{
    const double loads[] = { 0.03, 0.42, 0.4999, 0.5, 0.79, 0.8, 1.0 };
    const int sizes[] = { 22, 32, 48 };
    const int cell = 56;
    QImage sheet(cell * int(std::size(loads)), cell * int(std::size(sizes)) * 2, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&sheet);
    for (int tone = 0; tone < 2; ++tone) {
        const PanelTone panel = tone == 0 ? PanelTone::light : PanelTone::dark;
        const QColor background = tone == 0 ? QColor(236, 236, 236) : QColor(36, 36, 40);
        for (size_t row = 0; row < std::size(sizes); ++row) {
            const int y = (tone * int(std::size(sizes)) + int(row)) * cell;
            painter.fillRect(0, y, sheet.width(), cell, background);
            for (size_t column = 0; column < std::size(loads); ++column) {
                const int size = sizes[row];
                const QImage icon = renderTrayIcon(loads[column], size, panel);
                painter.drawImage(int(column) * cell + (cell - size) / 2, y + (cell - size) / 2, icon);
            }
        }
    }
    return sheet;
}

// Fixed figures: a busy eight-core machine with 16 GB, two thirds of it in use.
QImage popover(bool memoryKnown)
{
    const std::vector<double> cores { 0.82, 0.35, 0.61, 0.12, 0.47, 0.93, 0.28, 0.55 };
    std::optional<MemoryStats> memory;
    if (memoryKnown) {
        constexpr uint64_t GiB = uint64_t(1) << 30;
        memory = MemoryStats { .active = 7 * GiB,
            .inactive = 3 * GiB,
            .free = 2 * GiB,
            .wired = 2 * GiB + GiB / 2,
            .compressed = GiB,
            .total = 16 * GiB,
            .appResident = 48 << 20 };
    }
    PopoverWidget widget;
    widget.setContent(popoverContent(0.5163, cores, memory));
    widget.show();
    return widget.grab().toImage();
}

QImage mainWindow(SidebarTab selection)
{
    QtExecutor executor;
    NavigationModel navigation(executor);
    navigation.select(selection);
    MainWindow window(navigation);
    window.show();
    return window.grab().toImage();
}

// The live sections over fixed figures; nothing samples this machine.
struct LiveSectionShots {
    QImage dashboard;
    QImage dashboardSampling;
    QImage processes;
    QImage forceQuitConfirmation;
};

LiveSectionShots liveSections()
{
    ProcessScreenFixture fixture;
    QtExecutor executor;
    NavigationModel navigation(executor);
    MainWindow window(navigation);
    auto* dashboard = new DashboardView(fixture.dashboard());
    auto* waiting = new DashboardView(fixture.waitingDashboard());
    auto* processes = new ProcessesView(fixture.processes());
    window.setSectionWidget(SidebarTab::dashboard, waiting);
    window.setSectionWidget(SidebarTab::processes, processes);
    window.show();
    // As in the program, figures arrive while the window is open and the event loop lays the
    // screens out again.
    auto picture = [&window] {
        QApplication::processEvents();
        if (QWidget* focused = QApplication::focusWidget())
            focused->clearFocus();  // no focus ring in the pictures
        return window.grab().toImage();
    };
    LiveSectionShots shots;
    shots.dashboardSampling = picture();
    window.setSectionWidget(SidebarTab::dashboard, dashboard);
    fixture.sample();
    shots.dashboard = picture();

    navigation.select(SidebarTab::processes);
    processes->table()->selectRow(processes->tableModel()->rowOf(3120));
    shots.processes = picture();

    auto menu = processes->contextMenu({ 3120 });
    menu->actions().at(1)->trigger();  // Force Quit…
    QApplication::processEvents();
    if (QMessageBox* confirmation = processes->confirmationAlert())
        shots.forceQuitConfirmation = confirmation->grab().toImage();
    return shots;
}

QImage aboutWindow()
{
    AboutWindow window;
    window.show();
    return window.grab().toImage();
}

// The settings window over a throw-away home folder, with a last update check on record.
std::vector<QImage> settingsTabs()
{
    QTemporaryDir home;
    const HostLayout layout = HostLayout::forTesting("/", home.path().toStdString(), 1000, "screenshots", HostFlavour::macOS);
    auto defaults = UserDefaults::open(layout.userDefaultsFile());
    (void)defaults->setInteger(UpdaterKey::lastCheckDate, 818'600'000);  // 10 Dec 2026, 12:53 UTC
    QtExecutor executor;
    FakeClock clock;  // nothing is scheduled while the pictures are taken
    AppUpdater updater(executor, clock, defaults, std::string(configuration::updateFeedURL), LOPEWELL_VERSION);
    SettingsWindowModel windowModel(defaults);
    GeneralPaneModel general(defaults, LoginItemService(layout, "/usr/bin/lopewell"), [](bool) {}, [](bool) {});
    SettingsWindow window(windowModel, general, updater);
    window.show();
    std::vector<QImage> images;
    for (SettingsTab tab : allSettingsTabs) {
        windowModel.select(tab);
        images.push_back(window.grab().toImage());
    }
    return images;
}

}  // namespace

int renderScreenshots(int argc, char** argv, const std::filesystem::path& folder)
{
    // Offscreen unless the caller chose a platform: the pictures must not depend on a desktop.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    useInstalledIconTheme();

    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        std::fprintf(stderr, "lopewell screenshots: cannot create %s: %s\n", folder.c_str(), error.message().c_str());
        return 1;
    }
    struct Shot {
        std::string name;
        QImage image;
    };
    const std::vector<QImage> settings = settingsTabs();
    const LiveSectionShots live = liveSections();
    std::vector<Shot> shots {
        { "settings-general.png", settings.at(0) },
        { "settings-updates.png", settings.at(1) },
        { "settings-privacy.png", settings.at(2) },
        { "settings-support.png", settings.at(3) },
        { "about.png", aboutWindow() },
        { "tray-icon.png", trayIconSheet() },
        { "popover.png", popover(true) },
        { "popover-sampling.png", popover(false) },
        { "main-window.png", mainWindow(SidebarTab::dashboard) },
        { "dashboard.png", live.dashboard },
        { "dashboard-sampling.png", live.dashboardSampling },
        { "processes.png", live.processes },
        { "processes-force-quit.png", live.forceQuitConfirmation },
        { "main-window-space.png", mainWindow(SidebarTab::space) },
    };
    for (NamedScreenshot& shot : storageScreenshots())
        shots.push_back({ std::move(shot.name), std::move(shot.image) });
    for (NamedScreenshot& shot : filesScreenshots())
        shots.push_back({ std::move(shot.name), std::move(shot.image) });
    for (NamedScreenshot& shot : appsScreenshots())
        shots.push_back({ std::move(shot.name), std::move(shot.image) });
    for (NamedScreenshot& shot : spaceScreenshots())
        shots.push_back({ std::move(shot.name), std::move(shot.image) });
    for (NamedScreenshot& shot : startupScreenshots())
        shots.push_back({ std::move(shot.name), std::move(shot.image) });
    for (NamedScreenshot& shot : securityScreenshots())
        shots.push_back({ std::move(shot.name), std::move(shot.image) });
    for (const Shot& shot : shots) {
        const std::filesystem::path file = folder / shot.name;
        if (!shot.image.save(QString::fromStdString(file.string()))) {
            std::fprintf(stderr, "lopewell screenshots: cannot write %s\n", file.c_str());
            return 1;
        }
        std::printf("%s\n", file.c_str());
    }
    return 0;
}

}  // namespace lopewell
