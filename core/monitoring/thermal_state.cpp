#include "core/monitoring/thermal_state.h"

#include <algorithm>

namespace lopewell {

static ThermalState stateForTripType(std::string_view type)
{
    if (type == "active")
        return ThermalState::fair;
    if (type == "passive")
        return ThermalState::serious;
    if (type == "hot" || type == "critical")
        return ThermalState::critical;
    return ThermalState::nominal;
}

ThermalState thermalStateForZone(int64_t temperature, std::span<const ThermalTrip> trips)
{
    ThermalState worst = ThermalState::nominal;
    for (const ThermalTrip& trip : trips) {
        // A trip at or below 0 m°C is a placeholder some drivers report; it is never "reached".
        if (trip.temperature > 0 && temperature >= trip.temperature)
            worst = std::max(worst, stateForTripType(trip.type));
    }
    return worst;
}

}  // namespace lopewell
