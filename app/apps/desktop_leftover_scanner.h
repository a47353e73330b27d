// What a Linux desktop application left in the user's folders. Exact leftovers first — its
// Flatpak or Snap data, its AppImage integration files, its own autostart entry and user units,
// a user copy of its desktop entry — then folders of ~/.config, ~/.cache, ~/.local/share and
// ~/.local/state named after it by whole tokens (its id, program, window class, package),
// never shared desktop folders and never a folder another installed app is also named by.
// Exact leftovers are offered selected, name matches unselected with the reason.
//
//   AppLeftoverResult result = DesktopLeftoverScanner(layout).scan(app, installed, stop);
//
// THREAD-SAFETY: no state; scan() sums folders, so callers run it off the main thread.
#pragma once

#include <stop_token>
#include <string>
#include <vector>

#include "app/apps/app_leftover_result.h"
#include "app/apps/installed_app.h"
#include "platform/host_layout.h"

namespace lopewell {

// The names an app may have given its folders, lower-cased: its desktop-file id, the last part
// of a reverse-DNS id, its program, its window class, its package. Short and generic ones
// ("files", "settings", "sh") are left out.
std::vector<std::string> leftoverTokens(const InstalledApp& app);

// Whether a folder entry called `name` is named after `token` (lower-cased): the same name in
// any case, or with "rc" or "staterc" after it, or "-"/"_" and a version. Never a substring.
bool matchesToken(std::string_view name, std::string_view token);

// Folders and files the desktop shares between apps ("autostart", "dconf", "gtk-3.0", ...).
bool isSharedDesktopFolder(std::string_view name);

class DesktopLeftoverScanner {
public:
    explicit DesktopLeftoverScanner(const HostLayout& layout);

    AppLeftoverResult scan(const InstalledApp& app, const std::vector<InstalledApp>& installed, std::stop_token stop = {}) const;

private:
    HostLayout m_layout;
};

}  // namespace lopewell
