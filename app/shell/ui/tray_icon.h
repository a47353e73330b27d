// The tray item of one MenuBarController: the icon with the live figure, its tooltip, the
// popover on a left click and the menu on a right (or Control-) click.
#pragma once

#include <QObject>
#include <QSystemTrayIcon>
#include <memory>

#include "app/shell/menu_bar_controller.h"
#include "app/shell/ui/tray_icon_renderer.h"

class QMenu;

namespace lopewell {

class PopoverWidget;

class TrayIcon final : public QObject {
public:
    explicit TrayIcon(MenuBarController& controller);
    ~TrayIcon() override;

    // For tests: the parts that follow the controller, and where the tray's clicks arrive.
    QSystemTrayIcon& systemTrayIcon() { return m_icon; }
    QMenu& menu() const { return *m_menu; }
    PopoverWidget& popover() const { return *m_popover; }

private:
    void render();
    void onActivated(QSystemTrayIcon::ActivationReason reason);
    void rebuildMenu();
    void togglePopover();

    // What the icon and its tooltip show now: redrawn and handed to the tray only on a change
    // of the figure, its colour or the panel's tone, not on every sample.
    struct Face {
        std::optional<ReadoutTitle> readout;
        PanelTone tone = PanelTone::light;
        bool operator==(const Face&) const = default;
    };

    MenuBarController& m_controller;
    std::optional<Face> m_shown;
    QSystemTrayIcon m_icon;
    std::unique_ptr<QMenu> m_menu;
    std::unique_ptr<PopoverWidget> m_popover;
    ChangeObservers::Subscription m_subscription;
};

}  // namespace lopewell
