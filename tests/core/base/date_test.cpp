#include "core/base/date.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace lopewell {
namespace {

using namespace std::chrono;

TEST(Date, IsCountedInSecondsFromTheStartOf2001Utc)
{
    EXPECT_EQ(secondsSinceReferenceDate(referenceDate()), 0.0);
    EXPECT_EQ(secondsSinceReferenceDate(Date {}), -978'307'200.0);
    EXPECT_EQ(secondsSinceReferenceDate(sys_days { 2024y / January / 1 }), 725'760'000.0);
    EXPECT_EQ(dateFromSecondsSinceReferenceDate(725'760'000.0), Date { sys_days { 2024y / January / 1 } });
}

TEST(Date, RoundTripsEveryTickNearTheReferenceDate)
{
    // Within about 48 days of 2001 a double resolves single nanoseconds.
    const Date dates[] = {
        referenceDate() + nanoseconds { 1 },
        referenceDate() - nanoseconds { 1 },
        referenceDate() + seconds { 1234 } + nanoseconds { 567'890'123 },
        referenceDate() - days { 30 } - nanoseconds { 999'999'999 },
    };
    for (Date date : dates) {
        SCOPED_TRACE(secondsSinceReferenceDate(date));
        EXPECT_EQ(dateFromSecondsSinceReferenceDate(secondsSinceReferenceDate(date)), date);
        EXPECT_EQ(decodeDate(encodeDate(date)), date);
    }
}

TEST(Date, StoredSecondsSurviveTheTripThroughADateAndJsonText)
{
    // Far from 2001 a double is coarser than a tick: the stored double is what must survive,
    // including dates before 2001.
    const double stored[] = { 757'382'400.123456, -315'619'200.5, -978'307'200.000001, 1e-9, 0.1, 4'102'444'800.75 };
    for (double seconds : stored) {
        SCOPED_TRACE(seconds);
        Date date = dateFromSecondsSinceReferenceDate(seconds);
        EXPECT_EQ(secondsSinceReferenceDate(date), seconds);
        std::optional<Date> decoded = decodeDate(nlohmann::json::parse(encodeDate(date).dump()));
        ASSERT_TRUE(decoded);
        EXPECT_EQ(secondsSinceReferenceDate(*decoded), seconds);
    }
}

TEST(Date, DecodesIntegersAndRejectsWhatIsNotAFiniteNumberInRange)
{
    EXPECT_EQ(decodeDate(nlohmann::json(0)), referenceDate());
    EXPECT_EQ(decodeDate(nlohmann::json(60u)), referenceDate() + seconds { 60 });
    EXPECT_EQ(decodeDate(nlohmann::json(-1)), referenceDate() - seconds { 1 });

    const nlohmann::json rejected[] = {
        nullptr,
        "725846400",
        true,
        nlohmann::json::array({ 1.0 }),
        nlohmann::json::object({ { "seconds", 1.0 } }),
        std::numeric_limits<double>::quiet_NaN(),
        std::numeric_limits<double>::infinity(),
        -std::numeric_limits<double>::infinity(),
        1e300,
        -1e300,
        1e10,  // about 2318: past the last nanosecond tick a 64-bit count holds (2262)
        std::numeric_limits<uint64_t>::max(),
    };
    for (const nlohmann::json& value : rejected) {
        SCOPED_TRACE(value.dump());
        EXPECT_FALSE(decodeDate(value));
    }
}

TEST(Date, ConversionSaturatesOutsideTheRangeOfADate)
{
    EXPECT_EQ(dateFromSecondsSinceReferenceDate(1e300), Date::max());
    EXPECT_EQ(dateFromSecondsSinceReferenceDate(-1e300), Date::min());
    EXPECT_EQ(dateFromSecondsSinceReferenceDate(std::numeric_limits<double>::infinity()), Date::max());
    EXPECT_EQ(dateFromSecondsSinceReferenceDate(std::numeric_limits<double>::quiet_NaN()), referenceDate());
    // The extremes themselves still convert both ways without overflow.
    EXPECT_TRUE(std::isfinite(secondsSinceReferenceDate(Date::min())));
    EXPECT_EQ(decodeDate(encodeDate(Date::min() + seconds { 1 })).has_value(), true);
}

}  // namespace
}  // namespace lopewell
