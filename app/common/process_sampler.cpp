#include "app/common/process_sampler.h"

#include <algorithm>
#include <memory>

#include "platform/process_list.h"
#include "platform/process_signal.h"
#include "platform/system_counters.h"

namespace lopewell {

ProcessSampler::Source ProcessSampler::systemSource()
{
    auto list = std::make_shared<ProcessList>();
    auto cpu = std::make_shared<CPUSampler::Sources>(systemCPUSources());
    return Source {
        .uptimeSeconds = monotonicUptimeSeconds,
        .readProcesses =
            [list] {
                std::vector<ProcessReading> readings;
                for (auto& entry : list->read()) {
                    readings.push_back(ProcessReading {
                        .pid = entry.pid,
                        .parentPID = entry.parentPID,
                        .uid = entry.uid,
                        .name = std::move(entry.name),
                        .path = std::move(entry.path),
                        .cpuTimeNanoseconds = entry.cpuTimeNanoseconds,
                        .residentBytes = entry.residentBytes,
                        .threadCount = entry.threadCount,
                    });
                }
                return readings;
            },
        .readHostTicks = [cpu] { return cpu->readTicks(); },
        .activeProcessorCount = activeProcessorCount,
        .lookupUserName = lookupUserName,
        .ownPid = currentProcessId(),
    };
}

ProcessSampler::ProcessSampler(Source source) : m_source(std::move(source)) {}

std::vector<RunningProcess> ProcessSampler::sample()
{
    std::lock_guard lock(m_mutex);
    const double uptime = m_source.uptimeSeconds();
    uint64_t elapsed = 0;
    if (m_previousSampleUptime) {
        const double nanoseconds = (uptime - *m_previousSampleUptime) * 1e9;
        elapsed = nanoseconds > 0 ? uint64_t(nanoseconds) : 0;
    }

    const auto readings = m_source.readProcesses();
    std::map<int32_t, uint64_t> cpuTimes;
    std::vector<RunningProcess> rows;
    rows.reserve(readings.size() + 1);
    double sum = 0;
    for (const auto& reading : readings) {
        cpuTimes[reading.pid] = reading.cpuTimeNanoseconds;
        double percent = 0;
        if (elapsed > 0) {
            auto previous = m_previousCPUTime.find(reading.pid);
            // A lower time than last call means the pid now belongs to a younger process.
            if (previous != m_previousCPUTime.end() && reading.cpuTimeNanoseconds >= previous->second)
                percent = double(reading.cpuTimeNanoseconds - previous->second) / double(elapsed) * 100.0;
        }
        sum += percent;
        std::string name = reading.name;
        if (name.empty() && reading.path) {
            const auto slash = reading.path->rfind('/');
            name = slash == std::string::npos ? *reading.path : reading.path->substr(slash + 1);
        }
        if (name.empty())
            name = "pid " + std::to_string(reading.pid);
        rows.push_back(RunningProcess {
            .pid = reading.pid,
            .parentPID = reading.parentPID,
            .name = std::move(name),
            .path = reading.path,
            .user = userNameLocked(reading.uid),
            .cpuPercent = percent,
            .memoryBytes = reading.residentBytes,
            .threadCount = reading.threadCount,
        });
    }
    m_previousCPUTime = std::move(cpuTimes);
    m_previousSampleUptime = uptime;

    if (auto ticks = m_source.readHostTicks(); ticks && !ticks->empty()) {
        if (m_previousHostTicks) {
            const auto loads = perCoreLoads(*m_previousHostTicks, *ticks);
            double share = 0;
            for (double load : loads)
                share += load;
            if (!loads.empty())
                share /= double(loads.size());
            const int processors = std::max(m_source.activeProcessorCount(), 1);
            rows.push_back(RunningProcess {
                .pid = 0,
                .parentPID = 0,
                .name = "kernel_task",
                .path = std::nullopt,
                .user = "root",
                .cpuPercent = std::max(0.0, share * processors * 100.0 - sum),
                .memoryBytes = 0,
                .threadCount = 0,
            });
        }
        m_previousHostTicks = std::move(ticks);
    }

    // After the kernel row, so this program's own time is not counted as the kernel's.
    if (m_source.ownPid > 0)
        std::erase_if(rows, [&](const RunningProcess& row) { return row.pid == m_source.ownPid; });
    return rows;
}

std::string ProcessSampler::userName(uint32_t uid)
{
    std::lock_guard lock(m_mutex);
    return userNameLocked(uid);
}

std::string ProcessSampler::userNameLocked(uint32_t uid)
{
    if (auto cached = m_userCache.find(uid); cached != m_userCache.end())
        return cached->second;
    std::optional<std::string> found = m_source.lookupUserName ? m_source.lookupUserName(uid) : std::nullopt;
    std::string name = found ? *found : "uid " + std::to_string(uid);
    m_userCache.emplace(uid, name);
    return name;
}

}  // namespace lopewell
