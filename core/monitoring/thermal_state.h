// How hot the machine runs, in the four steps desktop platforms report, and the rule that
// derives it from a thermal zone's temperature and trip points.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "core/base/raw_value.h"

namespace lopewell {

enum class ThermalState { nominal = 0, fair = 1, serious = 2, critical = 3 };

template <>
struct RawValues<ThermalState> {
    static constexpr std::array entries {
        std::pair { ThermalState::nominal, std::string_view("nominal") },
        std::pair { ThermalState::fair, std::string_view("fair") },
        std::pair { ThermalState::serious, std::string_view("serious") },
        std::pair { ThermalState::critical, std::string_view("critical") },
    };
};

// A trip point of a kernel thermal zone: temperatures in millidegrees Celsius, type as the
// kernel names it ("active", "passive", "hot", "critical").
struct ThermalTrip {
    int64_t temperature = 0;
    std::string type;
};

// The state a zone is in: the most severe trip point it has reached. Fans running (active)
// is fair, throttling (passive) serious, hot or critical trips critical; none reached or none
// known is nominal.
ThermalState thermalStateForZone(int64_t temperature, std::span<const ThermalTrip> trips);

}  // namespace lopewell
