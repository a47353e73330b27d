#include <gtest/gtest.h>

#include "app/shell/readout.h"

using namespace lopewell;

TEST(Readout, MenuBarRoundsThePopoverTruncates)
{
    struct Case {
        double load;
        const char* title;
        int64_t popover;
    };
    const Case cases[] = {
        { 0.0, " 0%", 0 },
        { 0.42, " 42%", 42 },
        { 0.4999, " 50%", 49 },
        { 0.005, " 1%", 0 },  // half rounds away from zero
        { 0.5, " 50%", 50 },
        { 0.999, " 100%", 99 },
        { 1.0, " 100%", 100 },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(menuBarReadoutTitle(c.load), c.title) << c.load;
        EXPECT_EQ(popoverPercent(c.load), c.popover) << c.load;
    }
}

TEST(Readout, MemoryFractionIsZeroWhenTheTotalIsUnknown)
{
    EXPECT_DOUBLE_EQ(memoryUsedFraction(MemoryStats { .active = 10, .total = 0 }), 0.0);
    EXPECT_DOUBLE_EQ(memoryUsedFraction(MemoryStats { .active = 30, .wired = 10, .compressed = 10, .total = 200 }), 0.25);
}
