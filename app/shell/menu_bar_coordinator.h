// Owns the tray readout: the one place that turns it on or off, at launch and from the
// settings. The controller exists exactly while the item is enabled; observers hear when it
// appears or goes, so the tray icon can be installed for it or removed.
//
//   MenuBarCoordinator coordinator(defaults, [&] {
//       return std::make_unique<MenuBarController>(MenuBarController::systemEnvironment(loop, platform));
//   });
//   auto subscription = coordinator.observers().add([&] { tray.attach(coordinator.controller()); });
//   coordinator.setEnabled(true);
//
// THREAD-SAFETY: main executor only. One per process, made by the application.
#pragma once

#include <functional>
#include <memory>

#include "app/shell/menu_bar_controller.h"
#include "core/concurrency/change_observers.h"

namespace lopewell {

class UserDefaults;

class MenuBarCoordinator {
public:
    using ControllerFactory = std::function<std::unique_ptr<MenuBarController>()>;

    MenuBarCoordinator(std::shared_ptr<UserDefaults> defaults, ControllerFactory makeController);
    ~MenuBarCoordinator();
    MenuBarCoordinator(const MenuBarCoordinator&) = delete;
    MenuBarCoordinator& operator=(const MenuBarCoordinator&) = delete;

    // Stores the choice under "menuBarItemEnabled" every time (a failed write is logged; the
    // item still follows the choice), then creates and starts a controller if there is none,
    // or stops and releases the one there is.
    void setEnabled(bool enabled);

    // Present exactly while the item is enabled.
    MenuBarController* controller() const { return m_controller.get(); }

    // Notified after a controller was created and started, and after one was stopped and
    // released: by then a pointer kept from before dangles, so observers re-read controller().
    ChangeObservers& observers() { return m_observers; }

private:
    std::shared_ptr<UserDefaults> m_defaults;
    ControllerFactory m_makeController;
    std::unique_ptr<MenuBarController> m_controller;
    ChangeObservers m_observers;
};

}  // namespace lopewell
