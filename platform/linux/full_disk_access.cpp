#include "platform/full_disk_access.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/file_read.h"

namespace lopewell {

std::filesystem::path systemPrivacyDatabase(const HostLayout& layout)
{
    return layout.system("/Library/Application Support/com.apple.TCC/TCC.db");
}

std::filesystem::path userBookmarksFile(const HostLayout& layout)
{
    return layout.home("Library/Safari/Bookmarks.plist");
}

bool hasFullDiskAccess(const HostLayout& layout)
{
    const auto exists = [](const std::filesystem::path& path) {
        struct stat info {};
        return ::stat(path.c_str(), &info) == 0;
    };
    std::filesystem::path probe = systemPrivacyDatabase(layout);
    if (!exists(probe)) {
        probe = userBookmarksFile(layout);
        if (!exists(probe))
            return true;
    }
    const UniqueFd fd = openForReading(probe, SymlinkPolicy::follow);
    if (!fd)
        return false;
    char byte = 0;
    ssize_t read = 0;
    do {
        read = ::read(fd.get(), &byte, 1);
    } while (read < 0 && errno == EINTR);
    return read == 1;
}

}  // namespace lopewell
