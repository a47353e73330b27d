// One snapshot of the machine's memory in bytes, and the figures derived from it: what is in
// use, the pressure ratio and its three-step level.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "core/base/raw_value.h"

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

template <>
struct RawValues<MemoryStats::PressureLevel> {
    static constexpr std::array entries {
        std::pair { MemoryStats::PressureLevel::low, std::string_view("low") },
        std::pair { MemoryStats::PressureLevel::moderate, std::string_view("moderate") },
        std::pair { MemoryStats::PressureLevel::high, std::string_view("high") },
    };
};

}  // namespace lopewell
