// The fields of one /proc/<pid>/stat line the process table needs.
//
//   auto stat = parseProcessStat("42 (my app) S 1 ...");   // name "my app", parent 1
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lopewell {

struct ProcessStat {
    int32_t parentPID = 0;
    std::string name;
    uint64_t cpuTicks = 0;  // utime + stime, in clock ticks
    int64_t threadCount = 0;
    int64_t residentPages = 0;

    bool operator==(const ProcessStat&) const = default;
};

// Absent when the text is truncated or malformed. The name is whatever lies between the first
// "(" and the last ")", since a process may put spaces, parentheses or newlines in it.
std::optional<ProcessStat> parseProcessStat(std::string_view text);

}  // namespace lopewell
