// The program's log channel: one line per call on stderr, and the systemd journal when it runs
// (subsystem = bundle identifier, CATEGORY = the component).
//
//   log::error("StorageScanCache", "Failed to persist scan cache: " + error.message);
//
// THREAD-SAFETY: every function may be called from any thread; lines never interleave.
#pragma once

#include <functional>
#include <string_view>

namespace lopewell::log {

enum class Level { error, warning, info, debug };

std::string_view levelName(Level level);  // "error", "warning", "info", "debug"

void write(Level level, std::string_view category, std::string_view message);

inline void error(std::string_view category, std::string_view message)
{
    write(Level::error, category, message);
}
inline void warning(std::string_view category, std::string_view message)
{
    write(Level::warning, category, message);
}
inline void info(std::string_view category, std::string_view message)
{
    write(Level::info, category, message);
}
inline void debug(std::string_view category, std::string_view message)
{
    write(Level::debug, category, message);
}

// Replaces stderr and the journal with `sink` until called again with nullptr. The sink is
// called under the channel's lock, one line at a time, so it needs no locking of its own and
// is never running once this returns; it must not log itself.
using Sink = std::function<void(Level level, std::string_view category, std::string_view message)>;
void setSinkForTesting(Sink sink);

}  // namespace lopewell::log
