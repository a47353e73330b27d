// Reading a whole small file that someone else may have planted: a settings file, a cache, a
// property list from a folder anyone can write to. The open never blocks on a FIFO or device,
// a symbolic link at the path can be refused, only regular files are read, and never more than
// a cap, even when the file grows while it is read.
//
//   auto read = readRegularFile(file, 16 << 20, SymlinkPolicy::follow);
//   if (const auto* failure = std::get_if<FileReadFailure>(&read))
//       return failure->isMissing() ? defaults() : reportProblem(*failure);
//   parse(std::get<std::string>(read));
#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <variant>

#include "platform/file_status.h"  // SymlinkPolicy
#include "platform/unique_fd.h"

namespace lopewell {

// Opens `path` read-only, close-on-exec, without blocking and without taking a terminal as
// the controlling one; with SymlinkPolicy::refuse a symbolic link at the path fails with ELOOP.
// Empty, with errno set, when the open fails.
UniqueFd openForReading(const std::filesystem::path& path, SymlinkPolicy symlinks);

struct FileReadFailure {
    enum class Kind {
        cannotOpen,    // `code` says why
        symbolicLink,  // the path is a link and SymlinkPolicy::refuse was asked
        cannotExamine,
        notRegular,
        tooLarge,
        cannotRead,
    };
    Kind kind;
    int code = 0;  // errno, for cannotOpen, cannotExamine and cannotRead
    // For tooLarge: the size the file had when opened, or absent when it grew past the cap while
    // being read.
    std::optional<std::uint64_t> size;

    bool isMissing() const { return kind == Kind::cannotOpen && (code == ENOENT || code == ENOTDIR); }
};

// Which file was read, for a caller that checks later that the path still names that file.
struct FileId {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;

    bool operator==(const FileId&) const = default;
};

std::variant<std::string, FileReadFailure> readRegularFile(
    const std::filesystem::path& path, std::uint64_t maxBytes, SymlinkPolicy symlinks = SymlinkPolicy::refuse, FileId* readFrom = nullptr);

// The contents, or nothing whatever went wrong: for callers to whom every failure means "no file".
std::optional<std::string> readRegularFileContents(
    const std::filesystem::path& path, std::uint64_t maxBytes, SymlinkPolicy symlinks = SymlinkPolicy::refuse);

// The first `count` bytes of a regular file (fewer when it is shorter), for telling a file's
// kind by its magic number without reading all of it; nothing when it cannot be read.
std::optional<std::string> readFileStart(
    const std::filesystem::path& path, std::size_t count, SymlinkPolicy symlinks = SymlinkPolicy::refuse);

}  // namespace lopewell
