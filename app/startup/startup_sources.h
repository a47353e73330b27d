// Where the Startup section's items come from on the system the host layout describes: launchd
// folders and `launchctl` on a macOS tree, autostart entries and systemd units on the Linux
// desktop. The view model and the command line see only this interface; which implementation
// stands behind it is decided once, by makeStartupSources.
//
//   std::shared_ptr<const StartupSources> sources = makeStartupSources(layout);
//   std::vector<StartupItem> items = sources->scan(false);
//   if (ErrorOr<void> done = sources->disable(items.front()); !done) show(done.error().message);
//
// THREAD-SAFETY: every operation is const and keeps no state between calls; they block on files
// and child processes, so callers run them off the main thread.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/base/error_or.h"
#include "core/startup/startup_item.h"
#include "platform/host_layout.h"

namespace lopewell {

// The texts of the screen that depend on the system looked at.
struct StartupTexts {
    std::string subtitle {};
    std::string systemItemsToggle {};  // "Show Apple system items"
    std::string note {};               // under the toggle
    std::string disabledState {};      // "Disabled by Lopewell"
    std::string revealTitle {};        // "Reveal in Finder"
    std::string openSettingsTitle {};  // "Open in System Settings…"
};

// What "Open in System Settings…" opens: an address, or a program with its arguments.
struct StartupSettingsLink {
    std::string url {};
    std::vector<std::string> command {};
    bool operator==(const StartupSettingsLink&) const = default;
};

class StartupSources {
public:
    virtual ~StartupSources() = default;

    // Never fails: what cannot be read is left out. `includeSystem` adds the layers that only
    // the system changes (Apple's own jobs, system services).
    virtual std::vector<StartupItem> scan(bool includeSystem) const = 0;
    // Reversible: nothing is deleted. The error's message is shown to the user as it is.
    virtual ErrorOr<void> disable(const StartupItem& item) const = 0;
    virtual ErrorOr<void> enable(const StartupItem& item) const = 0;

    // The sections of the screen, in display order.
    virtual std::vector<StartupLayer> layers(bool includeSystem) const = 0;
    virtual const StartupTexts& texts() const = 0;
    // Absent when the desktop has no settings page for what starts at login.
    virtual std::optional<StartupSettingsLink> settingsLink() const = 0;
};

// The launchd sources for a macOS tree, the Linux desktop's otherwise.
std::shared_ptr<const StartupSources> makeStartupSources(const HostLayout& layout);

}  // namespace lopewell
