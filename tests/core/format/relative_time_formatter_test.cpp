#include "core/format/relative_time_formatter.h"

#include <gtest/gtest.h>

namespace lopewell {
namespace {

using namespace std::chrono;

Date utc(year_month_day day, hours hour = hours { 12 }, minutes minute = minutes { 0 })
{
    return Date { sys_days { day } + hour + minute };
}

struct Case {
    Date date;
    const char* expected;
};

TEST(RelativeTimeFormatter, UsesTheLargestFilledUnitTruncated)
{
    const Date now = utc(2024y / March / 15);
    const Case cases[] = {
        { now, "now" },
        { now + milliseconds { 999 }, "now" },
        { now - nanoseconds { 999'999'999 }, "now" },
        { now - seconds { 1 }, "1 sec. ago" },
        { now + milliseconds { 1500 }, "in 1 sec." },
        { now - seconds { 10 }, "10 sec. ago" },
        { now - seconds { 59 } - milliseconds { 999 }, "59 sec. ago" },
        { now - minutes { 1 }, "1 min. ago" },
        { now - minutes { 5 } - seconds { 59 }, "5 min. ago" },
        { now + hours { 2 }, "in 2 hr." },
        { now - hours { 23 } - minutes { 59 }, "23 hr. ago" },
        { now - days { 1 }, "1 day ago" },
        { now - days { 3 }, "3 days ago" },
        { now + days { 3 }, "in 3 days" },
        { now - days { 6 } - hours { 23 }, "6 days ago" },
        { now - days { 7 }, "1 wk. ago" },
        { now - days { 14 }, "2 wk. ago" },
        { now + days { 14 }, "in 2 wk." },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(formatRelativeTime(c.date, now), c.expected);
    }
}

TEST(RelativeTimeFormatter, CountsMonthsAndYearsOnTheCalendar)
{
    const Date now = utc(2024y / March / 15);
    const Case cases[] = {
        { utc(2024y / February / 15), "1 mo. ago" },  // 29 days in a leap February
        { utc(2024y / February / 16), "4 wk. ago" },
        { utc(2024y / February / 15, hours { 13 }), "4 wk. ago" },  // an hour short of a month
        { utc(2023y / November / 15), "4 mo. ago" },
        { utc(2023y / March / 16), "11 mo. ago" },
        { utc(2023y / March / 15), "1 yr. ago" },
        { utc(2021y / April / 1), "2 yr. ago" },
        { utc(2024y / April / 15), "in 1 mo." },
        { utc(2026y / March / 15), "in 2 yr." },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(formatRelativeTime(c.date, now), c.expected);
    }
}

TEST(RelativeTimeFormatter, AMonthFromTheEndOfALongMonthEndsAtTheEndOfAShortOne)
{
    EXPECT_EQ(formatRelativeTime(utc(2024y / January / 31), utc(2024y / February / 29)), "1 mo. ago");
    EXPECT_EQ(formatRelativeTime(utc(2024y / January / 31), utc(2024y / February / 28)), "4 wk. ago");
    EXPECT_EQ(formatRelativeTime(utc(2024y / February / 29), utc(2025y / February / 28)), "1 yr. ago");
}

TEST(RelativeTimeFormatter, HandlesTheEndsOfTheDateRange)
{
    EXPECT_EQ(formatRelativeTime(Date::max(), Date::min()), "in 584 yr.");
    EXPECT_EQ(formatRelativeTime(Date::min(), Date::max()), "584 yr. ago");
}

}  // namespace
}  // namespace lopewell
