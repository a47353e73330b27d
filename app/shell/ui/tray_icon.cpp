#include "app/shell/ui/tray_icon.h"

#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QPalette>

#include "app/common/ui/widgets.h"
#include "app/shell/ui/popover_widget.h"
#include "app/shell/ui/tray_icon_renderer.h"

namespace lopewell {

namespace {

// Trays follow the desktop's colours; a dark window palette means a dark panel too.
PanelTone panelTone()
{
    return QGuiApplication::palette().window().color().lightness() < 128 ? PanelTone::dark : PanelTone::light;
}

QIcon iconFor(const std::optional<ReadoutTitle>& readout, double load, PanelTone tone)
{
    QIcon icon;
    for (int size : { 16, 22, 24, 32, 48, 64 }) {
        const QImage image = readout ? renderTrayIcon(load, size, tone) : renderChip(size, tone, QString(), QColor());
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

void addItems(QMenu& menu, const std::vector<MenuItem>& items, MenuBarController& controller)
{
    for (const MenuItem& item : items) {
        switch (item.kind) {
        case MenuItem::Kind::separator:
            menu.addSeparator();
            break;
        case MenuItem::Kind::submenu:
            addItems(*menu.addMenu(toQString(item.title)), item.submenu, controller);
            break;
        case MenuItem::Kind::action: {
            QAction* action = menu.addAction(toQString(item.title));
            if (!item.keyEquivalent.empty())
                action->setShortcut(QKeySequence(QStringLiteral("Ctrl+") + toQString(item.keyEquivalent).toUpper()));
            QObject::connect(action, &QAction::triggered, &menu, [&controller, item] { controller.perform(item); });
            break;
        }
        }
    }
}

}  // namespace

TrayIcon::TrayIcon(MenuBarController& controller)
    : m_controller(controller)
    , m_menu(std::make_unique<QMenu>())
    , m_popover(std::make_unique<PopoverWidget>())
{
    connect(&m_icon, &QSystemTrayIcon::activated, this, &TrayIcon::onActivated);
    connect(m_menu.get(), &QMenu::aboutToShow, this, &TrayIcon::rebuildMenu);
    connect(m_popover.get(), &PopoverWidget::openMainWindowRequested, this, [this] {
        m_popover->close();
        m_controller.openMainWindow();
    });
    connect(m_popover.get(), &PopoverWidget::quitRequested, this, [this] { m_controller.quit(); });
    rebuildMenu();
    m_icon.setContextMenu(m_menu.get());
    m_subscription = m_controller.observers().add([this] { render(); });
    render();
    m_icon.show();
}

TrayIcon::~TrayIcon()
{
    m_icon.hide();
}

void TrayIcon::render()
{
    const auto& readout = m_controller.readout();
    const Face face { readout, panelTone() };
    if (face != m_shown) {
        m_icon.setIcon(iconFor(readout, m_controller.cpuOverall(), face.tone));
        m_icon.setToolTip(readout ? trayToolTip(m_controller.cpuOverall()) : QStringLiteral("Lopewell"));
        m_shown = face;
    }
    if (m_popover->isVisible())
        m_popover->setContent(m_controller.popover());
}

void TrayIcon::rebuildMenu()
{
    // Built afresh every time it opens, from the controller's current menu.
    m_menu->clear();
    addItems(*m_menu, m_controller.menu(), m_controller);
}

void TrayIcon::onActivated(QSystemTrayIcon::ActivationReason reason)
{
    std::optional<StatusClick> click;
    if (reason == QSystemTrayIcon::Trigger)
        click = StatusClick { MouseButton::left, QGuiApplication::keyboardModifiers().testFlag(Qt::ControlModifier) };
    else if (reason == QSystemTrayIcon::Context)
        click = StatusClick { MouseButton::right, false };
    switch (statusClickResponse(click, m_popover->isVisible()).value_or(StatusClickResponse::closePopover)) {
    case StatusClickResponse::showMenu:
        if (reason != QSystemTrayIcon::Context)  // the tray shows the context menu itself
            m_menu->popup(QCursor::pos());
        break;
    case StatusClickResponse::showPopover:
    case StatusClickResponse::closePopover:
        if (click)
            togglePopover();
        break;
    }
}

void TrayIcon::togglePopover()
{
    if (m_popover->isVisible()) {
        m_popover->close();
        return;
    }
    m_popover->setContent(m_controller.popover());
    // StatusNotifier trays never report where the icon is: open at the pointer then.
    const QRect geometry = m_icon.geometry();
    m_popover->showAt(geometry.isValid() ? QPoint(geometry.center().x(), geometry.bottom() + 4) : QCursor::pos());
}

}  // namespace lopewell
