#include "core/format/relative_time_formatter.h"

#include <cstdint>

namespace lopewell {

namespace {

using namespace std::chrono;

struct Split {
    int64_t seconds;  // floor
    int64_t ticks;    // [0, ticks per second)
};

Split split(Date date)
{
    constexpr int64_t ticksPerSecond = Date::period::den / Date::period::num;
    int64_t count = date.time_since_epoch().count();
    Split parts { count / ticksPerSecond, count % ticksPerSecond };
    if (parts.ticks < 0) {
        parts.ticks += ticksPerSecond;
        parts.seconds -= 1;
    }
    return parts;
}

// Whole calendar months from `from` to `to` (to >= from); Jan 31 + 1 month is the end of February.
int64_t wholeMonthsBetween(sys_seconds from, sys_seconds to)
{
    auto fromDay = floor<days>(from);
    auto toDay = floor<days>(to);
    year_month_day start { fromDay };
    year_month_day end { toDay };
    int64_t months = (int64_t(int(end.year())) - int(start.year())) * 12 + (int64_t(unsigned(end.month())) - unsigned(start.month()));
    auto addMonths = [&](int64_t count) {
        year_month_day shifted = start + std::chrono::months { count };
        if (!shifted.ok())
            shifted = year_month_day_last { shifted.year(), month_day_last { shifted.month() } };
        return sys_days { shifted } + (from - fromDay);
    };
    while (months > 0 && addMonths(months) > to)
        --months;
    return months;
}

std::string phrase(int64_t count, const char* unit, bool future)
{
    std::string text = std::to_string(count) + " " + unit;
    return future ? "in " + text : text + " ago";
}

}  // namespace

std::string formatRelativeTime(Date date, Date relativeTo)
{
    // Whole seconds between the two, truncated toward zero, without overflowing at the range ends.
    Split a = split(date);
    Split b = split(relativeTo);
    int64_t distance = a.seconds - b.seconds;
    int64_t tickDifference = a.ticks - b.ticks;
    if (distance > 0 && tickDifference < 0)
        --distance;
    else if (distance < 0 && tickDifference > 0)
        ++distance;
    if (distance == 0)
        return "now";

    const bool future = distance > 0;
    const int64_t magnitude = future ? distance : -distance;
    const sys_seconds earlier { seconds { future ? b.seconds : a.seconds } };
    const sys_seconds later = earlier + seconds { magnitude };

    int64_t months = wholeMonthsBetween(earlier, later);
    if (months >= 12)
        return phrase(months / 12, "yr.", future);
    if (months >= 1)
        return phrase(months, "mo.", future);
    int64_t daysCount = magnitude / 86'400;
    if (daysCount >= 7)
        return phrase(daysCount / 7, "wk.", future);
    if (daysCount >= 1)
        return phrase(daysCount, daysCount == 1 ? "day" : "days", future);
    if (magnitude >= 3'600)
        return phrase(magnitude / 3'600, "hr.", future);
    if (magnitude >= 60)
        return phrase(magnitude / 60, "min.", future);
    return phrase(magnitude, "sec.", future);
}

}  // namespace lopewell
