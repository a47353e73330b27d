#include "platform/process_list.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/monitoring/process_stat.h"

namespace lopewell {

namespace {

std::optional<int32_t> pidFromName(const char* name)
{
    const size_t length = std::strlen(name);
    int32_t pid = 0;
    auto [end, error] = std::from_chars(name, name + length, pid);
    if (error != std::errc() || end != name + length || pid < 1)
        return std::nullopt;
    return pid;
}

}  // namespace

ProcessList::ProcessList() : m_procFd(::open("/proc", O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {}

ProcessList::~ProcessList()
{
    if (m_procFd >= 0)
        ::close(m_procFd);
}

std::vector<ProcessEntry> ProcessList::read()
{
    std::vector<ProcessEntry> entries;
    if (m_procFd < 0)
        return entries;
    // A fresh descriptor per listing: fdopendir takes ownership, and rewinding a shared one
    // would not see processes started since.
    const int listFd = ::openat(m_procFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listFd < 0)
        return entries;
    DIR* directory = ::fdopendir(listFd);
    if (!directory) {
        ::close(listFd);
        return entries;
    }

    static const long ticksPerSecond = [] {
        long ticks = ::sysconf(_SC_CLK_TCK);
        return ticks > 0 ? ticks : 100;
    }();
    static const long pageSize = [] {
        long size = ::sysconf(_SC_PAGESIZE);
        return size > 0 ? size : 4096;
    }();

    char buffer[4096];
    char linkBuffer[4096];
    char relative[64];
    while (dirent* item = ::readdir(directory)) {
        const auto pid = pidFromName(item->d_name);
        if (!pid)
            continue;
        std::snprintf(relative, sizeof relative, "%d/stat", *pid);
        const int fd = ::openat(m_procFd, relative, O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0)
            continue;  // exited since the listing
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        struct stat info {};
        // The stat file belongs to the process's owner, like the folder it sits in.
        const bool haveOwner = ::fstat(fd, &info) == 0;
        ::close(fd);
        if (got <= 0 || !haveOwner)
            continue;
        auto stat = parseProcessStat(std::string_view(buffer, size_t(got)));
        if (!stat)
            continue;

        ProcessEntry entry;
        entry.pid = *pid;
        entry.parentPID = stat->parentPID;
        entry.uid = info.st_uid;
        entry.name = std::move(stat->name);
        entry.cpuTimeNanoseconds = stat->cpuTicks * (1'000'000'000ull / uint64_t(ticksPerSecond));
        entry.residentBytes = uint64_t(stat->residentPages) * uint64_t(pageSize);
        entry.threadCount = stat->threadCount;

        std::snprintf(relative, sizeof relative, "%d/exe", *pid);
        const ssize_t linkLength = ::readlinkat(m_procFd, relative, linkBuffer, sizeof linkBuffer);
        if (linkLength > 0 && size_t(linkLength) < sizeof linkBuffer)
            entry.path = std::string(linkBuffer, size_t(linkLength));
        entries.push_back(std::move(entry));
    }
    ::closedir(directory);
    return entries;
}

double monotonicUptimeSeconds()
{
    timespec now {};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

int activeProcessorCount()
{
    // Every online CPU, not this process's affinity: the host share is a mean over all of them.
    const long online = ::sysconf(_SC_NPROCESSORS_ONLN);
    return online > 0 ? int(online) : 1;
}

std::optional<std::string> lookupUserName(uint32_t uid)
{
    long suggested = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::string storage(size_t(suggested > 0 ? suggested : 1024), '\0');
    for (int attempt = 0; attempt < 6; ++attempt) {
        passwd entry {};
        passwd* found = nullptr;
        const int result = ::getpwuid_r(uid_t(uid), &entry, storage.data(), storage.size(), &found);
        if (result == ERANGE) {
            storage.resize(storage.size() * 4);
            continue;
        }
        if (result != 0 || !found || !found->pw_name)
            return std::nullopt;
        return std::string(found->pw_name);
    }
    return std::nullopt;
}

}  // namespace lopewell
