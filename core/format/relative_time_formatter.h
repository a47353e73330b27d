// "5 min. ago", "in 2 hr.", "now": how long ago a date was, in the short style of the desktop.
#pragma once

#include <string>

#include "core/base/date.h"

namespace lopewell {

// The largest unit the distance fills at least once, its count truncated toward zero:
// sec., min., hr., day(s), wk., mo., yr. Months and years are calendar months and years (UTC),
// so a year ago is "1 yr. ago" whether or not the year was a leap year. Under one second either
// way is "now".
std::string formatRelativeTime(Date date, Date relativeTo);

}  // namespace lopewell
