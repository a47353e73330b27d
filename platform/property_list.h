// Reading a property list file: a bounded read that refuses FIFOs and devices (and, unless
// asked otherwise, a symbolic link at the path), then core/plist's parser.
//
//   auto plist = readPropertyListFile(bundle / "Contents/Info.plist");
//   if (plist)
//       if (auto identifier = plist.value().stringForKey("CFBundleIdentifier"))
//           app.bundleID = *identifier;
#pragma once

#include <cstdint>
#include <filesystem>

#include "core/base/error_or.h"
#include "core/plist/property_list.h"
#include "platform/file_read.h"

namespace lopewell {

inline constexpr std::uint64_t propertyListMaxFileSize = std::uint64_t(16) << 20;

// Reads a regular file of at most `maxSize` bytes without blocking on a FIFO or device and
// parses it. Errors name the path.
ErrorOr<PropertyList> readPropertyListFile(
    const std::filesystem::path& path, SymlinkPolicy symlinks = SymlinkPolicy::refuse, std::uint64_t maxSize = propertyListMaxFileSize);

}  // namespace lopewell
