// The process table: one RunningProcess per readable process, with its CPU share since the
// previous call, and a synthetic "kernel_task" row (pid 0) that absorbs the host CPU time the
// listed processes do not account for. The program never lists itself.
//
//   ProcessSampler sampler(ProcessSampler::systemSource());
//   sampler.sample();                        // first call: every share 0, no kernel row
//   auto rows = sampler.sample();            // two seconds later: the shares
//
// THREAD-SAFETY: one caller at a time, enforced by an internal lock.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/common/running_process.h"
#include "core/monitoring/cpu_sample.h"

namespace lopewell {

class ProcessSampler {
public:
    // What the kernel says about one process, before any arithmetic.
    struct ProcessReading {
        int32_t pid = 0;
        int32_t parentPID = 0;
        uint32_t uid = 0;
        std::string name;
        std::optional<std::string> path;
        uint64_t cpuTimeNanoseconds = 0;  // user + system
        uint64_t residentBytes = 0;
        int64_t threadCount = 0;
    };

    struct Source {
        std::function<double()> uptimeSeconds;                       // monotonic, stops while the system sleeps
        std::function<std::vector<ProcessReading>()> readProcesses;  // kernel pid order; unreadable ones left out
        std::function<std::optional<std::vector<CPUTicks>>()> readHostTicks;
        std::function<int()> activeProcessorCount;
        std::function<std::optional<std::string>(uint32_t uid)> lookupUserName;
        int32_t ownPid = 0;
    };

    // /proc, the password database and the running process.
    static Source systemSource();

    explicit ProcessSampler(Source source);

    std::vector<RunningProcess> sample();

    // The login name for `uid`, or "uid " + number; cached for the sampler's life.
    std::string userName(uint32_t uid);

private:
    std::string userNameLocked(uint32_t uid);

    Source m_source;
    std::mutex m_mutex;
    std::map<int32_t, uint64_t> m_previousCPUTime;
    std::optional<double> m_previousSampleUptime;
    std::optional<std::vector<CPUTicks>> m_previousHostTicks;
    std::map<uint32_t, std::string> m_userCache;
};

}  // namespace lopewell
