// One snapshot of the machine's memory in bytes, and the figures derived from it: what is in
// use, the pressure ratio and its three-step level.
#pragma once

#include <cstdint>
#include <string_view>

namespace lopewell {

struct MemoryStats {
    enum class PressureLevel { low, moderate, high };

    uint64_t active = 0;
    uint64_t inactive = 0;
    uint64_t free = 0;
    uint64_t wired = 0;
    uint64_t compressed = 0;
    uint64_t total = 0;        // physical memory, not the sum of the above
    uint64_t appResident = 0;  // this program's own footprint; 0 when unknown

    // Inactive (file cache) and free memory are not in use.
    uint64_t used() const { return wired + active + compressed; }
    double pressureRatio() const;
    PressureLevel pressureLevel() const;

    bool operator==(const MemoryStats&) const = default;
};

std::string_view pressureLevelName(MemoryStats::PressureLevel);

}  // namespace lopewell
