#include "core/base/date.h"

#include <cmath>
#include <cstdint>

#include <nlohmann/json.hpp>

namespace lopewell {

namespace {

static_assert(Date::period::num == 1, "Date ticks are expected to be a fraction of a second");
constexpr int64_t ticksPerSecond = Date::period::den;
constexpr int64_t referenceUnixSeconds = 978'307'200;

// Beyond this a double has no fractional seconds left and every Date is long out of range.
constexpr double wholeSecondsLimit = 1e15;

std::optional<Date> checkedDateFromSeconds(double seconds)
{
    if (!std::isfinite(seconds))
        return std::nullopt;
    double whole = std::floor(seconds);
    if (std::fabs(whole) > wholeSecondsLimit)
        return std::nullopt;
    // Exact: the difference between a double and its floor is representable.
    double fraction = seconds - whole;
    auto wholeSeconds = static_cast<int64_t>(whole);
    auto subTicks = static_cast<int64_t>(std::llround(fraction * double(ticksPerSecond)));
    if (subTicks == ticksPerSecond) {
        wholeSeconds += 1;
        subTicks = 0;
    }
    int64_t ticks = 0;
    if (__builtin_mul_overflow(wholeSeconds + referenceUnixSeconds, ticksPerSecond, &ticks)
        || __builtin_add_overflow(ticks, subTicks, &ticks))
        return std::nullopt;
    return Date { Date::duration { ticks } };
}

}  // namespace

Date referenceDate()
{
    return Date { std::chrono::seconds { referenceUnixSeconds } };
}

double secondsSinceReferenceDate(Date date)
{
    // Split into whole seconds and ticks first: subtracting the reference in ticks could
    // overflow near the ends of the range.
    int64_t ticks = date.time_since_epoch().count();
    int64_t wholeSeconds = ticks / ticksPerSecond;
    int64_t subTicks = ticks % ticksPerSecond;
    if (subTicks < 0) {
        subTicks += ticksPerSecond;
        wholeSeconds -= 1;
    }
    return double(wholeSeconds - referenceUnixSeconds) + double(subTicks) / double(ticksPerSecond);
}

Date dateFromSecondsSinceReferenceDate(double seconds)
{
    if (std::isnan(seconds))
        return referenceDate();
    if (auto date = checkedDateFromSeconds(seconds))
        return *date;
    return seconds < 0 ? Date::min() : Date::max();
}

nlohmann::json encodeDate(Date date)
{
    return nlohmann::json(secondsSinceReferenceDate(date));
}

std::optional<Date> decodeDate(const nlohmann::json& value)
{
    if (!value.is_number())
        return std::nullopt;
    return checkedDateFromSeconds(value.get<double>());
}

}  // namespace lopewell
