#include <gtest/gtest.h>
#include <vector>

#include "core/monitoring/thermal_state.h"

using namespace lopewell;

TEST(ThermalState, AZoneIsInTheMostSevereTripItHasReached)
{
    const std::vector<ThermalTrip> trips {
        { 60000, "active" },
        { 85000, "passive" },
        { 95000, "hot" },
        { 105000, "critical" },
    };
    const std::pair<int64_t, ThermalState> cases[] = {
        { 40000, ThermalState::nominal },
        { 60000, ThermalState::fair },
        { 84999, ThermalState::fair },
        { 85000, ThermalState::serious },
        { 95000, ThermalState::critical },
        { 120000, ThermalState::critical },
    };
    for (auto [temperature, expected] : cases)
        EXPECT_EQ(thermalStateForZone(temperature, trips), expected) << temperature;
}

TEST(ThermalState, NoTripsOrPlaceholderTripsAreNominal)
{
    EXPECT_EQ(thermalStateForZone(99000, {}), ThermalState::nominal);
    const std::vector<ThermalTrip> placeholders { { 0, "critical" }, { -273000, "hot" }, { 50000, "unknown-type" } };
    EXPECT_EQ(thermalStateForZone(60000, placeholders), ThermalState::nominal);
}
