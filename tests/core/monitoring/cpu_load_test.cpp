#include <gtest/gtest.h>
#include <vector>

#include "core/monitoring/cpu_sample.h"

using namespace lopewell;

namespace {

struct LoadCase {
    const char* what;
    CPUTicks previous;
    CPUTicks current;
    double load;
};

}  // namespace

TEST(CPULoad, PerCoreLoadFromTwoReadings)
{
    const LoadCase cases[] = {
        { "half busy", { 100, 100, 100, 0 }, { 150, 150, 200, 0 }, 0.5 },
        { "nice counts as busy", { 0, 0, 0, 0 }, { 0, 0, 10, 30 }, 0.75 },
        { "counters did not move", { 5, 5, 5, 5 }, { 5, 5, 5, 5 }, 0.0 },
        { "fully idle", { 1, 1, 1, 1 }, { 1, 1, 101, 1 }, 0.0 },
        { "fully busy", { 1, 1, 1, 1 }, { 51, 31, 1, 21 }, 1.0 },
        { "user counter wrapped past 2^32", { 0xFFFFFFF0u, 0, 0, 0 }, { 0x10u, 0, 32, 0 }, 0.5 },
        { "top bit set is a large count, not an error", { 0x80000000u, 0, 0x80000000u, 0 }, { 0x80000064u, 0, 0x80000064u, 0 }, 0.5 },
    };
    for (const auto& c : cases) {
        std::vector<CPUTicks> previous { c.previous }, current { c.current };
        auto loads = perCoreLoads(previous, current);
        ASSERT_EQ(loads.size(), 1u) << c.what;
        EXPECT_DOUBLE_EQ(loads[0], c.load) << c.what;
    }
}

TEST(CPULoad, DeltaSumsDoNotOverflowThirtyTwoBits)
{
    // Each delta near 2^31: their sum needs more than 32 bits.
    std::vector<CPUTicks> previous { { 0, 0, 0, 0 } };
    std::vector<CPUTicks> current { { 0x7FFFFFFFu, 0x7FFFFFFFu, 0x7FFFFFFFu, 0x7FFFFFFFu } };
    EXPECT_DOUBLE_EQ(perCoreLoads(previous, current)[0], 0.75);
}

TEST(CPULoad, OnlyTheCommonLeadingProcessorsGetLoadsWhenTheCountChanges)
{
    std::vector<CPUTicks> two { { 0, 0, 0, 0 }, { 0, 0, 0, 0 } };
    std::vector<CPUTicks> three { { 10, 0, 10, 0 }, { 0, 0, 10, 0 }, { 99, 0, 0, 0 } };
    EXPECT_EQ(perCoreLoads(two, three), (std::vector<double> { 0.5, 0.0 }));
    EXPECT_EQ(perCoreLoads(three, two).size(), 2u);
}

TEST(CPULoad, OverallIsTheUnweightedMeanOfTheCores)
{
    EXPECT_DOUBLE_EQ(overallLoad(std::vector<double> { 1.0, 0.0 }), 0.5);
    EXPECT_DOUBLE_EQ(overallLoad(std::vector<double> { 0.25, 0.5, 0.75, 1.0 }), 0.625);
    EXPECT_DOUBLE_EQ(overallLoad(std::vector<double> {}), 0.0);
}
