#include "platform/file_status.h"

#include <cerrno>
#include <sys/stat.h>

namespace lopewell {

ErrorOr<FileType> fileTypeAt(const std::filesystem::path& path, SymlinkPolicy symlinks)
{
    struct stat info {};
    const int result = symlinks == SymlinkPolicy::follow ? ::stat(path.c_str(), &info) : ::lstat(path.c_str(), &info);
    if (result != 0)
        return Error::fromErrno(errno, "Cannot examine " + path.string());
    if (S_ISREG(info.st_mode))
        return FileType::regular;
    if (S_ISDIR(info.st_mode))
        return FileType::directory;
    if (S_ISLNK(info.st_mode))
        return FileType::symbolicLink;
    return FileType::other;
}

}  // namespace lopewell
