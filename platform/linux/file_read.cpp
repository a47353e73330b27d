#include "platform/file_read.h"

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lopewell {

namespace {

FileReadFailure failure(FileReadFailure::Kind kind, int code = 0, std::optional<std::uint64_t> size = std::nullopt)
{
    return FileReadFailure { kind, code, size };
}

}  // namespace

UniqueFd openForReading(const std::filesystem::path& path, SymlinkPolicy symlinks)
{
    int flags = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    if (symlinks == SymlinkPolicy::refuse)
        flags |= O_NOFOLLOW;
    return UniqueFd(::open(path.c_str(), flags));
}

std::variant<std::string, FileReadFailure> readRegularFile(
    const std::filesystem::path& path, std::uint64_t maxBytes, SymlinkPolicy symlinks, FileId* readFrom)
{
    using Kind = FileReadFailure::Kind;
    // So that maxBytes + 1 below can neither overflow nor ask for more than memory holds.
    maxBytes = std::min<std::uint64_t>(maxBytes, std::uint64_t(1) << 40);
    const UniqueFd fd = openForReading(path, symlinks);
    if (!fd) {
        if (errno == ELOOP && symlinks == SymlinkPolicy::refuse)
            return failure(Kind::symbolicLink, ELOOP);
        return failure(Kind::cannotOpen, errno);
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        return failure(Kind::cannotExamine, errno);
    if (!S_ISREG(info.st_mode))
        return failure(Kind::notRegular);
    if (std::uint64_t(info.st_size) > maxBytes)
        return failure(Kind::tooLarge, 0, std::uint64_t(info.st_size));
    if (readFrom)
        *readFrom = FileId { std::uint64_t(info.st_dev), std::uint64_t(info.st_ino) };

    // The size is only a hint: the file may grow while we read (and /proc files say 0).
    std::string contents(size_t(info.st_size) + 1, '\0');
    size_t filled = 0;
    for (;;) {
        if (filled == contents.size()) {
            if (contents.size() > maxBytes)
                return failure(Kind::tooLarge);
            contents.resize(size_t(std::min<std::uint64_t>(maxBytes + 1, contents.size() * 2 + 4096)));
        }
        const ssize_t got = ::read(fd.get(), contents.data() + filled, contents.size() - filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return failure(Kind::cannotRead, errno);
        if (got == 0)
            break;
        filled += size_t(got);
    }
    contents.resize(filled);
    return contents;
}

std::optional<std::string> readRegularFileContents(const std::filesystem::path& path, std::uint64_t maxBytes, SymlinkPolicy symlinks)
{
    auto read = readRegularFile(path, maxBytes, symlinks);
    if (auto* contents = std::get_if<std::string>(&read))
        return std::move(*contents);
    return std::nullopt;
}

std::optional<std::string> readFileStart(const std::filesystem::path& path, std::size_t count, SymlinkPolicy symlinks)
{
    const UniqueFd fd = openForReading(path, symlinks);
    struct stat info {};
    if (!fd || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    std::string start(count, '\0');
    size_t filled = 0;
    while (filled < count) {
        const ssize_t got = ::read(fd.get(), start.data() + filled, count - filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            break;
        filled += size_t(got);
    }
    start.resize(filled);
    return start;
}

}  // namespace lopewell
