// The process shell's decisions, over a small interface to the windowing layer: what happens
// at launch, what a reopen (the taskbar entry clicked, the program launched again) brings
// forward, and which window "Open Lopewell" shows.
//
//   runLaunchSequence(*defaults, platform, coordinator);   // once, when the event loop starts
//   handleReopen(hasVisibleWindows, platform);              // on every reopen request
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace lopewell {

class MenuBarCoordinator;
class UserDefaults;

// An application window as the reopen rule sees it; `id` is the windowing layer's own handle.
struct AppWindow {
    std::uintptr_t id = 0;
    bool isPanel = false;
    bool canBecomeMain = true;
};

// What the shell needs from the windowing layer. The Qt front end implements it; tests record.
class AppPlatform {
public:
    virtual ~AppPlatform() = default;

    // No taskbar entry and no application menu; windows can still be shown.
    virtual void hideFromTaskbar() = 0;
    virtual void activateIgnoringOtherApps() = 0;
    // The application's windows, front to back as the windowing layer lists them.
    virtual std::vector<AppWindow> windows() const = 0;
    virtual void makeKeyAndOrderFront(std::uintptr_t windowId) = 0;
    // Called only with addresses that passed isOpenableURL().
    virtual void openURL(std::string_view url) = 0;
    virtual void terminate() = 0;
};

// Closing the last window leaves the tray readout running.
inline constexpr bool quitsWhenLastWindowCloses = false;

// Applies "hideFromDock" (absent = false), then hands the coordinator "menuBarItemEnabled":
// its stored value when the key exists at all, true when it does not.
void runLaunchSequence(const UserDefaults& defaults, AppPlatform& platform, MenuBarCoordinator& coordinator);

// The first window that is not a panel and can become the main window.
std::optional<std::uintptr_t> firstMainWindowCandidate(std::span<const AppWindow> windows);

// Brings that window to the front and makes it key; false when there is none.
bool bringForwardMainWindow(AppPlatform& platform);

// With visible windows nothing happens; otherwise the main window candidate is brought forward.
void handleReopen(bool hasVisibleWindows, AppPlatform& platform);

// Only web and mail addresses leave the program: a scheme of http, https or mailto, something
// after it, and no whitespace or control characters.
bool isOpenableURL(std::string_view text);

}  // namespace lopewell
