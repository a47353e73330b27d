// Parsers for the kernel's statistics texts. The platform layer reads the files and hands the
// text over; everything here is pure, so captured texts test it. A text that does not have the
// expected shape gives nothing, never a partial or made-up figure.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "core/monitoring/cpu_sample.h"
#include "core/monitoring/memory_stats.h"

namespace lopewell {

// The per-CPU "cpuN" lines of /proc/stat, in file order, mapped onto the four counters:
// system = system + irq + softirq + steal, idle = idle + iowait. Absent when there are none.
std::optional<std::vector<CPUTicks>> parseProcStat(std::string_view text);

// /proc/meminfo onto the five page classes: free = MemFree; active = AnonPages + Shmem;
// inactive = Buffers + Cached − Shmem + SReclaimable; wired = Unevictable + SUnreclaim +
// KernelStack + PageTables; compressed = Zswap; total = MemTotal. Thus used ≈ MemTotal −
// MemAvailable. appResident is left 0. Absent without MemTotal and MemFree.
std::optional<MemoryStats> parseMeminfo(std::string_view text);

// A process's physical footprint from its /proc/<pid>/status: VmRSS plus VmSwap (swapped-out
// pages still belong to it). Absent without VmRSS.
std::optional<uint64_t> parseFootprint(std::string_view statusText);

}  // namespace lopewell
