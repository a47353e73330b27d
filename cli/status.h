// `lopewell status`: what the machine is doing right now, as text or as one JSON object.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>

#include "core/concurrency/clock.h"
#include "core/monitoring/cpu_sample.h"
#include "core/monitoring/gpu_info.h"
#include "core/monitoring/memory_stats.h"

namespace lopewell::cli {

struct StatusReport {
    std::optional<CPUSample> cpu;
    std::optional<MemoryStats> memory;
    std::optional<GPUInfo> gpu;
};

// Two CPU readings `interval` apart, then memory and the GPU.
StatusReport gatherStatus(Duration interval);

nlohmann::ordered_json statusJson(const StatusReport&);
std::string statusText(const StatusReport&);

int runStatus(std::span<const std::string_view> arguments, std::ostream& out, std::ostream& err);

}  // namespace lopewell::cli
