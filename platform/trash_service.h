// The one way the program removes anything: items go to the desktop's Trash, and items that
// already lie in a Trash are deleted for good (moving them "to the Trash" again would do nothing).
// It never throws; the outcome says what is gone, and a screen turns failures into a
// TrashFailureAlert.
//
//   TrashService::Outcome outcome = TrashService::moveToTrash({ "/home/a/Downloads/big.iso" });
//   prune(items, outcome.movedPaths);
//   if (auto alert = TrashFailureAlert::make(outcome.failedCount, outcome.error)) show(*alert);
//
// THREAD-SAFETY: no state of its own; blocks while files move, so call it off the main thread.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/base/error_or.h"

namespace lopewell {

class TrashService {
public:
    struct Outcome {
        std::set<std::string> movedPaths;  // the inputs, exactly as given, that are gone
        int64_t movedCount = 0;            // movedPaths.size()
        int64_t failedCount = 0;           // inputs (counting repeats) minus movedCount
        std::optional<std::string> error;  // the first failure's text

        bool operator==(const Outcome&) const = default;
    };

    // Each path is normalised first (made absolute; ".", ".." and trailing slashes removed), so a
    // symbolic link given as an item is itself moved or deleted, never its target. Items in a
    // Trash are deleted first, then the rest are recycled one by one through GIO; an item that
    // cannot be moved stays where it was (nothing is copied across file systems).
    static Outcome moveToTrash(const std::vector<std::string>& paths);

    // The Trash folder an absolute, normalised path lies in (or is), if any:
    // - the home trash, <data home>/Trash;
    // - a component named exactly ".Trash" or ".Trashes" (per-user and per-volume trash folders,
    //   including the freedesktop $topdir/.Trash/$uid);
    // - a component named exactly ".Trash-<uid>".
    // A folder merely named ".Trash-old" is no Trash.
    struct TrashLocation {
        std::filesystem::path folder;  // the top of that Trash: nothing below it is followed
        // The freedesktop trash holding files/ and info/, when it is one.
        std::optional<std::filesystem::path> freedesktopTrash;
    };
    static std::optional<TrashLocation> trashContaining(
        const std::filesystem::path& normalisedPath, const std::filesystem::path& homeTrash, uint32_t uid);
    // The home trash GIO uses: $XDG_DATA_HOME/Trash (read once per process, as GIO does).
    static std::filesystem::path homeTrash();

    // Absolute (against the working directory) and lexically normal, without a trailing slash.
    static std::filesystem::path normalise(const std::filesystem::path& path);

    // Deletes the file, link or folder tree at a normalised path inside `trash`, without following
    // any symbolic link below trash.folder: links are removed, not entered, even when a folder is
    // swapped for one mid-delete, and the walk stays on the item's file system. Deleting
    // <freedesktop trash>/files/<name> also removes info/<name>.trashinfo.
    static ErrorOr<void> deletePermanently(const std::filesystem::path& normalisedPath, const TrashLocation& trash);

    TrashService() = delete;
};

}  // namespace lopewell
