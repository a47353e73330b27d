// A point in time, and the form every JSON cache stores it in: a number of seconds since
// 2001-01-01 00:00:00 UTC, as a double.
//
//   json["modificationDate"] = encodeDate(item.modificationDate);
//   std::optional<Date> date = decodeDate(json["modificationDate"]);
#pragma once

#include <chrono>
#include <optional>

#include <nlohmann/json_fwd.hpp>

namespace lopewell {

using Date = std::chrono::system_clock::time_point;

// 2001-01-01 00:00:00 UTC.
Date referenceDate();

// Correctly rounded except in rare near-tie cases; far from 2001 a double carries less than
// nanosecond precision, so a Date round-trips exactly only within about 48 days of it.
double secondsSinceReferenceDate(Date date);

// Rounds to the nearest tick. Values a Date cannot hold saturate at Date::min()/max(), and NaN
// gives the reference date; use decodeDate to reject them instead.
Date dateFromSecondsSinceReferenceDate(double seconds);

nlohmann::json encodeDate(Date date);

// Absent for anything but a finite JSON number within the range of a Date.
std::optional<Date> decodeDate(const nlohmann::json& value);

}  // namespace lopewell
