// The "directorysizes" cache of a freedesktop.org Trash: one line per trashed folder,
// "<size> <mtime> <percent-encoded name>", which file managers read instead of walking the
// folder. A line whose folder is gone would make them report space the Trash no longer holds.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lopewell {

// The cache's text without the line of `name` (raw bytes, as in files/); absent when no line
// names it. Lines that do not parse are kept as they are.
std::optional<std::string> directorySizesWithout(std::string_view text, std::string_view name);

// Rewrites <trash>/directorysizes without the line of `name`, atomically (a new file renamed over
// the old one); leaves it alone when it holds no such line or cannot be read.
void dropDirectorySize(int trashFolder, const std::string& name);

}  // namespace lopewell
