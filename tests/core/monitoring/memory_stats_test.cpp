#include <gtest/gtest.h>

#include "core/monitoring/memory_stats.h"
#include "core/monitoring/thermal_state.h"

using namespace lopewell;
using Level = MemoryStats::PressureLevel;

TEST(MemoryStats, UsedIsWiredActiveAndCompressedOnly)
{
    MemoryStats stats { .active = 100, .inactive = 5000, .free = 7000, .wired = 20, .compressed = 3, .total = 20000, .appResident = 9 };
    EXPECT_EQ(stats.used(), 123u);
    EXPECT_EQ(stats.pressureLevel(), Level::low);  // mostly file cache is low pressure
}

TEST(MemoryStats, PressureLevelBoundaries)
{
    struct Case {
        uint64_t used, total;
        double ratio;
        Level level;
    };
    const Case cases[] = {
        { 0, 0, 0.0, Level::low },  // no total: no division, low
        { 5, 0, 0.0, Level::low },
        { 6499, 10000, 0.6499, Level::low },
        { 65, 100, 0.65, Level::moderate },  // exactly 0.65
        { 8199, 10000, 0.8199, Level::moderate },
        { 82, 100, 0.82, Level::high },  // exactly 0.82
        { 100, 100, 1.0, Level::high },
        { 150, 100, 1.5, Level::high },
    };
    for (const auto& c : cases) {
        MemoryStats stats { .active = c.used, .total = c.total };
        EXPECT_DOUBLE_EQ(stats.pressureRatio(), c.ratio) << c.used << "/" << c.total;
        EXPECT_EQ(stats.pressureLevel(), c.level) << c.used << "/" << c.total;
    }
}

TEST(MemoryStats, LevelsAndThermalStatesHaveTheirRawValues)
{
    EXPECT_EQ(rawValue(Level::low), "low");
    EXPECT_EQ(rawValue(Level::moderate), "moderate");
    EXPECT_EQ(rawValue(Level::high), "high");
    EXPECT_EQ(rawValue(ThermalState::nominal), "nominal");
    EXPECT_EQ(rawValue(ThermalState::critical), "critical");
    EXPECT_EQ(fromRawValue<ThermalState>("serious"), ThermalState::serious);
    EXPECT_EQ(fromRawValue<ThermalState>("hot"), std::nullopt);
}
