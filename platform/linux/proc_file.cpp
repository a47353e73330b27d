#include "platform/linux/proc_file.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include "platform/file_read.h"

namespace lopewell {

namespace {

// No statistics file is this large: refuse rather than grow.
constexpr size_t maxProcFileSize = 64u << 20;

// Reads from offset 0 until end of file, growing the buffer as needed. /proc texts are
// generated on each read from offset 0, so a short read only means "read again".
bool readAll(int fd, std::string& buffer)
{
    if (buffer.size() < 4096)
        buffer.resize(4096);
    size_t length = 0;
    while (true) {
        if (length == buffer.size())
            buffer.resize(buffer.size() * 2);
        ssize_t got = ::pread(fd, buffer.data() + length, buffer.size() - length, off_t(length));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (got == 0)
            break;
        length += size_t(got);
        if (length > maxProcFileSize)
            return false;
    }
    buffer.resize(length);
    return true;
}

}  // namespace

ProcFile::ProcFile(std::filesystem::path path) : m_path(std::move(path)) {}

ProcFile::~ProcFile() = default;

std::optional<std::string_view> ProcFile::read()
{
    if (!m_fd)
        m_fd.reset(::open(m_path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!m_fd)
        return std::nullopt;
    m_buffer.resize(m_buffer.capacity());
    if (!readAll(m_fd.get(), m_buffer)) {
        // Reopen next time: the file may have been replaced (a fixture) or the fd gone stale.
        m_fd.reset();
        return std::nullopt;
    }
    return std::string_view(m_buffer);
}

std::optional<std::string> readSmallFile(const std::filesystem::path& path)
{
    return readRegularFileContents(path, maxProcFileSize, SymlinkPolicy::follow);
}

}  // namespace lopewell
