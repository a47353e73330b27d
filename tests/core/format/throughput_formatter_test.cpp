#include "core/format/throughput_formatter.h"

#include <limits>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace lopewell {
namespace {

struct Case {
    double bytesPerSecond;
    const char* expected;
};

constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();
constexpr double infinity = std::numeric_limits<double>::infinity();

TEST(ThroughputFormatter, BitsStepByThousandsWithOneDecimal)
{
    const Case cases[] = {
        { 125'000'000, "1.0 Gbps" },
        { 124'999, "1000.0 Kbps" },  // 999,992 bits rounds up but stays in Kbps
        { 124, "992 bps" },
        { 0, "0 bps" },
        { 0.0625, "0 bps" },
        { 124.99, "1000 bps" },
        { 125, "1.0 Kbps" },
        { 125'000, "1.0 Mbps" },
        { 1'562'500, "12.5 Mbps" },
        { 1e12, "8000.0 Gbps" },
        { -1, "0 bps" },
        { -0.0, "0 bps" },
        { notANumber, "0 bps" },
        { infinity, "0 bps" },
        { -infinity, "0 bps" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytesPerSecond);
        EXPECT_EQ(ThroughputFormatter::string(c.bytesPerSecond, NetworkSpeedUnit::bits), c.expected);
    }
}

TEST(ThroughputFormatter, BytesAreABinaryByteCountPerSecondInKbToGb)
{
    const Case cases[] = {
        { -5, "Zero KB/s" },
        { 0, "Zero KB/s" },
        { 100, "1 KB/s" },
        { 1023.9, "1 KB/s" },
        { 1536, "2 KB/s" },
        { 1'572'864, "1.5 MB/s" },
        { 1'073'741'824, "1 GB/s" },
        { 5'497'558'138'880, "5,120 GB/s" },
        { 1e30, "8,589,934,592 GB/s" },  // clamped to the largest signed 64-bit count
        { notANumber, "Zero KB/s" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytesPerSecond);
        EXPECT_EQ(ThroughputFormatter::string(c.bytesPerSecond, NetworkSpeedUnit::bytes), c.expected);
    }
}

TEST(NetworkSpeedUnit, RoundTripsThroughItsRawValueAndJson)
{
    ASSERT_EQ(allCases<NetworkSpeedUnit>().size(), 2u);
    EXPECT_EQ(rawValue(NetworkSpeedUnit::bytes), "bytes");
    EXPECT_EQ(rawValue(NetworkSpeedUnit::bits), "bits");
    for (NetworkSpeedUnit unit : allCases<NetworkSpeedUnit>()) {
        EXPECT_EQ(fromRawValue<NetworkSpeedUnit>(rawValue(unit)), unit);
        nlohmann::json json = unit;
        EXPECT_EQ(json, rawValue(unit));
        EXPECT_EQ(json.get<NetworkSpeedUnit>(), unit);
    }
    EXPECT_FALSE(fromRawValue<NetworkSpeedUnit>("Bits"));
    EXPECT_FALSE(fromRawValue<NetworkSpeedUnit>(""));
    EXPECT_THROW(nlohmann::json("Bits").get<NetworkSpeedUnit>(), nlohmann::json::type_error);
    EXPECT_THROW(nlohmann::json(1).get<NetworkSpeedUnit>(), nlohmann::json::type_error);
}

}  // namespace
}  // namespace lopewell
