#include "platform/linux/trash_directory_sizes.h"

#include <fcntl.h>
#include <unistd.h>

#include <random>

#include "core/base/file_url.h"
#include "platform/unique_fd.h"

namespace lopewell {

namespace {

constexpr std::size_t sizeLimit = 16 << 20;

bool namesItem(std::string_view line, std::string_view name)
{
    const std::size_t first = line.find(' ');
    const std::size_t second = first == std::string_view::npos ? first : line.find(' ', first + 1);
    if (second == std::string_view::npos)
        return false;
    const std::optional<std::string> decoded = percentDecoded(line.substr(second + 1));
    return decoded && *decoded == name;
}

bool writeAll(int fd, std::string_view text)
{
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        text.remove_prefix(std::size_t(written));
    }
    return true;
}

}  // namespace

std::optional<std::string> directorySizesWithout(std::string_view text, std::string_view name)
{
    std::string kept;
    bool dropped = false;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        const std::string_view withBreak = text.substr(0, end == std::string_view::npos ? text.size() : end + 1);
        text.remove_prefix(withBreak.size());
        if (namesItem(line, name))
            dropped = true;
        else
            kept += withBreak;
    }
    if (!dropped)
        return std::nullopt;
    return kept;
}

void dropDirectorySize(int trashFolder, const std::string& name)
{
    UniqueFd input(::openat(trashFolder, "directorysizes", O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!input)
        return;
    std::string text;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(input.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 || text.size() + std::size_t(got) > sizeLimit)
            return;
        if (got == 0)
            break;
        text.append(buffer, std::size_t(got));
    }
    const std::optional<std::string> rewritten = directorySizesWithout(text, name);
    if (!rewritten)
        return;
    const std::string temporary = "directorysizes." + std::to_string(std::random_device()()) + ".tmp";
    UniqueFd output(::openat(trashFolder, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!output)
        return;
    if (!writeAll(output.get(), *rewritten) || ::fsync(output.get()) != 0
        || ::renameat(trashFolder, temporary.c_str(), trashFolder, "directorysizes") != 0)
        ::unlinkat(trashFolder, temporary.c_str(), 0);
}

}  // namespace lopewell
