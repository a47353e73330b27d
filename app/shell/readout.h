// The live readout's texts: the menu bar title (rounded) and the popover figures (truncated,
// so the popover can show one less than the menu bar).
#pragma once

#include <cstdint>
#include <string>

#include "core/monitoring/memory_stats.h"

namespace lopewell {

// " 42%" for 0.42: a space, the load × 100 rounded half away from zero, and "%".
std::string menuBarReadoutTitle(double cpuOverall);

// The popover's whole-number percentage: fraction × 100 truncated toward zero.
int64_t popoverPercent(double fraction);

// used ÷ total, or 0 when the total is unknown (0).
double memoryUsedFraction(const MemoryStats& memory);

}  // namespace lopewell
