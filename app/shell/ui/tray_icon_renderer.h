// Draws the tray icon at run time: a CPU chip whose face carries the load as a number in the
// colour of its band. Trays show no text title, so the figure has to live in the picture.
#pragma once

#include <QImage>

namespace lopewell {

enum class PanelTone { light, dark };

// `load` is the overall CPU load 0–1; `size` the tray's icon size in device pixels.
QImage renderTrayIcon(double load, int size, PanelTone panel);

// The chip alone: the program's icon for windows and the desktop entry.
QImage renderApplicationIcon(int size);

// The chip with `digits` on its face in `digitColour` (none when empty).
QImage renderChip(int size, PanelTone panel, const QString& digits, const QColor& digitColour);

// "CPU 42%" — the tooltip, the same figure as the icon.
QString trayToolTip(double load);

}  // namespace lopewell
