// Real fixture trees for tests: a temporary folder removed afterwards, small file helpers, and a
// way to run a check without root's right to read everything (CI runs as root).
#pragma once

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <grp.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace lopewell::testing {

class TempDir {
public:
    TempDir() : TempDir(std::filesystem::temp_directory_path()) {}
    // A folder under `base`: "/dev/shm" is memory-backed and a file system of its own.
    explicit TempDir(const std::filesystem::path& base)
    {
        std::string pattern = (base / "lopewell-test-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        m_path = pattern;
        // Traversable by the unprivileged user of runUnprivileged().
        chmod(m_path.c_str(), 0755);
    }
    ~TempDir()
    {
        // Tests make folders unreadable on purpose; give them back before removing.
        std::error_code error;
        for (auto it
            = std::filesystem::recursive_directory_iterator(m_path, std::filesystem::directory_options::skip_permission_denied, error);
            !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
            if (it->is_directory(error) && !it->is_symlink(error))
                chmod(it->path().c_str(), 0755);
        }
        chmod(m_path.c_str(), 0755);
        std::filesystem::remove_all(m_path, error);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::filesystem::path& relative) const { return m_path / relative; }

private:
    std::filesystem::path m_path;
};

inline void writeFile(const std::filesystem::path& path, const std::string& contents)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << contents;
}

inline std::string readFile(const std::filesystem::path& path)
{
    std::ifstream stream(path, std::ios::binary);
    std::ostringstream contents;
    contents << stream.rdbuf();
    return contents.str();
}

// Runs `body` in a forked child that, when the tests run as root, first becomes "nobody", so
// permission bits apply. Returns the child's exit status: body's return value, or 128 + the signal.
// Keep the body to plain calls and return codes; it must not use gtest assertions.
inline int runUnprivileged(const std::function<int()>& body)
{
    pid_t child = fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        if (geteuid() == 0) {
            constexpr gid_t nobodyGroup = 65534;
            constexpr uid_t nobodyUser = 65534;
            if (setgroups(0, nullptr) != 0 || setgid(nobodyGroup) != 0 || setuid(nobodyUser) != 0)
                _exit(125);
        }
        _exit(body());
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {}
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
}

}  // namespace lopewell::testing
