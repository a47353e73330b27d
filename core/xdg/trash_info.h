// The .trashinfo file freedesktop.org Trash implementations write beside every trashed item:
//
//   [Trash Info]
//   Path=/home/ada/My%20Report.pdf
//   DeletionDate=2026-12-01T09:30:00
//
//   std::optional<TrashInfo> info = parseTrashInfo(text);
//   info->originalPath;    // "/home/ada/My Report.pdf", bytes as they were on disk
//   info->originalName();  // "My Report.pdf"
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lopewell {

struct TrashInfo {
    std::string originalPath;  // percent-decoded; absolute, or relative to the Trash's drive

    // The last component of the original path; empty when there is none.
    std::string originalName() const;
    bool operator==(const TrashInfo&) const = default;
};

// Absent when the text has no [Trash Info] group with a Path key, or the path is empty, holds a
// malformed escape or a NUL, encoded or not. Other faults of the file are the desktop-entry reader's.
std::optional<TrashInfo> parseTrashInfo(std::string_view text);

}  // namespace lopewell
