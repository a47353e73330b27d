// The shell's persisted settings: their keys and how each reads when absent.
#pragma once

#include <string_view>

namespace lopewell {

class UserDefaults;

namespace SettingsKey {
inline constexpr std::string_view selectedSettingsTab = "selectedSettingsTab";
inline constexpr std::string_view menuBarItemEnabled = "menuBarItemEnabled";
inline constexpr std::string_view hideFromDock = "hideFromDock";
}  // namespace SettingsKey

bool storedMenuBarItemEnabled(const UserDefaults& defaults);  // absent: true
bool storedHideFromDock(const UserDefaults& defaults);        // absent: false

}  // namespace lopewell
