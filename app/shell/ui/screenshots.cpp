#include "app/shell/ui/screenshots.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>

#include "app/shell/ui/tray_icon_renderer.h"

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

}  // namespace

int renderScreenshots(int argc, char** argv, const std::filesystem::path& folder)
{
    // Offscreen unless the caller chose a platform: the pictures must not depend on a desktop.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);

    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        std::fprintf(stderr, "lopewell screenshots: cannot create %s: %s\n", folder.c_str(), error.message().c_str());
        return 1;
    }
    struct Shot {
        const char* name;
        QImage image;
    };
    const Shot shots[] = {
        { "tray-icon.png", trayIconSheet() },
    };
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
