// The Full Disk Access banner's texts. Every screen that needs protected locations shows it while
// its own access flag is false; the banner keeps no state.
#pragma once

#include <string_view>

namespace lopewell::FullDiskAccessBannerText {

inline constexpr std::string_view symbol = "lock.shield";
inline constexpr std::string_view title = "Grant Full Disk Access for system caches";
inline constexpr std::string_view message = "Some buckets — System Caches, anything under /Library — require Full Disk Access. "
                                            "We never read your documents, photos, or messages.";
inline constexpr std::string_view openSettingsButton = "Open Settings";
inline constexpr std::string_view recheckButton = "I've granted access";

}  // namespace lopewell::FullDiskAccessBannerText
