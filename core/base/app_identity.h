// Who the program is to the system: log subsystem, defaults domain, data folder name.
#pragma once

#include <string_view>

namespace lopewell {

inline constexpr std::string_view kBundleIdentifier = "com.vantorel.lopewellmac";
inline constexpr std::string_view kApplicationName = "Lopewell";

}  // namespace lopewell
