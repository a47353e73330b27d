// One row of the process table.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace lopewell {

struct RunningProcess {
    int32_t pid = 0;
    int32_t parentPID = 0;  // 0 when unknown
    std::string name;
    std::optional<std::string> path;  // the executable; absent when the kernel refuses it
    std::string user;                 // login name, or "uid " + number
    double cpuPercent = 0;            // of one logical CPU over the last interval; may exceed 100
    uint64_t memoryBytes = 0;         // resident
    int64_t threadCount = 0;

    bool operator==(const RunningProcess&) const = default;
};

}  // namespace lopewell
