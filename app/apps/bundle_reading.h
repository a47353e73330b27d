// What both app scanners read off the disk: a bundle's identifier and information dictionary,
// the bytes a folder holds, and a leftover found at a path as a cleanable item.
//
//   if (std::optional<BundleInfo> bundle = readBundle("/Applications/Maps.app"))
//       bundle->identifier;  // "com.apple.Maps"
//   std::optional<StorageItem> item = itemAt(home / "Library/Caches/com.apple.Maps", stop);
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>

#include "app/common/storage_item.h"
#include "core/plist/property_list.h"

namespace lopewell {

struct BundleInfo {
    std::string identifier;  // never empty
    PropertyList info;       // an empty dictionary when Contents/Info.plist is missing or unreadable
};

// A folder (not a symbolic link) whose Contents/Info.plist names a non-empty CFBundleIdentifier.
std::optional<BundleInfo> readBundle(const std::filesystem::path& bundle);

// The value of `key` when it is a non-empty string.
std::optional<std::string> nonEmptyString(const PropertyList& info, std::string_view key);

// The file name without its last extension: "Maps" for "Maps.app".
std::string bundleBaseName(const std::filesystem::path& bundle);

enum class PackageContents { counted, skipped };

// The bytes on disk below `folder`: every entry that is not a folder, hidden ones included, each
// file with several hard links once; symbolic links count as themselves and are not followed.
// With PackageContents::skipped, bundles nested below are not entered. 0 when the folder cannot
// be opened; a stopped walk answers what it had summed.
std::uint64_t folderSize(const std::filesystem::path& folder, PackageContents packages, std::stop_token stop = {});

// The item at `path` when something is there: a folder with its folder size (nested bundles not
// entered) and its own modification date, or a file (or a symbolic link, never followed) with
// its size on disk and date. No display name.
std::optional<StorageItem> itemAt(const std::filesystem::path& path, std::stop_token stop = {});

// A name that can stand as one path component: not empty, no "/", no NUL, not "." or "..".
// A bundle's identifier or name is made up by whoever built it; "../../Documents" must not
// turn a leftover into the user's documents.
bool isSinglePathComponent(std::string_view name);

}  // namespace lopewell
