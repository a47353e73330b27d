// `lopewell ps` (the process table, as text or JSON) and `lopewell kill` (quit or force-quit).
#pragma once

#include <nlohmann/json.hpp>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/common/running_process.h"

namespace lopewell::cli {

int runPs(std::span<const std::string_view> arguments, std::ostream& out, std::ostream& err);
int runKill(std::span<const std::string_view> arguments, std::ostream& out, std::ostream& err);

std::string processTableText(const std::vector<RunningProcess>& rows);
nlohmann::ordered_json processesJson(const std::vector<RunningProcess>& rows);

}  // namespace lopewell::cli
