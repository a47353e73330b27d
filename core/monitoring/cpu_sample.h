// CPU load as fractions 0–1: per logical CPU in the kernel's order and overall, and the pure
// arithmetic that derives them from two readings of the cumulative tick counters.
#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <vector>

#include "core/base/uuid.h"
#include "core/monitoring/thermal_state.h"

namespace lopewell {

// Cumulative ticks of one logical CPU. 32-bit and wrapping, as the kernel interface that the
// sampler was designed around reports them; deltas are taken modulo 2^32.
struct CPUTicks {
    uint32_t user = 0;
    uint32_t system = 0;
    uint32_t idle = 0;
    uint32_t nice = 0;

    bool operator==(const CPUTicks&) const = default;
};

struct CPUSample {
    Uuid id;
    std::chrono::system_clock::time_point timestamp;
    std::vector<double> perCoreLoad;
    double overallLoad = 0.0;
    ThermalState thermalState = ThermalState::nominal;

    bool operator==(const CPUSample&) const = default;
};

// Pairs the readings index by index (the shorter decides); nice time counts as busy; a core
// whose counters did not move has load 0.
std::vector<double> perCoreLoads(std::span<const CPUTicks> previous, std::span<const CPUTicks> current);

// Every core weighs the same, whatever its tick count; 0 when there are no cores.
double overallLoad(std::span<const double> perCore);

}  // namespace lopewell
