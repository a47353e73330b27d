#include "app/processes/process_table.h"

#include <algorithm>
#include <string>

#include "core/base/text.h"

namespace lopewell {

namespace {

std::string lowered(std::string_view text)
{
    std::string result(text);
    for (char& c : result) {
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    }
    return result;
}

// -1, 0, 1 for a before, tied with, after b in ascending order.
int compare(const RunningProcess& a, const RunningProcess& b, ProcessSortKey key)
{
    auto order = [](const auto& x, const auto& y) { return x < y ? -1 : (y < x ? 1 : 0); };
    switch (key) {
    case ProcessSortKey::name:
        return order(lowered(a.name), lowered(b.name));
    case ProcessSortKey::pid:
        return order(a.pid, b.pid);
    case ProcessSortKey::user:
        return order(lowered(a.user), lowered(b.user));
    case ProcessSortKey::cpu:
        return order(a.cpuPercent, b.cpuPercent);
    case ProcessSortKey::memory:
        return order(a.memoryBytes, b.memoryBytes);
    case ProcessSortKey::threads:
        return order(a.threadCount, b.threadCount);
    }
    return 0;
}

}  // namespace

std::optional<ProcessSortKey> processSortKey(std::string_view text)
{
    if (text == "cpu")
        return ProcessSortKey::cpu;
    if (text == "memory")
        return ProcessSortKey::memory;
    if (text == "pid")
        return ProcessSortKey::pid;
    if (text == "name")
        return ProcessSortKey::name;
    if (text == "user")
        return ProcessSortKey::user;
    if (text == "threads")
        return ProcessSortKey::threads;
    return std::nullopt;
}

std::vector<RunningProcess> visibleProcesses(std::vector<RunningProcess> rows, std::string_view filter, ProcessSortKey key, bool ascending)
{
    const std::string query = lowered(trimmed(filter));
    if (!query.empty()) {
        std::erase_if(rows, [&](const RunningProcess& row) {
            return lowered(row.name).find(query) == std::string::npos && std::to_string(row.pid).find(query) == std::string::npos
                && lowered(row.user).find(query) == std::string::npos;
        });
    }
    std::stable_sort(rows.begin(), rows.end(), [&](const RunningProcess& a, const RunningProcess& b) {
        const int result = compare(a, b, key);
        return ascending ? result < 0 : result > 0;
    });
    return rows;
}

}  // namespace lopewell
