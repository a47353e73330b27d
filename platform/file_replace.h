// Writing a whole small file so that readers see the old contents or the new, never half of
// either: settings, caches, autostart entries.
//
//   if (auto saved = replaceFileContents(cacheFile, text, 0600); !saved)
//       log::error("StorageScanCache", "Failed to persist scan cache: " + saved.error().message);
#pragma once

#include <filesystem>
#include <functional>
#include <string_view>

#include "core/base/error_or.h"

namespace lopewell {

// Creates `folder` with `permissions`, and any missing folder above it as private (0700).
// An existing folder is success; anything else in its place is an error that says so.
ErrorOr<void> createFolders(const std::filesystem::path& folder, unsigned permissions = 0700);

// Writes `contents` to a temporary file beside `file`, flushes it to disk and renames it over
// `file`. `beforeReplace`, when given, runs once the new contents are safely written and just
// before the rename; an error from it abandons the write. The folder must exist.
// Renames `from` to `to` on the same file system, failing with EEXIST when something is already
// at `to`: a move that can never overwrite what it did not look at.
ErrorOr<void> moveWithoutReplacing(const std::filesystem::path& from, const std::filesystem::path& to);

ErrorOr<void> replaceFileContents(const std::filesystem::path& file, std::string_view contents, unsigned permissions,
    const std::function<ErrorOr<void>()>& beforeReplace = {});

}  // namespace lopewell
