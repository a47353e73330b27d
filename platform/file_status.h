// What kind of thing sits at a path, for code above the platform that must not call stat()
// itself: whether a scan root is a folder of its own, whether a remembered location still
// exists.
//
//   if (auto type = fileTypeAt(root, SymlinkPolicy::refuse); type && type.value() == FileType::directory)
//       scan(root);
#pragma once

#include <cstdint>
#include <filesystem>

#include "core/base/error_or.h"

namespace lopewell {

enum class SymlinkPolicy {
    refuse,  // a symbolic link at the path is not taken for its target (the folders above it are still followed)
    follow,
};

enum class FileType { regular, directory, symbolicLink, other };

// With SymlinkPolicy::refuse a link answers symbolicLink; with follow, its target's type. The
// error's code is the errno of the failed stat (ENOENT when nothing is there).
ErrorOr<FileType> fileTypeAt(const std::filesystem::path& path, SymlinkPolicy symlinks);

// The facts about a path that decide whether a folder may be trusted: whose it is and whether
// only owners may remove what is in it.
struct FileStatus {
    FileType type = FileType::other;
    std::uint32_t ownerID = 0;
    bool isSticky = false;
};
ErrorOr<FileStatus> fileStatusAt(const std::filesystem::path& path, SymlinkPolicy symlinks);

}  // namespace lopewell
