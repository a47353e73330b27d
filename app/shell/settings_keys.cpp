#include "app/shell/settings_keys.h"

#include "platform/user_defaults.h"

namespace lopewell {

bool storedMenuBarItemEnabled(const UserDefaults& defaults)
{
    // Absent and false differ here: only a stored value can switch the item off.
    if (!defaults.objectExists(SettingsKey::menuBarItemEnabled))
        return true;
    return defaults.boolForKey(SettingsKey::menuBarItemEnabled);
}

bool storedHideFromDock(const UserDefaults& defaults)
{
    return defaults.boolForKey(SettingsKey::hideFromDock);
}

}  // namespace lopewell
