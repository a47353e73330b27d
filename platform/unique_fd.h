// Owns one file descriptor and closes it when it goes, so early returns cannot leak it.
//
//   UniqueFd folder(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
//   if (!folder)
//       return Error::fromErrno(errno, "Cannot open " + path.string());
//   useFolder(folder.get());
#pragma once

#include <utility>

namespace lopewell {

class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : m_fd(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept
    {
        reset(other.release());
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { reset(); }

    int get() const { return m_fd; }
    explicit operator bool() const { return m_fd >= 0; }

    // Gives the descriptor up without closing it; this is empty afterwards.
    [[nodiscard]] int release() { return std::exchange(m_fd, -1); }
    // Closes the descriptor held (unless it is `fd` itself) and takes `fd`. The close is never
    // retried: Linux frees the descriptor even when close fails with EINTR, and by then the
    // number may belong to a file another thread has just opened.
    void reset(int fd = -1);

private:
    int m_fd = -1;
};

}  // namespace lopewell
