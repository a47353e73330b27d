#include "platform/file_replace.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/log.h"

namespace lopewell {

namespace fs = std::filesystem;

namespace {

ErrorOr<void> writeAll(int fd, std::string_view text)
{
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return Error::fromErrno(errno, "write");
        text.remove_prefix(size_t(written));
    }
    return {};
}

}  // namespace

ErrorOr<void> createFolders(const fs::path& folder, unsigned permissions)
{
    if (::mkdir(folder.c_str(), mode_t(permissions)) == 0)
        return {};
    if (errno == ENOENT && folder.has_relative_path() && folder.parent_path() != folder) {
        if (auto parent = createFolders(folder.parent_path(), 0700); !parent)
            return parent;
        if (::mkdir(folder.c_str(), mode_t(permissions)) == 0)
            return {};
    }
    if (errno == EEXIST) {
        struct stat info {};
        if (::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
            return {};
        return Error { ENOTDIR, folder.string() + " exists but is not a folder" };
    }
    return Error::fromErrno(errno, "Cannot create the folder " + folder.string());
}

ErrorOr<void> moveWithoutReplacing(const fs::path& from, const fs::path& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return {};
    if (errno == EINVAL || errno == ENOSYS) {
        // File systems without RENAME_NOREPLACE: link() refuses to overwrite just the same.
        if (::link(from.c_str(), to.c_str()) == 0) {
            ::unlink(from.c_str());
            return {};
        }
    }
    return Error::fromErrno(errno, "Cannot move " + from.string() + " to " + to.string());
}

ErrorOr<void> replaceFileContents(
    const fs::path& file, std::string_view contents, unsigned permissions, const std::function<ErrorOr<void>()>& beforeReplace)
{
    // The temporary name keeps the file's own extension off its end, so nothing that scans
    // the folder (a desktop session reading autostart entries, say) picks it up half-written.
    fs::path temporary = file;
    temporary += ".tmp-" + std::to_string(::getpid());
    // A leftover of a crashed process with our pid; O_EXCL below then refuses planted links.
    ::unlink(temporary.c_str());
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode_t(permissions));
    if (fd < 0)
        return Error::fromErrno(errno, "Cannot create " + temporary.string());
    ErrorOr<void> written = writeAll(fd, contents);
    if (written && ::fsync(fd) != 0)
        written = Error::fromErrno(errno, "fsync");
    if (::close(fd) != 0 && written)
        written = Error::fromErrno(errno, "close");
    if (!written) {
        ::unlink(temporary.c_str());
        return Error { written.error().code, "Cannot write " + temporary.string() + ": " + written.error().message };
    }

    if (beforeReplace) {
        if (auto ready = beforeReplace(); !ready) {
            ::unlink(temporary.c_str());
            return ready;
        }
    }
    if (::rename(temporary.c_str(), file.c_str()) != 0) {
        Error error = Error::fromErrno(errno, "Cannot replace " + file.string());
        ::unlink(temporary.c_str());
        return error;
    }

    // The new file is already what every reader sees, so a failure here costs durability only.
    const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
    const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd < 0 || (::fsync(folderFd) != 0 && errno != EINVAL))
        log::error("Files", Error::fromErrno(errno, "Cannot flush folder " + folder.string()).message);
    if (folderFd >= 0)
        ::close(folderFd);
    return {};
}

}  // namespace lopewell
