// How long the user has been away: seconds since the last keyboard or pointer input, asked of
// whichever desktop service answers. Absent when none does; an unknown idle time never counts
// as idle.
//
//   if (auto idle = secondsSinceLastInput(); idle && *idle > 300.0) enterSlowMode();
//
// THREAD-SAFETY: every function may be called from any thread. Each query blocks for at most
// about half a second, so call it off the main thread.
#pragma once

#include <functional>
#include <optional>
#include <span>

namespace lopewell {

// One way of asking; absent when the service is not there or did not answer in time.
using IdleProbe = std::function<std::optional<double>()>;

// The first answer, in order, that is a finite, non-negative number of seconds; a probe after
// the one that answered is not asked.
std::optional<double> firstIdleAnswer(std::span<const IdleProbe> probes);

// GNOME's idle monitor, then KDE's screen saver service, then the X11 screen-saver extension.
std::optional<double> secondsSinceLastInput();

namespace InputIdle {

// org.gnome.Mutter.IdleMonitor.GetIdletime on the session bus (milliseconds).
std::optional<double> gnomeIdleMonitorSeconds();

// org.freedesktop.ScreenSaver.GetSessionIdleTime on the session bus. KDE answers in
// milliseconds whatever the interface's old draft says, so the value is read as such: the
// other reading would put a busy user into slow mode within a second.
std::optional<double> screenSaverServiceSeconds();

// XScreenSaverQueryInfo on $DISPLAY, loaded at run time so nothing new is linked. Skipped in a
// Wayland session, where the X server sees only the input of X clients.
std::optional<double> x11ScreenSaverSeconds();

// The two bus probes against a given bus address ("unix:path=..."), for tests.
std::optional<double> gnomeIdleMonitorSecondsAt(const char* busAddress);
std::optional<double> screenSaverServiceSecondsAt(const char* busAddress);

}  // namespace InputIdle

}  // namespace lopewell
