// The tray readout in a terminal: the CPU percentage coloured by load and the memory in use,
// redrawn every second until SIGINT, SIGTERM or SIGHUP (which exit 0).
#pragma once

#include <iosfwd>
#include <optional>
#include <string>

#include "core/monitoring/memory_stats.h"

namespace lopewell::cli {

// One line: " 42%  memory 63%", with ANSI colours when `colour` is set.
std::string readoutLine(double cpuOverall, const std::optional<MemoryStats>& memory, bool colour);

int runTerminalReadout(std::ostream& out, std::ostream& err);

}  // namespace lopewell::cli
