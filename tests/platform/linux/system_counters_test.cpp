#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/system_counters.h"
#include "tests/support/temp_tree.h"

using namespace lopewell;
namespace fs = std::filesystem;
using lopewell::testing::TempDir;
using lopewell::testing::writeFile;

namespace {

void writeZone(const fs::path& root, const std::string& name, int64_t temperature, std::vector<std::pair<int64_t, std::string>> trips)
{
    writeFile(root / name / "temp", std::to_string(temperature) + "\n");
    for (size_t i = 0; i < trips.size(); ++i) {
        writeFile(root / name / ("trip_point_" + std::to_string(i) + "_temp"), std::to_string(trips[i].first) + "\n");
        writeFile(root / name / ("trip_point_" + std::to_string(i) + "_type"), trips[i].second + "\n");
    }
}

}  // namespace

TEST(SystemCounters, RealProcStatHasOneRecordPerOnlineCPU)
{
    CPUSampler::Sources sources = systemCPUSources();
    auto ticks = sources.readTicks();
    ASSERT_TRUE(ticks);
    EXPECT_EQ(long(ticks->size()), sysconf(_SC_NPROCESSORS_ONLN));

    CPUSampler sampler(systemCPUSources());
    EXPECT_EQ(sampler.sample(), std::nullopt);
    usleep(20'000);
    auto sample = sampler.sample();
    ASSERT_TRUE(sample);
    for (double load : sample->perCoreLoad) {
        EXPECT_GE(load, 0.0);
        EXPECT_LE(load, 1.0);
    }
}

TEST(SystemCounters, TheKeptDescriptorSeesEachNewTextOfTheFile)
{
    TempDir dir;
    const fs::path stat = dir.path() / "stat";
    writeFile(stat, "cpu  0 0 0 0\ncpu0 100 0 100 100\n");
    CPUSampler sampler(cpuSourcesAt(stat, dir.path() / "no-thermal"));
    EXPECT_EQ(sampler.sample(), std::nullopt);
    writeFile(stat, "cpu  0 0 0 0\ncpu0 190 0 100 110\n");  // 90 user + 10 idle ticks
    auto sample = sampler.sample();
    ASSERT_TRUE(sample);
    EXPECT_DOUBLE_EQ(sample->overallLoad, 0.9);
    EXPECT_EQ(sample->thermalState, ThermalState::nominal);

    writeFile(stat, "garbage\n");  // rewritten with a text that is not statistics
    EXPECT_EQ(sampler.sample(), std::nullopt);
}

TEST(SystemCounters, ThermalStateIsTheWorstZoneAndNominalWithoutZones)
{
    TempDir dir;
    EXPECT_EQ(readThermalState(dir.path() / "missing"), ThermalState::nominal);
    EXPECT_EQ(readThermalState(dir.path()), ThermalState::nominal);

    writeZone(dir.path(), "thermal_zone0", 70000, { { 65000, "active" }, { 90000, "passive" } });
    EXPECT_EQ(readThermalState(dir.path()), ThermalState::fair);
    writeZone(dir.path(), "thermal_zone1", 91000, { { 90000, "passive" }, { 100000, "critical" } });
    writeFile(dir.path() / "cooling_device0" / "type", "Processor\n");
    EXPECT_EQ(readThermalState(dir.path()), ThermalState::serious);
    writeFile(dir.path() / "thermal_zone2" / "temp", "not a number\n");
    writeFile(dir.path() / "thermal_zone2" / "trip_point_0_temp", "1\n");
    writeFile(dir.path() / "thermal_zone2" / "trip_point_0_type", "critical\n");
    EXPECT_EQ(readThermalState(dir.path()), ThermalState::serious);  // an unreadable zone is skipped
}
