// Whether the program starts when the user logs in. A port registers the running program with
// the desktop's per-user autostart mechanism; the Linux port writes an XDG autostart entry,
// <config>/autostart/com.vantorel.lopewellmac.desktop.
//
//   LoginItemService loginItem(layout);
//   if (ErrorOr<void> result = loginItem.registerItem(); !result) show(result.error().message);
//   bool on = loginItem.status() == LoginItemStatus::enabled;
//
// Errors carry a message meant for the user. The entry is only ever replaced or removed when
// it is a regular file that this program wrote; anything else in its place is left alone.
//
// THREAD-SAFETY: stateless beyond its paths; calls from several threads may race each other
// on the file, so keep them on one thread.
#pragma once

#include "core/base/error_or.h"
#include "platform/host_layout.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace lopewell {

enum class LoginItemStatus {
    notRegistered,  // no entry
    enabled,        // the session starts the program at login
    disabled,       // something is in the entry's place, but the session will not start it
};

class LoginItemService {
public:
    // Registers the running program (/proc/self/exe).
    explicit LoginItemService(const HostLayout& layout);
    // Registers `executable` instead; tests use it to avoid naming the test runner.
    LoginItemService(const HostLayout& layout, std::filesystem::path executable);

    const std::filesystem::path& entryPath() const { return m_entry; }

    LoginItemStatus status() const;
    // Writes the entry atomically, replacing an earlier entry of ours (even one the user
    // switched off in the desktop's settings).
    ErrorOr<void> registerItem();
    // Removes our entry; succeeds when there is none.
    ErrorOr<void> unregisterItem();

private:
    ErrorOr<std::string> executablePath() const;

    std::filesystem::path m_entry;
    std::filesystem::path m_executable;  // empty: the running program
};

// Exposed for testing: the rules the Linux port applies to the entry's text.

// True unless the [Desktop Entry] group says Hidden=true or X-GNOME-Autostart-enabled=false.
bool desktopEntryStartsAtLogin(std::string_view text);
// True when the [Desktop Entry] group carries the key this program marks its entries with.
bool desktopEntryIsOurs(std::string_view text);
// The text of the entry that starts `executable`, or an error when the path cannot be
// written into an Exec line (not absolute, not UTF-8, or holding control characters).
ErrorOr<std::string> loginItemDesktopEntry(std::string_view executable);

}  // namespace lopewell
