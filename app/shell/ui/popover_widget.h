// The tray's mini dashboard: a frameless popup that closes on any click outside it, showing
// the CPU row, one bar per core, the memory row, and "Open Lopewell" / "Quit".
#pragma once

#include <QWidget>

#include "app/shell/popover_model.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace lopewell {

class CoreBarsWidget;

class PopoverWidget final : public QWidget {
    Q_OBJECT

public:
    static constexpr QSize contentSize { 320, 240 };

    explicit PopoverWidget(QWidget* parent = nullptr);

    void setContent(const PopoverContent& content);

    // Shows the popup with its top edge at `anchor` (the tray icon or the pointer), moved as
    // little as needed to stay on that screen.
    void showAt(const QPoint& anchor);

Q_SIGNALS:
    void openMainWindowRequested();
    void quitRequested();

private:
    QLabel* m_cpuValue;
    CoreBarsWidget* m_cores;
    QLabel* m_memoryValue;
    QProgressBar* m_memoryBar;
    QLabel* m_memoryCaption;
};

}  // namespace lopewell
