#include "platform/file_walk.h"

#include <array>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <utility>

namespace lopewell {

namespace {

using namespace std::string_view_literals;

constexpr std::array packageExtensions {
    "app"sv,
    "appex"sv,
    "bundle"sv,
    "component"sv,
    "docset"sv,
    "dsym"sv,
    "framework"sv,
    "kext"sv,
    "mdimporter"sv,
    "musiclibrary"sv,
    "photolibrary"sv,
    "photoslibrary"sv,
    "playground"sv,
    "plugin"sv,
    "prefpane"sv,
    "qlgenerator"sv,
    "rtfd"sv,
    "saver"sv,
    "systemextension"sv,
    "wdgt"sv,
    "xcarchive"sv,
    "xcodeproj"sv,
    "xcworkspace"sv,
    "xpc"sv,
};

constexpr unsigned statxMask = STATX_TYPE | STATX_MODE | STATX_NLINK | STATX_INO | STATX_SIZE | STATX_BLOCKS | STATX_MTIME;

// Descriptors one walk keeps open besides its root; deeper ancestors are closed and reopened
// through ".." on the way back up.
constexpr size_t maxOpenFolders = 32;

bool equalsIgnoringCase(std::string_view text, std::string_view lowercase)
{
    if (text.size() != lowercase.size())
        return false;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
        if (c != lowercase[i])
            return false;
    }
    return true;
}

void closeDescriptor(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

std::optional<Date> dateFrom(const statx_timestamp& time)
{
    // Date counts nanoseconds in 64 bits: about 292 years either side of 1970.
    constexpr int64_t limit = std::chrono::duration_cast<std::chrono::seconds>(Date::duration::max()).count() - 1;
    if (time.tv_sec > limit || time.tv_sec < -limit)
        return std::nullopt;
    return Date(std::chrono::duration_cast<Date::duration>(std::chrono::seconds(time.tv_sec) + std::chrono::nanoseconds(time.tv_nsec)));
}

FileKind kindFrom(uint16_t mode)
{
    switch (mode & S_IFMT) {
    case S_IFDIR:
        return FileKind::folder;
    case S_IFREG:
        return FileKind::regular;
    case S_IFLNK:
        return FileKind::symbolicLink;
    default:
        return FileKind::other;
    }
}

void fill(FileEntry& entry, const struct statx& info)
{
    entry.attributesKnown = true;
    entry.kind = kindFrom(info.stx_mode);
    if (info.stx_mask & STATX_BLOCKS)
        entry.allocatedSize = info.stx_blocks * 512;
    if (info.stx_mask & STATX_SIZE)
        entry.logicalSize = info.stx_size;
    if (info.stx_mask & STATX_MTIME)
        entry.modificationDate = dateFrom(info.stx_mtime);
    entry.device = makedev(info.stx_dev_major, info.stx_dev_minor);
    entry.inode = info.stx_ino;
    entry.linkCount = info.stx_nlink;
}

// Called for an entry whose statx failed; returns whether to keep it (without attributes).
using StatFailure = std::function<bool(const std::string& name, int error)>;

// Appends every entry of the open folder `fd` to `entries`. Stops early, without an error,
// when `stop` is requested; the caller looks at the token.
ErrorOr<void> readEntries(
    int fd, std::vector<FileEntry>& entries, bool skipHidden, const std::stop_token& stop, const StatFailure& onStatFailure)
{
    return forEachFolderName(fd, [&](const char* name) {
        if (skipHidden && name[0] == '.')
            return true;
        if (stop.stop_requested())
            return false;
        FileEntry entry;
        entry.name = name;
        struct statx info;
        if (::statx(fd, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, statxMask, &info) == 0)
            fill(entry, info);
        else if (!onStatFailure(entry.name, errno))
            return true;
        entries.push_back(std::move(entry));
        return true;
    });
}

std::string errorText(std::string_view what, const std::string& path)
{
    std::string text(what);
    text += ' ';
    text += path;
    return text;
}

}  // namespace

ErrorOr<void> forEachFolderName(int folderDescriptor, const std::function<bool(const char* name)>& visit)
{
    alignas(8) char buffer[32 * 1024];
    for (;;) {
        const ssize_t filled = ::getdents64(folderDescriptor, buffer, sizeof buffer);
        if (filled < 0 && errno == EINTR)
            continue;
        if (filled < 0)
            return Error::fromErrno(errno, "Cannot read the folder");
        if (filled == 0)
            return {};
        for (size_t offset = 0; offset < size_t(filled);) {
            unsigned short recordLength = 0;
            std::memcpy(&recordLength, buffer + offset + offsetof(struct dirent64, d_reclen), sizeof recordLength);
            const char* name = buffer + offset + offsetof(struct dirent64, d_name);
            offset += recordLength;
            if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
                continue;
            if (!visit(name))
                return {};
        }
    }
}

std::span<const std::string_view> packageFolderExtensions()
{
    return packageExtensions;
}

bool isPackageFolderName(std::string_view name)
{
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0)
        return false;
    const std::string_view extension = name.substr(dot + 1);
    for (std::string_view known : packageExtensions) {
        if (equalsIgnoringCase(extension, known))
            return true;
    }
    return false;
}

