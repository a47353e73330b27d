// Which rows of the process table are shown, and in what order: shared by the Processes view
// and `lopewell ps`.
//
//   auto rows = visibleProcesses(all, " Safari ", ProcessSortKey::cpu, false);
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "app/common/running_process.h"

namespace lopewell {

enum class ProcessSortKey { name, pid, user, cpu, memory, threads };

// "cpu", "memory", "pid", "name", "user", "threads".
std::optional<ProcessSortKey> processSortKey(std::string_view text);

// `filter` is trimmed and lower-cased; a row stays when its lower-cased name, its decimal pid or
// its lower-cased user contains it. Empty keeps everything. The sort is stable, so rows that
// tie keep the sampler's (pid) order.
std::vector<RunningProcess> visibleProcesses(std::vector<RunningProcess> rows, std::string_view filter, ProcessSortKey key, bool ascending);

}  // namespace lopewell
