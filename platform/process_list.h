// The kernel's view of every process, read from /proc with about four system calls each:
// what the process table is built from.
//
//   ProcessList list;
//   for (const auto& entry : list.read()) use(entry.pid, entry.name);
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lopewell {

struct ProcessEntry {
    int32_t pid = 0;
    int32_t parentPID = 0;
    uint32_t uid = 0;
    std::string name;
    std::optional<std::string> path;  // absent when the kernel refuses the exe link
    uint64_t cpuTimeNanoseconds = 0;  // user + system
    uint64_t residentBytes = 0;
    int64_t threadCount = 0;
};

class ProcessList {
public:
    // Keeps /proc open so each process costs openat + read + fstat + readlinkat.
    ProcessList();
    ProcessList(const ProcessList&) = delete;
    ProcessList& operator=(const ProcessList&) = delete;
    ~ProcessList();

    // In the kernel's (ascending pid) order; processes that exit or cannot be read are left
    // out. Empty when /proc cannot be opened.
    std::vector<ProcessEntry> read();

private:
    int m_procFd = -1;
};

// Seconds on CLOCK_MONOTONIC, which stops while the system sleeps, as process CPU times do.
double monotonicUptimeSeconds();

// Online processors; at least 1.
int activeProcessorCount();

// The login name for `uid` from the password database, or absent.
std::optional<std::string> lookupUserName(uint32_t uid);

}  // namespace lopewell
