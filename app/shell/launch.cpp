#include "app/shell/launch.h"

#include "app/shell/menu_bar_coordinator.h"
#include "app/shell/settings_keys.h"
#include "platform/user_defaults.h"

#include <algorithm>
#include <cctype>

namespace lopewell {

void runLaunchSequence(const UserDefaults& defaults, AppPlatform& platform, MenuBarCoordinator& coordinator)
{
    if (storedHideFromDock(defaults))
        platform.hideFromTaskbar();
    coordinator.setEnabled(storedMenuBarItemEnabled(defaults));
}

std::optional<std::uintptr_t> firstMainWindowCandidate(std::span<const AppWindow> windows)
{
    for (const AppWindow& window : windows) {
        if (!window.isPanel && window.canBecomeMain)
            return window.id;
    }
    return std::nullopt;
}

bool bringForwardMainWindow(AppPlatform& platform)
{
    const std::vector<AppWindow> windows = platform.windows();
    const std::optional<std::uintptr_t> candidate = firstMainWindowCandidate(windows);
    if (!candidate)
        return false;
    platform.makeKeyAndOrderFront(*candidate);
    return true;
}

void handleReopen(bool hasVisibleWindows, AppPlatform& platform)
{
    if (!hasVisibleWindows)
        bringForwardMainWindow(platform);
}

bool isOpenableURL(std::string_view text)
{
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon + 1 == text.size())
        return false;
    std::string scheme(text.substr(0, colon));
    std::transform(scheme.begin(), scheme.end(), scheme.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    std::string_view rest = text.substr(colon + 1);
    if (scheme == "http" || scheme == "https") {
        // An authority with a host: "https://" followed by something that is not a path.
        if (!rest.starts_with("//") || rest.size() == 2 || rest[2] == '/')
            return false;
    } else if (scheme != "mailto") {
        return false;
    }
    return std::none_of(text.begin(), text.end(), [](unsigned char c) { return c <= 0x20 || c == 0x7f; });
}

}  // namespace lopewell
