#include "app/shell/menu_bar_coordinator.h"

#include "app/shell/launch.h"
#include "app/shell/settings_keys.h"
#include "platform/log.h"
#include "platform/user_defaults.h"

namespace lopewell {

MenuBarCoordinator::MenuBarCoordinator(std::shared_ptr<UserDefaults> defaults, ControllerFactory makeController)
    : m_defaults(std::move(defaults))
    , m_makeController(std::move(makeController))
{
}

MenuBarCoordinator::~MenuBarCoordinator()
{
    if (m_controller)
        m_controller->stop();
}

void MenuBarCoordinator::setEnabled(bool enabled)
{
    if (auto stored = m_defaults->setBool(SettingsKey::menuBarItemEnabled, enabled); !stored)
        log::error("MenuBarCoordinator", "Failed to persist the menu bar setting: " + stored.error().message);

    if (enabled) {
        if (m_controller)
            return;
        m_controller = m_makeController();
        if (!m_controller)
            return;
        m_controller->start();
        m_observers.notify();
        return;
    }
    if (!m_controller)
        return;
    // Stopped before release, and released before anyone hears: observers never see a
    // stopped controller.
    std::unique_ptr<MenuBarController> released = std::move(m_controller);
    released->stop();
    released.reset();
    m_observers.notify();
}

}  // namespace lopewell
