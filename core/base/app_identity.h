// Who the program is to the system: log subsystem, defaults domain, data folder name.
#pragma once

#include <string_view>

namespace lopewell {

inline constexpr std::string_view bundleIdentifier = "com.vantorel.lopewellmac";
inline constexpr std::string_view applicationName = "Lopewell";

}  // namespace lopewell
