#include "platform/file_status.h"

#include <cerrno>
#include <sys/stat.h>

namespace lopewell {

namespace {

FileType typeOf(mode_t mode)
{
    if (S_ISREG(mode))
        return FileType::regular;
    if (S_ISDIR(mode))
        return FileType::directory;
    if (S_ISLNK(mode))
        return FileType::symbolicLink;
    return FileType::other;
}

}  // namespace

ErrorOr<FileStatus> fileStatusAt(const std::filesystem::path& path, SymlinkPolicy symlinks)
{
    struct stat info {};
    const int result = symlinks == SymlinkPolicy::follow ? ::stat(path.c_str(), &info) : ::lstat(path.c_str(), &info);
    if (result != 0)
        return Error::fromErrno(errno, "Cannot examine " + path.string());
    return FileStatus { typeOf(info.st_mode), info.st_uid, (info.st_mode & S_ISVTX) != 0 };
}

ErrorOr<FileType> fileTypeAt(const std::filesystem::path& path, SymlinkPolicy symlinks)
{
    ErrorOr<FileStatus> status = fileStatusAt(path, symlinks);
    if (!status)
        return status.error();
    return status.value().type;
}

}  // namespace lopewell
