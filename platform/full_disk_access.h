// Whether the program may read what the system protects. No platform answers that directly, so
// the probe reads one byte of a protected file: the system-wide privacy database if it exists,
// else the user's browser bookmarks; with neither there is nothing protected to test and access
// counts as granted (always the case on a Linux system). Nothing is cached: every call probes.
//
//   m_fullDiskAccessGranted = hasFullDiskAccess(layout);  // at construction and on "I've granted access"
#pragma once

#include <filesystem>
#include <string_view>

#include "platform/host_layout.h"

namespace lopewell {

// The settings page where the user grants access; opened through the desktop by the screens.
inline constexpr std::string_view fullDiskAccessSettingsLink = "x-apple.systempreferences:com.apple.preference.security?Privacy_AllFiles";

// The two probe files in the order they are tried.
std::filesystem::path systemPrivacyDatabase(const HostLayout& layout);  // /Library/Application Support/com.apple.TCC/TCC.db
std::filesystem::path userBookmarksFile(const HostLayout& layout);      // ~/Library/Safari/Bookmarks.plist

// Quick enough for the interface thread: at most two existence checks and a one-byte read,
// which never blocks (a FIFO in a probe's place reads as refused).
bool hasFullDiskAccess(const HostLayout& layout);

}  // namespace lopewell
