// Reading folders the way every scanner needs them: each entry's kind, size on disk, logical
// size, modification date and identity, read with getdents64 + statx relative to the open
// folder. Names are raw bytes end to end (not necessarily UTF-8). Symbolic links are reported
// as links and never followed; only a link given as the root itself is resolved.
//
// A deep walk, pre-order, the visitor choosing per folder whether to go in:
//
//   uint64_t total = 0;
//   ErrorOr<WalkEnd> end = walkTree(root, [&](const std::string& path, const FileEntry& entry) {
//       if (!entry.isFolder()) total += entry.sizeOnDisk();
//       return entry.isPackage() ? WalkDecision::skipContents : WalkDecision::descend;
//   }, [](const std::string& path, const Error& error) { /* skipped; the walk goes on */ }, stop);
//   if (!end) { /* the root is missing, not a folder, or unreadable */ }
//
// A one-level listing, by path or relative to an already open folder (a parallel tree builder
// opens each child from its parent's descriptor and never resolves a path twice):
//
//   ErrorOr<FolderHandle> folder = FolderHandle::open(root);
//   ErrorOr<std::vector<FileEntry>> entries = folder.value().list();
//   ErrorOr<FolderHandle> child = folder.value().openChild(entries.value()[0].name);
//
// THREAD-SAFETY: no shared state; walks and listings may run on any number of threads at once.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/date.h"
#include "core/base/error_or.h"

namespace lopewell {

enum class FileKind : uint8_t {
    folder,
    regular,
    symbolicLink,
    other,  // devices, sockets, pipes; also an entry whose attributes could not be read
};

// Bundle-like folders that the user sees as one item ("Safari.app", "Photos Library.photoslibrary"):
// the extension after the last dot, compared without case, is in one fixed list.
std::span<const std::string_view> packageFolderExtensions();
bool isPackageFolderName(std::string_view name);

struct FileEntry {
    std::string name;  // bytes as on disk
    FileKind kind = FileKind::other;
    // False when statx failed (the entry vanished, say): then only `name` is meaningful.
    bool attributesKnown = false;
    std::optional<uint64_t> allocatedSize;  // st_blocks × 512, when the file system reports blocks
    std::optional<uint64_t> logicalSize;
    std::optional<Date> modificationDate;  // content modification; absent when out of a Date's range
    uint64_t device = 0;                   // as st_dev
    uint64_t inode = 0;
    uint32_t linkCount = 0;

    bool isFolder() const { return kind == FileKind::folder; }
    bool isHidden() const { return !name.empty() && name.front() == '.'; }
    bool isPackage() const { return isFolder() && isPackageFolderName(name); }
    // Allocated size, else logical size, else 0: what every scanner counts.
    uint64_t sizeOnDisk() const { return allocatedSize ? *allocatedSize : logicalSize.value_or(0); }
};

struct ListOptions {
    bool skipHidden = false;  // names starting with "." are left out (and cost no statx)
};

// An open folder, read through its descriptor. Move-only; closes on destruction.
class FolderHandle {
public:
    // Opens `path` as a folder. A symbolic link at `path` itself is followed (it is what the
    // caller named); fails when the path is missing, not a folder, or cannot be opened.
    static ErrorOr<FolderHandle> open(const std::filesystem::path& path);

    FolderHandle(FolderHandle&& other) noexcept;
    FolderHandle& operator=(FolderHandle&& other) noexcept;
    FolderHandle(const FolderHandle&) = delete;
    FolderHandle& operator=(const FolderHandle&) = delete;
    ~FolderHandle();

    // The child folder `name` (one component), opened with O_NOFOLLOW | O_DIRECTORY: a symbolic
    // link, or anything else that is not a folder, is an error.
    ErrorOr<FolderHandle> openChild(std::string_view name) const;

    // Every entry but "." and "..", in the file system's order, each with its attributes.
    // Entries whose statx fails are listed with attributesKnown false. Fails only when the
    // folder cannot be read at all.
    ErrorOr<std::vector<FileEntry>> list(ListOptions options = {}, std::stop_token stop = {}) const;

    // The file system the folder lives on, as st_dev (FileEntry::device).
    ErrorOr<uint64_t> device() const;

    int descriptor() const { return m_fd; }

private:
    explicit FolderHandle(int fd) : m_fd(fd) {}
    int m_fd = -1;
};

// The lowest level: every name in the open folder but "." and "..", in the file system's order,
// until `visit` returns false. For code that needs names only (deleting a tree, say).
ErrorOr<void> forEachFolderName(int folderDescriptor, const std::function<bool(const char* name)>& visit);

// The entry at `path` itself, as a listing of its folder would give it: a symbolic link is
// reported as a link, never followed. Fails when nothing is there or statx fails.
ErrorOr<FileEntry> entryAt(const std::filesystem::path& path);

// One level of `folder`: FolderHandle::open + list.
ErrorOr<std::vector<FileEntry>> listFolder(const std::filesystem::path& folder, ListOptions options = {});

enum class WalkDecision {
    descend,       // go into this folder (ignored for anything that is not a folder)
    skipContents,  // list the folder itself but nothing below it
};

enum class WalkEnd {
    finished,
    cancelled,
};

struct WalkOptions {
    bool skipHidden = false;           // hidden entries are neither visited nor descended into
    bool skipPackageContents = false;  // packages are visited, their contents are not
};

// `path` is the root's path (without trailing slashes), "/" and the entry's name: bytes, no
// normalisation.
using WalkVisitor = std::function<WalkDecision(const std::string& path, const FileEntry& entry)>;
// A folder that cannot be opened or read, an entry whose attributes cannot be read (it is then
// not visited), a folder moved away during the walk. The walk always goes on.
using WalkErrorHandler = std::function<void(const std::string& path, const Error& error)>;

// Visits every entry below `root` depth first, each folder before its contents, siblings in the
// file system's order. Does not recurse on the C++ stack and keeps a bounded number of folders
// open, so any depth is fine. `stop` is polled before each entry; a stopped walk ends with
// WalkEnd::cancelled. Fails, visiting nothing, when `root` cannot be opened as a folder.
ErrorOr<WalkEnd> walkTree(const std::filesystem::path& root, const WalkVisitor& visitor, const WalkErrorHandler& onError = {},
    std::stop_token stop = {}, WalkOptions options = {});

}  // namespace lopewell
