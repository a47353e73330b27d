#include "core/presentation/load_colors.h"

#include <limits>

#include <gtest/gtest.h>

namespace lopewell {
namespace {

struct Case {
    double value;
    LoadBand band;
};

constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();

TEST(LoadColors, CpuLoadBandsSwitchAtHalfAndFourFifths)
{
    const Case cases[] = {
        { 0.0, LoadBand::low },
        { 0.4999, LoadBand::low },
        { 0.5, LoadBand::middle },
        { 0.7999, LoadBand::middle },
        { 0.8, LoadBand::high },
        { 1.0, LoadBand::high },
        { 1.7, LoadBand::high },
        { -0.1, LoadBand::low },
        { notANumber, LoadBand::low },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(cpuLoadBand(c.value), c.band);
    }
}

TEST(LoadColors, MemoryBandsSwitchAt65And82Percent)
{
    const Case cases[] = {
        { 0.0, LoadBand::low },
        { 0.6499, LoadBand::low },
        { 0.65, LoadBand::middle },
        { 0.8199, LoadBand::middle },
        { 0.82, LoadBand::high },
        { 1.0, LoadBand::high },
        { notANumber, LoadBand::low },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(memoryBand(c.value), c.band);
    }
}

TEST(LoadColors, ThePopoverScaleIsPaletteGreenAndAmberThenSystemRed)
{
    EXPECT_EQ(paletteColor(LoadBand::low), Palette::battery);
    EXPECT_EQ(paletteColor(LoadBand::middle), Palette::gpu);
    EXPECT_EQ(paletteColor(LoadBand::high), SystemColor::red);
    EXPECT_EQ(paletteColor(LoadBand::low), (Color { 0.30, 0.80, 0.45, 1 }));
    EXPECT_EQ(paletteColor(LoadBand::middle), (Color { 0.96, 0.55, 0.18, 1 }));
}

TEST(LoadColors, TheMenuBarScaleIsTheSystemGreenOrangeAndRed)
{
    EXPECT_EQ(systemColor(LoadBand::low), SystemColor::green);
    EXPECT_EQ(systemColor(LoadBand::middle), SystemColor::orange);
    EXPECT_EQ(systemColor(LoadBand::high), SystemColor::red);
    EXPECT_NE(systemColor(LoadBand::low), paletteColor(LoadBand::low));
}

}  // namespace
}  // namespace lopewell
