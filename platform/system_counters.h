// The kernel counters behind the CPU sampler: per-CPU ticks and the thermal state.
//
//   CPUSampler sampler(systemCPUSources());
#pragma once

#include <filesystem>

#include "core/monitoring/cpu_sampler.h"

namespace lopewell {

// Sources that read /proc/stat and /sys/class/thermal. Each call makes a new set with its own
// open descriptors, for one sampler.
CPUSampler::Sources systemCPUSources();

// Same, against other locations (fixtures in tests).
CPUSampler::Sources cpuSourcesAt(std::filesystem::path procStat, std::filesystem::path thermalClass);

// The most severe state over all thermal zones under `thermalClass`; nominal when there are
// none or none can be read.
ThermalState readThermalState(const std::filesystem::path& thermalClass);

}  // namespace lopewell