ErrorOr<FolderHandle> FolderHandle::open(const std::filesystem::path& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return Error::fromErrno(errno, errorText("Cannot open the folder", path.native()));
    return FolderHandle(fd);
}

FolderHandle::FolderHandle(FolderHandle&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}

FolderHandle& FolderHandle::operator=(FolderHandle&& other) noexcept
{
    if (this != &other) {
        closeDescriptor(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

FolderHandle::~FolderHandle()
{
    closeDescriptor(m_fd);
}

ErrorOr<FolderHandle> FolderHandle::openChild(std::string_view name) const
{
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string_view::npos
        || name.find('\0') != std::string_view::npos)
        return Error { EINVAL, errorText("Not a single folder name:", std::string(name)) };
    const std::string terminated(name);
    const int fd = ::openat(m_fd, terminated.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return Error::fromErrno(errno, errorText("Cannot open the folder", terminated));
    return FolderHandle(fd);
}

ErrorOr<uint64_t> FolderHandle::device() const
{
    struct stat info {};
    if (::fstat(m_fd, &info) != 0)
        return Error::fromErrno(errno, "Cannot examine the folder");
    return uint64_t(info.st_dev);
}

ErrorOr<std::vector<FileEntry>> FolderHandle::list(ListOptions options, std::stop_token stop) const
{
    std::vector<FileEntry> entries;
    // The listing restarts from the first entry however often it is asked for.
    if (::lseek(m_fd, 0, SEEK_SET) < 0)
        return Error::fromErrno(errno, "Cannot rewind the folder");
    if (auto read = readEntries(m_fd, entries, options.skipHidden, stop, [](const std::string&, int) { return true; }); !read)
        return read.error();
    if (stop.stop_requested())
        return Error { ECANCELED, "The listing was cancelled" };
    return entries;
}

ErrorOr<FileEntry> entryAt(const std::filesystem::path& path)
{
    FileEntry entry;
    entry.name = path.filename().native();
    struct statx info;
    if (::statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, statxMask, &info) != 0)
        return Error::fromErrno(errno, errorText("Cannot examine", path.native()));
    fill(entry, info);
    return entry;
}

ErrorOr<std::vector<FileEntry>> listFolder(const std::filesystem::path& folder, ListOptions options)
{
    ErrorOr<FolderHandle> handle = FolderHandle::open(folder);
    if (!handle)
        return handle.error();
    ErrorOr<std::vector<FileEntry>> entries = handle.value().list(options);
    if (!entries)
        return Error { entries.error().code, entries.error().message + " " + folder.native() };
    return entries;
}

namespace {

struct Frame {
    int fd = -1;
    std::vector<FileEntry> entries;
    size_t next = 0;
    size_t pathLength = 0;  // of the folder's own path in the walk's path buffer
    dev_t device = 0;
    ino_t inode = 0;
};

// The folders from the root down to the one being read. Frame 0 (the root) stays open; above
// it, only the deepest maxOpenFolders frames hold a descriptor: frames [1, m_firstOpen) are
// closed, [m_firstOpen, size) open.
class WalkStack {
public:
    WalkStack() = default;
    WalkStack(const WalkStack&) = delete;
    WalkStack& operator=(const WalkStack&) = delete;
    ~WalkStack()
    {
        for (Frame& frame : m_frames)
            closeDescriptor(frame.fd);
    }

    bool empty() const { return m_frames.empty(); }
    Frame& top() { return m_frames.back(); }

    void push(Frame frame)
    {
        m_frames.push_back(std::move(frame));
        if (m_frames.size() == 1)
            m_firstOpen = 1;
        if (m_frames.size() - m_firstOpen > maxOpenFolders)
            closeDescriptor(m_frames[m_firstOpen++].fd);
    }

    // Drops the top frame, first reopening its parent through ".." when the parent's descriptor
    // was given up. Returns false when that parent turned out to have moved: the closed frames
    // below are then abandoned, since their paths no longer lead to them.
    bool pop()
    {
        bool reopened = true;
        if (m_frames.size() >= 2) {
            Frame& child = m_frames.back();
            Frame& parent = m_frames[m_frames.size() - 2];
            if (parent.fd < 0 && child.fd >= 0) {
                int up = ::openat(child.fd, "..", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
                struct stat info {};
                if (up >= 0 && ::fstat(up, &info) == 0 && info.st_dev == parent.device && info.st_ino == parent.inode) {
                    parent.fd = up;
                    m_firstOpen = m_frames.size() - 2;
                } else {
                    closeDescriptor(up);
                    reopened = false;
                    for (size_t i = 1; i + 1 < m_frames.size(); ++i)
                        m_frames[i].next = m_frames[i].entries.size();
                }
            }
        }
        closeDescriptor(m_frames.back().fd);
        m_frames.pop_back();
        if (m_firstOpen > m_frames.size())
            m_firstOpen = m_frames.size();
        return reopened;
    }

private:
    std::vector<Frame> m_frames;
    size_t m_firstOpen = 1;
};

}  // namespace

ErrorOr<WalkEnd> walkTree(const std::filesystem::path& root, const WalkVisitor& visitor, const WalkErrorHandler& onError,
    std::stop_token stop, WalkOptions options)
{
    std::string path = root.native();
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();

    const int rootFd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (rootFd < 0)
        return Error::fromErrno(errno, errorText("Cannot open the folder", root.native()));

    const auto report = [&](const std::string& where, const Error& error) {
        if (onError)
            onError(where, error);
    };
    // Reads the folder whose path is `path` into a new frame; `fd` now belongs to the walk.
    WalkStack stack;
    const auto pushFolder = [&](int fd) {
        Frame frame;
        frame.fd = fd;
        frame.pathLength = path.size();
        struct stat info {};
        if (::fstat(fd, &info) == 0) {
            frame.device = info.st_dev;
            frame.inode = info.st_ino;
        }
        const size_t folderLength = path.size();
        const auto statFailed = [&](const std::string& name, int error) {
            path.resize(folderLength);
            if (path.back() != '/')
                path += '/';
            path += name;
            report(path, Error::fromErrno(error, "Cannot read the attributes of " + path));
            return false;
        };
        if (auto read = readEntries(fd, frame.entries, options.skipHidden, stop, statFailed); !read) {
            path.resize(folderLength);
            report(path, Error { read.error().code, read.error().message + " " + path });
        }
        path.resize(folderLength);
        stack.push(std::move(frame));
    };

    pushFolder(rootFd);
    while (!stack.empty()) {
        Frame& folder = stack.top();
        if (folder.next == folder.entries.size()) {
            if (!stack.pop() && !stack.empty()) {
                path.resize(stack.top().pathLength);
                report(path, Error { ENOENT, "A folder below this one moved during the walk, so the rest of it was skipped: " + path });
            }
            continue;
        }
        if (stop.stop_requested())
            return WalkEnd::cancelled;

        const FileEntry& entry = folder.entries[folder.next++];
        path.resize(folder.pathLength);
        if (path.back() != '/')
            path += '/';
        path += entry.name;

        const WalkDecision decision = visitor(path, entry);
        if (!entry.isFolder() || decision == WalkDecision::skipContents || (options.skipPackageContents && entry.isPackage()))
            continue;
        const int childFd = ::openat(folder.fd, entry.name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (childFd < 0) {
            report(path, Error::fromErrno(errno, "Cannot open the folder " + path));
            continue;
        }
        pushFolder(childFd);
    }
    return stop.stop_requested() ? WalkEnd::cancelled : WalkEnd::finished;
}

}  // namespace lopewell
